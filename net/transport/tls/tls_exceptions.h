#pragma once
// The exception classes of the TLS transport. Everything it raises derives
// from EIdOpenSSLError; failures to load the library or the files it is given
// derive from EIdOpenSSLLoadError.

#include "net/transport/exceptions.h"

#define QUILLFEN_TLS_EXCEPTION(Name, Base) \
  class Name : public Base {               \
  public:                                  \
    using Base::Base;                      \
  }

QUILLFEN_TLS_EXCEPTION(EIdOpenSSLError, EIdException);
QUILLFEN_TLS_EXCEPTION(EIdOpenSSLLoadError, EIdOpenSSLError);
QUILLFEN_TLS_EXCEPTION(EIdOSSLCouldNotLoadSSLLibrary, EIdOpenSSLLoadError);
QUILLFEN_TLS_EXCEPTION(EIdOSSLLoadingRootCertError, EIdOpenSSLLoadError);
QUILLFEN_TLS_EXCEPTION(EIdOSSLLoadingCertError, EIdOpenSSLLoadError);
QUILLFEN_TLS_EXCEPTION(EIdOSSLLoadingKeyError, EIdOpenSSLLoadError);
QUILLFEN_TLS_EXCEPTION(EIdOSSLCreatingContextError, EIdOpenSSLError);
QUILLFEN_TLS_EXCEPTION(EIdOSSLSettingCipherError, EIdOpenSSLError);
QUILLFEN_TLS_EXCEPTION(EIdOSSLModeNotSet, EIdOpenSSLError);
QUILLFEN_TLS_EXCEPTION(EIdOSSLGetMethodError, EIdOpenSSLError);
QUILLFEN_TLS_EXCEPTION(EIdOSSLDataBindingError, EIdOpenSSLError);
QUILLFEN_TLS_EXCEPTION(EIdOSSLConnectError, EIdOpenSSLError);
QUILLFEN_TLS_EXCEPTION(EIdOSSLAcceptError, EIdOpenSSLError);
// The server's certificate failed verification; a connect error, with the
// reason in its message.
QUILLFEN_TLS_EXCEPTION(EIdOSSLPeerVerifyError, EIdOSSLConnectError);
// An established link failed while reading or writing.
QUILLFEN_TLS_EXCEPTION(EIdOSSLLinkError, EIdOpenSSLError);

#undef QUILLFEN_TLS_EXCEPTION
