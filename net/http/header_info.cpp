#include "net/http/header_info.h"

#include <optional>
#include <set>
#include <string>

#include "net/http/internet_date.h"
#include "net/http/text_helpers.h"
#include "net/http/tokens.h"
#include "platform/int_parse.h"

namespace {
// Puts the line only when there is something to say.
void putIfSet(TIdHeaderList& lines, const std::string& name, const std::string& value) {
  if (!value.empty()) lines.PutValue(name, value);
}

void putDateIfSet(TIdHeaderList& lines, const std::string& name, TDateTime value) {
  if (value > 0) lines.PutValue(name, FormatInternetDate(value));
}

constexpr int32_t SecondsPerDay = 86400;

// Digits only: no sign, no blanks, nothing that overflows 64 bits.
std::optional<int64_t> byteCount(std::string_view text) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
  const int64_t value = StrToInt64Def(text, -1);
  if (value < 0) return std::nullopt;
  return value;
}
}  // namespace

// --- entity -----------------------------------------------------------------

TIdEntityHeaderInfo::TIdEntityHeaderInfo() { TIdEntityHeaderInfo::ResetFields(); }

void TIdEntityHeaderInfo::SetContentLength(int64_t length) {
  ContentLengthValue = length;
  LengthGiven = length >= 0;
}

void TIdEntityHeaderInfo::ResetFields() {
  Connection.clear();
  ContentVersion.clear();
  ContentEncoding.clear();
  ContentLanguage.clear();
  ContentType = "text/html";
  ContentLengthValue = -1;
  ContentRangeStart = 0;
  ContentRangeEnd = 0;
  ContentRangeInstanceLength = -1;
  ConflictingLengths.clear();
  Date = 0;
  Expires = 0;
  LastModified = 0;
  HeaderLines.Clear();
}

void TIdEntityHeaderInfo::ParseHeaders() {
  Connection = HeaderLines.ValueOf("Connection");
  ContentVersion = HeaderLines.ValueOf("Content-Version");
  ContentEncoding = HeaderLines.ValueOf("Content-Encoding");
  ContentLanguage = HeaderLines.ValueOf("Content-Language");
  ContentType = HeaderLines.ValueOf("Content-Type");
  parseContentLength();
  Date = InternetDateToLocal(HeaderLines.ValueOf("Date"));
  LastModified = InternetDateToLocal(HeaderLines.ValueOf("Last-Modified"));
  parseExpires();
  Pragma = HeaderLines.ValueOf("Pragma");
}

// Every Content-Length line and every comma-separated value in them must name
// the same length ("10, 10" is 10); a value that is no number stands for -1,
// so that it conflicts with any number.
void TIdEntityHeaderInfo::parseContentLength() {
  TIdHeaderList values;
  HeaderLines.ExtractValues("Content-Length", &values);
  std::set<int64_t> lengths;
  for (int32_t i = 0; i < values.Count(); ++i) {
    std::string rest = values.Strings(i);
    do {
      lengths.insert(StrToInt64Def(Trim(TakeToken(rest, ",")), -1));
    } while (!rest.empty());
  }
  ConflictingLengths.clear();
  if (lengths.size() > 1) {
    for (int32_t i = 0; i < values.Count(); ++i) ConflictingLengths += (i > 0 ? ", " : "") + values.Strings(i);
    SetContentLength(-1);
    return;
  }
  SetContentLength(lengths.empty() ? -1 : *lengths.begin());
}

// A number other than -1 counts seconds from now. A count that is not a time
// of day (a day or more, or negative) is taken as already expired rather than
// failing the whole response over a header the download does not use.
void TIdEntityHeaderInfo::parseExpires() {
  const std::string text = HeaderLines.ValueOf("Expires");
  const int32_t seconds = StrToIntDef(text, -1);
  if (seconds == -1) {
    Expires = InternetDateToLocal(text);
  } else if (seconds < 0 || seconds >= SecondsPerDay) {
    Expires = Now();
  } else {
    Expires = Now() + EncodeTime(seconds / 3600, seconds % 3600 / 60, seconds % 60, 0);
  }
}

