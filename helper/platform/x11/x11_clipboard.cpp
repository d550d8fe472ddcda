// The CLIPBOARD selection of an X session as the general pasteboard: reading every target its
// owner offers, owning it to serve saved targets byte for byte, and counting ownership changes.
#include "helper/platform/x11/x11_clipboard.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <future>
#include <list>

#include "helper/platform/x11/x11_session_display.h"
#include "helper/platform/x11/x11_wake_pipe.h"

namespace parlevox::x11 {
namespace {

// Targets that describe the selection or ask the owner to act; they are not data to keep.
constexpr const char* kMetaTargets[] = {"TARGETS",        "TIMESTAMP", "MULTIPLE",
                                        "SAVE_TARGETS",   "DELETE",    "INSERT_SELECTION",
                                        "INSERT_PROPERTY"};

bool isMetaTarget(std::string_view name) {
  return std::any_of(std::begin(kMetaTargets), std::end(kMetaTargets),
                     [&](const char* meta) { return name == meta; });
}

// Where plain text of the helper's own lands: the text targets applications ask for first.
constexpr const char* kTextTargets[] = {"UTF8_STRING", "text/plain;charset=utf-8"};

std::size_t unitBytes(int format) {
  return format == 32 ? 4 : format == 16 ? 2 : 1;
}

// Xlib hands format-32 properties over as longs; on the wire (and in saved values) they are 4-byte
// units. These two convert between the forms.
std::string wireBytes(const unsigned char* data, unsigned long items, int format) {
  if (format == 32) {
    std::string out(items * 4, '\0');
    const auto* longs = reinterpret_cast<const long*>(data);
    for (unsigned long i = 0; i < items; ++i) {
      const auto unit = static_cast<std::uint32_t>(longs[i]);
      std::memcpy(out.data() + i * 4, &unit, 4);
    }
    return out;
  }
  return std::string(reinterpret_cast<const char*>(data), items * unitBytes(format));
}

void changeProperty(Display* d, Window w, Atom property, Atom type, int format,
                    std::string_view bytes, int mode = PropModeReplace) {
  const std::size_t unit = unitBytes(format);
  const auto items = static_cast<int>(bytes.size() / unit);
  if (format == 32) {
    std::vector<long> longs(static_cast<std::size_t>(items));
    for (std::size_t i = 0; i < longs.size(); ++i) {
      std::uint32_t u;
      std::memcpy(&u, bytes.data() + i * 4, 4);
      longs[i] = static_cast<long>(u);
    }
    XChangeProperty(d, w, property, type, 32, mode,
                    reinterpret_cast<const unsigned char*>(longs.data()), items);
    return;
  }
  XChangeProperty(d, w, property, type, format, mode,
                  reinterpret_cast<const unsigned char*>(bytes.data()), items);
}

std::string atomName(Display* d, Atom atom) {
  if (atom == None) return {};
  char* name = XGetAtomName(d, atom);
  if (!name) return {};
  std::string result(name);
  XFree(name);
  return result;
}

std::string latin1ToUtf8(std::string_view latin1) {
  std::string out;
  for (unsigned char c : latin1) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// One property read whole, deleting it: a read from the owner's answer, or one chunk.
struct PropertyRead {
  Atom type = None;
  int format = 8;
  std::string bytes;
};

std::optional<PropertyRead> takeProperty(Display* d, Window w, Atom property, std::size_t limit) {
  Atom type = None;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  const long longs = static_cast<long>(std::min<std::size_t>(limit / 4 + 1, 0x1FFFFFFF));
  if (XGetWindowProperty(d, w, property, 0, longs, True, AnyPropertyType, &type, &format, &items,
                         &after, &data) != Success)
    return std::nullopt;
  PropertyRead read;
  read.type = type;
  read.format = format == 0 ? 8 : format;
  if (data) {
    read.bytes = wireBytes(data, items, read.format);
    XFree(data);
  }
  if (after > 0) {
    XDeleteProperty(d, w, property);
    return std::nullopt;  // larger than the limit
  }
  return read;
}

}  // namespace

// An outgoing incremental transfer: one requestor's property, fed chunk by chunk as it deletes it.
struct Transfer {
  Window requestor = None;
  Atom property = None;
  Atom type = None;
  int format = 8;
  std::shared_ptr<const std::string> bytes;
  std::size_t offset = 0;
  bool finished = false;  // the closing empty chunk is written
  double deadline = 0;
};

struct X11Clipboard::State {
  ClipboardLimits limits;

