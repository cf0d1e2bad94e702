#include "backends/ovsdb/message_parse.h"

#include <gtest/gtest.h>

#include <string>

#include "support/message_of.h"

namespace ovsdb {
namespace {

// Text of about size bytes: piece again and again inside an array.
std::string Repeated(const std::string& piece, std::size_t size) {
  std::string text = "[";
  while (text.size() + piece.size() + 1 < size) text += piece + ",";
  return text + piece + "]";
}

TEST(ParseMessage, RefusesAMessageWhoseFormOutgrowsItsTextOnly) {
  ReaderLimits limits;
  limits.maxMessage = 64 * 1024;
  const std::string row =
      R"({"_uuid":["uuid","2f0f3f4e-8d8a-4c44-9c1b-6c3c5f6f7a8b"],"name":"br-int",)"
      R"("ports":["set",[["uuid","4a1b"],["uuid","5c2d"]]],"external_ids":["map",)"
      R"([["quenta:switch","{\"cdp\":\"listen\"}"],["owner","ploncfg"]]]})";
  const std::string refused =
      "a message whose parsed form takes more than 1 MiB of memory, 16 times its length limit "
      "(QUENTA_OVSDB_MAX_MESSAGE)";
  struct Case {
    const char* name;
    std::string text;
    std::string message;
  };
  const Case cases[] = {
      {"rows of a switch database", Repeated(row, limits.maxMessage), "no exception"},
      {"numbers", Repeated("0", limits.maxMessage / 2), "no exception"},
      {"empty objects", Repeated("{}", limits.maxMessage), refused},
      {"empty arrays", Repeated("[]", limits.maxMessage), refused},
      {"pairs", Repeated("[0,0]", limits.maxMessage), refused},
      {"not JSON", "[1,]", "invalid JSON: "},
  };
  for (const Case& c : cases) {
    std::string message = MessageOf([&] { ParseMessage(c.text, limits); });
    EXPECT_EQ(message.substr(0, c.message.size()), c.message) << c.name;
  }
}

}  // namespace
}  // namespace ovsdb
