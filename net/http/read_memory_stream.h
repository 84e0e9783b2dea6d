#pragma once
// A read-only stream over a block it does not own, so that a text can be read
// as a stream without copying it (the base64 coder reads its input this way).

#include <cstdint>

#include "platform/streams.h"

class TIdReadMemoryStream : public TCustomMemoryStream {
public:
  // Points the stream at the block and moves the position to its start.
  void SetPointer(const char* data, int64_t size);
  // Writing writes nothing.
  int64_t Write(const void* buffer, int64_t count) override;
  // The block's size is the caller's; changing it does nothing.
  void SetSize(int64_t newSize) override;
};
