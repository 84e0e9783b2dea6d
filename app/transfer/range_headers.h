#pragma once
// What a ranged fetch needs of HTTP requests: Range and
// If-Range lines put on one request and taken off again, and the
// Content-Range and validator of an answer.

#include <cstdint>
#include <optional>
#include <string>

class TIdHTTP;
class TIdHTTPResponse;

namespace transfer {

// Puts "Range: bytes=first-[last]" (and If-Range when a validator is given)
// on the client's next requests until the object goes; the client keeps its
// request fields from call to call. Nothing is put when first is 0 and last
// is open.
class TRangeLines {
public:
  TRangeLines(TIdHTTP& http, int64_t first, std::optional<int64_t> last, const std::string& validator = {});
  ~TRangeLines();
  TRangeLines(const TRangeLines&) = delete;
  TRangeLines& operator=(const TRangeLines&) = delete;

private:
  TIdHTTP& http_;
};

// "bytes first-last/total"; total is -1 for "*".
struct TContentRange {
  int64_t First = -1;
  int64_t Last = -1;
  int64_t Total = -1;
};
std::optional<TContentRange> ContentRangeOf(TIdHTTPResponse& response);

// What If-Range may carry: a strong ETag, else Last-Modified as sent; empty
// when the answer has neither.
std::string ValidatorOf(TIdHTTPResponse& response);

}  // namespace transfer
