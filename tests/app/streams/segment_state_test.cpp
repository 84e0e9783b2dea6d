// A segment record is continued only when it could have come from a plan: a
// record out of those bounds makes the stream start over.
#include "app/streams/segment_state.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/servers/temp_folder.h"

namespace {

using namespace streams;

struct RecordCase {
  const char* behaviour;
  std::string text;
  std::optional<TSegmentState> expected;
};

std::string record(const std::string& done, const std::string& bytes, const std::string& timestamps) {
  return "quillfen segments 2\n3 a b c\n" + done + "\n" + bytes + "\n" + timestamps + "\n";
}

std::string tracks(int count) {
  std::string line = "0 0";
  for (int id = 1; id <= count; ++id) line += " " + std::to_string(id) + ":90000:0:6000:3000:-";
  return line;
}

const RecordCase kRecordCases[] = {
    {"a record as the fetcher writes it", record("4", "1000", "1 -2.5 256:90000:0:6000:3000:-"),
     TSegmentState{"3 a b c", 4, 1000, "1 -2.5 256:90000:0:6000:3000:-"}},
    {"the plan's most segments and its init section", record("100001", "0", tracks(16)),
     TSegmentState{"3 a b c", 100001, 0, tracks(16)}},
    {"more segments than any plan has", record("100002", "0", "0 0"), std::nullopt},
    {"shifts that do not read back", record("4", "1000", "shifted"), std::nullopt},
    {"shifts of more tracks than are kept", record("4", "1000", tracks(17)), std::nullopt},
    {"shifts longer than any saved", record("4", "1000", "0 0 1:" + std::string(4000, '0') + "1:0:-:0:-"),
     std::nullopt},
};

TEST(SegmentState, RecordsOutOfBoundsAreNotContinued) {
  TempFolder work;
  for (const RecordCase& c : kRecordCases) {
    SCOPED_TRACE(c.behaviour);
    work.WriteFile("out.state", c.text);
    EXPECT_EQ(ReadSegmentState(work.File("out.state")), c.expected);
  }
}

}  // namespace
