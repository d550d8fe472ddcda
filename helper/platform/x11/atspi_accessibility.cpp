// The element interface over the Linux accessibility bus (AT-SPI, through libatspi).
#include "helper/platform/x11/atspi_accessibility.h"

#include <atspi/atspi.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "helper/platform/text.h"
#include "helper/platform/x11/atspi_roles.h"
#include "helper/platform/x11/text_offsets.h"

namespace parlevox::x11 {

using platform::AXError;
using platform::AXRead;
using platform::AXValue;
using platform::Element;

namespace {

constexpr int kMaxParentSteps = 64;
constexpr int kMaxFocusSearch = 4000;
// AT-SPI lists children one call at a time; a list is cut here so that an element claiming
// millions of children cannot hold the connection for minutes. Every walk of the helper stops
// far sooner.
constexpr int kMaxChildren = 10000;

enum class Kind { element, systemWide, missingApplication };

AXRead failed(AXError code) {
  return {code, platform::AXNone{}};
}

AXRead ok(AXValue value) {
  return {platform::kAXSuccess, std::move(value)};
}

AtspiAccessible* acc(void* p) {
  return static_cast<AtspiAccessible*>(p);
}

// libatspi is not thread-safe and is set up once per process: one lock for every call into it,
// for as long as the process lives (element handles may outlive the service).
std::recursive_mutex& atspiLock() {
  static std::recursive_mutex lock;
  return lock;
}

// libatspi caches what an application first reports of each object and keeps it current only
// from the change signals, which the helper does not take (see `connect`). Each read forgets the
// cached fact first, so that it goes to the application.
AtspiAccessible* fresh(AtspiAccessible* object, AtspiCache fact) {
  object->cached_properties &= ~static_cast<guint>(fact);
  return object;
}

// Frees what libatspi hands over.
struct GFree {
  void operator()(void* p) const { g_free(p); }
};
using GString_ = std::unique_ptr<char, GFree>;
struct Unref {
  void operator()(void* p) const { g_object_unref(p); }
};
template <class T>
using Ref = std::unique_ptr<T, Unref>;

}  // namespace

/// What an Element of this service holds: a reference on the libatspi object, dropped under the
/// service's lock (libatspi is single-threaded).
struct AtspiAccessibility::Handle {
  AtspiAccessibility* service = nullptr;
  Kind kind = Kind::element;
  AtspiAccessible* object = nullptr;
  std::int32_t pid = 0;                    // of a missing application
  mutable std::atomic<double> timeout{0};  // seconds; 0: the default

  ~Handle() {
    if (object) {
      std::lock_guard held(atspiLock());
      g_object_unref(object);
    }
  }
};

namespace {

Element makeElement(AtspiAccessibility* service, AtspiAccessible* object, double timeout) {
  // Takes over the reference the caller holds.
  auto h = std::make_shared<AtspiAccessibility::Handle>();
  h->service = service;
  h->object = object;
  h->timeout = timeout;
  return Element(std::shared_ptr<const void>(h, h.get()), object);
}

}  // namespace

/// One read of one element: the facts several attributes share (role, states, text, extents)
/// are fetched once per batch. Runs with the service's lock held.
struct AtspiAccessibility::Reads {
  AtspiAccessibility& service;
  const Handle& handle;
  AtspiAccessible* object;
  double timeoutSeconds;
  // Shared facts, fetched on first use.
  std::optional<AtspiRole> role;
  Ref<AtspiStateSet> states;
  std::optional<std::u16string> text;  // AXNone-worthy failures leave it empty
  bool textFailed = false;
  std::optional<platform::Rect> extents;
  AXError lastError = platform::kAXSuccess;

  Reads(AtspiAccessibility& s, const Handle& h)
      : service(s), handle(h), object(h.object), timeoutSeconds(s.timeoutOf(h)) {
    const int ms = static_cast<int>(std::clamp(timeoutSeconds * 1000.0, 1.0, 2.0e9));
    atspi_set_timeout(ms, ms);
  }

  // Counts one bus call and classifies its failure: a call that ran out of time could not
  // complete; any other failure means the element (or its application) is gone.
  template <class F>
  auto call(F&& f) {
    ++service.busCalls_;
    GError* error = nullptr;
    const auto start = std::chrono::steady_clock::now();
    auto result = f(&error);
    if (error) {
      const double elapsed =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      const bool timedOut = elapsed >= timeoutSeconds * 0.9 ||
                            std::strstr(error->message ? error->message : "", "reply") != nullptr;
      lastError = timedOut ? platform::kAXErrorCannotComplete : platform::kAXErrorInvalidUIElement;
      g_error_free(error);
      return std::optional<decltype(result)>();
    }
    return std::optional<decltype(result)>(std::move(result));
  }

