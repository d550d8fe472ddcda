// The simulated applications' accessibility trees: elements with typed attributes, the attributes
// derived from the tree, text reads, settable attributes and how each application reacts.
#include "helper/platform/sim/ax_tree.h"

#include <algorithm>

namespace parlevox::sim {
namespace {

using platform::AXError;
using platform::AXErrorValue;
using platform::AXRange;
using platform::Rect;

constexpr const char* kKnownNames[] = {
    "AXRole",
    "AXSubrole",
    "AXTitle",
    "AXValue",
    "AXDescription",
    "AXPosition",
    "AXSize",
    "AXChildren",
    "AXParent",
    "AXWindow",
    "AXTopLevelUIElement",
    "AXNumberOfCharacters",
    "AXSelectedText",
    "AXSelectedTextRange",
    "AXWindows",
    "AXFocusedUIElement",
    "AXFocusedWindow",
    "AXMainWindow",
    "AXMenuBar",
    "AXFocusedApplication",
    "AXStringForRange",
    "AXBoundsForRange",
};
static_assert(std::size(kKnownNames) == kKnownNameCount);

TreeRead failure(AXError code) {
  return {code, platform::AXNone{}};
}

TreeRead success(TreeValue value) {
  return {platform::kAXSuccess, std::move(value)};
}

// A stored value as a read gives it: an error value is a failed read.
TreeRead asRead(const TreeValue& value) {
  if (auto* error = std::get_if<AXErrorValue>(&value)) return failure(error->code);
  return success(value);
}

// The range clamped into a text of `length` units.
AXRange clampRange(AXRange range, std::int64_t length) {
  const auto location = std::clamp<std::int64_t>(range.location, 0, length);
  return {location, std::clamp<std::int64_t>(range.length, 0, length - location)};
}

}  // namespace

AXTree::AXTree() {
  for (const char* known : kKnownNames) name(known);
  nodes_.emplace_back().kind = Kind::systemWide;
}

NameId AXTree::name(std::string_view name) {
  if (auto it = nameIds_.find(name); it != nameIds_.end()) return it->second;
  const auto id = static_cast<NameId>(names_.size());
  names_.emplace_back(name);
  nameIds_.emplace(std::string(name), id);
  return id;
}

std::optional<NameId> AXTree::findName(std::string_view name) const {
  if (auto it = nameIds_.find(name); it != nameIds_.end()) return it->second;
  return std::nullopt;
}

NodeIndex AXTree::addApplication(std::int32_t pid, std::optional<std::u16string> title,
                                 AppTiming timing) {
  const auto node = static_cast<NodeIndex>(nodes_.size());
  Node& n = nodes_.emplace_back();
  n.app = static_cast<std::uint32_t>(apps_.size());
  n.kind = Kind::application;
  apps_.push_back(App{.pid = pid, .node = node, .timing = timing});
  if (title) setAttribute(node, kAXTitle, std::move(*title));
  return node;
}

NodeIndex AXTree::addElement(NodeIndex parent, std::string id) {
  const auto node = static_cast<NodeIndex>(nodes_.size());
  const auto app = nodes_[parent].app;
  Node& n = nodes_.emplace_back();
  n.id = std::move(id);
  n.parent = parent;
  n.app = app;
  nodes_[parent].children.push_back(node);
  return node;
}

void AXTree::setAttribute(NodeIndex node, NameId name, TreeValue value) {
  auto& attributes = nodes_[node].attributes;
  for (auto& a : attributes)
    if (a.name == name) {
      a.value = std::move(value);
      return;
    }
  attributes.push_back({name, std::move(value)});
}

TreeValue* AXTree::attribute(NodeIndex node, NameId name) {
  for (auto& a : nodes_[node].attributes)
    if (a.name == name) return &a.value;
  return nullptr;
}

AXTree::Extras& AXTree::extras(NodeIndex node) {
  auto& e = nodes_[node].extras;
  if (!e) e = std::make_unique<Extras>();
  return *e;
}

void AXTree::setSettable(NodeIndex node, NameId name, SetReaction reaction) {
  auto& settable = extras(node).settable;
  std::erase_if(settable, [name](const auto& s) { return s.first == name; });
  settable.emplace_back(name, reaction);
}

void AXTree::setTextReads(NodeIndex node, TextReads reads) {
  extras(node).text = std::move(reads);
}

void AXTree::setBatchFails(NodeIndex node) {
  nodes_[node].batchFails = true;
}

void AXTree::setMenuBar(NodeIndex application, NodeIndex menuBar) {
  apps_[nodes_[application].app].menuBar = menuBar;
}

void AXTree::setGone(NodeIndex node) {
  nodes_[node].gone = true;
}

void AXTree::finish() {
  ids_.clear();
  for (NodeIndex i = 0; i < nodes_.size(); ++i)
    if (!nodes_[i].id.empty()) ids_.emplace(nodes_[i].id, i);
}

std::optional<NodeIndex> AXTree::application(std::int32_t pid) const {
  for (const auto& app : apps_)
    if (app.pid == pid) return app.node;
  return std::nullopt;
}

std::optional<NodeIndex> AXTree::find(std::string_view id) const {
  if (auto it = ids_.find(id); it != ids_.end()) return it->second;
  return std::nullopt;
}

std::int32_t AXTree::pidOf(NodeIndex node) const {
  if (nodes_[node].kind == Kind::systemWide) return 0;
  return apps_[nodes_[node].app].pid;
}

std::optional<std::int32_t> AXTree::frontmost() const {
  return frontmost_ ? frontmost_() : std::nullopt;
}

AppTiming AXTree::timing(NodeIndex node) const {
  if (nodes_[node].kind != Kind::systemWide) return apps_[nodes_[node].app].timing;
  if (auto front = frontmost())
    if (auto app = application(*front)) return apps_[nodes_[*app].app].timing;
  return {};
}

bool AXTree::gone(NodeIndex node) const {
  std::lock_guard guard(lock_);
  return nodes_[node].gone;
}

const TreeValue* AXTree::explicitValue(const Node& node, NameId name) const {
  for (const auto& a : node.attributes)
    if (a.name == name) return &a.value;
  return nullptr;
}

const std::u16string* AXTree::text(const Node& node) const {
  const TreeValue* value = explicitValue(node, kAXValue);
  return value ? std::get_if<std::u16string>(value) : nullptr;
}

std::vector<NodeRef> AXTree::liveChildren(const Node& node) const {
  std::vector<NodeRef> children;
  children.reserve(node.children.size());
  for (NodeIndex child : node.children)
    if (!nodes_[child].gone) children.push_back({child});
  return children;
}

std::optional<NodeIndex> AXTree::windowOf(NodeIndex node) const {
  for (NodeIndex n = node; n != kNoNode && nodes_[n].kind == Kind::element; n = nodes_[n].parent) {
    const TreeValue* role = explicitValue(nodes_[n], kAXRole);
    const auto* text = role ? std::get_if<std::u16string>(role) : nullptr;
    if (text && *text == u"AXWindow") return n;
  }
  return std::nullopt;
}

TreeRead AXTree::read(NodeIndex node, std::string_view name) {
  const auto front = nodes_[node].kind == Kind::systemWide ? frontmost() : std::nullopt;
  std::lock_guard guard(lock_);
  if (nodes_[node].gone) return failure(platform::kAXErrorInvalidUIElement);
  auto id = findName(name);
  if (!id) return failure(platform::kAXErrorAttributeUnsupported);
  return readLocked(node, *id, front);
}

std::variant<std::vector<TreeValue>, AXError> AXTree::readMany(
    NodeIndex node, std::span<const std::string_view> names) {
  const auto front = nodes_[node].kind == Kind::systemWide ? frontmost() : std::nullopt;
  std::lock_guard guard(lock_);
  if (nodes_[node].gone) return platform::kAXErrorInvalidUIElement;
  if (nodes_[node].batchFails) return platform::kAXErrorFailure;
  std::vector<TreeValue> values;
  values.reserve(names.size());
  for (auto name : names) {
    auto id = findName(name);
    TreeRead r =
        id ? readLocked(node, *id, front) : failure(platform::kAXErrorAttributeUnsupported);
    if (r.ok())
      values.push_back(std::move(r.value));
    else
      values.push_back(AXErrorValue{r.error});
  }
  return values;
}

TreeRead AXTree::readLocked(NodeIndex node, NameId name, std::optional<std::int32_t> front) {
  Node& n = nodes_[node];
  if (n.extras) {
    auto& pending = n.extras->pending;
    auto it = std::find_if(pending.begin(), pending.end(),
                           [name](const PendingSet& p) { return p.name == name; });
    if (it != pending.end()) {
      // The application applies a set only after this many reads of the attribute.
      if (it->pollsLeft > 0) {
        --it->pollsLeft;
      } else {
        setAttribute(node, name, std::move(it->value));
        pending.erase(it);
      }
    }
  }
  if (const TreeValue* value = explicitValue(n, name)) return asRead(*value);
  return derived(node, name, front);
}

TreeRead AXTree::derived(NodeIndex node, NameId name, std::optional<std::int32_t> front) const {
  const Node& n = nodes_[node];
  const auto unsupported = failure(platform::kAXErrorAttributeUnsupported);
  const auto noValue = failure(platform::kAXErrorNoValue);
  switch (n.kind) {
    case Kind::systemWide: {
      if (name == kAXRole) return success(std::u16string(u"AXSystemWide"));
      if (name != kAXFocusedUIElement && name != kAXFocusedApplication) return unsupported;
      auto app = front ? application(*front) : std::nullopt;
      if (!app) return noValue;
      if (name == kAXFocusedApplication) return success(NodeRef{*app});
      if (const TreeValue* value = explicitValue(nodes_[*app], kAXFocusedUIElement))
        return asRead(*value);
      return derived(*app, kAXFocusedUIElement, front);
    }
    case Kind::application: {
      const App& app = apps_[n.app];
      switch (name) {
        case kAXRole:
          return success(std::u16string(u"AXApplication"));
        case kAXChildren:
          return success(liveChildren(n));
        case kAXWindows: {
          auto windows = liveChildren(n);
          std::erase(windows, NodeRef{app.menuBar});
          return success(std::move(windows));
        }
        case kAXMenuBar:
          if (app.menuBar == kNoNode || nodes_[app.menuBar].gone) return noValue;
          return success(NodeRef{app.menuBar});
        case kAXFocusedUIElement:
          if (app.focused == kNoNode) return noValue;
          return success(NodeRef{app.focused});
        case kAXFocusedWindow:
        case kAXMainWindow: {
          // The focused element's window, else the first window.
          if (app.focused != kNoNode)
            if (auto window = windowOf(app.focused); window && !nodes_[*window].gone)
              return success(NodeRef{*window});
          for (NodeIndex child : n.children)
            if (child != app.menuBar && !nodes_[child].gone) return success(NodeRef{child});
          return noValue;
        }
        default:
          return unsupported;
      }
    }
    case Kind::element:
      break;
  }
  switch (name) {
    case kAXChildren:
      return success(liveChildren(n));
    case kAXParent:
      return success(NodeRef{n.parent});
    case kAXWindow:
    case kAXTopLevelUIElement: {
      auto window = windowOf(node);
      if (!window) return noValue;
      return success(NodeRef{*window});
    }
    case kAXNumberOfCharacters: {
      const auto* value = text(n);
      if (!value) return unsupported;
      return success(static_cast<double>(value->size()));
    }
    case kAXSelectedText: {
      const auto* value = text(n);
      const TreeValue* selection = explicitValue(n, kAXSelectedTextRange);
      const auto* range = selection ? std::get_if<AXRange>(selection) : nullptr;
      if (!value || !range) return unsupported;
      const auto r = clampRange(*range, static_cast<std::int64_t>(value->size()));
      return success(
          value->substr(static_cast<std::size_t>(r.location), static_cast<std::size_t>(r.length)));
    }
    default:
      return unsupported;
  }
}

TreeRead AXTree::readParameterized(NodeIndex node, std::string_view name,
                                   const platform::AXValue& parameter) {
  std::lock_guard guard(lock_);
  const Node& n = nodes_[node];
  if (n.gone) return failure(platform::kAXErrorInvalidUIElement);
  auto id = findName(name);
  if (!id) return failure(platform::kAXErrorParameterizedAttributeUnsupported);
  // A value given under the parameterised name answers every parameter.
  if (const TreeValue* value = explicitValue(n, *id)) return asRead(*value);
  if (n.kind != Kind::element || (*id != kAXStringForRange && *id != kAXBoundsForRange))
    return failure(platform::kAXErrorParameterizedAttributeUnsupported);
  const auto* range = std::get_if<AXRange>(&parameter);
  if (!range) return failure(platform::kAXErrorIllegalArgument);
  const auto* value = text(n);
  if (!value) return failure(platform::kAXErrorNoValue);
  const auto length = static_cast<std::int64_t>(value->size());
  if (range->location < 0 || range->length < 0 || range->location > length ||
      range->length > length - range->location)
    return failure(platform::kAXErrorIllegalArgument);
  if (*id == kAXBoundsForRange) return boundsForRange(n, *range);
  const auto served = n.extras && n.extras->text ? n.extras->text->servedUnits : std::nullopt;
  if (served && range->location + range->length > *served)
    return failure(platform::kAXErrorIllegalArgument);
  return success(value->substr(static_cast<std::size_t>(range->location),
                               static_cast<std::size_t>(range->length)));
}

TreeRead AXTree::boundsForRange(const Node& n, AXRange range) const {
  static const TextReads plain;
  const TextReads& reads = n.extras && n.extras->text ? *n.extras->text : plain;
  const auto first = static_cast<std::size_t>(range.location);
  const auto end = first + static_cast<std::size_t>(range.length);
  if (!reads.boxes.empty()) {
    if (end > reads.boxes.size() || (range.length == 0 && first >= reads.boxes.size()))
      return failure(platform::kAXErrorIllegalArgument);
    if (range.length == 0) {
      const Rect& box = reads.boxes[first];
      return success(Rect{box.minX(), box.minY(), 0, box.height()});
    }
    Rect bounds = Rect::null();
    for (auto i = first; i < end; ++i) bounds = bounds.unionWith(reads.boxes[i]);
    return success(bounds);
  }
  // The line layout: lines start at the frame's origin and break after each line feed. One pass
  // up to the range's end, so that a long text costs no more than its length.
  const TreeValue* position = explicitValue(n, kAXPosition);
  const auto* origin = position ? std::get_if<platform::Point>(position) : nullptr;
  if (!origin) return failure(platform::kAXErrorNoValue);
  const std::u16string& value = *text(n);
  Rect bounds = Rect::null();
  double line = 0, column = 0;
  for (std::size_t i = 0; i <= end && i <= value.size(); ++i) {
    const Rect box{origin->x + column * reads.charWidth, origin->y + line * reads.lineHeight,
                   reads.charWidth, reads.lineHeight};
    if (range.length == 0 && i == first) return success(Rect{box.x, box.y, 0, box.h});
    if (i >= first && i < end) bounds = bounds.unionWith(box);
    if (i < value.size() && value[i] == u'\n') {
      ++line;
      column = 0;
    } else {
      ++column;
    }
  }
  return success(bounds);
}

std::variant<bool, AXError> AXTree::settable(NodeIndex node, std::string_view name) {
  std::lock_guard guard(lock_);
  const Node& n = nodes_[node];
  if (n.gone) return platform::kAXErrorInvalidUIElement;
  auto id = findName(name);
  if (!id || !n.extras) return false;
  for (const auto& [settableName, reaction] : n.extras->settable)
    if (settableName == *id) return true;
  return false;
}

AXError AXTree::set(NodeIndex node, std::string_view name, TreeValue value) {
  std::lock_guard guard(lock_);
  Node& n = nodes_[node];
  if (n.gone) return platform::kAXErrorInvalidUIElement;
  auto id = findName(name);
  if (!id || !n.extras) return platform::kAXErrorAttributeUnsupported;
  const SetReaction* reaction = nullptr;
  for (const auto& [settableName, r] : n.extras->settable)
    if (settableName == *id) reaction = &r;
  if (!reaction) return platform::kAXErrorAttributeUnsupported;
  auto& pending = n.extras->pending;
  std::erase_if(pending, [&](const PendingSet& p) { return p.name == *id; });
  switch (reaction->kind) {
    case SetReaction::Kind::refuse:
      return reaction->error;
    case SetReaction::Kind::afterPolls:
      pending.push_back({*id, std::move(value), reaction->polls});
      return platform::kAXSuccess;
    case SetReaction::Kind::clamp:
      if (auto* range = std::get_if<AXRange>(&value)) {
        const auto* t = text(n);
        *range = clampRange(*range, t ? static_cast<std::int64_t>(t->size()) : 0);
      }
      break;
    case SetReaction::Kind::apply:
      break;
  }
  setAttribute(node, *id, std::move(value));
  return platform::kAXSuccess;
}

void AXTree::focus(NodeIndex element) {
  std::lock_guard guard(lock_);
  apps_[nodes_[element].app].focused = element;
}

void AXTree::change(NodeIndex element, NameId name, TreeValue value) {
  std::lock_guard guard(lock_);
  if (auto& e = nodes_[element].extras)
    std::erase_if(e->pending, [name](const PendingSet& p) { return p.name == name; });
  setAttribute(element, name, std::move(value));
}

void AXTree::remove(NodeIndex element) {
  std::lock_guard guard(lock_);
  removeLocked(element);
}

void AXTree::removeLocked(NodeIndex node) {
  // Iterative, so that a very deep tree cannot exhaust the stack.
  std::vector<NodeIndex> stack{node};
  while (!stack.empty()) {
    NodeIndex n = stack.back();
    stack.pop_back();
    nodes_[n].gone = true;
    stack.insert(stack.end(), nodes_[n].children.begin(), nodes_[n].children.end());
  }
}

}  // namespace parlevox::sim
