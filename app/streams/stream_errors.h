#pragma once
// What the streamed-video layer raises. A refusal means the address leads to
// no video we can save (a live stream, a protected one, a broken playlist);
// a fetch failure means a video we could save did not arrive whole.

#include "platform/exception.h"

class EVideoStreamError : public Exception {
public:
  using Exception::Exception;
};

class EVideoStreamRefused : public EVideoStreamError {
public:
  using EVideoStreamError::EVideoStreamError;
};

class EVideoStreamFetchFailed : public EVideoStreamError {
public:
  using EVideoStreamError::EVideoStreamError;
};
