// The segment and ranges records are never read or written through a link
// planted in the job's folder, at the record's name or at the name it is
// written under first: the file a link points to stays as it was.
#include "app/streams/record_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "app/streams/ranges_state.h"
#include "app/streams/segment_state.h"
#include "platform/exception.h"
#include "tests/servers/temp_folder.h"

namespace {

using namespace streams;

struct RecordKind {
  const char* name;
  std::function<void(const std::string& path)> write;
  // True when the record written reads back from path.
  std::function<bool(const std::string& path)> readsBack;
};

const TSegmentState kSegments{"3 a b c", 4, 1000, "0 0"};
const TRangesState kRanges{"http://127.0.0.1/v", "\"v1\"", "video/mp4", 100, {{0, 49, 20}, {50, 99, 0}}};

const RecordKind kKinds[] = {
    {"segment record", [](const std::string& path) { WriteSegmentState(path, kSegments); },
     [](const std::string& path) { return ReadSegmentState(path) == kSegments; }},
    {"ranges record", [](const std::string& path) { WriteRangesState(path, kRanges); },
     [](const std::string& path) { return ReadRangesState(path) == kRanges; }},
};

struct LinkCase {
  const char* behaviour;
  // Appended to the record's name to give the link's.
  const char* linkSuffix;
  bool writeRefused;
};

const LinkCase kLinkCases[] = {
    {"a link at the record's name is replaced by the record", "", false},
    {"a link at the name written first is refused", ".new", true},
};

TEST(RecordFile, WritingNeverGoesThroughALink) {
  for (const RecordKind& kind : kKinds) {
    for (const LinkCase& c : kLinkCases) {
      SCOPED_TRACE(std::string(kind.name) + ": " + c.behaviour);
      TempFolder work;
      const std::string record = work.File("out.state");
      std::filesystem::create_symlink(work.WriteFile("outside", "kept"), record + c.linkSuffix);
      if (c.writeRefused) {
        EXPECT_THROW(kind.write(record), Exception);
      } else {
        kind.write(record);
        EXPECT_TRUE(kind.readsBack(record));
      }
      EXPECT_EQ(work.ReadFile("outside"), "kept");
    }
  }
}

TEST(RecordFile, ReadingNeverGoesThroughALink) {
  for (const RecordKind& kind : kKinds) {
    SCOPED_TRACE(kind.name);
    TempFolder work;
    const std::string elsewhere = work.File("elsewhere.state");
    kind.write(elsewhere);
    ASSERT_TRUE(kind.readsBack(elsewhere));
    std::filesystem::create_symlink(elsewhere, work.File("out.state"));
    EXPECT_FALSE(kind.readsBack(work.File("out.state")));
  }
}

}  // namespace
