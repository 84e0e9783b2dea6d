#include "platform/streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fmt/core.h>

#include "platform/exception.h"

namespace {
constexpr const char* StreamReadError = "Stream read error";
constexpr const char* StreamWriteError = "Stream write error";
constexpr const char* FileCreateError = "Cannot create file \"{}\". {}";
constexpr const char* FileOpenError = "Cannot open file \"{}\". {}";
constexpr const char* MemoryStreamError = "Out of memory while expanding memory stream";
constexpr int64_t CopyBlockSize = 64 * 1024;
// Far beyond any memory, yet small enough that growing and rounding never
// overflow.
constexpr int64_t MaxMemoryStreamSize = int64_t{1} << 48;
}  // namespace

int64_t TStream::GetSize() {
  const int64_t position = Seek(0, TSeekOrigin::soCurrent);
  const int64_t size = Seek(0, TSeekOrigin::soEnd);
  Seek(position, TSeekOrigin::soBeginning);
  return size;
}

// errno is cleared first: a file's system call that failed leaves its code
// there, the end of a file or a memory stream leaves 0.
void TStream::ReadBuffer(void* buffer, int64_t count) {
  errno = 0;
  if (count == 0 || Read(buffer, count) == count) return;
  const int error = errno;
  throw EReadError(StreamReadError, error);
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  errno = 0;
  if (count == 0 || Write(buffer, count) == count) return;
  const int error = errno;
  throw EWriteError(StreamWriteError, error);
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.GetSize();
  }
  std::vector<char> block(static_cast<size_t>(std::min(count, CopyBlockSize)));
  int64_t copied = 0;
  while (copied < count) {
    const int64_t n = std::min<int64_t>(count - copied, static_cast<int64_t>(block.size()));
    source.ReadBuffer(block.data(), n);
    WriteBuffer(block.data(), n);
    copied += n;
  }
  return copied;
}

// --- memory -----------------------------------------------------------------

void TCustomMemoryStream::SetPointer(const char* data, int64_t size) {
  Data = data;
  Size = size;
}

// A position before the start reads nothing rather than memory before the block.
int64_t TCustomMemoryStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || Position < 0 || Position >= Size) return 0;
  const int64_t n = std::min(count, Size - Position);
  std::memcpy(buffer, Data + Position, static_cast<size_t>(n));
  Position += n;
  return n;
}

int64_t TCustomMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  switch (origin) {
    case TSeekOrigin::soBeginning: Position = offset; break;
    case TSeekOrigin::soCurrent: Position += offset; break;
    case TSeekOrigin::soEnd: Position = Size + offset; break;
  }
  return Position;
}

TMemoryStream::~TMemoryStream() { std::free(Buffer); }

void TMemoryStream::Reserve(int64_t capacity) {
  if (capacity <= Capacity) return;
  // Running out of memory is a stream error like any other, not an escape
  // from the program's exception family.
  if (capacity > MaxMemoryStreamSize) throw EStreamError(MemoryStreamError);
  // Grow geometrically so that appending chunk by chunk stays linear.
  const int64_t grown = std::min(std::max(capacity, Capacity + Capacity / 2), MaxMemoryStreamSize);
  const int64_t rounded = (grown + 8191) & ~int64_t{8191};
  char* moved = static_cast<char*>(std::realloc(Buffer, static_cast<size_t>(rounded)));
  if (!moved) throw EStreamError(MemoryStreamError);
  Buffer = moved;
  Capacity = rounded;
  Data = Buffer;
}

void TMemoryStream::SetSize(int64_t newSize) {
  if (newSize < 0) newSize = 0;
  Reserve(newSize);
  SetPointer(Buffer, newSize);
  if (Position > newSize) Position = newSize;
}

void TMemoryStream::Clear() {
  std::free(Buffer);
  Buffer = nullptr;
  Capacity = 0;
  SetPointer(nullptr, 0);
  Position = 0;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0 || Position < 0) return 0;
  const int64_t end = Position + count;
  if (end > Size) {
    Reserve(end);
    SetPointer(Buffer, end);
  }
  std::memcpy(Buffer + Position, buffer, static_cast<size_t>(count));
  Position = end;
  return count;
}

TStringStream::TStringStream(const std::string& text) {
  WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
  SetPosition(0);
}

// --- files ------------------------------------------------------------------

TFileStream::TFileStream(const std::string& fileName, unsigned mode) : Name(fileName) {
  const int noFollow = (mode & fmNoFollow) ? O_NOFOLLOW : 0;
  if ((mode & fmCreate) == fmCreate) {
    const int creation = (mode & fmExclusive) ? O_CREAT | O_EXCL : O_CREAT | O_TRUNC;
    Descriptor = ::open(fileName.c_str(), O_RDWR | creation | noFollow | O_CLOEXEC, 0644);
    const int error = errno;
    if (Descriptor < 0) throw EFCreateError(fmt::format(FileCreateError, fileName, std::strerror(error)), error);
    return;
  }
  const int access = (mode & 3) == fmOpenWrite ? O_WRONLY : (mode & 3) == fmOpenReadWrite ? O_RDWR : O_RDONLY;
  Descriptor = ::open(fileName.c_str(), access | noFollow | O_CLOEXEC);
  const int error = errno;
  if (Descriptor < 0) throw EFOpenError(fmt::format(FileOpenError, fileName, std::strerror(error)), error);
}

TFileStream::~TFileStream() {
  if (Descriptor >= 0) ::close(Descriptor);
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
  int64_t done = 0;
  while (done < count) {
    const ssize_t n = ::read(Descriptor, static_cast<char*>(buffer) + done, static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  int64_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(Descriptor, static_cast<const char*>(buffer) + done, static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET
                     : origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                        : SEEK_END;
  return ::lseek(Descriptor, offset, whence);
}

void TFileStream::SetSize(int64_t newSize) {
  const int64_t position = GetPosition();
  if (::ftruncate(Descriptor, newSize) != 0) {
    const int error = errno;
    throw EWriteError(StreamWriteError, error);
  }
  if (position > newSize) SetPosition(newSize);
}
