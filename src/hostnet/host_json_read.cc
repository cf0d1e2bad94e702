#include "hostnet/host_json_read.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <utility>
#include <vector>

#include "hostnet/names.h"
#include "hostnet/quorvic_exception.h"
#include "hostnet/records_format.h"

namespace {

using Json = nlohmann::ordered_json;
using hostnet::DVPortRow;
using hostnet::DVSwitchDoc;
using hostnet::EnsState;
using hostnet::FaultRow;
using hostnet::HostDocument;
using hostnet::LagTimeoutRow;
using hostnet::PortGroupRow;
using hostnet::StandardSwitchDoc;
using hostnet::SwitchKind;
using hostnet::SwitchRow;
using hostnet::TeamingRow;
using hostnet::UplinkTimeoutRow;
using Quorvic::Lib::QuorvicException;

std::string Index(const std::string& path, size_t i);
std::string Member(const std::string& path, const char* key);
size_t FirstLongString(const std::string& text, size_t limit);

// Finds what Json::parse lets through or reports badly: the first syntax
// error, the first key that an object repeats (the parser would keep the
// last one silently), and a document of more than kMaxDocumentValues values.
// Given a text cut where a string too long to read opens (cutAt), it names
// that string's place when the parser runs out of text there.
class TextChecker : public nlohmann::json_sax<Json> {
 public:
  explicit TextChecker(size_t cutAt) : cutAt_(cutAt) {}

  std::string error;
  bool null() override { return Value(); }
  bool boolean(bool) override { return Value(); }
  bool number_integer(number_integer_t) override { return Value(); }
  bool number_unsigned(number_unsigned_t) override { return Value(); }
  bool number_float(number_float_t, const string_t&) override { return Value(); }
  bool string(string_t&) override { return Value(); }
  bool binary(binary_t&) override { return Value(); }
  bool start_object(std::size_t) override {
    frames_.push_back({true, {}, {}, 0, true});
    return Counted();
  }
  bool key(string_t& key) override {
    Frame& frame = frames_.back();
    frame.key = key;
    frame.expectKey = false;
    if (!frame.keys.insert(key).second) {
      error = Path() + ": duplicate key";
      return false;
    }
    return true;
  }
  bool end_object() override {
    frames_.pop_back();
    return Ended();
  }
  bool start_array(std::size_t) override {
    frames_.push_back({false, {}, {}, 0, false});
    return Counted();
  }
  bool end_array() override {
    frames_.pop_back();
    return Ended();
  }
  bool parse_error(std::size_t position, const std::string&,
                   const nlohmann::detail::exception& e) override {
    if (position >= cutAt_) {
      const std::string limit = std::to_string(kMaxDocumentString);
      // A key names the object it is in; a value, its own place.
      const bool isKey = !frames_.empty() && frames_.back().expectKey;
      const std::string where = Path(isKey ? frames_.size() - 1 : frames_.size());
      error = (where.empty() ? "document" : where) + (isKey ? ": a key of " : ": a string of ") +
              limit + " bytes or more";
      return false;
    }
    error = e.what();
    // Drop the library's "[json.exception.parse_error.101] " tag.
    size_t end = error.find("] ");
    if (error.rfind("[json.exception", 0) == 0 && end != std::string::npos) {
      error = error.substr(end + 2);
    }
    error = "invalid JSON: " + error;
    return false;
  }

 private:
  struct Frame {
    bool object;
    std::set<std::string> keys;
    std::string key;  // objects: the key being read
    size_t index;     // arrays: the element being read
    bool expectKey;   // objects: a key comes next
  };

  // Where the parser is, as the reader's messages name places: the place of
  // the value being read, or of the container that many frames deep.
  std::string Path() const { return Path(frames_.size()); }
  std::string Path(size_t depth) const {
    std::string path;
    for (size_t i = 0; i < depth; ++i) {
      const Frame& frame = frames_[i];
      path = frame.object ? Member(path, frame.key.c_str()) : Index(path, frame.index);
    }
    return path;
  }
  // A value that holds no other was read.
  bool Value() { return Counted() && Ended(); }
  // A value ended: an array moves on to its next element, an object to its
  // next key.
  bool Ended() {
    if (frames_.empty()) return true;
    Frame& frame = frames_.back();
    if (frame.object) {
      frame.expectKey = true;
    } else {
      ++frame.index;
    }
    return true;
  }
  // One more value of the document, when the document may hold it.
  bool Counted() {
    if (++values_ <= kMaxDocumentValues) return true;
    error = "document: more than " + std::to_string(kMaxDocumentValues) + " values";
    return false;
  }

