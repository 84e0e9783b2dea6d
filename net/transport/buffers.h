#pragma once
// The byte buffers of a connection: received bytes wait in a managed buffer
// until a read consumes them, and every consumption is reported so that the
// work events can count it.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/streams.h"

class TIdSimpleBuffer;

using TIdBytesRemovedEvent = std::function<void(TIdSimpleBuffer* ASender, int64_t AByteCount)>;

// A memory stream from whose front bytes are taken. A partial remove moves the
// remaining bytes to the front.
class TIdSimpleBuffer : public TMemoryStream {
public:
  // Returns the first count bytes and removes them.
  virtual std::string Extract(int64_t count);
  // Drops the first count bytes; fewer than count held raises
  // EIdNotEnoughDataInBuffer.
  virtual void Remove(int64_t count);

  // The bytes not yet consumed and how many there are.
  virtual const char* Bytes() const { return Memory(); }
  int64_t Available() { return GetSize(); }
  // Writes at the end, leaving the position there.
  void Append(const void* buffer, int64_t count);

  TIdBytesRemovedEvent OnBytesRemoved;

protected:
  void CheckAvailable(int64_t count);
  void ReportRemoved(int64_t count);
};

// The input buffer of a connection. Consumed bytes are skipped by advancing a
// read offset and the rest is moved to the front only once the offset reaches
// PackThreshold (and the bytes consumed outnumber those left), so reading many
// short lines does not move the buffer each time. Size, bytes and seeking from
// the start all count from the offset.
class TIdManagedBuffer : public TIdSimpleBuffer {
public:
  static constexpr int64_t PackThreshold = 32768;

  void Remove(int64_t count) override;
  const char* Bytes() const override { return Memory() + ReadOffset; }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t GetSize() override { return Size - ReadOffset; }
  void SetSize(int64_t newSize) override;
  // Empties the buffer without reporting the bytes as consumed.
  void Clear();
  // Lets receive write up to room bytes straight after the held ones and keeps
  // as many as it returns: none when it returns less than 1 or raises.
  template <class TReceive>
  int32_t AppendReceived(int32_t room, TReceive receive);

private:
  int64_t ReadOffset = 0;
};

template <class TReceive>
int32_t TIdManagedBuffer::AppendReceived(int32_t room, TReceive receive) {
  const int64_t held = GetSize();
  SetSize(held + room);
  int32_t received = 0;
  try {
    received = receive(Memory() + ReadOffset + held);
  } catch (...) {
    SetSize(held);
    throw;
  }
  SetSize(held + (received > 0 ? std::min(received, room) : 0));
  Seek(0, TSeekOrigin::soEnd);
  return received;
}