  std::optional<AtspiRole> roleOf() {
    if (!role) {
      auto r = call([&](GError** e) {
        return atspi_accessible_get_role(fresh(object, ATSPI_CACHE_ROLE), e);
      });
      if (r) role = *r;
    }
    return role;
  }
  bool hasState(AtspiStateType state) {
    if (!states) {
      ++service.busCalls_;
      states.reset(atspi_accessible_get_state_set(fresh(object, ATSPI_CACHE_STATES)));
    }
    return states && atspi_state_set_contains(states.get(), state);
  }
  bool isPassword() { return roleOf() == ATSPI_ROLE_PASSWORD_TEXT; }

  // Whether the element is still there. Toolkits keep answering for an object whose widget was
  // destroyed while someone holds it, and mark it DEFUNCT; such an element is gone.
  bool alive() {
    if (!roleOf()) return false;
    if (hasState(ATSPI_STATE_DEFUNCT)) {
      lastError = platform::kAXErrorInvalidUIElement;
      return false;
    }
    return true;
  }

  Element child(AtspiAccessible* object) {
    return makeElement(&service, object, handle.timeout.load());
  }

  // The text content in UTF-16; nothing for elements without text (and for passwords).
  const std::u16string* textContent() {
    if (text || textFailed) return text ? &*text : nullptr;
    textFailed = true;
    if (isPassword()) return nullptr;
    Ref<AtspiText> iface(atspi_accessible_get_text_iface(object));
    if (!iface) return nullptr;
    auto got = call([&](GError** e) { return atspi_text_get_text(iface.get(), 0, -1, e); });
    if (!got || !*got) return nullptr;
    GString_ owned(*got);
    text = platform::utf16FromUtf8(owned.get());
    textFailed = false;
    return &*text;
  }

  std::optional<platform::Rect> extentsOf() {
    if (extents) return extents;
    Ref<AtspiComponent> iface(atspi_accessible_get_component_iface(object));
    if (!iface) return std::nullopt;
    auto r = call([&](GError** e) {
      return atspi_component_get_extents(iface.get(), ATSPI_COORD_TYPE_SCREEN, e);
    });
    if (!r || !*r) return std::nullopt;
    const AtspiRect rect = **r;
    g_free(*r);
    const auto origin = service.origin_();
    extents = platform::Rect{rect.x - origin.x, rect.y - origin.y, double(rect.width),
                             double(rect.height)};
    return extents;
  }

  std::optional<std::string> objectAttribute(const char* key) {
    auto r = call([&](GError** e) {
      return atspi_accessible_get_attributes(fresh(object, ATSPI_CACHE_ATTRIBUTES), e);
    });
    if (!r || !*r) return std::nullopt;
    GHashTable* table = *r;
    std::optional<std::string> value;
    if (auto* v = static_cast<const char*>(g_hash_table_lookup(table, key))) value = v;
    g_hash_table_unref(table);
    return value;
  }

  std::optional<AtspiAccessible*> parentOf(AtspiAccessible* of) {
    auto r = call(
        [&](GError** e) { return atspi_accessible_get_parent(fresh(of, ATSPI_CACHE_PARENT), e); });
    if (!r) return std::nullopt;
    return *r;  // may be null: no parent
  }

  // The window holding the element: the ancestor whose parent is the application.
  AXRead window() {
    g_object_ref(object);
    Ref<AtspiAccessible> node(object);
    for (int i = 0; i < kMaxParentSteps; ++i) {
      auto parent = parentOf(node.get());
      if (!parent) return failed(lastError);
      if (!*parent) return failed(platform::kAXErrorNoValue);
      Ref<AtspiAccessible> up(*parent);
      auto r = call([&](GError** e) {
        return atspi_accessible_get_role(fresh(up.get(), ATSPI_CACHE_ROLE), e);
      });
      if (!r) return failed(lastError);
      if (*r == ATSPI_ROLE_APPLICATION || *r == ATSPI_ROLE_DESKTOP_FRAME) {
        if (node.get() == object) return failed(platform::kAXErrorNoValue);  // the application
        return ok(child(node.release()));
      }
      node = std::move(up);
    }
    return failed(platform::kAXErrorNoValue);
  }

  AXRead children() {
    auto count = call([&](GError** e) {
      return atspi_accessible_get_child_count(fresh(object, ATSPI_CACHE_CHILDREN), e);
    });
    if (!count) return failed(lastError);
    std::vector<Element> list;
    for (int i = 0; i < std::min(*count, kMaxChildren); ++i) {
      auto c = call([&](GError** e) {
        return atspi_accessible_get_child_at_index(fresh(object, ATSPI_CACHE_CHILDREN), i, e);
      });
      if (!c) return failed(lastError);
      if (*c) list.push_back(child(*c));
    }
    return ok(std::move(list));
  }

