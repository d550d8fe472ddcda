// The X session's keyboard layouts (the XKB keymap's groups) as the text input sources: which are
// enabled and current, their languages, and key translation with dead keys.
#include "helper/platform/x11/xkb_input_sources.h"

#include <X11/Xatom.h>
#include <X11/Xlib-xcb.h>
#include <xkbcommon/xkbcommon-compose.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <mutex>

#include "helper/platform/key_codes.h"
#include "helper/platform/text.h"
#include "helper/platform/x11/x11_key_codes.h"
#include "helper/platform/x11/x11_session_display.h"

namespace parlevox::x11 {
namespace {

constexpr std::string_view kIdPrefix = "xkb:";

// The main language of a layout, by its XKB name; layouts named for a language already give it.
const std::map<std::string, std::string, std::less<>> kLanguages = {
    {"us", "en"},  {"gb", "en"}, {"au", "en"}, {"ca", "fr"}, {"ie", "en"}, {"fr", "fr"},
    {"be", "fr"},  {"ch", "de"}, {"de", "de"}, {"at", "de"}, {"es", "es"}, {"latam", "es"},
    {"it", "it"},  {"pt", "pt"}, {"br", "pt"}, {"nl", "nl"}, {"se", "sv"}, {"no", "nb"},
    {"dk", "da"},  {"fi", "fi"}, {"pl", "pl"}, {"cz", "cs"}, {"sk", "sk"}, {"hu", "hu"},
    {"ru", "ru"},  {"ua", "uk"}, {"by", "be"}, {"gr", "el"}, {"tr", "tr"}, {"il", "he"},
    {"ara", "ar"}, {"ir", "fa"}, {"in", "hi"}, {"jp", "ja"}, {"kr", "ko"}, {"cn", "zh"},
    {"tw", "zh"},  {"th", "th"}, {"vn", "vi"}, {"ro", "ro"}, {"bg", "bg"}, {"rs", "sr"},
    {"hr", "hr"},  {"si", "sl"}, {"lt", "lt"}, {"lv", "lv"}, {"ee", "et"}, {"is", "is"},
    {"ge", "ka"},  {"am", "hy"}, {"kz", "kk"}};

// The character a dead key shows on its own.
char32_t deadKeyOwn(xkb_keysym_t sym) {
  switch (sym) {
    case XKB_KEY_dead_grave:
      return U'`';
    case XKB_KEY_dead_acute:
      return U'\u00B4';
    case XKB_KEY_dead_circumflex:
      return U'^';
    case XKB_KEY_dead_tilde:
      return U'~';
    case XKB_KEY_dead_macron:
      return U'\u00AF';
    case XKB_KEY_dead_breve:
      return U'\u02D8';
    case XKB_KEY_dead_abovedot:
      return U'\u02D9';
    case XKB_KEY_dead_diaeresis:
      return U'\u00A8';
    case XKB_KEY_dead_abovering:
      return U'\u02DA';
    case XKB_KEY_dead_doubleacute:
      return U'\u02DD';
    case XKB_KEY_dead_caron:
      return U'\u02C7';
    case XKB_KEY_dead_cedilla:
      return U'\u00B8';
    case XKB_KEY_dead_ogonek:
      return U'\u02DB';
    default:
      return 0;
  }
}

bool isDeadKey(xkb_keysym_t sym) {
  return sym >= XKB_KEY_dead_grave && sym <= XKB_KEY_dead_lowline;
}

void appendUtf16(std::u16string& out, char32_t c) {
  if (c == 0) return;
  if (c >= 0x10000) {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  } else {
    out += static_cast<char16_t>(c);
  }
}

std::vector<std::string> splitCommas(const std::string& s) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    auto comma = s.find(',', start);
    parts.push_back(s.substr(start, comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return parts;
}

struct KeymapDeleter {
  void operator()(xkb_keymap* k) const { xkb_keymap_unref(k); }
};
using KeymapPtr = std::shared_ptr<xkb_keymap>;

// What a source's layout data holds: the keymap and which of its groups the source is.
struct LayoutHandle {
  KeymapPtr keymap;
  xkb_layout_index_t layout = 0;
};

}  // namespace

struct XkbInputSources::State {
  std::mutex mutex;
  DisplayPtr display;
  xcb_connection_t* connection = nullptr;
  std::int32_t device = -1;
  xkb_context* context = nullptr;
  xkb_compose_table* compose = nullptr;
  // The keymap and group as read last, and the source ids of its groups.
  KeymapPtr keymap;
  xkb_layout_index_t current = 0;
  std::vector<std::string> ids;
  std::optional<std::string> lastAsciiCapable;

  ~State() {
    if (compose) xkb_compose_table_unref(compose);
    if (context) xkb_context_unref(context);
  }

