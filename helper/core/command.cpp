// The helper's request record and the decoding of one command line into it.
#include "helper/core/command.h"

#include <algorithm>
#include <array>
#include <nlohmann/json.hpp>
#include <type_traits>
#include <variant>

#include "helper/core/exact_integer.h"

namespace parlevox {
namespace {

using nlohmann::json;

// What a field holds; the decoder reads each kind straight from the parser's events.
using Target = std::variant<std::string Command::*, std::optional<std::int64_t> Command::*,
                            std::optional<double> Command::*, std::optional<bool> Command::*,
                            std::optional<std::string> Command::*,
                            std::optional<std::vector<std::string>> Command::*,
                            std::optional<std::vector<double>> Command::*,
                            std::optional<std::vector<std::int64_t>> Command::*,
                            std::optional<std::vector<SwallowRule>> Command::*,
                            std::optional<std::vector<HotkeyAsk>> Command::*>;

struct FieldEntry {
  std::string_view key;
  Target target;
};

// Every field a line may carry, sorted by key (byte-wise) for binary search.
constexpr auto kFields = std::to_array<FieldEntry>({
    {"all", &Command::all},
    {"armed", &Command::armed},
    {"around", &Command::around},
    {"captureAfterMs", &Command::captureAfterMs},
    {"cmd", &Command::cmd},
    {"copy", &Command::copy},
    {"count", &Command::count},
    {"hotkeys", &Command::hotkeys},
    {"id", &Command::id},
    {"image", &Command::image},
    {"length", &Command::length},
    {"level", &Command::level},
    {"location", &Command::location},
    {"maxChars", &Command::maxChars},
    {"maxSize", &Command::maxSize},
    {"menuChars", &Command::menuChars},
    {"menuKeys", &Command::menuKeys},
    {"ocr", &Command::ocr},
    {"on", &Command::on},
    {"out", &Command::out},
    {"path", &Command::path},
    {"pid", &Command::pid},
    {"print", &Command::print},
    {"rect", &Command::rect},
    {"request", &Command::request},
    {"swallow", &Command::swallow},
    {"text", &Command::text},
    {"typingAfterMs", &Command::typingAfterMs},
    {"typingGapMs", &Command::typingGapMs},
    {"typingMarks", &Command::typingMarks},
    {"typingStats", &Command::typingStats},
    {"watch", &Command::watch},
});

static_assert(std::is_sorted(kFields.begin(), kFields.end(),
                             [](const FieldEntry& a, const FieldEntry& b) {
                               return a.key < b.key;
                             }));

const FieldEntry* fieldNamed(std::string_view key) {
  auto it = std::lower_bound(kFields.begin(), kFields.end(), key,
                             [](const FieldEntry& e, std::string_view k) { return e.key < k; });
  return it != kFields.end() && it->key == key ? &*it : nullptr;
}

template <typename T>
constexpr bool kIsList = false;
template <typename T>
constexpr bool kIsList<std::vector<T>> = true;

template <typename T>
constexpr bool kIsRecord = std::is_same_v<T, SwallowRule> || std::is_same_v<T, HotkeyAsk>;

// One scalar value as the parser reports it.
struct Scalar {
  enum class Kind { null, boolean, number, string };
  explicit Scalar(Kind k) : kind(k) {}
  Kind kind;
  bool boolean = false;
  double number = 0;
  std::optional<std::int64_t> integer;  // the number's exact value when it is an Int
  std::string* text = nullptr;
};

// Each reader takes one scalar of the element type, or reports a type mismatch.
bool take(Scalar& v, std::int64_t& out) {
  if (v.kind != Scalar::Kind::number || !v.integer) return false;
  out = *v.integer;
  return true;
}
bool take(Scalar& v, double& out) {
  if (v.kind != Scalar::Kind::number) return false;
  out = v.number;
  return true;
}
bool take(Scalar& v, bool& out) {
  if (v.kind != Scalar::Kind::boolean) return false;
  out = v.boolean;
  return true;
}
bool take(Scalar& v, std::string& out) {
  if (v.kind != Scalar::Kind::string) return false;
  out = std::move(*v.text);
  return true;
}

// Fills a Command from the parser's events, one line at a time: the values of known keys are
// read in place and everything else is skipped without being built, so the memory a line costs
// is its own text and the fields it sets. Of a key given twice the last value counts, and null
// means absent, as in a parsed object.
class CommandReader {
 public:
  explicit CommandReader(Command& c) : c_(c) {}

  bool decoded() const { return done_ && hasCmd_ && !anyBad(); }