  size_t cutAt_;
  size_t values_ = 0;
  std::vector<Frame> frames_;
};

// Where the first string of text (a key or a value) of limit bytes or more,
// as written, opens; npos when there is none. Reads text as JSON is written,
// and builds nothing.
size_t FirstLongString(const std::string& text, size_t limit) {
  bool inString = false;
  size_t opened = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (!inString) {
      inString = text[i] == '"';
      opened = i;
      continue;
    }
    if (text[i] == '\\') {
      ++i;  // the escaped character, a quote included
    } else if (text[i] == '"') {
      inString = false;
      continue;
    }
    if (i - opened >= limit) return opened;
  }
  return std::string::npos;
}

std::string Index(const std::string& path, size_t i) {
  return path + "[" + std::to_string(i) + "]";
}

std::string Member(const std::string& path, const char* key) {
  return path.empty() ? key : path + "." + key;
}

class Reader {
 public:
  Reader(uint32_t maxSwitchNameSize, DocumentRead& read)
      : maxSwitchNameSize_(maxSwitchNameSize), read_(read) {}
  HostDocument Read(const Json& root);

 private:
  [[noreturn]] void Fail(const std::string& path, const std::string& message) {
    throw QuorvicException(path + ": " + message);
  }

  void Object(const Json& value, const std::string& path, std::initializer_list<const char*> keys) {
    if (!value.is_object()) Fail(path.empty() ? "document" : path, "must be an object");
    for (const auto& item : value.items()) {
      bool known = false;
      for (const char* key : keys) known = known || item.key() == key;
      if (!known) Fail(Member(path, item.key().c_str()), "unknown key");
    }
  }

  const Json* Find(const Json& object, const char* key) {
    auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
  }

  const Json& Array(const Json& value, const std::string& path) {
    if (!value.is_array()) Fail(path, "must be an array");
    return value;
  }

  // The object under key of object, at path, read with read (a reader of an
  // object and its path); the defaults of a Row when object has none.
  template <typename Row>
  Row Nested(const Json& object, const std::string& path, const char* key,
             Row (Reader::*read)(const Json&, const std::string&)) {
    const Json* value = Find(object, key);
    if (value == nullptr) return Row();
    return (this->*read)(*value, Member(path, key));
  }

  // Reads the array under key of object, at path, when object has one: each
  // element in turn with read, as Nested does, into rows.
  template <typename Row>
  void Rows(const Json& object, const std::string& path, const char* key,
            Row (Reader::*read)(const Json&, const std::string&), std::vector<Row>& rows) {
    const Json* value = Find(object, key);
    if (value == nullptr) return;
    const std::string where = Member(path, key);
    const Json& array = Array(*value, where);
    for (size_t i = 0; i < array.size(); ++i) {
      rows.push_back((this->*read)(array[i], Index(where, i)));
    }
  }

  std::string String(const Json& object, const std::string& path, const char* key,
                     const std::string& fallback) {
    const Json* value = Find(object, key);
    if (value == nullptr) return fallback;
    if (!value->is_string()) Fail(Member(path, key), "must be a string");
    return value->get<std::string>();
  }

  // A string that names something, so that every tool can print it as it is.
  std::string PrintableString(const Json& object, const std::string& path, const char* key,
                              const std::string& fallback) {
    std::string text = String(object, path, key, fallback);
    if (!hostnet::IsPrintableName(text)) {
      Fail(Member(path, key), "must be UTF-8 text without control characters");
    }
    return text;
  }

  std::string Name(const Json& object, const std::string& path, const char* key) {
    const Json* value = Find(object, key);
    if (value == nullptr) Fail(Member(path, key), "is required");
    if (!value->is_string() || value->get<std::string>().empty()) {
      Fail(Member(path, key), "must be a non-empty string");
    }
    if (!hostnet::IsPrintableName(value->get<std::string>())) {
      Fail(Member(path, key), "must be UTF-8 text without control characters");
    }
    return value->get<std::string>();
  }

