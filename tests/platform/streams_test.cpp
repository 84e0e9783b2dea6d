#include "platform/streams.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "platform/exception.h"

namespace {

std::string readAll(TStream& s) {
  std::string out(static_cast<size_t>(s.GetSize()), '\0');
  s.SetPosition(0);
  s.ReadBuffer(out.data(), static_cast<int64_t>(out.size()));
  return out;
}

// Memory and file streams share one contract; each case runs against both.
class StreamContract : public ::testing::TestWithParam<bool> {
protected:
  void SetUp() override {
    if (GetParam()) {
      path = std::filesystem::temp_directory_path() / ("quillfen-stream-" + std::to_string(::getpid()));
      stream = std::make_unique<TFileStream>(path.string(), fmCreate);
    } else {
      stream = std::make_unique<TMemoryStream>();
    }
  }
  void TearDown() override {
    stream.reset();
    if (!path.empty()) std::filesystem::remove(path);
  }
  std::filesystem::path path;
  std::unique_ptr<TStream> stream;
};

TEST_P(StreamContract, WriteOverwritesAndExtendsFromThePosition) {
  stream->WriteBuffer("hello world", 11);
  stream->SetPosition(6);
  stream->WriteBuffer("there!", 6);
  EXPECT_EQ(stream->GetSize(), 12);
  EXPECT_EQ(readAll(*stream), "hello there!");
}

TEST_P(StreamContract, SetSizeCutsAndKeepsThePositionInside) {
  stream->WriteBuffer("0123456789", 10);
  stream->SetSize(4);
  EXPECT_EQ(stream->GetPosition(), 4);
  EXPECT_EQ(readAll(*stream), "0123");
  // Presizing beyond the data keeps the position where it was.
  stream->SetPosition(2);
  stream->SetSize(100);
  EXPECT_EQ(stream->GetPosition(), 2);
  EXPECT_EQ(stream->GetSize(), 100);
}

TEST_P(StreamContract, ShortReadRaisesOnlyThroughReadBuffer) {
  stream->WriteBuffer("abc", 3);
  stream->SetPosition(1);
  char buffer[8];
  EXPECT_EQ(stream->Read(buffer, 8), 2);
  stream->SetPosition(1);
  EXPECT_THROW(stream->ReadBuffer(buffer, 8), EReadError);
}

TEST_P(StreamContract, CopyFromWithCountZeroCopiesTheWholeSource) {
  TStringStream source("payload");
  source.SetPosition(3);
  EXPECT_EQ(stream->CopyFrom(source, 0), 7);
  EXPECT_EQ(readAll(*stream), "payload");
}

INSTANTIATE_TEST_SUITE_P(MemoryAndFile, StreamContract, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "File" : "Memory"; });

TEST(FileStream, MissingFilesNameTheFileInTheError) {
  try {
    TFileStream s("/nonexistent-dir/x.flv", fmOpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message, "Cannot open file \"/nonexistent-dir/x.flv\". No such file or directory");
    EXPECT_EQ(e.Errno, ENOENT);
  }
  EXPECT_THROW(TFileStream("/nonexistent-dir/x.flv", fmCreate), EFCreateError);
}

// A full disk is told by its code, the text staying the stream's own:
// /dev/full fails every write with ENOSPC.
TEST(FileStream, FailedWriteKeepsItsCode) {
  try {
    TFileStream("/dev/full", fmOpenWrite).WriteBuffer("x", 1);
    FAIL();
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Message, "Stream write error");
    EXPECT_EQ(e.Errno, ENOSPC);
  }
}

TEST(FileStream, PositionsBeyondFourGigabytesAreKept) {
  const auto path = std::filesystem::temp_directory_path() / ("quillfen-sparse-" + std::to_string(::getpid()));
  {
    TFileStream s(path.string(), fmCreate);
    const int64_t far = (int64_t{5} << 30) + 3;
    s.SetPosition(far);
    s.WriteBuffer("x", 1);
    EXPECT_EQ(s.GetSize(), far + 1);
    EXPECT_EQ(s.GetPosition(), far + 1);
  }
  std::filesystem::remove(path);
}

TEST(StringStream, DataStringHoldsEveryByteIncludingNul) {
  TStringStream s;
  s.WriteBuffer("a\0b", 3);
  EXPECT_EQ(s.DataString(), std::string("a\0b", 3));
  EXPECT_EQ(TStringStream().DataString(), "");
}

}  // namespace