  bool null() { return scalar(Scalar(Scalar::Kind::null)); }
  bool boolean(bool value) {
    Scalar v{Scalar::Kind::boolean};
    v.boolean = value;
    return scalar(v);
  }
  bool number_integer(json::number_integer_t value) {
    Scalar v{Scalar::Kind::number};
    v.number = static_cast<double>(value);
    v.integer = value;
    return scalar(v);
  }
  bool number_unsigned(json::number_unsigned_t value) {
    Scalar v{Scalar::Kind::number};
    v.number = static_cast<double>(value);
    if (value <= static_cast<json::number_unsigned_t>(INT64_MAX))
      v.integer = static_cast<std::int64_t>(value);
    return scalar(v);
  }
  bool number_float(json::number_float_t value, const std::string& text) {
    // The parser's double may have lost digits; an Int is read exactly from the text.
    Scalar v{Scalar::Kind::number};
    v.number = value;
    v.integer = exactInteger(text);
    return scalar(v);
  }
  bool string(std::string& value) {
    Scalar v{Scalar::Kind::string};
    v.text = &value;
    return scalar(v);
  }
  bool binary(json::binary_t&) { return false; }  // JSON text has none
  bool start_object(std::size_t) { return open(true); }
  bool start_array(std::size_t) { return open(false); }
  bool end_object() { return close(); }
  bool end_array() { return close(); }
  bool key(std::string& name);
  bool parse_error(std::size_t, const std::string&, const json::exception&) { return false; }

 private:
  // Where the parser is: before the line's object, between its keys, at a field's value, inside
  // a field's array, inside one record of such an array, at a record member's value, or inside
  // a record member's array.
  enum class At { start, keys, value, list, record, member, memberList, end };

  bool scalar(Scalar v);
  bool open(bool object);
  bool close();

  // The field's value has the wrong type: the line is dropped unless a later value for the
  // same key replaces it. `open` containers of the value are still open; the parser's events
  // up to their end are skipped.
  bool mismatch(std::size_t open) {
    bad_[field_] = true;
    skip_ = open;
    at_ = At::keys;
    return true;
  }
  // Skips the value that comes next, returning to `after` behind it.
  void skipValue(At after) {
    skipNext_ = true;
    at_ = after;
  }
  bool anyBad() const {
    for (bool b : bad_)
      if (b) return true;
    return false;
  }
  // Calls `f` with the field named by `field_` when that field is a list of values or records;
  // answers false for every other field.
  template <class F>
  bool withList(F&& f);
  // Appends one list element of the field's element type.
  bool element(Scalar& v);
  // Resets the field named by `field_` to absent before a value for it is read.
  void clearField();
  // Appends the record read into `recordKey_` and `recordList_`; false when it lacks a member.
  bool finishRecord();