  // The application's window that is active, else its first showing one.
  AXRead activeWindow() {
    auto count = call([&](GError** e) {
      return atspi_accessible_get_child_count(fresh(object, ATSPI_CACHE_CHILDREN), e);
    });
    if (!count) return failed(lastError);
    Ref<AtspiAccessible> showing;
    for (int i = 0; i < *count; ++i) {
      auto c = call([&](GError** e) {
        return atspi_accessible_get_child_at_index(fresh(object, ATSPI_CACHE_CHILDREN), i, e);
      });
      if (!c) return failed(lastError);
      if (!*c) continue;
      Ref<AtspiAccessible> w(*c);
      ++service.busCalls_;
      Ref<AtspiStateSet> s(atspi_accessible_get_state_set(fresh(w.get(), ATSPI_CACHE_STATES)));
      if (s && atspi_state_set_contains(s.get(), ATSPI_STATE_ACTIVE)) return ok(child(w.release()));
      if (!showing && s && atspi_state_set_contains(s.get(), ATSPI_STATE_SHOWING))
        showing = std::move(w);
    }
    if (showing) return ok(child(showing.release()));
    return failed(platform::kAXErrorNoValue);
  }

  // The element with the keyboard focus under this one: one query through the collection
  // interface where the application offers it, else a bounded walk.
  AXRead focused() {
    Ref<AtspiCollection> collection(atspi_accessible_get_collection_iface(object));
    if (collection) {
      Ref<AtspiStateSet> wanted(atspi_state_set_new(nullptr));
      atspi_state_set_add(wanted.get(), ATSPI_STATE_FOCUSED);
      Ref<AtspiMatchRule> rule(atspi_match_rule_new(
          wanted.get(), ATSPI_Collection_MATCH_ALL, nullptr, ATSPI_Collection_MATCH_ALL, nullptr,
          ATSPI_Collection_MATCH_ALL, nullptr, ATSPI_Collection_MATCH_ALL, FALSE));
      auto r = call([&](GError** e) {
        return atspi_collection_get_matches(collection.get(), rule.get(),
                                            ATSPI_Collection_SORT_ORDER_CANONICAL, 0, TRUE, e);
      });
      if (r && *r) {
        GArray* found = *r;
        AXRead result = failed(platform::kAXErrorNoValue);
        // The deepest match: a focused window also carries the state in some toolkits.
        for (guint i = found->len; i-- > 0;) {
          auto* candidate = g_array_index(found, AtspiAccessible*, i);
          if (!result.ok() && candidate) {
            g_object_ref(candidate);
            result = ok(child(candidate));
          }
        }
        for (guint i = 0; i < found->len; ++i)
          if (auto* c = g_array_index(found, AtspiAccessible*, i)) g_object_unref(c);
        g_array_free(found, TRUE);
        return result;
      }
      if (lastError == platform::kAXErrorCannotComplete) return failed(lastError);
    }
    return walkForFocus();
  }

  AXRead walkForFocus() {
    std::vector<Ref<AtspiAccessible>> stack;
    g_object_ref(object);
    stack.emplace_back(object);
    int seen = 0;
    while (!stack.empty() && seen++ < kMaxFocusSearch) {
      Ref<AtspiAccessible> node = std::move(stack.back());
      stack.pop_back();
      ++service.busCalls_;
      Ref<AtspiStateSet> s(atspi_accessible_get_state_set(fresh(node.get(), ATSPI_CACHE_STATES)));
      if (node.get() != object && s && atspi_state_set_contains(s.get(), ATSPI_STATE_FOCUSED))
        return ok(child(node.release()));
      if (s && node.get() != object && !atspi_state_set_contains(s.get(), ATSPI_STATE_SHOWING))
        continue;
      auto count = call([&](GError** e) {
        return atspi_accessible_get_child_count(fresh(node.get(), ATSPI_CACHE_CHILDREN), e);
      });
      if (!count) continue;
      for (int i = *count; i-- > 0;) {
        auto c = call([&](GError** e) {
          return atspi_accessible_get_child_at_index(fresh(node.get(), ATSPI_CACHE_CHILDREN), i, e);
        });
        if (c && *c) stack.emplace_back(*c);
      }
    }
    return failed(platform::kAXErrorNoValue);
  }

  // The first web document under the element, and its address.
  AXRead documentUrl() {
    if (roleOf() == ATSPI_ROLE_DOCUMENT_WEB) return url();
    Ref<AtspiCollection> collection(atspi_accessible_get_collection_iface(object));
    if (!collection) return failed(platform::kAXErrorNoValue);
    GArray* roles = g_array_new(FALSE, FALSE, sizeof(AtspiRole));
    const AtspiRole web = ATSPI_ROLE_DOCUMENT_WEB;
    g_array_append_val(roles, web);
    Ref<AtspiMatchRule> rule(atspi_match_rule_new(
        nullptr, ATSPI_Collection_MATCH_ALL, nullptr, ATSPI_Collection_MATCH_ALL, roles,
        ATSPI_Collection_MATCH_ANY, nullptr, ATSPI_Collection_MATCH_ALL, FALSE));
    g_array_free(roles, TRUE);
    auto r = call([&](GError** e) {
      return atspi_collection_get_matches(collection.get(), rule.get(),
                                          ATSPI_Collection_SORT_ORDER_CANONICAL, 1, TRUE, e);
    });
    if (!r || !*r) return failed(r ? platform::kAXErrorNoValue : lastError);
    GArray* found = *r;
    AXRead result = failed(platform::kAXErrorNoValue);
    if (found->len > 0) {
      auto* document = g_array_index(found, AtspiAccessible*, 0);
      if (document) {
        Reads inner(service, handle);
        inner.object = document;
        inner.role = ATSPI_ROLE_DOCUMENT_WEB;
        result = inner.url();
      }
    }
    for (guint i = 0; i < found->len; ++i)
      if (auto* c = g_array_index(found, AtspiAccessible*, i)) g_object_unref(c);
    g_array_free(found, TRUE);
    return result;
  }

