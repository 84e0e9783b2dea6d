#pragma once
// Byte streams with a position and a size: the bodies, buffers and files of the
// network layers all move through these. Positions and sizes are 64-bit so
// transfers of 2 GiB and more count correctly.

#include <cstdint>
#include <string>

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
  virtual ~TStream() = default;

  // Reads up to count bytes; returns how many were read (0 at the end).
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // Writes up to count bytes; returns how many were written.
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Moves the position; returns the new position.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual void SetSize(int64_t newSize) = 0;

  int64_t GetPosition() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
  virtual int64_t GetSize();

  // Like Read and Write, but a short transfer raises EReadError / EWriteError.
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
  // Copies count bytes from source's position; count 0 copies the whole
  // source from its start. Returns the bytes copied.
  int64_t CopyFrom(TStream& source, int64_t count);
};

// A stream over a block of memory; reading and seeking only. Derived streams
// decide who owns the block and whether writing is possible.
class TCustomMemoryStream : public TStream {
public:
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t GetSize() override { return Size; }
  const char* Memory() const { return Data; }

protected:
  void SetPointer(const char* data, int64_t size);

  const char* Data = nullptr;
  int64_t Size = 0;
  int64_t Position = 0;
};

// A growable in-memory stream that owns its bytes.
class TMemoryStream : public TCustomMemoryStream {
public:
  TMemoryStream() = default;
  ~TMemoryStream() override;
  TMemoryStream(const TMemoryStream&) = delete;
  TMemoryStream& operator=(const TMemoryStream&) = delete;

  int64_t Write(const void* buffer, int64_t count) override;
  void SetSize(int64_t newSize) override;
  void Clear();
  char* Memory() { return Buffer; }
  const char* Memory() const { return Buffer; }

private:
  void Reserve(int64_t capacity);

  char* Buffer = nullptr;
  int64_t Capacity = 0;
};

// An in-memory stream whose bytes are also readable as one text.
class TStringStream : public TMemoryStream {
public:
  TStringStream() = default;
  explicit TStringStream(const std::string& text);
  std::string DataString() const { return std::string(Memory() ? Memory() : "", static_cast<size_t>(Size)); }
};

enum TFileMode : unsigned {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmCreate = 0xFF00,
  // Added to a mode: a name that is a symbolic link is refused.
  fmNoFollow = 0x10000,
  // Added to fmCreate: only a new file is made; one already there is refused.
  fmExclusive = 0x20000,
};

// A file on disk. fmCreate creates or truncates; the open modes need the file
// to exist. Failures raise EFCreateError / EFOpenError naming the file.
class TFileStream : public TStream {
public:
  TFileStream(const std::string& fileName, unsigned mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t newSize) override;
  const std::string& FileName() const { return Name; }
  int Handle() const { return Descriptor; }

private:
  std::string Name;
  int Descriptor = -1;
};
