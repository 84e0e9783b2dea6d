#include "app/transfer/range_headers.h"

#include "net/http/http_client.h"

namespace transfer {

namespace {

int64_t number(const std::string& text) {
  if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos) return -1;
  return std::stoll(text);
}

}  // namespace

TRangeLines::TRangeLines(TIdHTTP& http, int64_t first, std::optional<int64_t> last, const std::string& validator)
    : http_(http) {
  if (first == 0 && !last) return;
  TIdHeaderList& headers = http_.Request().CustomHeaders;
  headers.PutValue("Range", "bytes=" + std::to_string(first) + "-" + (last ? std::to_string(*last) : ""));
  if (!validator.empty()) headers.PutValue("If-Range", validator);
}

TRangeLines::~TRangeLines() {
  TIdHeaderList& headers = http_.Request().CustomHeaders;
  for (const char* name : {"Range", "If-Range"})
    for (int32_t i; (i = headers.IndexOfHeader(name)) >= 0;) headers.Delete(i);
}

std::optional<TContentRange> ContentRangeOf(TIdHTTPResponse& response) {
  const std::string value = response.HeaderLines.ValueOf("Content-Range");
  if (value.size() < 6 || (value.compare(0, 6, "bytes ") != 0 && value.compare(0, 6, "Bytes ") != 0))
    return std::nullopt;
  const std::string bounds = value.substr(6);
  const size_t dash = bounds.find('-');
  const size_t slash = bounds.find('/');
  if (dash == std::string::npos || slash == std::string::npos || dash > slash) return std::nullopt;
  TContentRange range{number(bounds.substr(0, dash)), number(bounds.substr(dash + 1, slash - dash - 1)),
                      bounds.substr(slash + 1) == "*" ? -1 : number(bounds.substr(slash + 1))};
  if (range.First < 0 || range.Last < range.First) return std::nullopt;
  return range;
}

std::string ValidatorOf(TIdHTTPResponse& response) {
  const std::string etag = response.HeaderLines.ValueOf("ETag");
  if (!etag.empty() && etag.rfind("W/", 0) != 0) return etag;
  return response.HeaderLines.ValueOf("Last-Modified");
}

}  // namespace transfer
