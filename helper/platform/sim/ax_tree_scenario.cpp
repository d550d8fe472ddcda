// Reading the applications' accessibility trees from the scenario, and writing tree values back
// in the scenario's form for the record.
#include "helper/platform/sim/ax_tree_scenario.h"

#include <limits>
#include <nlohmann/json.hpp>
#include <unordered_set>

#include "helper/platform/text.h"

namespace parlevox::sim {
namespace {

using nlohmann::json;
using platform::Point;

constexpr std::size_t kMaxDepth = 500;  // elements nested deeper than this are refused

constexpr std::pair<const char*, platform::AXError> kErrorNames[] = {
    {"failure", platform::kAXErrorFailure},
    {"illegalArgument", platform::kAXErrorIllegalArgument},
    {"invalidElement", platform::kAXErrorInvalidUIElement},
    {"cannotComplete", platform::kAXErrorCannotComplete},
    {"attributeUnsupported", platform::kAXErrorAttributeUnsupported},
    {"apiDisabled", platform::kAXErrorAPIDisabled},
    {"noValue", platform::kAXErrorNoValue},
    {"parameterizedAttributeUnsupported", platform::kAXErrorParameterizedAttributeUnsupported},
};

// Words of the generated paragraphs.
constexpr const char* kWords[] = {
    "amber",  "basket", "candle", "delta",   "ember",  "fabric", "garden",  "harbor",
    "island", "jacket", "kettle", "lantern", "meadow", "needle", "orchard", "pepper",
    "quartz", "river",  "saddle", "timber",  "umbra",  "velvet", "willow",  "yonder",
    "zephyr", "anchor", "bridge", "cobalt",  "dune",   "echo",   "fjord",   "granite",
};

[[noreturn]] void failAt(const std::string& place, const std::string& expected) {
  throw ScenarioError(place + " must be " + expected);
}

std::u16string utf16(const std::string& text) {
  return platform::utf16FromUtf8(text);
}

bool wellFormed(const std::u16string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

std::string utf8(const std::u16string& text) {
  return platform::utf8FromUtf16(text);
}

// `count` numbers of an array, e.g. [x, y, width, height].
std::vector<double> numbers(const json& value, std::size_t count, const std::string& place,
                            const char* expected) {
  if (!value.is_array() || value.size() != count) failAt(place, expected);
  std::vector<double> out;
  for (const auto& n : value) {
    if (!n.is_number()) failAt(place, expected);
    out.push_back(n.get<double>());
  }
  return out;
}

std::int64_t wholeNumber(const json& n, const std::string& place, const char* expected) {
  // Unsigned first: nlohmann counts unsigned numbers as integers too.
  if (n.is_number_unsigned()) {
    if (n.get<std::uint64_t>() <= INT64_MAX)
      return static_cast<std::int64_t>(n.get<std::uint64_t>());
  } else if (n.is_number_integer()) {
    return n.get<std::int64_t>();
  }
  failAt(place, expected);
}

platform::AXRange range(const json& value, const std::string& place) {
  constexpr const char* expected = "[location, length], two whole numbers";
  if (!value.is_array() || value.size() != 2) failAt(place, expected);
  return {wholeNumber(value[0], place, expected), wholeNumber(value[1], place, expected)};
}

platform::Rect rect(const json& value, const std::string& place) {
  auto n = numbers(value, 4, place, "[x, y, width, height], four numbers");
  return {n[0], n[1], n[2], n[3]};
}

platform::AXError errorCode(const json& value, const std::string& place) {
  constexpr const char* expected =
      "an error code: a whole number other than 0, or \"failure\", \"illegalArgument\", "
      "\"invalidElement\", \"cannotComplete\", \"attributeUnsupported\", \"apiDisabled\", "
      "\"noValue\" or \"parameterizedAttributeUnsupported\"";
  if (value.is_string()) {
    for (auto [name, code] : kErrorNames)
      if (value.get<std::string>() == name) return code;
    failAt(place, expected);
  }
  auto code = wholeNumber(value, place, expected);
  if (code == 0 || code < INT32_MIN || code > INT32_MAX) failAt(place, expected);
  return static_cast<platform::AXError>(code);
}

// An element named by id inside a value, resolved once every element exists.
struct RefUse {
  std::size_t item;  // position in an element list; npos for a single element
  std::string id;
  std::string place;
};

// A typed value of the scenario: JSON strings, numbers, booleans and null as they are, other
// kinds as an object with one key naming the kind.
TreeValue readValue(const json& v, const std::string& place, std::vector<RefUse>& refs) {
  if (v.is_string()) return utf16(v.get<std::string>());
  if (v.is_number()) return v.get<double>();
  if (v.is_boolean()) return v.get<bool>();
  if (v.is_null()) return platform::AXNone{};
  if (!v.is_object() || v.size() != 1)
    failAt(place,
           "a string, number, true, false, null or an object with one key naming the kind of "
           "value, such as {\"range\": [0, 4]}");
  const auto first = v.begin();
  const std::string& kind = first.key();
  const json& payload = first.value();
  const std::string at = place + "." + kind;
  // Every kind has a tagged form; strings, numbers, booleans and none may also be written plainly.
  if (kind == "string") {
    if (!payload.is_string()) failAt(at, "a string");
    return utf16(payload.get<std::string>());
  }
  if (kind == "number") {
    if (!payload.is_number()) failAt(at, "a number");
    return payload.get<double>();
  }
  if (kind == "bool") {
    if (!payload.is_boolean()) failAt(at, "true or false");
    return payload.get<bool>();
  }
  if (kind == "none") {
    if (!payload.is_null()) failAt(at, "null");
    return platform::AXNone{};
  }
  if (kind == "utf16") {
    constexpr const char* expected = "a list of UTF-16 code units (whole numbers 0 to 65535)";
    if (!payload.is_array()) failAt(at, expected);
    std::u16string text;
    for (const auto& unit : payload) {
      auto u = wholeNumber(unit, at, expected);
      if (u < 0 || u > 0xFFFF) failAt(at, expected);
      text.push_back(static_cast<char16_t>(u));
    }
    return text;
  }
  if (kind == "element") {
    if (!payload.is_string()) failAt(at, "the id of an element");
    refs.push_back({std::string::npos, payload.get<std::string>(), at});
    return NodeRef{};
  }
  if (kind == "elements") {
    if (!payload.is_array()) failAt(at, "a list of element ids");
    std::vector<NodeRef> list(payload.size());
    for (std::size_t i = 0; i < payload.size(); ++i) {
      if (!payload[i].is_string()) failAt(at, "a list of element ids");
      refs.push_back({i, payload[i].get<std::string>(), at});
    }
    return list;
  }
  if (kind == "strings") {
    if (!payload.is_array()) failAt(at, "a list of strings");
    std::vector<std::u16string> list;
    for (const auto& s : payload) {
      if (!s.is_string()) failAt(at, "a list of strings");
      list.push_back(utf16(s.get<std::string>()));
    }
    return list;
  }
  if (kind == "url") {
    if (!payload.is_string()) failAt(at, "a string");
    return platform::AXUrl{payload.get<std::string>()};
  }
  if (kind == "point") {
    auto n = numbers(payload, 2, at, "[x, y], two numbers");
    return Point{n[0], n[1]};
  }
  if (kind == "size") {
    auto n = numbers(payload, 2, at, "[width, height], two numbers");
    return platform::Size{n[0], n[1]};
  }
  if (kind == "rect") return rect(payload, at);
  if (kind == "range") return range(payload, at);
  if (kind == "error") return platform::AXErrorValue{errorCode(payload, at)};
  throw ScenarioError(place + " has an unknown kind of value \"" + kind + "\"");
}

struct ParsedAttribute {
  NameId name;
  TreeValue value;
  std::vector<RefUse> refs;
};

// The convenience keys and "attributes" of an element or a change step. Positions move by
// `offset` (the copy's place in a repeat).
std::vector<ParsedAttribute> readAttributeKeys(const ScenarioReader& e, AXTree& tree,
                                               Point offset) {
  std::vector<ParsedAttribute> out;
  std::vector<std::pair<NameId, std::string>> givenBy;  // attribute and the key that gave it
  auto add = [&](const char* attribute, TreeValue value, std::vector<RefUse> refs,
                 const std::string& key) {
    const NameId name = tree.name(attribute);
    for (const auto& [n, k] : givenBy)
      if (n == name) failAt(e.place() + "." + key, "left out: \"" + k + "\" gives it already");
    givenBy.emplace_back(name, key);
    if (auto* p = std::get_if<Point>(&value); p && name == kAXPosition)
      *p = {p->x + offset.x, p->y + offset.y};
    out.push_back({name, std::move(value), std::move(refs)});
  };
  for (auto [key, attribute] : {std::pair{"role", "AXRole"}, std::pair{"subrole", "AXSubrole"},
                                std::pair{"title", "AXTitle"}, std::pair{"value", "AXValue"},
                                std::pair{"description", "AXDescription"}}) {
    auto it = e.json().find(key);
    if (it == e.json().end()) continue;
    std::vector<RefUse> refs;
    auto value = readValue(*it, e.place() + "." + key, refs);
    add(attribute, std::move(value), std::move(refs), key);
  }
  if (e.has("frame")) {
    auto r = rect(e.json()["frame"], e.place() + ".frame");
    add("AXPosition", Point{r.x, r.y}, {}, "frame");
    add("AXSize", platform::Size{r.w, r.h}, {}, "frame");
  }
  if (e.has("selection"))
    add("AXSelectedTextRange", range(e.json()["selection"], e.place() + ".selection"), {},
        "selection");
  auto attributes = e.object("attributes");
  for (const auto& [name, v] : attributes.json().items()) {
    std::vector<RefUse> refs;
    auto value = readValue(v, attributes.place() + "." + name, refs);
    add(name.c_str(), std::move(value), std::move(refs), "attributes." + name);
  }
  return out;
}

// Points the element references of a value at the elements `find` gives for their ids.
void resolveRefs(TreeValue& value, const std::vector<RefUse>& refs,
                 const std::function<NodeIndex(const RefUse&)>& find) {
  for (const auto& ref : refs) {
    const NodeIndex node = find(ref);
    if (auto* one = std::get_if<NodeRef>(&value)) one->index = node;
    if (auto* list = std::get_if<std::vector<NodeRef>>(&value)) (*list)[ref.item].index = node;
  }
}

SetReaction reaction(const json& value, const std::string& place) {
  constexpr const char* expected =
      "\"apply\", \"clamp\", {\"after\": polls} or {\"refuse\": error code}";
  if (value == "apply") return {SetReaction::Kind::apply};
  if (value == "clamp") return {SetReaction::Kind::clamp};
  if (value.is_object() && value.size() == 1 && value.contains("after")) {
    auto polls = wholeNumber(value["after"], place + ".after", "a whole number from 1 to 1000000");
    if (polls < 1 || polls > 1'000'000)
      failAt(place + ".after", "a whole number from 1 to 1000000");
    return {SetReaction::Kind::afterPolls, static_cast<std::int32_t>(polls)};
  }
  if (value.is_object() && value.size() == 1 && value.contains("refuse"))
    return {SetReaction::Kind::refuse, 0, errorCode(value["refuse"], place + ".refuse")};
  failAt(place, expected);
}

// Elements an entry of "children" makes, without building them: repeats multiply.
std::size_t elementCount(const json& entry, std::size_t depth) {
  constexpr std::size_t huge = std::numeric_limits<std::size_t>::max() / 4;
  if (!entry.is_object() || depth > kMaxDepth) return 1;
  auto saturating = [](std::size_t a, std::size_t b) { return a > huge - b ? huge : a + b; };
  if (auto r = entry.find("repeat"); r != entry.end() && r->is_object()) {
    auto count = r->value("count", json(0));
    auto element = r->find("element");
    if (!count.is_number_unsigned() || element == r->end()) return 1;
    const std::size_t each = elementCount(*element, depth + 1);
    const auto n = count.get<std::uint64_t>();
    return n != 0 && each > huge / n ? huge : n * each;
  }
  if (auto p = entry.find("paragraphs"); p != entry.end() && p->is_object()) {
    auto count = p->value("count", json(0));
    return count.is_number_unsigned() ? std::min<std::uint64_t>(count.get<std::uint64_t>(), huge)
                                      : 1;
  }
  std::size_t total = 1;
  if (auto children = entry.find("children"); children != entry.end() && children->is_array())
    for (const auto& child : *children) total = saturating(total, elementCount(child, depth + 1));
  return total;
}

class TreeLoader {
 public:
  explicit TreeLoader(AXTree& tree) : tree_(tree) {}

  void app(const ScenarioReader& app) {
    auto ui = app.object("ui");
    ui.onlyKeys({"windows", "menuBar", "focused", "focusedWindow", "mainWindow", "attributes",
                 "settable", "readMs", "silent"});
    AppTiming timing{ui.number("readMs", 0), ui.boolean("silent", false)};
    if (timing.readMs < 0 || timing.readMs > 3'600'000)
      ui.fail("readMs", "a number of milliseconds from 0 to 3600000");
    auto name = app.optionalString("name");
    const NodeIndex node =
        tree_.addApplication(static_cast<std::int32_t>(app.integer("pid", 0)),
                             name ? std::optional(utf16(*name)) : std::nullopt, timing);
    const Copy top;
    if (ui.has("menuBar")) {
      const NodeIndex menuBar = element(ui.object("menuBar"), node, top, 1);
      tree_.setMenuBar(node, menuBar);
    }
    entries(ui, "windows", node, top, 1);
    settable(ui, node);
    for (auto& a : readAttributeKeys(ui, tree_, {})) store(node, std::move(a), top, ui.place());
    if (auto focused = ui.optionalString("focused"))
      focus_.push_back({node, *focused, ui.place() + ".focused"});
    for (auto [key, attribute] :
         {std::pair{"focusedWindow", "AXFocusedWindow"}, std::pair{"mainWindow", "AXMainWindow"}}) {
      auto id = ui.optionalString(key);
      if (!id) continue;
      if (tree_.attribute(node, tree_.name(attribute)))
        ui.fail(key, std::string("left out: \"attributes\" gives ") + attribute + " already");
      store(node,
            {tree_.name(attribute), NodeRef{}, {{std::string::npos, *id, ui.place() + "." + key}}},
            top, ui.place());
    }
  }

  // Once every element exists: element references, then focus.
  void finish() {
    tree_.finish();
    for (auto& pending : refs_) {
      TreeValue* value = tree_.attribute(pending.node, pending.name);
      resolveRefs(*value, pending.refs,
                  [&](const RefUse& ref) { return lookUp(ref.id, pending.suffix, ref.place); });
    }
    for (const auto& f : focus_) {
      const NodeIndex element = lookUp(f.id, "", f.place);
      if (tree_.pidOf(element) != tree_.pidOf(f.app))
        failAt(f.place, "the id of an element of this app");
      tree_.focus(element);
    }
  }

 private:
  // Where a copy of a repeated subtree goes: its id suffix and how far it moves.
  struct Copy {
    std::string suffix;
    Point offset;
  };
  struct PendingRefs {
    NodeIndex node;
    NameId name;
    std::vector<RefUse> refs;
    std::string suffix;
  };
  struct PendingFocus {
    NodeIndex app;
    std::string id;
    std::string place;
  };

  // An id as written inside a copy means the copy's own element when there is one.
  NodeIndex lookUp(const std::string& id, std::string suffix, const std::string& place) {
    for (;;) {
      if (auto node = tree_.find(id + suffix)) return *node;
      if (suffix.empty()) failAt(place, "the id of an element, not \"" + id + "\"");
      auto next = suffix.find('#', 1);
      suffix = next == std::string::npos ? "" : suffix.substr(next);
    }
  }

  void store(NodeIndex node, ParsedAttribute a, const Copy& copy, const std::string& place) {
    if (!a.refs.empty()) refs_.push_back({node, a.name, std::move(a.refs), copy.suffix});
    addText(a.value, place);
    tree_.setAttribute(node, a.name, std::move(a.value));
  }

  // Counts the text a value adds, so that repeated long texts cannot exhaust memory.
  void addText(const TreeValue& value, const std::string& place) {
    std::size_t units = 0;
    if (auto* text = std::get_if<std::u16string>(&value)) units = text->size();
    if (auto* list = std::get_if<std::vector<std::u16string>>(&value))
      for (const auto& s : *list) units += s.size();
    if (units > kMaxScenarioText - text_)
      throw ScenarioError(place + " makes the scenario hold more than " +
                          std::to_string(kMaxScenarioText) + " units of text");
    text_ += units;
  }

  void grow(std::size_t elements, const std::string& place) {
    if (elements > kMaxScenarioElements - count_)
      throw ScenarioError(place + " makes the scenario hold more than " +
                          std::to_string(kMaxScenarioElements) + " elements");
    count_ += elements;
  }

  NodeIndex newElement(NodeIndex parent, std::string id, const std::string& place) {
    if (!id.empty() && !ids_.insert(id).second)
      throw ScenarioError(place + ".id must be unique: \"" + id + "\" is used twice");
    return tree_.addElement(parent, std::move(id));
  }

  void settable(const ScenarioReader& e, NodeIndex node) {
    auto settable = e.object("settable");
    for (const auto& [name, value] : settable.json().items())
      tree_.setSettable(node, tree_.name(name), reaction(value, settable.place() + "." + name));
  }

  NodeIndex element(const ScenarioReader& e, NodeIndex parent, const Copy& copy,
                    std::size_t depth) {
    e.onlyKeys({"id", "role", "subrole", "title", "value", "description", "frame", "selection",
                "children", "attributes", "settable", "textReads", "batchFails", "gone"});
    if (depth > kMaxDepth)
      throw ScenarioError(e.place() + " nests elements more than " + std::to_string(kMaxDepth) +
                          " deep");
    grow(1, e.place());
    auto id = e.optionalString("id");
    const NodeIndex node = newElement(parent, id ? *id + copy.suffix : "", e.place());
    for (auto& a : readAttributeKeys(e, tree_, copy.offset))
      store(node, std::move(a), copy, e.place());
    settable(e, node);
    if (e.has("textReads")) textReads(e.object("textReads"), node, copy.offset);
    if (e.boolean("batchFails", false)) tree_.setBatchFails(node);
    if (e.boolean("gone", false)) tree_.setGone(node);
    entries(e, "children", node, copy, depth + 1);
    return node;
  }

  void textReads(const ScenarioReader& t, NodeIndex node, Point offset) {
    t.onlyKeys({"servedUnits", "charWidth", "lineHeight", "boxes"});
    TextReads reads;
    if (t.has("servedUnits"))
      reads.servedUnits = t.integer("servedUnits", 0, 0, std::numeric_limits<std::int64_t>::max());
    reads.charWidth = t.number("charWidth", reads.charWidth);
    reads.lineHeight = t.number("lineHeight", reads.lineHeight);
    const auto& boxes = t.array("boxes");
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      auto box = rect(boxes[i], t.place() + ".boxes[" + std::to_string(i) + "]");
      reads.boxes.push_back({box.x + offset.x, box.y + offset.y, box.w, box.h});
    }
    tree_.setTextReads(node, std::move(reads));
  }

  // The entries of a list of elements: elements, repeats and generated paragraphs.
  void entries(const ScenarioReader& owner, const char* key, NodeIndex parent, const Copy& copy,
               std::size_t depth) {
    const auto& list = owner.array(key);
    for (std::size_t i = 0; i < list.size(); ++i) {
      auto entry = owner.element(key, i);
      if (entry.has("repeat")) {
        entry.onlyKeys({"repeat"});
        repeat(entry.object("repeat"), parent, copy, depth);
      } else if (entry.has("paragraphs")) {
        entry.onlyKeys({"paragraphs"});
        paragraphs(entry.object("paragraphs"), parent, copy);
      } else {
        element(entry, parent, copy, depth);
      }
    }
  }

  void repeat(const ScenarioReader& r, NodeIndex parent, const Copy& copy, std::size_t depth) {
    r.onlyKeys({"count", "offset", "element"});
    r.require("count");
    r.require("element");
    const auto count = r.integer("count", 0, 0, kMaxScenarioElements);
    Point step;
    if (r.has("offset")) {
      auto n = numbers(r.json()["offset"], 2, r.place() + ".offset", "[x, y], two numbers");
      step = {n[0], n[1]};
    }
    auto pattern = r.object("element");
    const std::size_t each = elementCount(pattern.json(), depth);
    if (count > 0 && each > (kMaxScenarioElements - count_) / static_cast<std::size_t>(count))
      grow(kMaxScenarioElements + 1, r.place());
    for (std::int64_t k = 0; k < count; ++k) {
      const auto kd = static_cast<double>(k);
      Copy inner{"#" + std::to_string(k) + copy.suffix,
                 {copy.offset.x + step.x * kd, copy.offset.y + step.y * kd}};
      element(pattern, parent, inner, depth);
    }
  }

  void paragraphs(const ScenarioReader& p, NodeIndex parent, const Copy& copy) {
    p.onlyKeys({"count", "words", "origin", "width", "height", "role", "id"});
    p.require("count");
    const auto count = p.integer("count", 0, 0, kMaxScenarioElements);
    const auto words = p.integer("words", 12, 1, 1000);
    Point origin;
    if (p.has("origin")) {
      auto n = numbers(p.json()["origin"], 2, p.place() + ".origin", "[x, y], two numbers");
      origin = {n[0], n[1]};
    }
    const double width = p.number("width", 600), height = p.number("height", 20);
    const auto role = utf16(p.string("role", "AXStaticText"));
    const auto id = p.optionalString("id");
    grow(static_cast<std::size_t>(count), p.place());
    for (std::int64_t i = 0; i < count; ++i) {
      const NodeIndex node =
          newElement(parent, id ? *id + "." + std::to_string(i) + copy.suffix : "", p.place());
      std::string text = "Paragraph " + std::to_string(i + 1) + ":";
      for (std::int64_t w = 0; w < words; ++w)
        text += std::string(" ") + kWords[static_cast<std::size_t>(i * 7 + w * 13 + w / 32) % 32];
      text += '.';
      TreeValue value = utf16(text);
      addText(value, p.place());
      tree_.setAttribute(node, kAXRole, role);
      tree_.setAttribute(node, kAXValue, std::move(value));
      tree_.setAttribute(node, kAXPosition,
                         Point{origin.x + copy.offset.x,
                               origin.y + copy.offset.y + height * static_cast<double>(i)});
      tree_.setAttribute(node, kAXSize, platform::Size{width, height});
    }
  }

  AXTree& tree_;
  std::vector<PendingRefs> refs_;
  std::vector<PendingFocus> focus_;
  std::unordered_set<std::string> ids_;
  std::size_t count_ = 0;  // elements so far
  std::size_t text_ = 0;   // UTF-16 units of text so far
};

}  // namespace

void loadAccessibility(const ScenarioReader& scenario, AXTree& tree) {
  TreeLoader loader(tree);
  const auto& apps = scenario.array("apps");
  for (std::size_t i = 0; i < apps.size(); ++i) loader.app(scenario.element("apps", i));
  loader.finish();
}

NodeIndex elementNamed(const ScenarioReader& step, const char* key, const AXTree& tree) {
  auto id = step.string(key, "");
  auto node = tree.find(id);
  if (!node) step.fail(key, "the id of an element, not \"" + id + "\"");
  return *node;
}

std::vector<std::pair<NameId, TreeValue>> readAttributeChanges(const ScenarioReader& step,
                                                               AXTree& tree) {
  std::vector<std::pair<NameId, TreeValue>> out;
  for (auto& a : readAttributeKeys(step, tree, {})) {
    resolveRefs(a.value, a.refs, [&](const RefUse& ref) {
      auto node = tree.find(ref.id);
      if (!node) failAt(ref.place, "the id of an element, not \"" + ref.id + "\"");
      return *node;
    });
    out.emplace_back(a.name, std::move(a.value));
  }
  return out;
}

json scenarioJson(const TreeValue& value, const AXTree& tree) {
  auto idOf = [&](NodeRef ref) -> json {
    return ref.index < tree.size() ? tree.id(ref.index) : std::string();
  };
  return std::visit(
      [&](const auto& v) -> json {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, platform::AXNone>) {
          return nullptr;
        } else if constexpr (std::is_same_v<T, std::u16string>) {
          if (wellFormed(v)) return utf8(v);
          return {{"utf16", std::vector<unsigned>(v.begin(), v.end())}};
        } else if constexpr (std::is_same_v<T, double> || std::is_same_v<T, bool>) {
          return v;
        } else if constexpr (std::is_same_v<T, NodeRef>) {
          return {{"element", idOf(v)}};
        } else if constexpr (std::is_same_v<T, std::vector<NodeRef>>) {
          json list = json::array();
          for (auto ref : v) list.push_back(idOf(ref));
          return {{"elements", list}};
        } else if constexpr (std::is_same_v<T, std::vector<std::u16string>>) {
          json list = json::array();
          for (const auto& s : v) list.push_back(utf8(s));
          return {{"strings", list}};
        } else if constexpr (std::is_same_v<T, platform::AXUrl>) {
          return {{"url", v.text}};
        } else if constexpr (std::is_same_v<T, Point>) {
          return {{"point", {v.x, v.y}}};
        } else if constexpr (std::is_same_v<T, platform::Size>) {
          return {{"size", {v.width, v.height}}};
        } else if constexpr (std::is_same_v<T, platform::Rect>) {
          return {{"rect", {v.x, v.y, v.w, v.h}}};
        } else if constexpr (std::is_same_v<T, platform::AXRange>) {
          return {{"range", {v.location, v.length}}};
        } else {
          return {{"error", v.code}};
        }
      },
      value);
}

}  // namespace parlevox::sim