  // Reads the session's keymap, its current group and the layout names behind its groups.
  bool refresh() {
    auto* raw =
        xkb_x11_keymap_new_from_device(context, connection, device, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!raw) return false;
    keymap = KeymapPtr(raw, KeymapDeleter{});
    xkb_state* state = xkb_x11_state_new_from_device(keymap.get(), connection, device);
    current = state ? xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE) : 0;
    if (state) xkb_state_unref(state);
    // The rules names on the root window say which layout (and variant) each group is.
    std::vector<std::string> layouts, variants;
    Display* d = display.get();
    Atom type;
    int format;
    unsigned long items, after;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, DefaultRootWindow(d), XInternAtom(d, "_XKB_RULES_NAMES", False), 0,
                           1024, False, XA_STRING, &type, &format, &items, &after,
                           &data) == Success &&
        data && format == 8) {
      std::vector<std::string> fields;
      std::string field;
      for (unsigned long i = 0; i < items; ++i) {
        if (data[i] == 0) {
          fields.push_back(field);
          field.clear();
        } else {
          field += static_cast<char>(data[i]);
        }
      }
      fields.push_back(field);
      if (fields.size() > 2) layouts = splitCommas(fields[2]);
      if (fields.size() > 3) variants = splitCommas(fields[3]);
    }
    if (data) XFree(data);
    ids.clear();
    const auto count = xkb_keymap_num_layouts(keymap.get());
    for (xkb_layout_index_t i = 0; i < count; ++i) {
      std::string id(kIdPrefix);
      if (i < layouts.size() && !layouts[i].empty()) {
        id += layouts[i];
        if (i < variants.size() && !variants[i].empty()) id += "(" + variants[i] + ")";
      } else if (const char* name = xkb_keymap_layout_get_name(keymap.get(), i)) {
        id += name;
      } else {
        id += std::to_string(i);
      }
      ids.push_back(std::move(id));
    }
    return true;
  }

  std::optional<std::size_t> indexOf(const platform::InputSource& source) {
    auto it = std::find(ids.begin(), ids.end(), source.id);
    if (it == ids.end()) return std::nullopt;
    return static_cast<std::size_t>(it - ids.begin());
  }

  // The keysym of a key in a group with the modifiers of the translation call.
  xkb_keysym_t keysym(xkb_keymap* map, xkb_layout_index_t layout, unsigned keycode,
                      std::uint32_t modifierState) {
    xkb_state* state = xkb_state_new(map);
    if (!state) return XKB_KEY_NoSymbol;
    xkb_mod_mask_t depressed = 0, locked = 0;
    auto bit = [&](const char* name) -> xkb_mod_mask_t {
      auto index = xkb_keymap_mod_get_index(map, name);
      return index == XKB_MOD_INVALID ? 0 : xkb_mod_mask_t{1} << index;
    };
    // Command (Control here) selects no level of its own and wins over Shift, as shortcuts
    // are named by the key's plain character.
    if (!(modifierState & platform::kModifierCommand)) {
      if (modifierState & platform::kModifierShift) depressed |= bit(XKB_MOD_NAME_SHIFT);
      if (modifierState & platform::kModifierOption) depressed |= bit("Mod5");
      if (modifierState & platform::kModifierCapsLock) locked |= bit(XKB_MOD_NAME_CAPS);
    }
    xkb_state_update_mask(state, depressed, 0, locked, 0, 0, layout);
    const xkb_keysym_t sym = xkb_state_key_get_one_sym(state, keycode);
    xkb_state_unref(state);
    return sym;
  }
};

std::unique_ptr<XkbInputSources> XkbInputSources::open(const char* display) {
  auto state = std::make_unique<State>();
  state->display = openSessionDisplay(display);
  if (!state->display) return nullptr;
  state->connection = XGetXCBConnection(state->display.get());
  if (!xkb_x11_setup_xkb_extension(
          state->connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
          XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr))
    return nullptr;
  state->device = xkb_x11_get_core_keyboard_device_id(state->connection);
  state->context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  if (state->device < 0 || !state->context) return nullptr;
  // Dead-key compositions come from the session locale's compose table, else the UTF-8 one.
  const char* locale = std::getenv("LC_ALL");
  if (!locale || !*locale) locale = std::getenv("LC_CTYPE");
  if (!locale || !*locale) locale = std::getenv("LANG");
  if (locale && *locale)
    state->compose =
        xkb_compose_table_new_from_locale(state->context, locale, XKB_COMPOSE_COMPILE_NO_FLAGS);
  if (!state->compose)
    state->compose = xkb_compose_table_new_from_locale(state->context, "en_US.UTF-8",
                                                       XKB_COMPOSE_COMPILE_NO_FLAGS);
  if (!state->refresh()) return nullptr;
  return std::unique_ptr<XkbInputSources>(new XkbInputSources(std::move(state)));
}

XkbInputSources::XkbInputSources(std::unique_ptr<State> state) : state_(std::move(state)) {}
XkbInputSources::~XkbInputSources() = default;

std::optional<platform::InputSource> XkbInputSources::currentKeyboardLayout() {
  std::lock_guard lock(state_->mutex);
  if (!state_->refresh() || state_->current >= state_->ids.size()) return std::nullopt;
  return platform::InputSource{state_->ids[state_->current]};
}

