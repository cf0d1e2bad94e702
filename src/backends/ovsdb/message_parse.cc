#include "backends/ovsdb/message_parse.h"

#include <string>

#include "hostnet/quorvic_exception.h"

namespace ovsdb {

using nlohmann::json;

namespace {

// What each part of a parsed value takes, about, as measured with
// nlohmann-json 3.11 on 64-bit Debian: a value's slot in its array or
// object (twice, for the room vectors keep to grow), an object's tree and
// each of its members' nodes, an array's vector.
constexpr std::size_t kValueCost = 32;
constexpr std::size_t kObjectCost = 96;
constexpr std::size_t kArrayCost = 64;
constexpr std::size_t kMemberCost = 64;

// Adds up what a message's parsed form takes, reading it as a stream of
// events: nothing is built, and nothing is kept but the sum.
class FormCost : public json::json_sax_t {
 public:
  explicit FormCost(std::size_t budget) : budget_(budget) {}

  bool null() override { return Add(kValueCost); }
  bool boolean(bool) override { return Add(kValueCost); }
  bool number_integer(number_integer_t) override { return Add(kValueCost); }
  bool number_unsigned(number_unsigned_t) override { return Add(kValueCost); }
  bool number_float(number_float_t, const string_t&) override { return Add(kValueCost); }
  bool string(string_t&) override { return Add(kValueCost); }
  bool binary(binary_t&) override { return Add(kValueCost); }
  bool start_object(std::size_t) override { return Add(kValueCost + kObjectCost); }
  bool key(string_t&) override { return Add(kMemberCost); }
  bool end_object() override { return true; }
  bool start_array(std::size_t) override { return Add(kValueCost + kArrayCost); }
  bool end_array() override { return true; }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) override {
    error_ = e.what();
    return false;
  }

  bool OverBudget() const { return cost_ > budget_; }
  // nlohmann's message for text that is not JSON; empty when it is.
  const std::string& Error() const { return error_; }

 private:
  bool Add(std::size_t cost) {
    cost_ += cost;
    return cost_ <= budget_;
  }

  std::size_t budget_;
  std::size_t cost_ = 0;
  std::string error_;
};

}  // namespace

json ParseMessage(std::string_view text, const ReaderLimits& limits) {
  const std::size_t budget = limits.maxMessage * kParsedPerByte;
  // Counted before it is built: a parse that builds as it goes and stops
  // when told to costs time in proportion to the square of a long array.
  FormCost cost(budget);
  if (!json::sax_parse(text.begin(), text.end(), &cost)) {
    if (cost.OverBudget()) {
      throw Quorvic::Lib::QuorvicException("a message whose parsed form takes more than " +
                                           std::to_string(budget / ReaderLimits::kMiB) +
                                           " MiB of memory, " + std::to_string(kParsedPerByte) +
                                           " times its length limit (QUENTA_OVSDB_MAX_MESSAGE)");
    }
    throw Quorvic::Lib::QuorvicException("invalid JSON: " + cost.Error());
  }
  return json::parse(text.begin(), text.end());
}

}  // namespace ovsdb
