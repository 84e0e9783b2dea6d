#pragma once
// The headers of one HTTP message as typed fields beside the raw lines they
// are read from or written to. Before a request is sent its record composes
// HeaderLines from the fields; after a response's lines are read its record
// parses them into fields. Dates are local date-times, 0 meaning absent.

#include <cstdint>
#include <memory>
#include <string>

#include "net/http/authentication.h"
#include "net/http/header_list.h"
#include "net/http/persistent.h"
#include "platform/datetime.h"

// The fields requests and responses share.
class TIdEntityHeaderInfo : public TPersistent {
public:
  TIdEntityHeaderInfo();
  const char* ClassName() const override { return "TIdEntityHeaderInfo"; }

  virtual void ParseHeaders();
  virtual void ComposeHeaders();
  // Back to a fresh message; CacheControl, Pragma and CustomHeaders stay.
  virtual void ResetFields();

  // -1 when absent. Setting it also records whether a length is known.
  // 64-bit so that a video of 2 GiB or more keeps its length.
  int64_t ContentLength() const { return ContentLengthValue; }
  void SetContentLength(int64_t length);

  std::string CacheControl;  // sent, never read from a message
  TIdHeaderList HeaderLines{1024};
  std::string Connection;
  std::string ContentEncoding;
  std::string ContentLanguage;
  // A range's first and last byte and the whole length (-1 when unknown);
  // 64-bit, so that a range of a file past 2 GiB is read and sent.
  int64_t ContentRangeEnd = 0;
  int64_t ContentRangeStart = 0;
  int64_t ContentRangeInstanceLength = -1;
  std::string ContentType;
  std::string ContentVersion;
  // Extra lines appended verbatim when composing.
  TIdHeaderList CustomHeaders;
  TDateTime Date = 0;
  TDateTime Expires = 0;
  TDateTime LastModified = 0;
  std::string Pragma;
  bool LengthGiven = false;
  // The Content-Length values as read when they name different lengths
  // ("3, 5"); empty when they agree. Such a message has no safe framing.
  std::string ConflictingLengths;

protected:
  void AssignTo(TPersistent& destination) const override;

private:
  void parseContentLength();
  void parseExpires();

  int64_t ContentLengthValue = -1;
};

// Request lines are never folded: servers refuse continuation lines, and a
// long Cookie line would otherwise be broken into one.
class TIdRequestHeaderInfo : public TIdEntityHeaderInfo {
public:
  TIdRequestHeaderInfo();
  const char* ClassName() const override { return "TIdRequestHeaderInfo"; }

  // Reads a received request.
  void ParseHeaders() override;
  // The entity lines, then the request's own, then the Authorization line.
  void ComposeHeaders() override;
  void ResetFields() override;

  std::string Accept;
  std::string AcceptCharSet;
  std::string AcceptEncoding;
  std::string AcceptLanguage;
  std::string From;
  std::string Password;
  std::string Referer;
  std::string UserAgent;
  std::string Username;
  std::string Host;
  // Makes a Basic scheme object from Username and Password on the first
  // compose when no Authentication object exists yet.
  bool BasicAuthentication = false;
  std::string ProxyConnection;
  std::unique_ptr<TIdAuthentication> Authentication;

protected:
  void AssignTo(TPersistent& destination) const override;

private:
  void putAuthorization();
};

class TIdResponseHeaderInfo : public TIdEntityHeaderInfo {
public:
  TIdResponseHeaderInfo();
  const char* ClassName() const override { return "TIdResponseHeaderInfo"; }

  void ParseHeaders() override;
  // ProxyConnection keeps its value.
  void ResetFields() override;

  std::string Location;
  std::string Server;
  std::string ProxyConnection;
  // Every challenge of the response, in order.
  TIdHeaderList ProxyAuthenticate;
  TIdHeaderList WWWAuthenticate;

private:
  void parseContentRange();
};
