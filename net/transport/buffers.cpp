#include "net/transport/buffers.h"

#include <algorithm>
#include <cstring>

#include "net/transport/exceptions.h"
#include "net/transport/messages.h"

void TIdSimpleBuffer::CheckAvailable(int64_t count) {
  if (count < 0 || Available() < count) throw EIdNotEnoughDataInBuffer(transport_messages::NotEnoughDataInBuffer);
}

void TIdSimpleBuffer::ReportRemoved(int64_t count) {
  if (OnBytesRemoved) OnBytesRemoved(this, count);
}

void TIdSimpleBuffer::Append(const void* buffer, int64_t count) {
  Seek(0, TSeekOrigin::soEnd);
  WriteBuffer(buffer, count);
}

std::string TIdSimpleBuffer::Extract(int64_t count) {
  CheckAvailable(count);
  std::string bytes(Bytes(), static_cast<size_t>(count));
  Remove(count);
  return bytes;
}

void TIdSimpleBuffer::Remove(int64_t count) {
  CheckAvailable(count);
  const int64_t rest = Size - count;
  if (count > 0 && rest > 0) std::memmove(Memory(), Memory() + count, static_cast<size_t>(rest));
  const int64_t position = std::max<int64_t>(0, GetPosition() - count);
  SetSize(rest);
  SetPosition(position);
  ReportRemoved(count);
}

void TIdManagedBuffer::Remove(int64_t count) {
  CheckAvailable(count);
  if (count == GetSize()) {
    // Keep the allocation: the next receive lands in it again.
    TMemoryStream::SetSize(0);
    ReadOffset = 0;
  } else {
    const int64_t position = std::max<int64_t>(0, Seek(0, TSeekOrigin::soCurrent) - count);
    ReadOffset += count;
    // Moving the rest only once at least as many bytes were consumed as
    // remain keeps many short reads from a large buffer linear.
    if (ReadOffset >= PackThreshold && ReadOffset >= Size - ReadOffset) {
      const int64_t rest = Size - ReadOffset;
      if (rest > 0) std::memmove(Memory(), Memory() + ReadOffset, static_cast<size_t>(rest));
      ReadOffset = 0;
      TMemoryStream::SetSize(rest);
    }
    Seek(position, TSeekOrigin::soBeginning);
  }
  ReportRemoved(count);
}

int64_t TIdManagedBuffer::Seek(int64_t offset, TSeekOrigin origin) {
  if (origin == TSeekOrigin::soBeginning) offset += ReadOffset;
  return TIdSimpleBuffer::Seek(offset, origin) - ReadOffset;
}

void TIdManagedBuffer::SetSize(int64_t newSize) { TMemoryStream::SetSize(newSize + ReadOffset); }

void TIdManagedBuffer::Clear() {
  TMemoryStream::Clear();
  ReadOffset = 0;
}
