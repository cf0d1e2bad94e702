#include "backends/ovsdb/json_splitter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/message_of.h"

namespace ovsdb {
namespace {

// Values whose strings hold what a careless scan takes for structure.
const std::vector<std::string> kValues = {
    R"({"id":1,"result":["Open_vSwitch","_Server"],"error":null})",
    R"({"s":"}{][ \" , \\","t":"\\"})",
    R"(["\\\"}", "\u005c\"]", {"": []}])",
    R"({"deep":[[[{"a":[{}]}]]],"uni":"\u00e9 é"})",
    R"([])",
};

// Feeds pieces to a splitter and collects every value it hands out.
std::vector<std::string> Split(const std::vector<std::string>& pieces) {
  JsonSplitter splitter;
  std::vector<std::string> values;
  for (const std::string& piece : pieces) {
    splitter.Append(piece.data(), piece.size());
    while (auto value = splitter.Next()) values.emplace_back(*value);
  }
  EXPECT_FALSE(splitter.HoldsPartial());
  return values;
}

std::string Stream() {
  std::string stream;
  for (const std::string& value : kValues) stream += value + " \n\t\r";
  return stream;
}

TEST(JsonSplitter, FindsEveryValueWhereverTheStreamIsCut) {
  const std::string stream = Stream();
  for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
    EXPECT_EQ(Split({stream.substr(0, cut), stream.substr(cut)}), kValues) << "cut at " << cut;
  }
  std::vector<std::string> bytes;
  for (char c : stream) bytes.emplace_back(1, c);
  EXPECT_EQ(Split(bytes), kValues);
  EXPECT_EQ(Split({stream}), kValues);
}

TEST(JsonSplitter, RefusesBytesBetweenValues) {
  const std::pair<std::string, std::string> cases[] = {
      {"{} x", "'x'"}, {"{}}", "'}'"}, {"7", "'7'"}, {"\"a\"", "'\"'"}, {"\x01{}", "0x01"}};
  for (const auto& [stream, shown] : cases) {
    JsonSplitter splitter;
    splitter.Append(stream.data(), stream.size());
    EXPECT_EQ(MessageOf([&] {
                while (splitter.Next()) {
                }
              }),
              "unexpected " + shown + " between JSON values");
  }
}

}  // namespace
}  // namespace ovsdb