  // The reading side: used by the calling (main) thread only.
  DisplayPtr reader;
  Window readerWindow = None;
  Atom clipboard = None, targets = None, incr = None, readProperty = None;
  // The change count and the value read last, so that an owner that stopped answering is not
  // asked again for every target of the same contents.
  std::optional<std::int64_t> unresponsiveAt;
  // How each target arrived when last read (type and format), so that it leaves the same way.
  std::map<std::string, std::pair<std::string, int>> shapes;

  // The owning side: its own connection, served by its own thread.
  DisplayPtr owner;
  Window ownerWindow = None;
  int fixesEventBase = 0;
  WakePipe wake;  // before the thread, which uses it until joined
  std::thread thread;
  std::atomic<bool> stop{false};

  std::mutex mutex;
  std::condition_variable changed;
  std::int64_t count = 0;                   // guarded by mutex
  std::deque<std::function<void()>> tasks;  // guarded by mutex; run on the owner thread

  // Owner thread only.
  bool owning = false;
  Time ownedAt = CurrentTime;
  std::vector<std::pair<std::string, SelectionValue>> served;  // target name, value
  std::list<Transfer> transfers;
  Atom ownerClipboard = None, ownerTargets = None, ownerTimestamp = None, ownerMultiple = None,
       ownerIncr = None, atomPair = None;

  ~State() {
    stop = true;
    wake.wake();
    if (thread.joinable()) thread.join();
  }

  // Runs `task` on the owner thread and waits for it, at most the reply timeout.
  template <typename T>
  std::optional<T> onOwner(std::function<T()> task) {
    auto promise = std::make_shared<std::promise<T>>();
    auto future = promise->get_future();
    {
      std::lock_guard lock(mutex);
      tasks.push_back([promise, task = std::move(task)] { promise->set_value(task()); });
    }
    wake.wake();
    if (future.wait_for(std::chrono::duration<double, std::milli>(limits.replyTimeoutMs)) !=
        std::future_status::ready)
      return std::nullopt;
    return future.get();
  }

  void run();
  void handle(XEvent& event);
  void serve(const XSelectionRequestEvent& request);
  bool answer(Window requestor, Atom target, Atom property);
  void feed(Transfer& transfer);
  std::vector<Atom> offeredTargets();
};

void X11Clipboard::State::run() {
  Display* d = owner.get();
  while (!stop) {
    double timeout = 1000;
    const double now = nowMs();
    for (const auto& t : transfers) timeout = std::min(timeout, std::max(0.0, t.deadline - now));
    if (!wake.wait(d, timeout)) break;
    for (;;) {
      std::function<void()> task;
      {
        std::lock_guard lock(mutex);
        if (tasks.empty()) break;
        task = std::move(tasks.front());
        tasks.pop_front();
      }
      task();
    }
    while (XPending(d) > 0) {
      XEvent event;
      XNextEvent(d, &event);
      handle(event);
    }
    // A requestor that stopped taking chunks (or vanished) ends its transfer.
    const double later = nowMs();
    transfers.remove_if([&](const Transfer& t) { return t.deadline < later; });
    XFlush(d);
  }
}

void X11Clipboard::State::handle(XEvent& event) {
  if (event.type == fixesEventBase + XFixesSelectionNotify) {
    const auto& notify = reinterpret_cast<const XFixesSelectionNotifyEvent&>(event);
    if (notify.selection != ownerClipboard) return;
    if (notify.owner == ownerWindow) ownedAt = notify.selection_timestamp;
    std::lock_guard lock(mutex);
    ++count;
    changed.notify_all();
    return;
  }
  switch (event.type) {
    case SelectionRequest:
      serve(event.xselectionrequest);
      break;
    case SelectionClear:
      if (event.xselectionclear.selection == ownerClipboard) {
        // Another client took the clipboard over: what was served is theirs to replace now.
        owning = false;
        served.clear();
      }
      break;
    case PropertyNotify:
      if (event.xproperty.state != PropertyDelete) break;
      for (auto it = transfers.begin(); it != transfers.end(); ++it) {
        if (it->requestor != event.xproperty.window || it->property != event.xproperty.atom)
          continue;
        if (it->finished) {
          transfers.erase(it);
        } else {
          feed(*it);
        }
        break;
      }
      break;
    default:
      break;
  }
}

std::vector<Atom> X11Clipboard::State::offeredTargets() {
  std::vector<Atom> list{ownerTargets, ownerTimestamp, ownerMultiple};
  for (const auto& [name, value] : served)
    list.push_back(XInternAtom(owner.get(), name.c_str(), False));
  return list;
}

bool X11Clipboard::State::answer(Window requestor, Atom target, Atom property) {
  Display* d = owner.get();
  if (target == ownerTargets) {
    auto list = offeredTargets();
    XChangeProperty(d, requestor, property, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(list.data()),
                    static_cast<int>(list.size()));
    return true;
  }
  if (target == ownerTimestamp) {
    const long time = static_cast<long>(ownedAt);
    XChangeProperty(d, requestor, property, XA_INTEGER, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&time), 1);
    return true;
  }
  const std::string name = atomName(d, target);
  auto it = std::find_if(served.begin(), served.end(),
                         [&](const auto& entry) { return entry.first == name; });
  if (it == served.end()) return false;
  const SelectionValue& value = it->second;
  const Atom type = XInternAtom(d, value.type.c_str(), False);
  if (value.bytes.size() <= limits.incrementalChunk) {
    changeProperty(d, requestor, property, type, value.format, value.bytes);
    return true;
  }
  // Too large for one property: announce the size, then hand out chunks as the requestor
  // deletes each one.
  XSelectInput(d, requestor, PropertyChangeMask);
  const long size = static_cast<long>(std::min<std::size_t>(value.bytes.size(), 0x7FFFFFFF));
  XChangeProperty(d, requestor, property, ownerIncr, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&size), 1);
  Transfer transfer;
  transfer.requestor = requestor;
  transfer.property = property;
  transfer.type = type;
  transfer.format = value.format;
  transfer.bytes = std::make_shared<const std::string>(value.bytes);
  transfer.deadline = nowMs() + limits.replyTimeoutMs;
  // A requestor starts a new transfer on the same property only after the old one ended.
  transfers.remove_if(
      [&](const Transfer& t) { return t.requestor == requestor && t.property == property; });
  transfers.push_back(std::move(transfer));
  return true;
}

