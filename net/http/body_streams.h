#pragma once
// Streams the exchange reads bodies into when the caller gives none of its
// own: a text stream with a size limit, so a hostile server cannot fill the
// memory with a page, and a stream that keeps nothing, for the bodies of
// redirects and challenges that only have to be read past.

#include <cstdint>

#include "platform/streams.h"

class TBoundedStringStream : public TStringStream {
public:
  explicit TBoundedStringStream(int64_t limit) : Limit(limit) {}

  // Growing past the limit raises EIdHTTPResponseTooLarge.
  int64_t Write(const void* buffer, int64_t count) override;
  void SetSize(int64_t newSize) override;
  // Raises the same error when size is past the limit.
  void CheckRoom(int64_t size) const;

private:
  int64_t Limit;
};

// The base of a stream a caller gives for one answer's body and only writes
// to. The exchange goes back to the body's start only to drop the body of an
// answer it does not keep (a redirect, a challenge): that is Forget.
class TAnswerSink : public TStream {
public:
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    if (origin == TSeekOrigin::soBeginning && offset == 0) Forget();
    return GetSize();
  }
  void SetSize(int64_t newSize) override {
    if (newSize == 0) Forget();
  }

protected:
  virtual void Forget() = 0;
};

class TDiscardStream : public TStream {
public:
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void*, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t newSize) override;
  int64_t GetSize() override { return Size; }

private:
  int64_t Position = 0;
  int64_t Size = 0;
};