  bool Bool(const Json& object, const std::string& path, const char* key, bool fallback) {
    const Json* value = Find(object, key);
    if (value == nullptr) return fallback;
    if (!value->is_boolean()) Fail(Member(path, key), "must be true or false");
    return value->get<bool>();
  }

  int64_t Int(const Json& object, const std::string& path, const char* key, int64_t fallback,
              int64_t min, int64_t max) {
    const Json* value = Find(object, key);
    if (value == nullptr) return fallback;
    std::string where = Member(path, key);
    std::string range = "must be " + std::to_string(min) + " to " + std::to_string(max);
    if (value->is_number_unsigned()) {
      uint64_t number = value->get<uint64_t>();
      if (number > static_cast<uint64_t>(max) || static_cast<int64_t>(number) < min) {
        Fail(where, range);
      }
      return static_cast<int64_t>(number);
    }
    if (!value->is_number_integer()) Fail(where, "must be a whole number");
    int64_t number = value->get<int64_t>();
    if (number < min || number > max) Fail(where, range);
    return number;
  }

  uint32_t U32(const Json& object, const std::string& path, const char* key, uint32_t fallback) {
    return static_cast<uint32_t>(Int(object, path, key, fallback, 0, 4294967295LL));
  }

  std::vector<std::string> Strings(const Json& object, const std::string& path, const char* key) {
    std::vector<std::string> items;
    const Json* value = Find(object, key);
    if (value == nullptr) return items;
    std::string where = Member(path, key);
    const Json& array = Array(*value, where);
    for (size_t i = 0; i < array.size(); ++i) {
      if (!array[i].is_string()) Fail(Index(where, i), "must be a string");
      if (!hostnet::IsPrintableName(array[i].get<std::string>())) {
        Fail(Index(where, i), "must be UTF-8 text without control characters");
      }
      items.push_back(array[i].get<std::string>());
    }
    return items;
  }

  // A list of distinct pnics.
  std::vector<std::string> Pnics(const Json& object, const std::string& path, const char* key) {
    std::vector<std::string> items = Strings(object, path, key);
    std::string where = Member(path, key);
    for (size_t i = 0; i < items.size(); ++i) {
      if (pnics_.count(items[i]) == 0) Fail(Index(where, i), items[i] + " is not a pnic");
      for (size_t j = 0; j < i; ++j) {
        if (items[j] == items[i]) Fail(Index(where, i), "duplicate uplink " + items[i]);
      }
    }
    return items;
  }

  // A DVSwitch's or a DVPort's uplinks: in a document of an earlier format,
  // which kept every host's, this host's (its pnics), and the others left
  // out; in a later one, a list of pnics.
  std::vector<std::string> DVUplinks(const Json& object, const std::string& path) {
    if (read_.format >= hostnet::kRecordsFormat) return Pnics(object, path, "uplinks");
    std::vector<std::string> items = Strings(object, path, "uplinks");
    const std::string where = Member(path, "uplinks");
    std::vector<std::string> kept;
    for (size_t i = 0; i < items.size(); ++i) {
      if (pnics_.count(items[i]) == 0) {
        read_.leftOut.push_back(Index(where, i) + ": " + items[i] +
                                " is not a pnic of this host: left out as another host's");
      } else if (std::find(kept.begin(), kept.end(), items[i]) != kept.end()) {
        Fail(Index(where, i), "duplicate uplink " + items[i]);
      } else {
        kept.push_back(items[i]);
      }
    }
    return kept;
  }

  TeamingRow Teaming(const Json& object, const std::string& path) {
    Object(object, path, {"uplinkOrder", "maxActive"});
    TeamingRow teaming;
    teaming.orderSet = Find(object, "uplinkOrder") != nullptr;
    teaming.order = Pnics(object, path, "uplinkOrder");
    teaming.maxActive =
        static_cast<int32_t>(Int(object, path, "maxActive", 0, -2147483648LL, 2147483647LL));
    return teaming;
  }

