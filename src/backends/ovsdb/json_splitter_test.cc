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

TEST(JsonSplitter, TakesValuesUpToItsLimitsAndRefusesOneByteOrLevelMore) {
  ReaderLimits limits;
  limits.maxDepth = 4;
  limits.maxMessage = 12;
  const std::pair<std::string, std::string> cases[] = {
      {"[[[[]]]]", ""},
      {"[[[[[]]]]]", "a value nested deeper than 4 levels"},
      {R"({"a":"1234"})", ""},
      {R"({"a":"12345"})", "a message longer than 12 bytes (QUENTA_OVSDB_MAX_MESSAGE)"},
      {"  \n[]  [1,2,3,4,56]  ", ""},
  };
  for (const auto& [stream, refusal] : cases) {
    JsonSplitter splitter(limits);
    splitter.Append(stream.data(), stream.size());
    EXPECT_EQ(MessageOf([&] {
                while (splitter.Next()) {
                }
              }),
              refusal.empty() ? "no exception" : refusal)
        << stream;
  }
  limits.maxMessage = 2 * ReaderLimits::kMiB;
  JsonSplitter splitter(limits);
  std::string text = "[\"" + std::string(2 * ReaderLimits::kMiB, 'x');
  splitter.Append(text.data(), text.size());
  EXPECT_EQ(MessageOf([&] { splitter.Next(); }),
            "a message longer than 2 MiB (QUENTA_OVSDB_MAX_MESSAGE)");
}

}  // namespace
}  // namespace ovsdb
