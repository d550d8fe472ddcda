// windowShot on simulated windows: which window, the capture size, the reply's keys and errors,
// and the reading order of recognised lines.
#include "helper/context/window_shot.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "helper/platform/image_encoder.h"
#include "helper/tests/support/test_helper.h"

namespace parlevox {
namespace {

using Json = nlohmann::json;
using platform::NormalisedRect;
using platform::TextObservation;
using testing::loadDesktop;
using testing::VirtualRunLoop;

TextObservation line(double minX, double minY, std::vector<std::string> candidates) {
  return {.boundingBox = NormalisedRect{minX, minY, 0.2, 0.05},
          .candidates = std::move(candidates)};
}

// Answers with the observations, the error or the exception it is given; remembers what it saw.
class ScriptedRecognizer final : public platform::TextRecognizer {
 public:
  std::vector<TextObservation> observations;
  std::optional<std::string> error;
  bool throws = false;
  std::vector<std::pair<int, int>> sizes;
  std::vector<platform::TextRecognitionRequest> requests;

  Result recognize(const platform::Image& image,
                   const platform::TextRecognitionRequest& request) override {
    sizes.emplace_back(image.width, image.height);
    requests.push_back(request);
    if (throws) throw std::runtime_error("recognizer ran out of memory");
    if (error) return *error;
    return observations;
  }
};

class ScriptedEncoder final : public platform::ImageEncoder {
 public:
  bool fails = false;
  std::optional<std::vector<std::uint8_t>> jpeg(const platform::Image&, double factor) override {
    EXPECT_EQ(factor, 0.8);
    if (fails) return std::nullopt;
    return std::vector<std::uint8_t>{0xFF, 0xD8, 0xFF, 0xD9};
  }
};

// One shot on a desktop with the given windows; the reply once everything posted has run.
struct Shot {
  explicit Shot(const std::string& scenario) : desktop(loadDesktop(scenario)) {
    desktop->recorder.keepInMemory();
  }

  Json take(const WindowShotRequest& request, const std::string& focusedTitle = "") {
    WindowShotServices services{.permissions = &desktop->permissions,
                                .capture = &desktop->windowCapture,
                                .recognizer = noRecognizer ? nullptr : &recognizer,
                                .encoder = &encoder,
                                .focusedWindowTitle = [this, focusedTitle](std::int32_t pid) {
                                  titleAsked.push_back(pid);
                                  return focusedTitle;
                                }};
    std::vector<Json> replies;
    windowShot(services, loop, request, [&](Json reply) { replies.push_back(std::move(reply)); });
    repliedAtOnce = !replies.empty();
    loop.drain();
    EXPECT_EQ(replies.size(), 1u) << "exactly one reply";
    return replies.empty() ? Json() : replies.front();
  }

