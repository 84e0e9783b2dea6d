#include "net/http/body_streams.h"

#include <algorithm>

#include <fmt/core.h>

#include "net/http/http_client_exceptions.h"
#include "net/http/messages.h"

void TBoundedStringStream::CheckRoom(int64_t size) const {
  if (size > Limit) throw EIdHTTPResponseTooLarge(fmt::format(http_messages::BodyTooLarge, Limit));
}

int64_t TBoundedStringStream::Write(const void* buffer, int64_t count) {
  if (count > 0) CheckRoom(GetPosition() + count);
  return TStringStream::Write(buffer, count);
}

void TBoundedStringStream::SetSize(int64_t newSize) {
  CheckRoom(newSize);
  TStringStream::SetSize(newSize);
}

int64_t TDiscardStream::Write(const void*, int64_t count) {
  if (count <= 0) return 0;
  Position += count;
  Size = std::max(Size, Position);
  return count;
}

int64_t TDiscardStream::Seek(int64_t offset, TSeekOrigin origin) {
  switch (origin) {
    case TSeekOrigin::soBeginning: Position = offset; break;
    case TSeekOrigin::soCurrent: Position += offset; break;
    case TSeekOrigin::soEnd: Position = Size + offset; break;
  }
  return Position;
}

void TDiscardStream::SetSize(int64_t newSize) {
  Size = newSize;
  Position = std::min(Position, Size);
}