void TIdEntityHeaderInfo::ComposeHeaders() {
  HeaderLines.Clear();
  putIfSet(HeaderLines, "Connection", Connection);
  putIfSet(HeaderLines, "Content-Version", ContentVersion);
  putIfSet(HeaderLines, "Content-Encoding", ContentEncoding);
  putIfSet(HeaderLines, "Content-Language", ContentLanguage);
  putIfSet(HeaderLines, "Content-Type", ContentType);
  if (ContentLengthValue >= 0) HeaderLines.PutValue("Content-Length", std::to_string(ContentLengthValue));
  putIfSet(HeaderLines, "Cache-control", CacheControl);
  putDateIfSet(HeaderLines, "Date", Date);
  putDateIfSet(HeaderLines, "Expires", Expires);
  putIfSet(HeaderLines, "Pragma", Pragma);
  // Custom lines follow as the caller wrote them, neither folded nor merged.
  if (CustomHeaders.Count() > 0) HeaderLines.SetText(HeaderLines.Text() + CustomHeaders.Text());
}

void TIdEntityHeaderInfo::AssignTo(TPersistent& destination) const {
  auto* entity = dynamic_cast<TIdEntityHeaderInfo*>(&destination);
  if (!entity) {
    TPersistent::AssignTo(destination);
    return;
  }
  entity->HeaderLines.Assign(HeaderLines);
  entity->ContentEncoding = ContentEncoding;
  entity->ContentLanguage = ContentLanguage;
  entity->ContentLengthValue = ContentLengthValue;
  entity->LengthGiven = LengthGiven;
  entity->ContentRangeEnd = ContentRangeEnd;
  entity->ContentRangeStart = ContentRangeStart;
  entity->ContentRangeInstanceLength = ContentRangeInstanceLength;
  entity->ContentType = ContentType;
  entity->ContentVersion = ContentVersion;
  entity->Date = Date;
  entity->Expires = Expires;
  entity->LastModified = LastModified;
}

// --- request ----------------------------------------------------------------

TIdRequestHeaderInfo::TIdRequestHeaderInfo() {
  HeaderLines.FoldValues = false;
  CustomHeaders.FoldValues = false;
  TIdRequestHeaderInfo::ResetFields();
}

void TIdRequestHeaderInfo::ResetFields() {
  Accept = "text/html, */*";
  AcceptCharSet.clear();
  UserAgent = "Mozilla/3.0 (compatible; Vexa Library)";
  BasicAuthentication = false;
  TIdEntityHeaderInfo::ResetFields();
}

void TIdRequestHeaderInfo::ParseHeaders() {
  Accept = HeaderLines.ValueOf("Accept");
  AcceptCharSet = HeaderLines.ValueOf("Accept-Charset");
  AcceptEncoding = HeaderLines.ValueOf("Accept-Encoding");
  AcceptLanguage = HeaderLines.ValueOf("Accept-Language");
  Host = HeaderLines.ValueOf("Host");
  From = HeaderLines.ValueOf("From");
  Referer = HeaderLines.ValueOf("Referer");
  UserAgent = HeaderLines.ValueOf("User-Agent");
  std::string range = HeaderLines.ValueOf("Range");
  if (!range.empty()) {
    TakeToken(range, "=");
    ContentRangeStart = byteCount(TakeToken(range, "-")).value_or(0);
    ContentRangeEnd = byteCount(TakeToken(range, " ")).value_or(0);
  }
  TIdEntityHeaderInfo::ParseHeaders();
}