  std::unique_ptr<sim::SimDesktop> desktop;
  VirtualRunLoop loop;
  ScriptedRecognizer recognizer;
  bool noRecognizer = false;
  ScriptedEncoder encoder;
  std::vector<std::int32_t> titleAsked;
  bool repliedAtOnce = false;
};

std::string window(int pid, double width, double height, const std::string& more = "") {
  return R"({"pid": )" + std::to_string(pid) + R"(, "frame": {"x": 10, "y": 20, "width": )" +
         std::to_string(width) + R"(, "height": )" + std::to_string(height) + "}" + more + "}";
}

Json shotOf(int width, int height, const std::string& title) {
  return {{"ok", true}, {"width", width}, {"height", height}, {"title", title}};
}
Json failed(const std::string& error) {
  return {{"ok", false}, {"error", error}};
}

WindowShotRequest ask(std::int32_t pid, std::int64_t maxSize = 1280, bool trusted = false) {
  return {.pid = pid, .image = false, .ocr = false, .maxSize = maxSize, .trusted = trusted};
}

struct ChoiceCase {
  const char* rule;
  std::vector<std::string> windows;
  WindowShotRequest request;
  std::string focusedTitle;
  Json expected;
};

TEST(WindowShot, ChoosesTheWindowAndItsCaptureSize) {
  const auto main = window(7, 1000, 700, R"(, "title": "Main")");
  const auto inspector = window(7, 400, 300, R"(, "title": "Inspector")");
  const ChoiceCase cases[] = {
      {"trusted: the focused window by title, though smaller",
       {main, inspector},
       ask(7, 1280, true),
       "Inspector",
       shotOf(800, 600, "Inspector")},
      {"untrusted: the largest; the title is not asked for",
       {inspector, main},
       ask(7),
       "Inspector",
       shotOf(1280, 896, "Main")},
      {"no title match: the largest",
       {main, inspector},
       ask(7, 1280, true),
       "Elsewhere",
       shotOf(1280, 896, "Main")},
      {"a focused title on a window that is no candidate does not match",
       {main, window(7, 500, 400, R"(, "layer": 3, "title": "Palette")")},
       ask(7, 1280, true),
       "Palette",
       shotOf(1280, 896, "Main")},
      {"several windows with the focused title: the first",
       {window(7, 300, 200, R"(, "title": "Doc")"), window(7, 500, 400, R"(, "title": "Doc")"),
        window(7, 900, 700, R"(, "title": "Other")")},
       ask(7, 1280, true),
       "Doc",
       shotOf(600, 400, "Doc")},
      {"equal areas: the first in the content's order",
       {window(7, 600, 400, R"(, "title": "First")"),
        window(7, 400, 600, R"(, "title": "Second")")},
       ask(7, 1280, true),
       "Nothing",
       shotOf(1200, 800, "First")},
      {"a window without a title has the title \"\"",
       {window(7, 300, 200)},
       ask(7),
       "",
       shotOf(600, 400, "")},
      {"shrunk until the longer side is maxSize",
       {window(7, 1440, 900)},
       ask(7),
       "",
       shotOf(1280, 800, "")},
      {"no more than twice the point size",
       {window(7, 400, 300)},
       ask(7),
       "",
       shotOf(800, 600, "")},
      {"each side truncated", {window(7, 1000, 1001)}, ask(7, 500), "", shotOf(499, 500, "")},
      {"a maxSize past any screen is still capped at twice",
       {window(7, 400, 300)},
       ask(7, INT64_MAX),
       "",
       shotOf(800, 600, "")},
      {"81 x 61 points is just big enough", {window(7, 81, 61)}, ask(7), "", shotOf(162, 122, "")},
      {"exactly 80 points wide is no candidate",
       {window(7, 80, 500)},
       ask(7),
       "",
       failed("no_window")},
      {"exactly 60 points high is no candidate",
       {window(7, 500, 60)},
       ask(7),
       "",
       failed("no_window")},
      {"pid 0 (nothing in front) has no window",
       {window(7, 500, 400), R"({"frame": {"x": 0,
       "y": 0, "width": 500, "height": 400}})"},
       ask(0),
       "",
       failed("no_window")},
      {"other layers, other processes, ownerless and hidden windows are no candidates",
       {window(7, 500, 400, R"(, "layer": 1)"), window(8, 500, 400),
        R"({"frame": {"x": 0, "y": 0, "width": 500, "height": 400}})",
        window(7, 500, 400, R"(, "onScreen": false)")},
       ask(7, 1280, true),
       "",
       failed("no_window")},
      {"a capture size without pixels fails as the capture does",
       {window(7, 400, 300)},
       ask(7, 0),
       "",
       failed("The capture size 0 × 0 has no pixels.")},
      {"a negative maxSize likewise",
       {window(7, 400, 300)},
       ask(7, -5),
       "",
       failed("The capture size -5 × -3 has no pixels.")},
      {"a failed capture answers the system's description",
       {window(7, 400, 300, R"(, "captureError": "The window closed during the capture.")")},
       ask(7),
       "",
       failed("The window closed during the capture.")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rule);
    std::string windows;
    for (const auto& w : c.windows) windows += (windows.empty() ? "" : ",") + w;
    Shot shot(R"({"windows": [)" + windows + "]}");
    EXPECT_EQ(shot.take(c.request, c.focusedTitle), c.expected);
    if (!c.request.trusted) {
      EXPECT_TRUE(shot.titleAsked.empty());
    }
    EXPECT_FALSE(shot.repliedAtOnce) << "the shot runs as a background task";
  }
}