  AXRead url() {
    Ref<AtspiDocument> document(atspi_accessible_get_document_iface(object));
    if (document) {
      for (const char* key : {"DocURL", "URI"}) {
        auto r = call([&](GError** e) {
          return atspi_document_get_document_attribute_value(document.get(), const_cast<char*>(key),
                                                             e);
        });
        if (r && *r) {
          GString_ owned(*r);
          if (**r) return ok(platform::AXUrl{owned.get()});
        }
      }
    }
    Ref<AtspiHyperlink> link(atspi_accessible_get_hyperlink(object));
    if (link) {
      auto r = call([&](GError** e) { return atspi_hyperlink_get_uri(link.get(), 0, e); });
      if (r && *r) {
        GString_ owned(*r);
        if (**r) return ok(platform::AXUrl{owned.get()});
      }
    }
    return failed(platform::kAXErrorNoValue);
  }

  AXRead selectedRange() {
    const std::u16string* content = textContent();
    if (!content)
      return failed(textFailed && lastError != platform::kAXSuccess
                        ? lastError
                        : platform::kAXErrorAttributeUnsupported);
    Ref<AtspiText> iface(atspi_accessible_get_text_iface(object));
    auto n = call([&](GError** e) { return atspi_text_get_n_selections(iface.get(), e); });
    if (!n) return failed(lastError);
    std::int64_t start = 0, end = 0;
    if (*n > 0) {
      auto r = call([&](GError** e) { return atspi_text_get_selection(iface.get(), 0, e); });
      if (!r || !*r) return failed(lastError);
      start = std::min((*r)->start_offset, (*r)->end_offset);
      end = std::max((*r)->start_offset, (*r)->end_offset);
      g_free(*r);
    } else {
      auto caret = call([&](GError** e) { return atspi_text_get_caret_offset(iface.get(), e); });
      if (!caret) return failed(lastError);
      if (*caret < 0) return failed(platform::kAXErrorNoValue);
      start = end = *caret;
    }
    const auto a = unitsFromCharacters(*content, start), b = unitsFromCharacters(*content, end);
    return ok(platform::AXRange{a, b - a});
  }

  AXRead visibleRange() {
    const std::u16string* content = textContent();
    const auto frame = extentsOf();
    if (!content || !frame) return failed(platform::kAXErrorAttributeUnsupported);
    Ref<AtspiText> iface(atspi_accessible_get_text_iface(object));
    const auto origin = service.origin_();
    auto at = [&](double x, double y) {
      return call([&](GError** e) {
        return atspi_text_get_offset_at_point(iface.get(), int(x + origin.x), int(y + origin.y),
                                              ATSPI_COORD_TYPE_SCREEN, e);
      });
    };
    const auto first = at(frame->minX() + 1, frame->minY() + 1);
    const auto last = at(frame->maxX() - 1, frame->maxY() - 1);
    if (!first || !last || *first < 0 || *last < *first)
      return failed(platform::kAXErrorAttributeUnsupported);
    const auto a = unitsFromCharacters(*content, *first);
    const auto b = unitsFromCharacters(*content, *last + 1);
    return ok(platform::AXRange{a, b - a});
  }

  AXRead string(AXValue value) { return ok(std::move(value)); }