  EnsState Ens(const Json& object, const std::string& path) {
    Object(object, path,
           {"active", "interrupt", "fastSwitch", "reassociations", "forcedReassociations"});
    EnsState ens;
    ens.active = Bool(object, path, "active", false);
    ens.interrupt = Bool(object, path, "interrupt", false);
    ens.fastSwitch = Bool(object, path, "fastSwitch", false);
    ens.reassociations = U32(object, path, "reassociations", 0);
    ens.forcedReassociations = U32(object, path, "forcedReassociations", 0);
    return ens;
  }

  std::string SwitchName(const Json& object, const std::string& path) {
    std::string name = Name(object, path, "name");
    if (maxSwitchNameSize_ != 0 && name.size() >= maxSwitchNameSize_) {
      Fail(Member(path, "name"),
           "must be shorter than " + std::to_string(maxSwitchNameSize_) + " bytes (MAX_VSNAME_SZ)");
    }
    if (!switchNames_.insert(name).second) Fail(Member(path, "name"), "duplicate name " + name);
    return name;
  }

  void Ports(const Json& object, const std::string& path, SwitchRow& row) {
    row.numPorts = static_cast<uint32_t>(Int(object, path, "numPorts", hostnet::kDefaultNumPorts,
                                             hostnet::kMinPorts, hostnet::kMaxPorts));
    row.usedPorts = U32(object, path, "usedPorts", 0);
  }

  uint32_t Mtu(const Json& object, const std::string& path) {
    return static_cast<uint32_t>(
        Int(object, path, "mtu", hostnet::kDefaultMtu, hostnet::kMinMtu, hostnet::kMaxMtu));
  }

  int32_t Cdp(const Json& object, const std::string& path) {
    std::string text = String(object, path, "cdp", "listen");
    static const char* const kNames[] = {"down", "listen", "advertise", "both"};
    for (int32_t value = 0; value < 4; ++value) {
      if (text == kNames[value]) return value;
    }
    Fail(Member(path, "cdp"), "must be one of down, listen, advertise, both");
  }

  StandardSwitchDoc Standard(const Json& object, const std::string& path);
  PortGroupRow PortGroup(const Json& object, const std::string& path);
  DVSwitchDoc Distributed(const Json& object, const std::string& path);
  DVPortRow Port(const Json& object, const std::string& path);
  SwitchRow Opaque(const Json& object, const std::string& path);
  UplinkTimeoutRow UplinkTimeout(const Json& object, const std::string& path);
  LagTimeoutRow LagTimeout(const Json& object, const std::string& path);
  FaultRow Fault(const Json& object, const std::string& path);

  uint32_t maxSwitchNameSize_;
  std::set<std::string> pnics_;
  std::set<std::string> switchNames_;
  std::set<std::string> portGroupNames_;
  // The IDs of the DVPorts of the DVSwitch being read.
  std::set<std::string> dvportIds_;
  std::map<std::string, std::string> linkedTo_;
  DocumentRead& read_;
};

StandardSwitchDoc Reader::Standard(const Json& object, const std::string& path) {
  Object(object, path,
         {"name", "running", "system", "numPorts", "usedPorts", "configuredPorts", "mtu", "cdp",
          "uplinks", "configUplinks", "teaming", "ens", "portGroups"});
  StandardSwitchDoc sw;
  SwitchRow& row = sw.row;
  row.kind = SwitchKind::kStandard;
  row.name = SwitchName(object, path);
  row.running = Bool(object, path, "running", true);
  row.system = Bool(object, path, "system", false);
  Ports(object, path, row);
  row.configuredPorts = U32(object, path, "configuredPorts", row.numPorts);
  row.mtu = Mtu(object, path);
  row.cdp = Cdp(object, path);
  row.uplinks = Pnics(object, path, "uplinks");
  for (size_t i = 0; i < row.uplinks.size(); ++i) {
    auto linked = linkedTo_.emplace(row.uplinks[i], row.name);
    if (!linked.second) {
      Fail(Index(Member(path, "uplinks"), i),
           row.uplinks[i] + " is already linked to " + linked.first->second);
    }
  }
  row.configUplinks =
      Find(object, "configUplinks") != nullptr ? Pnics(object, path, "configUplinks") : row.uplinks;
  row.teaming = Nested(object, path, "teaming", &Reader::Teaming);
  row.ens = Nested(object, path, "ens", &Reader::Ens);
  Rows(object, path, "portGroups", &Reader::PortGroup, sw.portGroups);
  return sw;
}

