#include "backends/ovsdb/values.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/message_of.h"

namespace ovsdb {
namespace {

using nlohmann::json;

TEST(Values, ReadsEveryFormOfASetAndRefusesOtherValues) {
  struct Case {
    const char* sent;
    std::vector<json> elements;
  };
  const Case cases[] = {
      {R"(["set",[]])", {}},
      {R"("br0")", {"br0"}},
      {R"(7)", {7}},
      {R"(["uuid","5f0d"])", {Uuid("5f0d")}},
      {R"(["set",[["uuid","5f0d"],["uuid","77a1"]]])", {Uuid("5f0d"), Uuid("77a1")}},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadSet(json::parse(c.sent)), c.elements) << c.sent;
  EXPECT_EQ(MessageOf([] { ReadSet(json::parse(R"(["map",[]])")); }),
            R"(OVSDB value ["map",[]] is not a set)");
  EXPECT_EQ(MessageOf([] { ReadMap(json::parse(R"(["map",[["a",1]]])")); }),
            R"(OVSDB value ["map",[["a",1]]] is not a map of strings to strings)");
  EXPECT_EQ(MessageOf([] { ReadUuid(json::parse(R"(["named-uuid","b"])")); }),
            R"(OVSDB value ["named-uuid","b"] is not a UUID)");
}

}  // namespace
}  // namespace ovsdb