  AXRead read(std::string_view name);
  AXRead readSystemWide(std::string_view name);
};

namespace {

AXValue textValue(const char* utf8) {
  return platform::utf16FromUtf8(utf8 ? utf8 : "");
}

}  // namespace

AXRead AtspiAccessibility::Reads::read(std::string_view name) {
  auto named = [&](auto getter) -> AXRead {
    auto r = call(getter);
    if (!r) return failed(lastError);
    GString_ owned(*r);
    if (!*r || !**r) return failed(platform::kAXErrorNoValue);
    return ok(textValue(owned.get()));
  };
  if (name == "AXRole" || name == "AXSubrole") {
    const auto r = roleOf();
    if (!r) return failed(lastError);
    const bool multiLine =
        (*r == ATSPI_ROLE_TEXT || *r == ATSPI_ROLE_ENTRY) && hasState(ATSPI_STATE_MULTI_LINE);
    const RoleNames names = roleNames(*r, multiLine);
    if (name == "AXRole") return ok(platform::utf16FromUtf8(names.role));
    if (names.subrole.empty()) return failed(platform::kAXErrorNoValue);
    return ok(platform::utf16FromUtf8(names.subrole));
  }
  if (name == "AXValue") {
    if (isPassword()) return failed(platform::kAXErrorNoValue);  // never read a password
    if (const auto* content = textContent()) return ok(*content);
    if (lastError != platform::kAXSuccess) return failed(lastError);
    Ref<AtspiValue> value(atspi_accessible_get_value_iface(object));
    if (value) {
      auto r = call([&](GError** e) { return atspi_value_get_current_value(value.get(), e); });
      if (!r) return failed(lastError);
      return ok(*r);
    }
    // Labels of toolkits without a text interface carry their text as the name.
    if (const auto r = roleOf(); r && (*r == ATSPI_ROLE_LABEL || *r == ATSPI_ROLE_STATIC))
      return named([&](GError** e) {
        return atspi_accessible_get_name(fresh(object, ATSPI_CACHE_NAME), e);
      });
    return failed(platform::kAXErrorNoValue);
  }
  if (name == "AXTitle")
    return named(
        [&](GError** e) { return atspi_accessible_get_name(fresh(object, ATSPI_CACHE_NAME), e); });
  if (name == "AXDescription")
    return named([&](GError** e) {
      return atspi_accessible_get_description(fresh(object, ATSPI_CACHE_DESCRIPTION), e);
    });
  if (name == "AXIdentifier")
    return named([&](GError** e) { return atspi_accessible_get_accessible_id(object, e); });
  if (name == "AXPlaceholderValue" || name == "AXDOMIdentifier" || name == "AXDOMClassList") {
    const char* key = name == "AXPlaceholderValue" ? "placeholder-text"
                      : name == "AXDOMIdentifier"  ? "id"
                                                   : "class";
    const auto attribute = objectAttribute(key);
    if (!attribute)
      return failed(lastError != platform::kAXSuccess ? lastError : platform::kAXErrorNoValue);
    if (name != "AXDOMClassList") return ok(platform::utf16FromUtf8(*attribute));
    std::vector<std::u16string> classes;
    std::size_t at = 0;
    while (at < attribute->size()) {
      const auto end = std::min(attribute->find(' ', at), attribute->size());
      if (end > at) classes.push_back(platform::utf16FromUtf8(attribute->substr(at, end - at)));
      at = end + 1;
    }
    return ok(std::move(classes));
  }
  if (name == "AXPosition" || name == "AXSize" || name == "AXFrame") {
    const auto frame = extentsOf();
    if (!frame)
      return failed(lastError != platform::kAXSuccess ? lastError
                                                      : platform::kAXErrorAttributeUnsupported);
    if (name == "AXPosition") return ok(platform::Point{frame->x, frame->y});
    if (name == "AXSize") return ok(platform::Size{frame->w, frame->h});
    return ok(*frame);
  }
  if (name == "AXChildren") return children();
  if (name == "AXParent") {
    auto parent = parentOf(object);
    if (!parent) return failed(lastError);
    if (!*parent) return failed(platform::kAXErrorNoValue);
    return ok(child(*parent));
  }
  if (name == "AXWindow" || name == "AXTopLevelUIElement") return window();
  if (name == "AXFocusedUIElement") return focused();
  if (name == "AXFocusedWindow" || name == "AXMainWindow") {
    if (roleOf() != ATSPI_ROLE_APPLICATION) return failed(platform::kAXErrorAttributeUnsupported);
    return activeWindow();
  }
  if (name == "AXWindows") {
    if (roleOf() != ATSPI_ROLE_APPLICATION) return failed(platform::kAXErrorAttributeUnsupported);
    return children();
  }
  if (name == "AXSelectedTextRange") return selectedRange();
  if (name == "AXSelectedText") {
    auto range = selectedRange();
    if (!range.ok()) return range;
    const auto& r = std::get<platform::AXRange>(range.value);
    return ok(
        text->substr(static_cast<std::size_t>(r.location), static_cast<std::size_t>(r.length)));
  }
  if (name == "AXNumberOfCharacters") {
    const auto* content = textContent();
    if (!content) return failed(platform::kAXErrorAttributeUnsupported);
    return ok(static_cast<double>(content->size()));
  }
  if (name == "AXVisibleCharacterRange") return visibleRange();
  if (name == "AXURL") return url();
  if (name == "AXDocument") return documentUrl();
  if (name == "AXTitleUIElement") {
    auto r = call([&](GError** e) { return atspi_accessible_get_relation_set(object, e); });
    if (!r || !*r) return failed(lastError);
    GArray* relations = *r;
    AXRead result = failed(platform::kAXErrorNoValue);
    for (guint i = 0; i < relations->len; ++i) {
      auto* relation = g_array_index(relations, AtspiRelation*, i);
      if (!result.ok() &&
          atspi_relation_get_relation_type(relation) == ATSPI_RELATION_LABELLED_BY &&
          atspi_relation_get_n_targets(relation) > 0)
        result = ok(child(atspi_relation_get_target(relation, 0)));
      g_object_unref(relation);
    }
    g_array_free(relations, TRUE);
    return result;
  }
  return failed(platform::kAXErrorAttributeUnsupported);
}

AXRead AtspiAccessibility::Reads::readSystemWide(std::string_view name) {
  if (name == "AXRole") return ok(std::u16string(u"AXSystemWide"));
  if (name != "AXFocusedUIElement" && name != "AXFocusedApplication")
    return failed(platform::kAXErrorAttributeUnsupported);
  const auto front = service.frontmostPid_();
  if (!front) return failed(platform::kAXErrorNoValue);
  const Element app = service.application(*front);
  const auto* h = app.as<Handle>();
  if (!h || !h->object) return failed(platform::kAXErrorNoValue);
  if (name == "AXFocusedApplication") return ok(app);
  Reads appReads(service, *h);
  return appReads.focused();
}

// ---------------------------------------------------------------------------------------------

AtspiAccessibility::AtspiAccessibility(FrontmostPid frontmostPid, Origin origin)
    : frontmostPid_(std::move(frontmostPid)), origin_(std::move(origin)) {}

std::unique_ptr<AtspiAccessibility> AtspiAccessibility::connect(FrontmostPid frontmostPid,
                                                                Origin origin, std::string& error) {
  // libatspi reports a missing bus only as a warning and then fails every call; ask for the
  // bus first so that its absence is one clear error.
  DBusConnection* bus = atspi_get_a11y_bus();
  if (!bus) {
    error = "the accessibility bus cannot be reached (AT-SPI is not running)";
    return nullptr;
  }
  if (atspi_init() < 0) {
    error = "the accessibility bus cannot be reached (AT-SPI is not running)";
    return nullptr;
  }
  std::unique_ptr<AtspiAccessibility> service(
      new AtspiAccessibility(std::move(frontmostPid), std::move(origin)));
  AtspiAccessible* desktop = atspi_get_desktop(0);
  if (!desktop) {
    error = "the accessibility registry does not answer";
    return nullptr;
  }
  service->desktop_ = desktop;
  // libatspi subscribes to the applications' change signals to keep its cache current. Nothing
  // is read from that cache (see `fresh`), so the signals are not wanted: without the
  // subscriptions the bus does not send them, and they cannot pile up unread.
  for (const char* rule :
       {"type='signal',interface='org.a11y.atspi.Cache',member='AddAccessible'",
        "type='signal',interface='org.a11y.atspi.Cache',member='RemoveAccessible'",
        "type='signal',interface='org.a11y.atspi.Event.Object',member='ChildrenChanged'",
        "type='signal',interface='org.a11y.atspi.Event.Object',member='PropertyChange'",
        "type='signal',interface='org.a11y.atspi.Event.Object',member='StateChanged'"})
    dbus_bus_remove_match(bus, rule, nullptr);
  dbus_connection_flush(bus);
  atspi_set_timeout(3000, 3000);
  GError* probe = nullptr;
  const int apps = atspi_accessible_get_child_count(fresh(desktop, ATSPI_CACHE_CHILDREN), &probe);
  if (probe || apps < 0) {
    if (probe) g_error_free(probe);
    error = "the accessibility registry does not answer";
    return nullptr;
  }
  return service;
}

AtspiAccessibility::~AtspiAccessibility() {
  std::lock_guard held(atspiLock());
  if (desktop_) g_object_unref(acc(desktop_));
}

namespace {

// Messages that arrived while no call was waiting (the applications' events) are handled now,
// so that they do not pile up.
void drainEvents() {
  for (int i = 0; i < 1000 && g_main_context_iteration(nullptr, FALSE); ++i) {
  }
}

}  // namespace

double AtspiAccessibility::timeoutOf(const Handle& h) const {
  const double own = h.timeout.load();
  return own > 0 ? own : defaultTimeout_.load();
}

Element AtspiAccessibility::systemWide() {
  static const char identity = 0;
  auto h = std::make_shared<Handle>();
  h->service = this;
  h->kind = Kind::systemWide;
  return Element(std::shared_ptr<const void>(h, h.get()), &identity);
}

Element AtspiAccessibility::application(std::int32_t pid) {
  std::lock_guard held(atspiLock());
  drainEvents();
  const int ms = static_cast<int>(std::clamp(defaultTimeout_.load() * 1000.0, 1.0, 2.0e9));
  atspi_set_timeout(ms, ms);
  GError* error = nullptr;
  ++busCalls_;
  const int count =
      atspi_accessible_get_child_count(fresh(acc(desktop_), ATSPI_CACHE_CHILDREN), &error);
  if (error) g_error_free(error);
  for (int i = 0; i < count; ++i) {
    error = nullptr;
    ++busCalls_;
    AtspiAccessible* app =
        atspi_accessible_get_child_at_index(fresh(acc(desktop_), ATSPI_CACHE_CHILDREN), i, &error);
    if (error) g_error_free(error);
    if (!app) continue;
    const char* bus = app->parent.app ? app->parent.app->bus_name : nullptr;
    std::optional<std::int32_t> appPid;
    if (bus) {
      if (auto known = pidOfBus_.find(bus); known != pidOfBus_.end()) {
        appPid = known->second;
      } else {
        error = nullptr;
        ++busCalls_;
        const guint got = atspi_accessible_get_process_id(app, &error);
        if (!error) pidOfBus_[bus] = static_cast<std::int32_t>(got), appPid = got;
        if (error) g_error_free(error);
      }
    }
    if (appPid == pid) return makeElement(this, app, 0);
    g_object_unref(app);
  }
  // Handles of a process that runs no accessible application are told apart by pid through an
  // odd address, which no object can have. It is never dereferenced.
  auto h = std::make_shared<Handle>();
  h->service = this;
  h->kind = Kind::missingApplication;
  h->pid = pid;
  return Element(std::shared_ptr<const void>(h, h.get()),
                 reinterpret_cast<const void*>(
                     (static_cast<std::uintptr_t>(static_cast<std::uint32_t>(pid)) << 1) | 1));
}

namespace {

const AtspiAccessibility::Handle* handleOf(const Element& element,
                                           const AtspiAccessibility* service) {
  const auto* h = element.as<AtspiAccessibility::Handle>();
  return h && h->service == service ? h : nullptr;
}

}  // namespace

AXRead AtspiAccessibility::copyAttributeValue(const Element& element, std::string_view name) {
  const Handle* h = handleOf(element, this);
  if (!h) return failed(platform::kAXErrorIllegalArgument);
  if (h->kind == Kind::missingApplication) return failed(platform::kAXErrorCannotComplete);
  std::lock_guard held(atspiLock());
  drainEvents();
  Reads reads(*this, *h);
  if (h->kind == Kind::systemWide) return reads.readSystemWide(name);
  if (!reads.alive()) return failed(reads.lastError);
  return reads.read(name);
}

std::variant<std::vector<AXValue>, AXError> AtspiAccessibility::copyMultipleAttributeValues(
    const Element& element, std::span<const std::string_view> names) {
  const Handle* h = handleOf(element, this);
  if (!h) return platform::kAXErrorIllegalArgument;
  if (h->kind == Kind::missingApplication) return platform::kAXErrorCannotComplete;
  std::lock_guard held(atspiLock());
  drainEvents();
  Reads reads(*this, *h);
  std::vector<AXValue> values;
  // The role and state answer whether the element and its application are there at all.
  if (h->kind == Kind::element && !reads.alive()) return reads.lastError;
  for (const auto name : names) {
    AXRead r = h->kind == Kind::systemWide ? reads.readSystemWide(name) : reads.read(name);
    if (!r.ok() && r.error == platform::kAXErrorCannotComplete) return r.error;
    values.push_back(r.ok() ? std::move(r.value) : AXValue(platform::AXErrorValue{r.error}));
  }
  return values;
}

AXRead AtspiAccessibility::copyParameterizedAttributeValue(const Element& element,
                                                           std::string_view name,
                                                           const AXValue& parameter) {
  const Handle* h = handleOf(element, this);
  if (!h) return failed(platform::kAXErrorIllegalArgument);
  if (h->kind == Kind::missingApplication) return failed(platform::kAXErrorCannotComplete);
  if (h->kind == Kind::systemWide)
    return failed(platform::kAXErrorParameterizedAttributeUnsupported);
  if (name != "AXStringForRange" && name != "AXBoundsForRange")
    return failed(platform::kAXErrorParameterizedAttributeUnsupported);
  const auto* range = std::get_if<platform::AXRange>(&parameter);
  if (!range) return failed(platform::kAXErrorIllegalArgument);
  std::lock_guard held(atspiLock());
  drainEvents();
  Reads reads(*this, *h);
  const std::u16string* content = reads.textContent();
  if (!content)
    return failed(reads.lastError != platform::kAXSuccess
                      ? reads.lastError
                      : platform::kAXErrorParameterizedAttributeUnsupported);
  const auto n = static_cast<std::int64_t>(content->size());
  if (range->location < 0 || range->length < 0 || range->location > n ||
      range->length > n - range->location)
    return failed(platform::kAXErrorIllegalArgument);
  if (name == "AXStringForRange")
    return ok(content->substr(static_cast<std::size_t>(range->location),
                              static_cast<std::size_t>(range->length)));
  Ref<AtspiText> iface(atspi_accessible_get_text_iface(acc(h->object)));
  const auto start = charactersFromUnits(*content, range->location);
  const auto end = charactersFromUnits(*content, range->location + range->length);
  auto r = reads.call([&](GError** e) {
    return end > start
               ? atspi_text_get_range_extents(iface.get(), start, end, ATSPI_COORD_TYPE_SCREEN, e)
               : atspi_text_get_character_extents(iface.get(), start, ATSPI_COORD_TYPE_SCREEN, e);
  });
  if (!r || !*r) return failed(reads.lastError);
  const AtspiRect rect = **r;
  g_free(*r);
  if (rect.width < 0 || rect.height <= 0) return failed(platform::kAXErrorNoValue);
  const auto origin = origin_();
  return ok(platform::Rect{rect.x - origin.x, rect.y - origin.y, double(rect.width),
                           double(rect.height)});
}

std::optional<bool> AtspiAccessibility::isAttributeSettable(const Element& element,
                                                            std::string_view name) {
  const Handle* h = handleOf(element, this);
  if (!h || h->kind != Kind::element) return std::nullopt;
  std::lock_guard held(atspiLock());
  drainEvents();
  Reads reads(*this, *h);
  if (!reads.alive()) return std::nullopt;
  if (name == "AXValue") {
    Ref<AtspiEditableText> editable(atspi_accessible_get_editable_text_iface(acc(h->object)));
    return editable && reads.hasState(ATSPI_STATE_EDITABLE);
  }
  if (name == "AXSelectedTextRange") {
    Ref<AtspiText> text(atspi_accessible_get_text_iface(acc(h->object)));
    return text && !reads.isPassword() &&
           (reads.hasState(ATSPI_STATE_EDITABLE) || reads.hasState(ATSPI_STATE_SELECTABLE_TEXT));
  }
  return false;
}

platform::AXError AtspiAccessibility::setAttributeValue(const Element& element,
                                                        std::string_view name,
                                                        const AXValue& value) {
  const Handle* h = handleOf(element, this);
  if (!h) return platform::kAXErrorIllegalArgument;
  if (h->kind != Kind::element) return platform::kAXErrorAttributeUnsupported;
  std::lock_guard held(atspiLock());
  drainEvents();
  Reads reads(*this, *h);
  if (!reads.alive()) return reads.lastError;
  if (name == "AXValue") {
    const auto* text = std::get_if<std::u16string>(&value);
    if (!text) return platform::kAXErrorIllegalArgument;
    Ref<AtspiEditableText> editable(atspi_accessible_get_editable_text_iface(acc(h->object)));
    if (!editable) return platform::kAXErrorAttributeUnsupported;
    const std::string utf8 = platform::utf8FromUtf16(*text);
    auto r = reads.call([&](GError** e) {
      return atspi_editable_text_set_text_contents(editable.get(), utf8.c_str(), e);
    });
    if (!r) return reads.lastError;
    return *r ? platform::kAXSuccess : platform::kAXErrorFailure;
  }
  if (name == "AXSelectedTextRange") {
    const auto* range = std::get_if<platform::AXRange>(&value);
    if (!range) return platform::kAXErrorIllegalArgument;
    const std::u16string* content = reads.textContent();
    if (!content) return platform::kAXErrorAttributeUnsupported;
    const auto n = static_cast<std::int64_t>(content->size());
    const auto from = std::clamp<std::int64_t>(range->location, 0, n);
    const auto to =
        std::clamp<std::int64_t>(from + std::max<std::int64_t>(range->length, 0), from, n);
    const auto start = charactersFromUnits(*content, from);
    const auto end = charactersFromUnits(*content, to);
    Ref<AtspiText> text(atspi_accessible_get_text_iface(acc(h->object)));
    std::optional<gboolean> r;
    if (end == start) {
      reads.call([&](GError** e) { return atspi_text_remove_selection(text.get(), 0, e); });
      r = reads.call([&](GError** e) { return atspi_text_set_caret_offset(text.get(), start, e); });
    } else {
      r = reads.call(
          [&](GError** e) { return atspi_text_set_selection(text.get(), 0, start, end, e); });
      if (r && !*r)
        r = reads.call(
            [&](GError** e) { return atspi_text_add_selection(text.get(), start, end, e); });
    }
    if (!r) return reads.lastError;
    return *r ? platform::kAXSuccess : platform::kAXErrorFailure;
  }
  return platform::kAXErrorAttributeUnsupported;
}

std::optional<std::int32_t> AtspiAccessibility::pid(const Element& element) {
  const Handle* h = handleOf(element, this);
  if (!h || h->kind == Kind::systemWide) return std::nullopt;
  if (h->kind == Kind::missingApplication) return h->pid;
  std::lock_guard held(atspiLock());
  drainEvents();
  Reads reads(*this, *h);
  // An element that went away belongs to no process any more.
  if (!reads.alive() && reads.lastError == platform::kAXErrorInvalidUIElement) return std::nullopt;
  const char* bus = h->object->parent.app ? h->object->parent.app->bus_name : nullptr;
  if (!bus) return std::nullopt;
  if (auto known = pidOfBus_.find(bus); known != pidOfBus_.end()) return known->second;
  auto got = reads.call([&](GError** e) { return atspi_accessible_get_process_id(h->object, e); });
  if (!got) return std::nullopt;
  pidOfBus_[bus] = static_cast<std::int32_t>(*got);
  return static_cast<std::int32_t>(*got);
}

platform::AXError AtspiAccessibility::setMessagingTimeout(const Element& element, double seconds) {
  const Handle* h = handleOf(element, this);
  if (!h || !std::isfinite(seconds) || seconds < 0) return platform::kAXErrorIllegalArgument;
  if (h->kind == Kind::systemWide)
    defaultTimeout_ = seconds > 0 ? seconds : 6.0;
  else
    h->timeout = seconds;
  return platform::kAXSuccess;
}

}  // namespace parlevox::x11
