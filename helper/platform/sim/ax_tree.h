// The simulated applications' accessibility trees: elements with typed attributes, the attributes
// derived from the tree, text reads, settable attributes and how each application reacts.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "helper/platform/accessibility.h"

namespace parlevox::sim {

/// An element of the trees, the application elements and the system-wide element, by number.
using NodeIndex = std::uint32_t;
inline constexpr NodeIndex kNoNode = UINT32_MAX;

/// One element's attribute pointing at another element.
struct NodeRef {
  NodeIndex index = kNoNode;
  bool operator==(const NodeRef&) const = default;
};

/// An attribute value as the tree keeps it: an accessibility value with elements as nodes. An
/// AXErrorValue here means that reading the attribute fails with that code.
using TreeValue =
    std::variant<platform::AXNone, std::u16string, double, bool, NodeRef, std::vector<NodeRef>,
                 std::vector<std::u16string>, platform::AXUrl, platform::Point, platform::Size,
                 platform::Rect, platform::AXRange, platform::AXErrorValue>;

/// Attribute names, kept as small numbers.
using NameId = std::uint16_t;

/// How an application reacts when an attribute is set.
struct SetReaction {
  enum class Kind : std::uint8_t { apply, afterPolls, clamp, refuse };
  Kind kind = Kind::apply;
  std::int32_t polls = 0;  // afterPolls: reads that still give the old value
  platform::AXError error = platform::kAXSuccess;  // refuse: what the set answers
};

/// How the parameterised text reads of an element answer.
struct TextReads {
  std::optional<std::int64_t> servedUnits;  // a string read ending beyond this many units fails
  double charWidth = 8, lineHeight = 16;    // the line layout inside the element's frame
  std::vector<platform::Rect> boxes;        // one per UTF-16 unit, instead of the line layout
};

/// How an application answers calls: after `readMs` real milliseconds, or never.
struct AppTiming {
  double readMs = 0;
  bool silent = false;
};

/// The outcome of one read: the value when `error` is kAXSuccess.
struct TreeRead {
  platform::AXError error = platform::kAXSuccess;
  TreeValue value;
  bool ok() const { return error == platform::kAXSuccess; }
};

class AXTree {
 public:
  enum class Kind : std::uint8_t { element, application, systemWide };

  AXTree();
  AXTree(const AXTree&) = delete;
  AXTree& operator=(const AXTree&) = delete;

  // Building, before the first read; not thread-safe.

  /// The number of an attribute name, given one now if it has none yet.
  NameId name(std::string_view name);
  /// The application element of `pid`, whose "AXTitle" is `title`.
  NodeIndex addApplication(std::int32_t pid, std::optional<std::u16string> title, AppTiming timing);
  /// A new last child of `parent` (an application element for its top-level elements).
  NodeIndex addElement(NodeIndex parent, std::string id);
  /// The explicit value of an attribute, replacing an earlier one.
  void setAttribute(NodeIndex node, NameId name, TreeValue value);
  /// The explicit value of an attribute, or null; for fixing up references while building.
  TreeValue* attribute(NodeIndex node, NameId name);
  void setSettable(NodeIndex node, NameId name, SetReaction reaction);
  void setTextReads(NodeIndex node, TextReads reads);
  void setBatchFails(NodeIndex node);
  void setMenuBar(NodeIndex application, NodeIndex menuBar);
  void setGone(NodeIndex node);
  /// Indexes the element ids; called once the trees are complete.
  void finish();
  /// Where the pid of the frontmost application comes from (the workspace).
  void setFrontmostSource(std::function<std::optional<std::int32_t>()> source) {
    frontmost_ = std::move(source);
  }

  // Looking up; the structure does not change after building, so these take no lock.

  NodeIndex systemWide() const { return 0; }
  std::optional<NodeIndex> application(std::int32_t pid) const;
  std::optional<NodeIndex> find(std::string_view id) const;
  std::optional<NameId> findName(std::string_view name) const;
  const std::string& id(NodeIndex node) const { return nodes_[node].id; }
  Kind kind(NodeIndex node) const { return nodes_[node].kind; }
  /// The pid of the application the node belongs to; 0 for the system-wide element.
  std::int32_t pidOf(NodeIndex node) const;
  /// A stable address standing for the node, for handle identity.
  const void* identity(NodeIndex node) const { return &nodes_[node]; }
  /// How the application that answers a call about `node` answers (for the system-wide element
  /// the frontmost application).
  AppTiming timing(NodeIndex node) const;
  std::size_t size() const { return nodes_.size(); }