PortGroupRow Reader::PortGroup(const Json& object, const std::string& path) {
  Object(object, path, {"name", "vlan", "ports", "teaming"});
  PortGroupRow pg;
  pg.name = Name(object, path, "name");
  if (!portGroupNames_.insert(pg.name).second) {
    Fail(Member(path, "name"), "duplicate name " + pg.name);
  }
  pg.vlan = static_cast<uint32_t>(Int(object, path, "vlan", 0, 0, hostnet::kMaxVlan));
  pg.ports = U32(object, path, "ports", 0);
  pg.teaming = Nested(object, path, "teaming", &Reader::Teaming);
  return pg;
}

DVSwitchDoc Reader::Distributed(const Json& object, const std::string& path) {
  Object(object, path,
         {"name", "dvsName", "running", "uuid", "implClass", "version", "switchId", "numPorts",
          "usedPorts", "configuredPorts", "mtu", "uplinks", "ens", "dvports"});
  DVSwitchDoc dvs;
  SwitchRow& row = dvs.row;
  row.kind = SwitchKind::kDistributed;
  row.name = SwitchName(object, path);
  row.dvsName = PrintableString(object, path, "dvsName", row.name);
  row.running = Bool(object, path, "running", true);
  row.uuid = String(object, path, "uuid", UuidTextFromName(row.name));
  row.implClass = String(object, path, "implClass", "cswitch");
  row.version = U32(object, path, "version", 6);
  row.switchId = String(object, path, "switchId", row.uuid);
  Ports(object, path, row);
  row.configuredPorts = U32(object, path, "configuredPorts", row.numPorts);
  row.mtu = Mtu(object, path);
  row.uplinks = DVUplinks(object, path);
  row.ens = Nested(object, path, "ens", &Reader::Ens);
  dvportIds_.clear();
  Rows(object, path, "dvports", &Reader::Port, dvs.dvports);
  return dvs;
}

DVPortRow Reader::Port(const Json& object, const std::string& path) {
  // boundTo is what the engine showed when the document was written: it is
  // not loaded.
  Object(object, path, {"id", "clients", "connectionId", "uplinks", "testEvents", "boundTo"});
  DVPortRow port;
  port.portId = Name(object, path, "id");
  if (!dvportIds_.insert(port.portId).second) {
    Fail(Member(path, "id"), "duplicate id " + port.portId);
  }
  port.clients = Strings(object, path, "clients");
  port.connectionId = U32(object, path, "connectionId", 0);
  port.uplinks = DVUplinks(object, path);
  port.testEvents = U32(object, path, "testEvents", 0);
  return port;
}

SwitchRow Reader::Opaque(const Json& object, const std::string& path) {
  Object(object, path, {"name", "dvsName", "numPorts", "usedPorts", "uplinks"});
  SwitchRow row;
  row.kind = SwitchKind::kOpaque;
  row.name = SwitchName(object, path);
  row.dvsName = PrintableString(object, path, "dvsName", row.name);
  Ports(object, path, row);
  row.configuredPorts = row.numPorts;
  row.uplinks = Pnics(object, path, "uplinks");
  return row;
}

UplinkTimeoutRow Reader::UplinkTimeout(const Json& object, const std::string& path) {
  Object(object, path, {"portset", "uplink", "lagId", "timeout", "loaded"});
  return {String(object, path, "portset", ""), String(object, path, "uplink", ""),
          U32(object, path, "lagId", 0),
          static_cast<uint32_t>(Int(object, path, "timeout", 0, 0, 255)),
          Bool(object, path, "loaded", false)};
}

LagTimeoutRow Reader::LagTimeout(const Json& object, const std::string& path) {
  Object(object, path, {"portset", "lagId", "timeout", "loaded"});
  return {String(object, path, "portset", ""), U32(object, path, "lagId", 0),
          static_cast<uint32_t>(Int(object, path, "timeout", 0, 0, 255)),
          Bool(object, path, "loaded", false)};
}