void X11Clipboard::State::feed(Transfer& t) {
  const std::size_t unit = unitBytes(t.format);
  std::size_t size = std::min(limits.incrementalChunk, t.bytes->size() - t.offset);
  size -= size % unit;
  changeProperty(owner.get(), t.requestor, t.property, t.type, t.format,
                 std::string_view(*t.bytes).substr(t.offset, size));
  t.offset += size;
  if (size == 0) t.finished = true;  // the empty chunk closes the transfer
  t.deadline = nowMs() + limits.replyTimeoutMs;
}

void X11Clipboard::State::serve(const XSelectionRequestEvent& request) {
  Display* d = owner.get();
  // Requestors from before the property convention name no property: the target stands in.
  const Atom property = request.property == None ? request.target : request.property;
  bool ok = false;
  if (owning && request.selection == ownerClipboard) {
    if (request.target == ownerMultiple && request.property != None) {
      // Pairs of (target, property) in the requestor's property; a pair that cannot be served
      // has its property replaced by None.
      Atom type = None;
      int format = 0;
      unsigned long items = 0, after = 0;
      unsigned char* data = nullptr;
      if (XGetWindowProperty(d, request.requestor, property, 0, 0x10000, False, atomPair, &type,
                             &format, &items, &after, &data) == Success &&
          data && format == 32) {
        auto* pairs = reinterpret_cast<Atom*>(data);
        for (unsigned long i = 0; i + 1 < items; i += 2)
          if (pairs[i] == ownerMultiple || !answer(request.requestor, pairs[i], pairs[i + 1]))
            pairs[i + 1] = None;
        XChangeProperty(d, request.requestor, property, atomPair, 32, PropModeReplace, data,
                        static_cast<int>(items));
        ok = true;
      }
      if (data) XFree(data);
    } else if (request.target != ownerMultiple) {
      ok = answer(request.requestor, request.target, property);
    }
  }
  XEvent reply{};
  reply.xselection.type = SelectionNotify;
  reply.xselection.requestor = request.requestor;
  reply.xselection.selection = request.selection;
  reply.xselection.target = request.target;
  reply.xselection.property = ok ? property : None;
  reply.xselection.time = request.time;
  XSendEvent(d, request.requestor, False, NoEventMask, &reply);
}