  // Reading and setting, from any thread.

  TreeRead read(NodeIndex node, std::string_view name);
  /// One read per name, an attribute that fails as an AXErrorValue; or the error of the call.
  std::variant<std::vector<TreeValue>, platform::AXError> readMany(
      NodeIndex node, std::span<const std::string_view> names);
  TreeRead readParameterized(NodeIndex node, std::string_view name,
                             const platform::AXValue& parameter);
  /// Whether the attribute may be set, or the error of the question.
  std::variant<bool, platform::AXError> settable(NodeIndex node, std::string_view name);
  /// Sets as the application reacts to it: at once, after some reads, adjusted, or refused.
  platform::AXError set(NodeIndex node, std::string_view name, TreeValue value);
  bool gone(NodeIndex node) const;

  // Changes over time.

  /// Moves the keyboard focus of the element's application to the element.
  void focus(NodeIndex element);
  /// Gives an attribute a new explicit value, dropping a set that was not applied yet.
  void change(NodeIndex element, NameId name, TreeValue value);
  /// The element and everything below it go away.
  void remove(NodeIndex element);

 private:
  struct Attribute {
    NameId name;
    TreeValue value;
  };
  struct PendingSet {
    NameId name;
    TreeValue value;
    std::int32_t pollsLeft;
  };
  struct Extras {
    std::vector<std::pair<NameId, SetReaction>> settable;
    std::optional<TextReads> text;
    std::vector<PendingSet> pending;
  };
  struct Node {
    std::string id;
    std::vector<NodeIndex> children;
    std::vector<Attribute> attributes;
    std::unique_ptr<Extras> extras;
    NodeIndex parent = kNoNode;
    std::uint32_t app = 0;  // index into apps_
    Kind kind = Kind::element;
    bool gone = false;
    bool batchFails = false;
  };
  struct App {
    std::int32_t pid = 0;
    NodeIndex node = kNoNode;
    NodeIndex focused = kNoNode;
    NodeIndex menuBar = kNoNode;
    AppTiming timing;
  };
  struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };

  Extras& extras(NodeIndex node);
  const TreeValue* explicitValue(const Node& node, NameId name) const;
  TreeRead readLocked(NodeIndex node, NameId name, std::optional<std::int32_t> front);
  TreeRead derived(NodeIndex node, NameId name, std::optional<std::int32_t> front) const;
  std::optional<NodeIndex> windowOf(NodeIndex node) const;
  std::vector<NodeRef> liveChildren(const Node& node) const;
  const std::u16string* text(const Node& node) const;
  TreeRead boundsForRange(const Node& node, platform::AXRange range) const;
  std::optional<std::int32_t> frontmost() const;
  void removeLocked(NodeIndex node);

  mutable std::mutex lock_;  // guards the values, focus and gone flags; never held while waiting
  std::vector<Node> nodes_;
  std::vector<App> apps_;
  std::vector<std::string> names_;
  std::unordered_map<std::string, NameId, NameHash, std::equal_to<>> nameIds_;
  std::unordered_map<std::string_view, NodeIndex> ids_;
  std::function<std::optional<std::int32_t>()> frontmost_;
};

/// Attribute names the tree derives values for, numbered in this order from 0.
enum KnownName : NameId {
  kAXRole,
  kAXSubrole,
  kAXTitle,
  kAXValue,
  kAXDescription,
  kAXPosition,
  kAXSize,
  kAXChildren,
  kAXParent,
  kAXWindow,
  kAXTopLevelUIElement,
  kAXNumberOfCharacters,
  kAXSelectedText,
  kAXSelectedTextRange,
  kAXWindows,
  kAXFocusedUIElement,
  kAXFocusedWindow,
  kAXMainWindow,
  kAXMenuBar,
  kAXFocusedApplication,
  kAXStringForRange,
  kAXBoundsForRange,
  kKnownNameCount
};

}  // namespace parlevox::sim
