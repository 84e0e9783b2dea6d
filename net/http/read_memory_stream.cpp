#include "net/http/read_memory_stream.h"

void TIdReadMemoryStream::SetPointer(const char* data, int64_t size) {
  TCustomMemoryStream::SetPointer(data, size);
  Position = 0;
}

int64_t TIdReadMemoryStream::Write(const void*, int64_t) { return 0; }

void TIdReadMemoryStream::SetSize(int64_t) {}