TEST(WindowShot, AsksForTheTitleOffTheMainThreadOnlyWhenItCanChoose) {
  Shot two(R"({"windows": [)" + window(7, 500, 400) + "," + window(7, 300, 200) + "]}");
  two.take(ask(7, 1280, true));
  EXPECT_EQ(two.titleAsked, std::vector<std::int32_t>{7});
  // A single candidate is captured whatever the focus; the application is not asked.
  Shot one(R"({"windows": [)" + window(7, 500, 400) + "]}");
  one.take(ask(7, 1280, true));
  EXPECT_TRUE(one.titleAsked.empty());
}

TEST(WindowShot, CapturesTheWindowAloneWithoutTheCursor) {
  Shot shot(R"({"windows": [)" + window(7, 300, 200) + "," + window(7, 1440, 900) + "]}");
  shot.take(ask(7));
  const Json captured = {
      {"do", "captureWindow"}, {"window", 2}, {"width", 1280}, {"height", 800}, {"cursor", false}};
  auto entries = shot.desktop->recorder.entries();
  for (auto& entry : entries) entry.erase("ms");
  EXPECT_EQ(entries, std::vector<Json>{captured});
}

TEST(WindowShot, WithoutScreenRecordingAnswersAtOnceAndCapturesNothing) {
  Shot shot(R"({"permissions": {"screenRecording": false}, "windows": [)" + window(7, 500, 400) +
            "]}");
  EXPECT_EQ(shot.take(ask(7)), failed("no_permission"));
  EXPECT_TRUE(shot.repliedAtOnce);
  EXPECT_TRUE(shot.desktop->recorder.entries().empty());
}

struct KeysCase {
  const char* rule;
  bool image, ocr;
  std::function<void(Shot&)> setUp;
  Json expected;
};

TEST(WindowShot, ReplyKeysFollowWhatWasAskedAndWhatWorked) {
  const auto withText = [](Json reply, std::string text) {
    reply["text"] = std::move(text);
    return reply;
  };
  auto plain = shotOf(1280, 896, "Main");
  auto withJpeg = plain;
  withJpeg["jpeg"] = "/9j/2Q==";
  const KeysCase cases[] = {
      {"neither image nor text: only ok, width, height and title", false, false, nullptr, plain},
      {"the JPEG as one line of Base64", true, false, nullptr, withJpeg},
      {"a failed encoding leaves the JPEG out", true, false,
       [](Shot& s) { s.encoder.fails = true; }, plain},
      {"recognised lines in reading order, lines without a reading skipped", true, true,
       [](Shot& s) {
         s.recognizer.observations = {line(0.1, 0.2, {"third"}), line(0.5, 0.8, {"second"}),
                                      line(0.3, 0.5, {}), line(0.1, 0.8, {"first", "frist"})};
       },
       withText(withJpeg, "first\nsecond\nthird")},
      {"nothing recognised: empty text", false, true, nullptr, withText(plain, "")},
      {"a failed recognition drops the capture and answers its description", true, true,
       [](Shot& s) { s.recognizer.error = "The recognition request failed."; },
       failed("The recognition request failed.")},
      {"an exception in the task still gets its one reply", false, true,
       [](Shot& s) { s.recognizer.throws = true; }, failed("recognizer ran out of memory")},
      {"no recognizer at all", false, true, [](Shot& s) { s.noRecognizer = true; },
       failed("Text recognition is not available.")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rule);
    Shot shot(R"({"windows": [)" + window(7, 1000, 700, R"(, "title": "Main")") + "]}");
    if (c.setUp) c.setUp(shot);
    auto request = ask(7);
    request.image = c.image;
    request.ocr = c.ocr;
    EXPECT_EQ(shot.take(request), c.expected);
  }
}

