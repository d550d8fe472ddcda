// The X11 clipboard on a bare X server: every target saved and served back byte for byte, large
// values through the incremental protocol both ways, ownership changes counted, and peers that
// stop answering ending as absent values.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

#include "helper/output/saved_pasteboard.h"
#include "helper/platform/x11/x11_clipboard.h"
#include "helper/tests/support/xvfb_server.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace parlevox {
namespace {

using x11::X11Clipboard;

constexpr x11::ClipboardLimits kLimits{.replyTimeoutMs = 3000, .incrementalChunk = 64 * 1024};

std::string randomBytes(std::size_t size) {
  std::mt19937 random(7);
  std::string bytes(size, '\0');
  for (auto& b : bytes) b = static_cast<char>(random());
  bytes[5] = '\0';
  return bytes;
}

template <typename F>
bool eventually(F condition) {
  for (int i = 0; i < 300; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST(X11Clipboard, SavesEveryTargetAndServesItBackByteForByte) {
  testing::XvfbServer server;
  ASSERT_FALSE(server.display().empty());
  auto helper = X11Clipboard::open(server.display().c_str(), kLimits);
  auto app = X11Clipboard::open(server.display().c_str(), kLimits);
  auto other = X11Clipboard::open(server.display().c_str(), kLimits);
  ASSERT_TRUE(helper && app && other);
  EXPECT_EQ(helper->pasteboardItems()->size(), 0u) << "nobody owns the clipboard yet";
  EXPECT_EQ(helper->string(), std::nullopt);

  // The application copies text (with a NUL), HTML and a picture far larger than one property.
  const std::string text("Grüße\0zwei", 11);
  const std::string html = "<b>hi</b>";
  const std::string picture = randomBytes(1'000'000);
  const auto start = helper->changeCount();
  app->clearContents();
  ASSERT_TRUE(app->writeObjects({{{std::string(platform::kPlainTextType), text},
                                  {"text/html", html},
                                  {"image/png", picture}}}));
  ASSERT_TRUE(eventually([&] { return helper->changeCount() == start + 1; }));

  auto items = helper->pasteboardItems();
  ASSERT_TRUE(items && items->size() == 1);
  EXPECT_EQ((*items)[0].types, (std::vector<std::string>{"UTF8_STRING", "text/plain;charset=utf-8",
                                                         "text/html", "image/png"}))
      << "the meta targets are not data";
  EXPECT_EQ(helper->string(), text);
  auto saved = savePasteboard(*helper);
  ASSERT_EQ(saved.items.size(), 1u);
  ASSERT_EQ(saved.items[0].size(), 4u);
  EXPECT_EQ(saved.items[0][2].bytes, html);
  EXPECT_TRUE(saved.items[0][3].bytes == picture) << "read through the incremental protocol";

  // Someone else copies; listed items of the old contents read no more.
  other->clearContents();
  ASSERT_TRUE(other->writeObjects({{{std::string(platform::kPlainTextType), "copied"}}}));
  ASSERT_TRUE(eventually([&] { return helper->changeCount() == start + 2; }));
  EXPECT_EQ(helper->dataForType((*items)[0], "text/html"), std::nullopt);
  EXPECT_EQ(helper->string(), "copied");

  // Giving the clipboard back: the helper owns it and serves every saved target unchanged.
  restorePasteboard(*helper, saved);
  EXPECT_EQ(helper->changeCount(), start + 3);
  for (const auto& data : saved.items[0]) {
    auto value = app->read(data.type);
    ASSERT_TRUE(value) << data.type;
    EXPECT_TRUE(value->bytes == data.bytes) << data.type << " " << value->bytes.size();
    EXPECT_EQ(value->type, data.type);
    EXPECT_EQ(value->format, 8);
  }
  auto stamp = app->read("TIMESTAMP");
  ASSERT_TRUE(stamp);
  EXPECT_EQ(stamp->format, 32);
  EXPECT_EQ(other->writeObjects({{{"text/html", "late"}}}), false) << "its ownership ended";

  // Another client taking over ends the serving: the helper adds nothing without clearing again.
  app->clearContents();
  ASSERT_TRUE(eventually([&] { return helper->changeCount() == start + 4; }));
  EXPECT_FALSE(helper->writeObjects({{{"text/html", "late"}}}));
  EXPECT_EQ(helper->pasteboardItems()->at(0).types, std::vector<std::string>{});
}

// Raw peers: one owns the clipboard and never answers, one starts a large transfer and vanishes,
// one asks for several targets at once.
TEST(X11Clipboard, PeersThatStopAnsweringEndAsAbsentValues) {
  testing::XvfbServer server;
  ASSERT_FALSE(server.display().empty());
  auto helper = X11Clipboard::open(server.display().c_str(),
                                   {.replyTimeoutMs = 300, .incrementalChunk = 64 * 1024});
  auto app = X11Clipboard::open(server.display().c_str(), kLimits);
  ASSERT_TRUE(helper && app);

  Display* frozen = XOpenDisplay(server.display().c_str());
  ASSERT_TRUE(frozen);
  const Atom clipboard = XInternAtom(frozen, "CLIPBOARD", False);
  Window frozenWindow = XCreateSimpleWindow(frozen, DefaultRootWindow(frozen), 0, 0, 1, 1, 0, 0, 0);
  XSetSelectionOwner(frozen, clipboard, frozenWindow, CurrentTime);
  XSync(frozen, False);
  EXPECT_EQ(helper->pasteboardItems(), std::nullopt);
  EXPECT_EQ(helper->string(), std::nullopt);
  XCloseDisplay(frozen);  // the selection goes with its owner's connection
  ASSERT_TRUE(
      eventually([&] { return helper->pasteboardItems() && helper->pasteboardItems()->empty(); }));

  const std::string big = randomBytes(300'000);
  helper->clearContents();
  ASSERT_TRUE(helper->writeObjects(
      {{{"application/octet-stream", big}, {std::string(platform::kPlainTextType), "text"}}}));

  // A requestor takes the announcement of a large value, then goes away without reading it.
  Display* vanishing = XOpenDisplay(server.display().c_str());
  ASSERT_TRUE(vanishing);
  Window window = XCreateSimpleWindow(vanishing, DefaultRootWindow(vanishing), 0, 0, 1, 1, 0, 0, 0);
  const Atom property = XInternAtom(vanishing, "P", False);
  XConvertSelection(vanishing, XInternAtom(vanishing, "CLIPBOARD", False),
                    XInternAtom(vanishing, "application/octet-stream", False), property, window,
                    CurrentTime);
  XEvent event;
  do XNextEvent(vanishing, &event);
  while (event.type != SelectionNotify);
  EXPECT_EQ(event.xselection.property, property);
  XCloseDisplay(vanishing);
  EXPECT_TRUE(app->read("application/octet-stream")->bytes == big) << "the others are still served";

  // Several targets at once: the one not offered comes back as None.
  Display* multiple = XOpenDisplay(server.display().c_str());
  ASSERT_TRUE(multiple);
  window = XCreateSimpleWindow(multiple, DefaultRootWindow(multiple), 0, 0, 1, 1, 0, 0, 0);
  const Atom pairsProperty = XInternAtom(multiple, "PAIRS", False);
  Atom pairs[4] = {XInternAtom(multiple, "UTF8_STRING", False), XInternAtom(multiple, "P1", False),
                   XInternAtom(multiple, "image/gif", False), XInternAtom(multiple, "P2", False)};
  XChangeProperty(multiple, window, pairsProperty, XInternAtom(multiple, "ATOM_PAIR", False), 32,
                  PropModeReplace, reinterpret_cast<unsigned char*>(pairs), 4);
  XConvertSelection(multiple, XInternAtom(multiple, "CLIPBOARD", False),
                    XInternAtom(multiple, "MULTIPLE", False), pairsProperty, window, CurrentTime);
  do XNextEvent(multiple, &event);
  while (event.type != SelectionNotify);
  ASSERT_EQ(event.xselection.property, pairsProperty);
  auto readProperty = [&](Atom p) {
    Atom type;
    int format;
    unsigned long items, after;
    unsigned char* data = nullptr;
    XGetWindowProperty(multiple, window, p, 0, 1024, False, AnyPropertyType, &type, &format, &items,
                       &after, &data);
    std::vector<unsigned long> longs;
    std::string bytes;
    if (data && format == 32)
      longs.assign(reinterpret_cast<unsigned long*>(data),
                   reinterpret_cast<unsigned long*>(data) + items);
    else if (data)
      bytes.assign(reinterpret_cast<char*>(data), items);
    if (data) XFree(data);
    return std::pair{longs, bytes};
  };
  EXPECT_EQ(readProperty(pairs[1]).second, "text");
  const auto answered = readProperty(pairsProperty).first;
  ASSERT_EQ(answered.size(), 4u);
  EXPECT_EQ(answered[1], pairs[1]);
  EXPECT_EQ(answered[3], static_cast<unsigned long>(None));
  XCloseDisplay(multiple);
}

}  // namespace
}  // namespace parlevox