FaultRow Reader::Fault(const Json& object, const std::string& path) {
  Object(object, path, {"op", "target", "message", "times", "status"});
  FaultRow fault;
  fault.op = Name(object, path, "op");
  if (Find(object, "target") != nullptr) fault.target = String(object, path, "target", "");
  fault.message = String(object, path, "message", "");
  if (Find(object, "times") != nullptr) {
    fault.times = Int(object, path, "times", 1, 1, 2147483647LL);
  }
  if (Find(object, "status") != nullptr) {
    fault.status = Int(object, path, "status", 1, -2147483648LL, 2147483647LL);
    if (*fault.status == 0) Fail(Member(path, "status"), "must not be 0");
  }
  return fault;
}

HostDocument Reader::Read(const Json& root) {
  Object(root, "",
         {"format", "pnics", "switches", "dvswitches", "opaqueSwitches", "uplinkTimeouts",
          "lagTimeouts", "ensActivateNode", "faults"});
  read_.format = static_cast<int>(Int(root, "", "format", 0, 1, 2147483647LL));
  if (read_.format > hostnet::kRecordsFormat) {
    Fail("format", "the document is of format " + std::to_string(read_.format) +
                       ", and this build knows formats 1 to " +
                       std::to_string(hostnet::kRecordsFormat) + ": install a build that knows " +
                       "format " + std::to_string(read_.format) + " to load it");
  }
  HostDocument host;
  host.pnics = Strings(root, "", "pnics");
  for (size_t i = 0; i < host.pnics.size(); ++i) {
    if (host.pnics[i].empty()) Fail(Index("pnics", i), "must be a non-empty string");
    if (!pnics_.insert(host.pnics[i]).second) {
      Fail(Index("pnics", i), "duplicate name " + host.pnics[i]);
    }
  }
  Rows(root, "", "switches", &Reader::Standard, host.switches);
  Rows(root, "", "dvswitches", &Reader::Distributed, host.dvswitches);
  Rows(root, "", "opaqueSwitches", &Reader::Opaque, host.opaqueSwitches);
  Rows(root, "", "uplinkTimeouts", &Reader::UplinkTimeout, host.uplinkTimeouts);
  Rows(root, "", "lagTimeouts", &Reader::LagTimeout, host.lagTimeouts);
  host.ensActivateNode = U32(root, "", "ensActivateNode", 0);
  Rows(root, "", "faults", &Reader::Fault, host.faults);
  return host;
}

}  // namespace

std::string UuidTextFromName(const std::string& name) {
  unsigned char bytes[16] = {};
  for (size_t i = 0; i < 15 && i < name.size(); ++i) {
    bytes[i] = static_cast<unsigned char>(name[i]);
  }
  char text[48];
  std::snprintf(text, sizeof text,
                "%02x %02x %02x %02x %02x %02x %02x %02x-%02x %02x %02x %02x %02x %02x %02x %02x",
                bytes[0], bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7],
                bytes[8], bytes[9], bytes[10], bytes[11], bytes[12], bytes[13], bytes[14],
                bytes[15]);
  return text;
}

hostnet::HostDocument HostFromJson(const std::string& text, uint32_t maxSwitchNameSize,
                                   DocumentRead* read) {
  if (text.size() > kMaxDocumentBytes) {
    throw QuorvicException("document: more than " + std::to_string(kMaxDocumentBytes >> 20) +
                           " MiB");
  }
  // The parser builds each string whole before anyone sees it: a string too
  // long to read ends the text the checker reads, where it opens.
  const size_t cut = FirstLongString(text, kMaxDocumentString);
  TextChecker checker(cut);
  const auto end = cut == std::string::npos ? text.end() : text.begin() + static_cast<long>(cut);
  if (!Json::sax_parse(text.begin(), end, &checker)) throw QuorvicException(checker.error);
  if (cut != std::string::npos) {
    throw QuorvicException("invalid JSON: text after the end of the document");
  }
  DocumentRead found;
  hostnet::HostDocument host = Reader(maxSwitchNameSize, found).Read(Json::parse(text));
  if (read != nullptr) *read = std::move(found);
  return host;
}
