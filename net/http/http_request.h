#pragma once
// The request an HTTP client sends: the request header record plus what the
// exchange needs to put it on the wire (the text of the request line, the
// method, the upload and the route the request takes).

#include <string>

#include "net/http/header_info.h"

class TIdCustomHTTP;
class TStream;

enum TIdHTTPMethod { hmHead, hmGet, hmPost, hmOptions, hmTrace, hmPut, hmDelete, hmConnect };

enum TIdHTTPRoute { rtDirect, rtTls, rtProxy, rtTlsProxy };

// The token of the request line for a method.
const char* MethodToken(TIdHTTPMethod method);

class TIdHTTPRequest : public TIdRequestHeaderInfo {
public:
  explicit TIdHTTPRequest(TIdCustomHTTP* client) : Client(client) {}
  const char* ClassName() const override { return "TIdHTTPRequest"; }

  TIdCustomHTTP* Client;
  // First the address the caller gave, then the text of the request line.
  std::string TargetUrl;
  TIdHTTPMethod RequestMethod = hmGet;
  // Not owned.
  TStream* UploadStream = nullptr;
  TIdHTTPRoute Route = rtDirect;
};