std::unique_ptr<X11Clipboard> X11Clipboard::open(const char* display, ClipboardLimits limits) {
  auto state = std::make_unique<State>();
  state->limits = limits;
  state->limits.incrementalChunk = std::max<std::size_t>(state->limits.incrementalChunk, 64);
  state->reader = openSessionDisplay(display);
  state->owner = openSessionDisplay(display);
  if (!state->reader || !state->owner) return nullptr;
  int errorBase = 0;
  if (!XFixesQueryExtension(state->owner.get(), &state->fixesEventBase, &errorBase)) return nullptr;

  Display* r = state->reader.get();
  state->readerWindow = XCreateSimpleWindow(r, DefaultRootWindow(r), 0, 0, 1, 1, 0, 0, 0);
  XSelectInput(r, state->readerWindow, PropertyChangeMask);
  state->clipboard = XInternAtom(r, "CLIPBOARD", False);
  state->targets = XInternAtom(r, "TARGETS", False);
  state->incr = XInternAtom(r, "INCR", False);
  state->readProperty = XInternAtom(r, "PARLEVOX_CLIPBOARD", False);
  XFlush(r);

  Display* o = state->owner.get();
  state->ownerWindow = XCreateSimpleWindow(o, DefaultRootWindow(o), 0, 0, 1, 1, 0, 0, 0);
  state->ownerClipboard = XInternAtom(o, "CLIPBOARD", False);
  state->ownerTargets = XInternAtom(o, "TARGETS", False);
  state->ownerTimestamp = XInternAtom(o, "TIMESTAMP", False);
  state->ownerMultiple = XInternAtom(o, "MULTIPLE", False);
  state->ownerIncr = XInternAtom(o, "INCR", False);
  state->atomPair = XInternAtom(o, "ATOM_PAIR", False);
  XFixesSelectSelectionInput(o, DefaultRootWindow(o), state->ownerClipboard,
                             XFixesSetSelectionOwnerNotifyMask |
                                 XFixesSelectionWindowDestroyNotifyMask |
                                 XFixesSelectionClientCloseNotifyMask);
  XSync(o, False);
  if (!state->wake.ok()) return nullptr;
  State* raw = state.get();
  state->thread = std::thread([raw] { raw->run(); });
  return std::unique_ptr<X11Clipboard>(new X11Clipboard(std::move(state)));
}

X11Clipboard::X11Clipboard(std::unique_ptr<State> state) : state_(std::move(state)) {}
X11Clipboard::~X11Clipboard() = default;

std::int64_t X11Clipboard::changeCount() {
  std::lock_guard lock(state_->mutex);
  return state_->count;
}

std::optional<SelectionValue> X11Clipboard::read(std::string_view target) {
  State& s = *state_;
  Display* d = s.reader.get();
  const auto count = changeCount();
  if (s.unresponsiveAt == count) return std::nullopt;
  if (XGetSelectionOwner(d, s.clipboard) == None) return std::nullopt;
  const Atom targetAtom = XInternAtom(d, std::string(target).c_str(), False);
  // Whatever a conversion that ran out of time left behind must not be taken for this one.
  XDeleteProperty(d, s.readerWindow, s.readProperty);
  XSync(d, False);
  XEvent stale;
  while (XCheckWindowEvent(d, s.readerWindow, PropertyChangeMask, &stale) ||
         XCheckTypedWindowEvent(d, s.readerWindow, SelectionNotify, &stale)) {
  }

  XConvertSelection(d, s.clipboard, targetAtom, s.readProperty, s.readerWindow, CurrentTime);
  XFlush(d);
  XEvent event;
  const Window window = s.readerWindow;
  const bool answered = waitForEvent(
      d, event,
      [&](const XEvent& e) {
        return e.type == SelectionNotify && e.xselection.requestor == window &&
               e.xselection.target == targetAtom;
      },
      s.limits.replyTimeoutMs);
  if (!answered) {
    s.unresponsiveAt = count;
    return std::nullopt;
  }
  if (event.xselection.property == None) return std::nullopt;
  auto first = takeProperty(d, window, event.xselection.property, s.limits.maxValueBytes);
  if (!first) return std::nullopt;
  SelectionValue value;
  if (first->type != s.incr) {
    value.type = atomName(d, first->type);
    value.format = first->format;
    value.bytes = std::move(first->bytes);
    return value;
  }
  // The incremental protocol: deleting the property (done by the read) asks for each next chunk;
  // an empty chunk ends the value.
  const Atom property = event.xselection.property;
  for (bool started = false;;) {
    const bool more = waitForEvent(
        d, event,
        [&](const XEvent& e) {
          return e.type == PropertyNotify && e.xproperty.window == window &&
                 e.xproperty.atom == property && e.xproperty.state == PropertyNewValue;
        },
        s.limits.replyTimeoutMs);
    if (!more) {
      s.unresponsiveAt = count;
      return std::nullopt;
    }
    auto chunk =
        takeProperty(d, window, property,
                     s.limits.maxValueBytes - std::min(s.limits.maxValueBytes, value.bytes.size()));
    if (!chunk) return std::nullopt;
    // The announcement's own new-value event, read before it was taken: nothing there now.
    if (chunk->type == None) continue;
    if (chunk->bytes.empty()) break;
    if (!started) {
      value.type = atomName(d, chunk->type);
      value.format = chunk->format;
      started = true;
    }
    value.bytes += chunk->bytes;
    if (value.bytes.size() > s.limits.maxValueBytes) return std::nullopt;
  }
  if (value.type.empty()) value.type = std::string(target);
  return value;
}