std::optional<platform::InputSource> XkbInputSources::currentAsciiCapableKeyboardLayout() {
  std::lock_guard lock(state_->mutex);
  if (!state_->refresh()) return std::nullopt;
  // A group is ASCII-capable when its letter keys type Latin letters.
  auto asciiCapable = [&](xkb_layout_index_t layout) {
    auto keycode = keycodeForVirtualKey(0);
    const auto sym = state_->keysym(state_->keymap.get(), layout, *keycode, 0);
    return sym >= XKB_KEY_a && sym <= XKB_KEY_z;
  };
  std::vector<xkb_layout_index_t> order{state_->current};
  for (xkb_layout_index_t i = 0; i < state_->ids.size(); ++i) order.push_back(i);
  // The most recent ASCII-capable group still enabled stays when the current one is not.
  if (state_->lastAsciiCapable && !asciiCapable(state_->current))
    if (auto index = state_->indexOf({*state_->lastAsciiCapable}))
      order.insert(order.begin() + 1, static_cast<xkb_layout_index_t>(*index));
  for (auto layout : order) {
    if (layout < state_->ids.size() && asciiCapable(layout)) {
      state_->lastAsciiCapable = state_->ids[layout];
      return platform::InputSource{state_->ids[layout]};
    }
  }
  return std::nullopt;
}

std::optional<std::vector<platform::InputSource>> XkbInputSources::enabledKeyboardSources() {
  std::lock_guard lock(state_->mutex);
  if (!state_->refresh()) return std::nullopt;
  std::vector<platform::InputSource> list;
  for (const auto& id : state_->ids) list.push_back({id});
  return list;
}

std::optional<platform::KeyLayoutData> XkbInputSources::keyLayoutData(
    const platform::InputSource& source) {
  std::lock_guard lock(state_->mutex);
  auto index = state_->indexOf(source);
  if (!index) {
    if (!state_->refresh()) return std::nullopt;
    index = state_->indexOf(source);
  }
  if (!index) return std::nullopt;
  auto handle = std::make_shared<const LayoutHandle>(
      LayoutHandle{state_->keymap, static_cast<xkb_layout_index_t>(*index)});
  return platform::KeyLayoutData{std::shared_ptr<const void>(handle, handle.get())};
}

std::optional<bool> XkbInputSources::isSelectCapable(const platform::InputSource& source) {
  std::lock_guard lock(state_->mutex);
  if (!state_->indexOf(source)) return std::nullopt;
  return true;  // every keyboard group can be chosen by the user
}

std::optional<std::vector<std::string>> XkbInputSources::languages(
    const platform::InputSource& source) {
  std::lock_guard lock(state_->mutex);
  if (!state_->indexOf(source) || !source.id.starts_with(kIdPrefix)) return std::nullopt;
  std::string layout = source.id.substr(kIdPrefix.size());
  layout = layout.substr(0, layout.find('('));
  auto it = kLanguages.find(layout);
  if (it != kLanguages.end()) return std::vector<std::string>{it->second};
  // Layouts outside the table name no language the helper can vouch for.
  return std::nullopt;
}

std::optional<std::u16string> XkbInputSources::translateKey(
    const platform::KeyLayoutData& layoutData, std::uint16_t keyCode, platform::KeyAction action,
    std::uint32_t modifierState, std::uint32_t, std::uint32_t options, std::uint32_t& deadKeyState,
    std::size_t maxLength) {
  const auto* handle = static_cast<const LayoutHandle*>(layoutData.bytes.get());
  if (!handle || !handle->keymap || action > platform::kKeyActionDisplay) return std::nullopt;
  if (action == platform::kKeyActionUp) return std::u16string();
  std::u16string text;
  auto keycode = keycodeForVirtualKey(keyCode);
  if (keycode) {
    std::lock_guard lock(state_->mutex);
    const xkb_keysym_t sym =
        state_->keysym(handle->keymap.get(), handle->layout, *keycode, modifierState);
    const bool dead = isDeadKey(sym);
    const auto pending = static_cast<xkb_keysym_t>(deadKeyState);
    auto own = [](xkb_keysym_t s) {
      std::u16string t;
      appendUtf16(t, isDeadKey(s) ? deadKeyOwn(s) : xkb_keysym_to_utf32(s));
      return t;
    };
    if (action == platform::kKeyActionDisplay) {
      text = own(sym);  // what is printed on the key; no composition starts or ends
    } else if (dead && !pending && !(options & platform::kTranslateNoDeadKeys)) {
      deadKeyState = sym;
    } else if (pending) {
      deadKeyState = 0;
      text = own(pending) + own(sym);
      if (state_->compose) {
        xkb_compose_state* compose =
            xkb_compose_state_new(state_->compose, XKB_COMPOSE_STATE_NO_FLAGS);
        xkb_compose_state_feed(compose, pending);
        xkb_compose_state_feed(compose, sym);
        if (xkb_compose_state_get_status(compose) == XKB_COMPOSE_COMPOSED) {
          char utf8[64];
          if (xkb_compose_state_get_utf8(compose, utf8, sizeof utf8) > 0)
            text = platform::utf16FromUtf8(utf8);
        }
        xkb_compose_state_unref(compose);
      }
    } else {
      text = own(sym);
    }
  }
  if (text.size() > maxLength) return std::nullopt;
  return text;
}

}  // namespace parlevox::x11
