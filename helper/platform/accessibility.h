// The accessibility interface to other applications' user interfaces: elements, their
// attributes, parameterised reads, writes and messaging timeouts.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "helper/platform/geometry.h"

namespace parlevox::platform {

/// Result codes of accessibility calls; 0 is success.
using AXError = std::int32_t;
inline constexpr AXError kAXSuccess = 0;
inline constexpr AXError kAXErrorFailure = -25200;
inline constexpr AXError kAXErrorIllegalArgument = -25201;
inline constexpr AXError kAXErrorInvalidUIElement = -25202;
inline constexpr AXError kAXErrorCannotComplete = -25204;
inline constexpr AXError kAXErrorAttributeUnsupported = -25205;
inline constexpr AXError kAXErrorAPIDisabled = -25211;
inline constexpr AXError kAXErrorNoValue = -25212;
inline constexpr AXError kAXErrorParameterizedAttributeUnsupported = -25213;

/// An element of another application, held for as long as a copy of the handle lives. Two
/// handles are equal when they stand for the same element, whichever reads produced them.
class Element {
 public:
  Element() = default;
  /// `handle` keeps the backend's object alive; `identity` names the element it stands for.
  Element(std::shared_ptr<const void> handle, const void* identity)
      : handle_(std::move(handle)), identity_(identity) {}

  explicit operator bool() const { return identity_ != nullptr; }
  friend bool operator==(const Element& a, const Element& b) { return a.identity_ == b.identity_; }
  /// What names the element: equal for equal handles, for as long as a handle to it lives.
  const void* identity() const { return identity_; }
  /// The backend's object behind the handle.
  template <class T>
  const T* as() const {
    return static_cast<const T*>(handle_.get());
  }

 private:
  std::shared_ptr<const void> handle_;
  const void* identity_ = nullptr;
};

/// A location and a length, in UTF-16 units for text.
struct AXRange {
  std::int64_t location = 0, length = 0;
  bool operator==(const AXRange&) const = default;
};

/// A URL value, as its absolute text.
struct AXUrl {
  std::string text;
  bool operator==(const AXUrl&) const = default;
};

/// An accessibility value holding an error code: what a batched read gives for an attribute
/// that failed.
struct AXErrorValue {
  AXError code = kAXErrorFailure;
  bool operator==(const AXErrorValue&) const = default;
};

/// A successful read of nothing (an attribute that exists but has no value).
struct AXNone {
  bool operator==(const AXNone&) const = default;
};

/// An attribute value. Strings are UTF-16 as the application served them, possibly malformed.
using AXValue =
    std::variant<AXNone, std::u16string, double, bool, Element, std::vector<Element>,
                 std::vector<std::u16string>, AXUrl, Point, Size, Rect, AXRange, AXErrorValue>;

/// The outcome of one read: the value when `error` is kAXSuccess.
struct AXRead {
  AXError error = kAXSuccess;
  AXValue value;
  bool ok() const { return error == kAXSuccess; }
};

/// The accessibility service. Every call may be made from any thread; a call to another
/// application blocks until it answers or the messaging timeout of the handle runs out.
class Accessibility {
 public:
  virtual ~Accessibility() = default;

  /// Whether this process may read other applications' elements. Never prompts.
  virtual bool isProcessTrusted() = 0;
  /// The element standing for the whole system; its "AXFocusedUIElement" is the element with
  /// keyboard focus in the frontmost application.
  virtual Element systemWide() = 0;
  /// The root element of the application with process id `pid` (a handle even when no such
  /// application runs: reads through it then fail).
  virtual Element application(std::int32_t pid) = 0;

  /// One attribute: success with a value (possibly AXNone), or an error code.
  virtual AXRead copyAttributeValue(const Element& element, std::string_view name) = 0;
  /// Several attributes in one call to the application: one entry per name, an attribute that
  /// failed as an AXErrorValue; or the error code when the call as a whole failed.
  virtual std::variant<std::vector<AXValue>, AXError> copyMultipleAttributeValues(
      const Element& element, std::span<const std::string_view> names) = 0;
  /// A parameterised attribute such as "AXStringForRange" or "AXBoundsForRange".
  virtual AXRead copyParameterizedAttributeValue(const Element& element, std::string_view name,
                                                 const AXValue& parameter) = 0;
  /// Whether the attribute may be set; absent when the question itself failed.
  virtual std::optional<bool> isAttributeSettable(const Element& element,
                                                  std::string_view name) = 0;
  /// Sets an attribute; the application may apply, adjust or refuse the value.
  virtual AXError setAttributeValue(const Element& element, std::string_view name,
                                    const AXValue& value) = 0;
  /// The process that owns the element; absent when the element is gone.
  virtual std::optional<std::int32_t> pid(const Element& element) = 0;
  /// Bounds how long calls through this handle, and through the handles read from it, may wait
  /// for the application. On the system-wide element it sets the default for every handle.
  virtual AXError setMessagingTimeout(const Element& element, double seconds) = 0;

  /// On the application element of process `pid`: sets the messaging timeout, then sets the
  /// boolean attribute `name` to `value`.
  virtual AXError setApplicationAttribute(std::int32_t pid, double messagingTimeoutSeconds,
                                          const std::string& name, bool value) {
    const Element app = application(pid);
    setMessagingTimeout(app, messagingTimeoutSeconds);
    return setAttributeValue(app, name, value);
  }
};

}  // namespace parlevox::platform
