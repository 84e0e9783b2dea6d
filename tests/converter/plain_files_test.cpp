// The converter opens plain local files and nothing else: a name that looks
// like a network address or holds a colon is a file name, and a downloaded
// file that is really a playlist does not get the files it names read.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "converter/messages.h"
#include "test_media.h"

namespace converter_test {
namespace {

// A loopback listener that never accepts: it only tells whether anybody
// connected to it.
class SilentListener {
public:
  SilentListener() : socket_(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (socket_ < 0 || ::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(socket_, 8) != 0 || ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      throw std::runtime_error("cannot listen on loopback");
    port_ = ntohs(address.sin_port);
  }
  ~SilentListener() { ::close(socket_); }
  SilentListener(const SilentListener&) = delete;
  SilentListener& operator=(const SilentListener&) = delete;

  int port() const { return port_; }
  bool connectionArrived() {
    const int accepted = ::accept4(socket_, nullptr, nullptr, SOCK_CLOEXEC);
    if (accepted < 0) return false;
    ::close(accepted);
    return true;
  }

private:
  int socket_;
  int port_ = 0;
};

// Relative names are where a colon is read as a protocol, so these tests
// work inside the work folder.
class InWorkFolder {
public:
  InWorkFolder() : previous_(std::filesystem::current_path()) { std::filesystem::current_path(workFolder()); }
  ~InWorkFolder() { std::filesystem::current_path(previous_); }

private:
  std::filesystem::path previous_;
};

// A title became a folder or file name: the save writes a plain file there,
// and nothing connects anywhere. MP4 reads its file back by name for the
// fast start, so it is tried beside AVI.
TEST(ConverterPlainFiles, OutputNamesWithAColonAreSavedAsFiles) {
  SilentListener listener;
  const InWorkFolder inWorkFolder;
  const std::string addressFolder = "tcp:127.0.0.1:" + std::to_string(listener.port());
  std::filesystem::create_directory(addressFolder);
  const struct {
    std::string name;
    TOutputType type;
    const char* codec;
  } cases[] = {
      {addressFolder + "/clip.avi", otAVI, "mpeg4"},
      {addressFolder + "/clip.mp4", otMP4, "h264"},
      {"Interview: Foo.avi", otAVI, "mpeg4"},
      {"Interview:Foo.mp4", otMP4, "h264"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TVideoEdit edit;
    ASSERT_TRUE(edit.AddVideoClip(flashVideo(), 0.0, 1.0, 0)) << edit.LastError();
    edit.OutputType = c.type;
    EXPECT_TRUE(edit.SaveOutputFile(c.name)) << edit.LastError();
    EXPECT_EQ(probe(pathInWorkFolder(c.name)).stream("video")["codec_name"], c.codec);
  }
  EXPECT_FALSE(listener.connectionArrived());
}

// A downloaded file whose name holds a colon is read like any other.
TEST(ConverterPlainFiles, InputNameWithAColonIsReadAsAFile) {
  const InWorkFolder inWorkFolder;
  const std::string input = "Interview:Foo.flv";
  std::filesystem::copy_file(flashVideo(), input, std::filesystem::copy_options::overwrite_existing);
  TVideoEdit edit;
  loadWholeFile(edit, input);
  EXPECT_TRUE(edit.SaveOutputFile(pathInWorkFolder("from-colon-name.avi"))) << edit.LastError();
  EXPECT_GT(probe(pathInWorkFolder("from-colon-name.avi")).duration(), 4.9);
}

// A server sends a playlist labelled as video; it names a local file. The
// download is refused like a file without media, saying why.
TEST(ConverterPlainFiles, PlaylistsInPlaceOfAVideoAreRefused) {
  // Beside the playlists: a list of files to join takes relative names only.
  const std::string segment = pathInWorkFolder("segment.ts");
  std::filesystem::copy_file(medium("segment.ts"), segment, std::filesystem::copy_options::overwrite_existing);
  const struct {
    const char* kind;
    std::string text;
  } cases[] = {
      {"hls", "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:1.0,\n" + segment + "\n#EXT-X-ENDLIST\n"},
      {"concat", "ffconcat version 1.0\nfile segment.ts\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    const std::string download = pathInWorkFolder(std::string(c.kind) + "-download.flv");
    std::ofstream(download, std::ios::binary) << c.text;
    TVideoEdit edit;
    EXPECT_EQ(edit.GetFileDuration(download), 0.0);
    EXPECT_EQ(edit.LastError(),
              std::string(converter_messages::PlaylistRefused) + " '" + download + "' (" + c.kind + ")");
    EXPECT_FALSE(edit.AddVideoClip(download, 0.0, 1.0, 0));
    EXPECT_EQ(edit.GetTimelineDuration(), 0.0);
  }
}

}  // namespace
}  // namespace converter_test