void TIdRequestHeaderInfo::ComposeHeaders() {
  TIdEntityHeaderInfo::ComposeHeaders();
  // Put after the custom lines were appended, so a custom line of the same
  // name is replaced in place rather than repeated.
  putIfSet(HeaderLines, "Proxy-Connection", ProxyConnection);
  putIfSet(HeaderLines, "Host", Host);
  putIfSet(HeaderLines, "Accept", Accept);
  putIfSet(HeaderLines, "Accept-Charset", AcceptCharSet);
  putIfSet(HeaderLines, "Accept-Encoding", AcceptEncoding);
  putIfSet(HeaderLines, "Accept-Language", AcceptLanguage);
  putIfSet(HeaderLines, "From", From);
  putIfSet(HeaderLines, "Referer", Referer);
  putIfSet(HeaderLines, "User-Agent", UserAgent);
  putDateIfSet(HeaderLines, "If-Modified-Since", LastModified);
  if (ContentRangeStart != 0 || ContentRangeEnd != 0) {
    std::string range = "bytes=" + std::to_string(ContentRangeStart) + "-";
    if (ContentRangeEnd != 0) range += std::to_string(ContentRangeEnd);
    HeaderLines.PutValue("Range", range);
  }
  putAuthorization();
}

// Once made, the scheme object stays and answers every later compose, even
// when Username changes.
void TIdRequestHeaderInfo::putAuthorization() {
  if (!Authentication) {
    if (!BasicAuthentication) return;
    Authentication = MakeBasicAuthentication();
    Authentication->SetUsername(Username);
    Authentication->SetPassword(Password);
  }
  putIfSet(HeaderLines, "Authorization", Authentication->HeaderValue());
}

void TIdRequestHeaderInfo::AssignTo(TPersistent& destination) const {
  auto* request = dynamic_cast<TIdRequestHeaderInfo*>(&destination);
  if (!request) {
    TIdEntityHeaderInfo::AssignTo(destination);
    return;
  }
  request->Accept = Accept;
  request->AcceptCharSet = AcceptCharSet;
  request->AcceptEncoding = AcceptEncoding;
  request->AcceptLanguage = AcceptLanguage;
  request->From = From;
  request->Password = Password;
  request->Referer = Referer;
  request->UserAgent = UserAgent;
  request->Username = Username;
  request->BasicAuthentication = BasicAuthentication;
}

// --- response ---------------------------------------------------------------

TIdResponseHeaderInfo::TIdResponseHeaderInfo() { TIdResponseHeaderInfo::ResetFields(); }

void TIdResponseHeaderInfo::ResetFields() {
  TIdEntityHeaderInfo::ResetFields();
  Location.clear();
  Server.clear();
  ProxyAuthenticate.Clear();
  WWWAuthenticate.Clear();
}

// "bytes first-last/total" (total "*" when the server does not know it) or
// "bytes */total". Any other value leaves the range unknown instead of
// failing the response: its body is read all the same, and a caller that
// resumes a download checks the range it needs.
void TIdResponseHeaderInfo::parseContentRange() {
  ContentRangeStart = 0;
  ContentRangeEnd = 0;
  ContentRangeInstanceLength = -1;
  std::string range = HeaderLines.ValueOf("Content-Range");
  if (!SameText(TakeToken(range, " "), "bytes")) return;
  const std::string span = TakeToken(range, "/");
  const std::optional<int64_t> total = byteCount(range);
  if (!total && range != "*") return;
  if (span == "*") {
    if (total) ContentRangeInstanceLength = *total;
    return;
  }
  const size_t dash = span.find('-');
  if (dash == std::string::npos) return;
  const std::optional<int64_t> first = byteCount(std::string_view(span).substr(0, dash));
  const std::optional<int64_t> last = byteCount(std::string_view(span).substr(dash + 1));
  if (!first || !last || *first > *last || (total && *last >= *total)) return;
  ContentRangeStart = *first;
  ContentRangeEnd = *last;
  ContentRangeInstanceLength = total.value_or(-1);
}

void TIdResponseHeaderInfo::ParseHeaders() {
  Location = HeaderLines.ValueOf("Location");
  Server = HeaderLines.ValueOf("Server");
  ProxyConnection = HeaderLines.ValueOf("Proxy-Connection");
  parseContentRange();
  WWWAuthenticate.Clear();
  HeaderLines.ExtractValues("WWW-Authenticate", &WWWAuthenticate);
  ProxyAuthenticate.Clear();
  HeaderLines.ExtractValues("Proxy-Authenticate", &ProxyAuthenticate);
  TIdEntityHeaderInfo::ParseHeaders();
}