  Command& c_;
  At at_ = At::start;
  std::size_t skip_ = 0;   // containers open inside a value being skipped
  bool skipNext_ = false;  // the next value is skipped whole
  bool done_ = false, hasCmd_ = false;
  std::size_t field_ = 0;  // index in kFields of the field being read
  std::array<bool, kFields.size()> bad_{};
  // The record being read, and which of its two members the line gave.
  std::string recordKey_;
  std::vector<std::string> recordList_;
  bool hasKey_ = false, hasList_ = false;
  int member_ = 0;  // 0: "key", 1: "when" or "mods"
};

void CommandReader::clearField() {
  bad_[field_] = false;
  std::visit(
      [&](auto member) {
        using T = std::remove_reference_t<decltype(c_.*member)>;
        if constexpr (std::is_same_v<T, std::string>) {
          c_.cmd.clear();
          hasCmd_ = false;
        } else {
          c_.*member = std::nullopt;
        }
      },
      kFields[field_].target);
}

bool CommandReader::key(std::string& name) {
  if (skip_ > 0) return true;
  if (at_ == At::keys) {
    const FieldEntry* entry = fieldNamed(name);
    if (!entry) {
      skipValue(At::keys);  // unknown keys are ignored
      return true;
    }
    field_ = static_cast<std::size_t>(entry - kFields.data());
    clearField();
    at_ = At::value;
    return true;
  }
  if (at_ == At::record) {
    const bool listsWhen =
        std::holds_alternative<std::optional<std::vector<SwallowRule>> Command::*>(
            kFields[field_].target);
    if (name == "key") {
      member_ = 0;
      hasKey_ = false;
    } else if (name == (listsWhen ? "when" : "mods")) {
      member_ = 1;
      hasList_ = false;
      recordList_.clear();
    } else {
      skipValue(At::record);
      return true;
    }
    at_ = At::member;
    return true;
  }
  return false;
}

bool CommandReader::scalar(Scalar v) {
  if (skip_ > 0) return true;
  if (skipNext_) {
    skipNext_ = false;
    return true;
  }
  switch (at_) {
    case At::value:
      if (v.kind == Scalar::Kind::null) {  // null means absent
        at_ = At::keys;
        return true;
      }
      return std::visit(
          [&](auto member) {
            using T = std::remove_reference_t<decltype(c_.*member)>;
            if constexpr (std::is_same_v<T, std::string>) {
              if (!take(v, c_.cmd)) return mismatch(0);
              hasCmd_ = true;
            } else {
              typename T::value_type value{};
              if constexpr (kIsList<decltype(value)>) {
                return mismatch(0);  // a list field needs an array
              } else {
                if (!take(v, value)) return mismatch(0);
                c_.*member = std::move(value);
              }
            }
            at_ = At::keys;
            return true;
          },
          kFields[field_].target);
    case At::list:
      return element(v) || mismatch(1);
    case At::member:
      if (v.kind == Scalar::Kind::null) {  // null means absent: the record then lacks it
        at_ = At::record;
        return true;
      }
      if (member_ != 0 || !take(v, recordKey_)) return mismatch(2);
      hasKey_ = true;
      at_ = At::record;
      return true;
    case At::memberList:
      if (recordList_.emplace_back(); !take(v, recordList_.back())) return mismatch(3);
      return true;
    default:
      return false;  // the line is not an object
  }
}

template <class F>
bool CommandReader::withList(F&& f) {
  return std::visit(
      [&](auto member) {
        using T = std::remove_reference_t<decltype(c_.*member)>;
        if constexpr (std::is_same_v<T, std::string>) {
          return false;
        } else if constexpr (kIsList<typename T::value_type>) {
          return f(c_.*member);
        } else {
          return false;
        }
      },
      kFields[field_].target);
}

bool CommandReader::element(Scalar& v) {
  return withList([&](auto& list) {
    using Element = typename std::remove_reference_t<decltype(list)>::value_type::value_type;
    if constexpr (kIsRecord<Element>) {
      return false;  // a record must be an object
    } else {
      Element item{};
      if (!take(v, item)) return false;
      list->push_back(std::move(item));
      return true;
    }
  });
}

bool CommandReader::open(bool object) {
  if (skip_ > 0) {
    ++skip_;
    return true;
  }
  if (skipNext_) {
    skipNext_ = false;
    skip_ = 1;
    return true;
  }
  switch (at_) {
    case At::start:
      if (!object) return false;  // the line must be an object
      at_ = At::keys;
      return true;
    case At::value: {
      const bool isList = withList([](auto& list) {
        list = typename std::remove_reference_t<decltype(list)>::value_type{};
        return true;
      });
      if (!isList || object) return mismatch(1);
      at_ = At::list;
      return true;
    }
    case At::list: {
      const bool records =
          std::holds_alternative<std::optional<std::vector<SwallowRule>> Command::*>(
              kFields[field_].target) ||
          std::holds_alternative<std::optional<std::vector<HotkeyAsk>> Command::*>(
              kFields[field_].target);
      if (!records || !object) return mismatch(2);
      recordKey_.clear();
      recordList_.clear();
      hasKey_ = hasList_ = false;
      at_ = At::record;
      return true;
    }
    case At::member:
      if (member_ != 1 || object) return mismatch(3);
      at_ = At::memberList;
      return true;
    case At::memberList:
      return mismatch(4);
    default:
      return false;
  }
}

bool CommandReader::close() {
  if (skip_ > 0) {
    --skip_;
    return true;
  }
  switch (at_) {
    case At::keys:
      at_ = At::end;
      done_ = true;
      return true;
    case At::list:
      at_ = At::keys;
      return true;
    case At::record:
      if (!finishRecord()) return mismatch(1);
      at_ = At::list;
      return true;
    case At::memberList:
      hasList_ = true;
      at_ = At::record;
      return true;
    default:
      return false;
  }
}

bool CommandReader::finishRecord() {
  if (!hasKey_ || !hasList_) return false;
  return std::visit(
      [&](auto member) {
        using T = std::remove_reference_t<decltype(c_.*member)>;
        if constexpr (std::is_same_v<T, std::optional<std::vector<SwallowRule>>>) {
          (c_.*member)->push_back({std::move(recordKey_), std::move(recordList_)});
          return true;
        } else if constexpr (std::is_same_v<T, std::optional<std::vector<HotkeyAsk>>>) {
          (c_.*member)->push_back({std::move(recordKey_), std::move(recordList_)});
          return true;
        } else {
          return false;
        }
      },
      kFields[field_].target);
}

}  // namespace

bool decodeCommandInto(std::string_view line, Command& c) {
  // The parser takes a NUL byte for the end of the text; in JSON it is never valid, so a line
  // holding one is malformed whatever follows it.
  if (line.find('\0') != std::string_view::npos) return false;
  CommandReader reader(c);
  const bool parsed = json::sax_parse(line.begin(), line.end(), &reader);
  return parsed && reader.decoded();
}

std::optional<Command> decodeCommand(std::string_view line) {
  Command c;
  if (!decodeCommandInto(line, c)) return std::nullopt;
  return c;
}

}  // namespace parlevox