TEST(WindowShot, RecognisesTheCapturedImageAccuratelyInRussianThenEnglish) {
  Shot shot(R"({"windows": [)" + window(7, 1000, 700) + "]}");
  auto request = ask(7);
  request.ocr = true;
  shot.take(request);
  ASSERT_EQ(shot.recognizer.requests.size(), 1u);
  const auto& r = shot.recognizer.requests[0];
  EXPECT_EQ(r.recognitionLevel, platform::RecognitionLevel::accurate);
  EXPECT_TRUE(r.usesLanguageCorrection);
  EXPECT_EQ(r.recognitionLanguages, (std::vector<std::string>{"ru-RU", "en-US"}));
  EXPECT_EQ(shot.recognizer.sizes, (std::vector<std::pair<int, int>>{{1280, 896}}));
}

TEST(WindowShot, ListingFailureAnswersItsDescription) {
  Shot shot(R"({"windowsError": "The user declined screen sharing.", "windows": [)" +
            window(7, 500, 400) + "]}");
  EXPECT_EQ(shot.take(ask(7)), failed("The user declined screen sharing."));
}

TEST(WindowShotCommand, FieldsDefaultToTheFrontmostAppAndRecognisedTextWithoutImage) {
  testing::TestHelper t(R"({"apps": [{"pid": 7}, {"pid": 8}], "frontmost": 7, "windows": [)" +
                        window(7, 1440, 900, R"(, "title": "Front")") + "," + window(8, 400, 300) +
                        "]}");
  ScriptedRecognizer recognizer;
  recognizer.observations = {line(0.1, 0.5, {"hello"})};
  ScriptedEncoder encoder;
  t.helper.platform.textRecognizer = &recognizer;
  t.helper.platform.imageEncoder = &encoder;
  auto front = shotOf(1280, 800, "Front");
  front["text"] = "hello";
  front["id"] = 1;
  EXPECT_EQ(t.run(R"({"cmd":"windowShot","id":1})"), front);
  auto other = shotOf(400, 300, "");
  other["jpeg"] = "/9j/2Q==";
  EXPECT_EQ(t.run(R"({"cmd":"windowShot","pid":8,"image":true,"ocr":false,"maxSize":400})"), other);

  testing::TestHelper nothingInFront(R"({"apps": [{"pid": 7}], "windows": [)" +
                                     window(7, 1440, 900) + "]}");
  EXPECT_EQ(nothingInFront.run(R"({"cmd":"windowShot","ocr":false,"id":3})"),
            (Json{{"ok", false}, {"error", "no_window"}, {"id", 3}}));
}

struct OrderCase {
  const char* rule;
  std::vector<TextObservation> observations;
  std::string text;
};

TEST(ReadingOrder, HigherFirstThenLeftToRightOnExactlyEqualMinY) {
  const OrderCase cases[] = {
      {"(0.5, 0.8), (0.1, 0.8), (0.1, 0.2)",
       {line(0.5, 0.8, {"a"}), line(0.1, 0.8, {"b"}), line(0.1, 0.2, {"c"})},
       "b\na\nc"},
      {"a hair higher on the same visual line comes first, even on the right",
       {line(0.1, 0.5, {"left"}), line(0.6, 0.5000001, {"right"})},
       "right\nleft"},
      {"identical boxes keep their order (stable)",
       {line(0.2, 0.4, {"one"}), line(0.2, 0.4, {"two"}), line(0.2, 0.4, {"three"})},
       "one\ntwo\nthree"},
      {"the bottom of the image comes last",
       {line(0.0, 0.0, {"foot"}), line(0.9, 0.95, {"head"})},
       "head\nfoot"},
      {"only observations without a reading: empty", {line(0.1, 0.1, {})}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rule);
    EXPECT_EQ(recognisedText(c.observations), c.text);
  }
}

}  // namespace
}  // namespace parlevox
