// Addresses picked out of text dropped onto the window: markup, mail quotes
// and sentences around them, duplicates and things that only look like one.
#include "app/queue/queue_addresses.h"

#include <gtest/gtest.h>

namespace {

struct AddressCase {
  const char* text;
  std::vector<std::string> expected;
};

const AddressCase kAddressCases[] = {
    {"http://a.example/v.flv", {"http://a.example/v.flv"}},
    {"see <a href=\"https://b.example/watch?v=1\">this</a>, and http://c.example/x.",
     {"https://b.example/watch?v=1", "http://c.example/x"}},
    {"http://a.example/1\r\nhttp://a.example/2\nhttp://a.example/1", {"http://a.example/1", "http://a.example/2"}},
    {"(http://a.example/p) 'https://b.example/q'", {"http://a.example/p", "https://b.example/q"}},
    {"ftp://a.example/x http:// https://. nothing here", {}},
};

TEST(QueueAddresses, FromDroppedText) {
  for (const AddressCase& c : kAddressCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(AddressesInText(c.text), c.expected);
  }
}

}  // namespace
