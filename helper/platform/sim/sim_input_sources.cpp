// Simulated text input sources: the scenario's enabled keyboards over the shipped layouts.
#include "helper/platform/sim/sim_input_sources.h"

#include <algorithm>

namespace parlevox::sim {
namespace {

const LayoutOutput& outputIn(const SimLayout& layout, std::uint16_t code,
                             std::uint32_t modifierState) {
  // Command wins over Shift, as in the layouts' own modifier maps; Option, Control and Caps Lock
  // select no table of their own here.
  if (modifierState & platform::kModifierCommand) return layout.command[code];
  if (modifierState & platform::kModifierShift) return layout.shift[code];
  return layout.base[code];
}

std::string layoutNames() {
  std::string names;
  for (const auto& name : shippedLayoutNames())
    names += (names.empty() ? "\"" : ", \"") + name + "\"";
  return names;
}

}  // namespace

void SimInputSources::load(const ScenarioReader& scenario) {
  if (!scenario.has("keyboardLayouts")) {
    sources_.push_back({"us", "keyboard", "keyboardLayout", "U.S.", shippedLayout("US"), true,
                        nlohmann::json::array({"en"})});
    current_ = asciiCapable_ = "us";
    return;
  }
  auto keyboards = scenario.object("keyboardLayouts");
  keyboards.onlyKeys({"enabled", "current", "asciiCapable", "listFails", "keyboardType"});
  const auto& enabled = keyboards.array("enabled");
  for (std::size_t i = 0; i < enabled.size(); ++i) {
    auto entry = keyboards.element("enabled", i);
    entry.onlyKeys({"id", "name", "category", "type", "layout", "selectCapable", "languages"});
    entry.require("id");
    Source s;
    s.id = entry.string("id", "");
    for (const auto& other : sources_)
      if (other.id == s.id) entry.fail("id", "unique among the enabled sources");
    s.category = entry.string("category", "keyboard");
    if (auto name = entry.optionalString("layout")) {
      s.layout = shippedLayout(*name);
      if (!s.layout) entry.fail("layout", "one of " + layoutNames());
    }
    s.name = entry.optionalString("name");
    s.type = entry.string("type", s.layout ? "keyboardLayout" : "inputMethod");
    if (s.type != "keyboardLayout" && s.type != "inputMethod" && s.type != "inputMode")
      entry.fail("type", "one of \"keyboardLayout\", \"inputMethod\", \"inputMode\"");
    s.selectCapable = entry.json().value("selectCapable", nlohmann::json(true));
    s.languages = entry.json().value("languages", nlohmann::json());
    sources_.push_back(std::move(s));
  }
  auto known = [&](const char* key) -> std::optional<std::string> {
    auto id = keyboards.optionalString(key);
    if (id && std::none_of(sources_.begin(), sources_.end(),
                           [&](const Source& s) { return s.id == *id; }))
      keyboards.fail(key, "the id of an enabled source");
    return id;
  };
  current_ = known("current");
  asciiCapable_ = known("asciiCapable");
  listFails_ = keyboards.boolean("listFails", false);
  keyboardType_ = static_cast<std::uint32_t>(keyboards.integer("keyboardType", 40, 0, 255));
}

const SimInputSources::Source* SimInputSources::find(const platform::InputSource& source) const {
  for (const auto& s : sources_)
    if (s.id == source.id) return &s;
  return nullptr;
}

std::optional<platform::InputSource> SimInputSources::currentKeyboardLayout() {
  if (!current_) return std::nullopt;
  return platform::InputSource{*current_};
}

std::optional<platform::InputSource> SimInputSources::currentAsciiCapableKeyboardLayout() {
  if (!asciiCapable_) return std::nullopt;
  return platform::InputSource{*asciiCapable_};
}

std::optional<std::vector<platform::InputSource>> SimInputSources::enabledKeyboardSources() {
  if (listFails_) return std::nullopt;
  std::vector<platform::InputSource> list;
  for (const auto& s : sources_)
    if (s.category == "keyboard") list.push_back({s.id});
  return list;
}

std::optional<std::vector<platform::InputSource>> SimInputSources::enabledKeyboardLayouts() {
  if (listFails_) return std::nullopt;
  std::vector<platform::InputSource> list;
  for (const auto& s : sources_)
    if (s.category == "keyboard" && s.type == "keyboardLayout") list.push_back({s.id});
  return list;
}

std::optional<std::string> SimInputSources::localizedName(const platform::InputSource& source) {
  const Source* s = find(source);
  return s ? s->name : std::nullopt;
}

std::optional<platform::KeyLayoutData> SimInputSources::keyLayoutData(
    const platform::InputSource& source) {
  const Source* s = find(source);
  if (!s || !s->layout) return std::nullopt;
  // The shipped layouts live for the whole process: the handle needs no owner.
  return platform::KeyLayoutData{std::shared_ptr<const void>(s->layout, [](const void*) {})};
}

std::optional<bool> SimInputSources::isSelectCapable(const platform::InputSource& source) {
  const Source* s = find(source);
  if (!s || !s->selectCapable.is_boolean()) return std::nullopt;
  return s->selectCapable.get<bool>();
}

std::optional<std::vector<std::string>> SimInputSources::languages(
    const platform::InputSource& source) {
  const Source* s = find(source);
  if (!s || !s->languages.is_array()) return std::nullopt;
  std::vector<std::string> list;
  for (const auto& language : s->languages) {
    if (!language.is_string()) return std::nullopt;
    list.push_back(language.get<std::string>());
  }
  return list;
}

std::optional<std::u16string> SimInputSources::translateKey(
    const platform::KeyLayoutData& layoutData, std::uint16_t keyCode, platform::KeyAction action,
    std::uint32_t modifierState, std::uint32_t, std::uint32_t options, std::uint32_t& deadKeyState,
    std::size_t maxLength) {
  const auto* layout = static_cast<const SimLayout*>(layoutData.bytes.get());
  if (!layout || action > platform::kKeyActionDisplay) return std::nullopt;
  if (action == platform::kKeyActionUp) return std::u16string();
  std::u16string text;
  if (keyCode < layout->base.size()) {
    const LayoutOutput& out = outputIn(*layout, keyCode, modifierState);
    const DeadKey* pending = deadKeyWithId(static_cast<int>(deadKeyState));
    if (action == platform::kKeyActionDisplay) {
      // Display shows what is printed on the key; it neither starts nor ends a composition.
      text = out.text;
    } else if (out.deadKey && !pending && !(options & platform::kTranslateNoDeadKeys)) {
      deadKeyState = static_cast<std::uint32_t>(out.deadKey);
    } else if (pending) {
      deadKeyState = 0;
      text = pending->own + out.text;
      for (const auto& [from, to] : pending->compositions)
        if (from == out.text) text = to;
    } else {
      text = out.text;
    }
  }
  if (text.size() > maxLength) return std::nullopt;
  return text;
}

void SimInputSources::select(const std::string& id) {
  if (find({id})) current_ = id;
}

}  // namespace parlevox::sim