std::optional<std::vector<platform::PasteboardItem>> X11Clipboard::pasteboardItems() {
  State& s = *state_;
  Display* d = s.reader.get();
  const auto count = changeCount();
  std::vector<platform::PasteboardItem> items;
  if (XGetSelectionOwner(d, s.clipboard) == None) return items;
  auto list = read("TARGETS");
  if (!list || list->format != 32) return std::nullopt;
  platform::PasteboardItem item;
  item.changeCount = count;
  for (std::size_t at = 0; at + 4 <= list->bytes.size(); at += 4) {
    std::uint32_t atom;
    std::memcpy(&atom, list->bytes.data() + at, 4);
    auto name = atomName(d, atom);
    if (name.empty() || isMetaTarget(name)) continue;
    if (std::find(item.types.begin(), item.types.end(), name) == item.types.end())
      item.types.push_back(std::move(name));
  }
  items.push_back(std::move(item));
  return items;
}

std::optional<std::string> X11Clipboard::dataForType(const platform::PasteboardItem& item,
                                                     std::string_view type) {
  if (item.index != 0 || item.changeCount != changeCount() || isMetaTarget(type))
    return std::nullopt;
  auto value = read(type);
  if (!value || item.changeCount != changeCount()) return std::nullopt;
  state_->shapes[std::string(type)] = {value->type, value->format};
  return std::move(value->bytes);
}

std::optional<std::string> X11Clipboard::string() {
  for (const char* target : kTextTargets)
    if (auto value = read(target)) return std::move(value->bytes);
  if (auto value = read("STRING")) return latin1ToUtf8(value->bytes);
  return std::nullopt;
}

std::int64_t X11Clipboard::clearContents() {
  State& s = *state_;
  std::unique_lock lock(s.mutex);
  const auto before = s.count;
  lock.unlock();
  auto owned = s.onOwner<bool>([&s] {
    Display* d = s.owner.get();
    s.served.clear();
    s.transfers.clear();
    XSetSelectionOwner(d, s.ownerClipboard, s.ownerWindow, CurrentTime);
    s.owning = XGetSelectionOwner(d, s.ownerClipboard) == s.ownerWindow;
    return s.owning;
  });
  lock.lock();
  // The server announces the new owner to every watcher, this one too: the count moves then.
  if (owned == true)
    s.changed.wait_for(lock, std::chrono::duration<double, std::milli>(s.limits.replyTimeoutMs),
                       [&] { return s.count != before; });
  return s.count;
}

bool X11Clipboard::writeObjects(std::vector<platform::PasteboardItemData> items) {
  State& s = *state_;
  // The selection holds one set of targets: the items' types join it in order, the first value
  // of a target winning.
  std::vector<std::pair<std::string, SelectionValue>> values;
  auto add = [&](const std::string& target, SelectionValue value) {
    if (isMetaTarget(target)) return;
    if (std::any_of(values.begin(), values.end(), [&](const auto& v) { return v.first == target; }))
      return;
    values.emplace_back(target, std::move(value));
  };
  for (auto& item : items) {
    for (auto& data : item) {
      if (data.type == platform::kPlainTextType) {
        for (const char* target : kTextTargets) add(target, {target, 8, data.bytes});
        continue;
      }
      SelectionValue value{data.type, 8, std::move(data.bytes)};
      if (auto shape = s.shapes.find(data.type); shape != s.shapes.end()) {
        value.type = shape->second.first.empty() ? data.type : shape->second.first;
        value.format = shape->second.second;
      }
      if (value.bytes.size() % unitBytes(value.format) != 0) value.format = 8;
      add(data.type, std::move(value));
    }
  }
  auto ok = s.onOwner<bool>([&s, values = std::move(values)]() mutable {
    if (!s.owning) return false;
    for (auto& v : values) s.served.push_back(std::move(v));
    return true;
  });
  return ok == true;
}

}  // namespace parlevox::x11
