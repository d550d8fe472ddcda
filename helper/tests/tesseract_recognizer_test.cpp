// Text recognition with Tesseract on rendered window pictures: the words in reading order, boxes
// in normalised lower-left coordinates, engines kept warm and lent to one call at a time.
#include "helper/platform/linux/tesseract_recognizer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <thread>

#include "helper/context/window_shot.h"
#include "helper/platform/linux/turbojpeg_encoder.h"
#include "helper/tests/support/test_helper.h"

namespace parlevox {
namespace {

using Json = nlohmann::json;
using native::TesseractRecognizer;
using platform::NormalisedRect;

const std::string kPictures = PARLEVOX_TEST_PICTURES_DIR;

// Each line with its runs of white space made one space; empty lines dropped.
std::string normalised(const std::string& text) {
  std::istringstream lines(text);
  std::string out, line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string word, joined;
    while (words >> word) joined += (joined.empty() ? "" : " ") + word;
    if (!joined.empty()) out += (out.empty() ? "" : "\n") + joined;
  }
  return out;
}

platform::Image capture(sim::SimDesktop& desktop, std::uint32_t window, int width, int height) {
  auto captured = desktop.windowCapture.captureWindow(window, width, height, false);
  EXPECT_TRUE(std::holds_alternative<platform::Image>(captured));
  return std::get<platform::Image>(captured);
}

const platform::TextRecognitionRequest kRequest{
    .recognitionLevel = platform::RecognitionLevel::accurate,
    .usesLanguageCorrection = true,
    .recognitionLanguages = {"ru-RU", "en-US"}};

struct WindowCase {
  const char* rule;
  std::unique_ptr<sim::SimDesktop> desktop;
  WindowShotRequest request;
  std::string text;
};

TEST(RecognisedWindowText, RenderedWindowsReadInReadingOrder) {
  const std::string columns =
      R"({"windows": [{"pid": 9, "frame": {"x": 0, "y": 0, "width": WIDTH, "height": HEIGHT},
          "picture": ")" +
      kPictures + R"(/two_columns.png"}]})";
  auto sized = [&](int width, int height) {
    auto text = columns;
    text.replace(text.find("WIDTH"), 5, std::to_string(width));
    text.replace(text.find("HEIGHT"), 6, std::to_string(height));
    return testing::loadDesktop(text);
  };
  const std::string interleaved =
      "First on the left\nSecond on the right\nТретья строка слева\nЧетвёртая справа\n"
      "Fifth on the left\nSixth on the right\nСедьмая строка слева";
  WindowCase cases[] = {
      {"the demo's notes window, English and Russian, with its title bar",
       sim::SimDesktop::demo(),
       {.pid = 501, .image = false, .ocr = true, .maxSize = 1280, .trusted = false},
       "Shopping list\nMilk, bread and green apples\nКупить молоко и свежий хлеб\n"
       "Call the bakery before noon\nПозвонить в пекарню до обеда"},
      {"two columns read by height, not column by column",
       sized(640, 400),
       {.pid = 9, .image = false, .ocr = true, .maxSize = 1280, .trusted = false},
       interleaved},
      {"the same window shrunk to three quarters",
       sized(1280, 800),
       {.pid = 9, .image = false, .ocr = true, .maxSize = 960, .trusted = false},
       interleaved},
  };
  native::TurboJpegEncoder encoder;
  TesseractRecognizer recognizer;  // its engine loads once and serves every case
  for (auto& c : cases) {
    SCOPED_TRACE(c.rule);
    WindowShotServices services{.permissions = &c.desktop->permissions,
                                .capture = &c.desktop->windowCapture,
                                .recognizer = &recognizer,
                                .encoder = &encoder,
                                .focusedWindowTitle = nullptr};
    auto reply = takeWindowShot(services, c.request);
    ASSERT_EQ(reply["ok"], true) << reply.dump();
    EXPECT_EQ(normalised(reply["text"].get<std::string>()), c.text);
  }
}

TEST(TesseractRecognizer, BoxesAreNormalisedFromTheLowerLeftCorner) {
  auto desktop = testing::loadDesktop(R"({"windows": [{"pid": 9, "frame": {"x": 0, "y": 0,
      "width": 1280, "height": 800}, "picture": ")" +
                                      kPictures + R"(/two_columns.png"}]})");
  TesseractRecognizer recognizer;
  auto result = recognizer.recognize(capture(*desktop, 1, 1280, 800), kRequest);
  ASSERT_TRUE(std::holds_alternative<std::vector<platform::TextObservation>>(result));
  const auto& observations = std::get<std::vector<platform::TextObservation>>(result);
  auto first = std::find_if(observations.begin(), observations.end(), [](const auto& o) {
    return !o.candidates.empty() && o.candidates[0] == "First on the left";
  });
  ASSERT_NE(first, observations.end());
  // Rendered at x = 60 and y = 100 pixels from the top-left corner, 28 pixels high.
  const auto& box = first->boundingBox;
  EXPECT_NEAR(box.minX(), 60.0 / 1280, 6.0 / 1280);
  EXPECT_NEAR(box.y + box.height, 1 - 100.0 / 800, 10.0 / 800);
  EXPECT_NEAR(box.height, 22.0 / 800, 8.0 / 800);

  struct BoxCase {
    int left, top, right, bottom, width, height;
    NormalisedRect expected;
  };
  const BoxCase boxes[] = {
      {0, 0, 200, 100, 200, 100, {0, 0, 1, 1}},
      {10, 20, 110, 60, 200, 100, {0.05, 0.4, 0.5, 0.4}},
      {0, 0, 1, 1, 4, 4, {0, 0.75, 0.25, 0.25}},  // the top-left pixel is at the top
  };
  for (const auto& b : boxes)
    EXPECT_EQ(native::normalisedBox(b.left, b.top, b.right, b.bottom, b.width, b.height),
              b.expected);
}

TEST(TesseractRecognizer, KeepsEnginesWarmAndLendsEachToOneCallAtATime) {
  TesseractRecognizer fresh;
  auto desktop = sim::SimDesktop::demo();
  const auto image = capture(*desktop, 1, 1280, 800);
  auto first = fresh.recognize(image, kRequest);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(fresh.recognize(image, kRequest), first);
  EXPECT_EQ(fresh.enginesCreated(), 1u) << "one engine serves calls one after another";

  TesseractRecognizer::Result a, b;
  std::thread one([&] { a = fresh.recognize(image, kRequest); });
  std::thread two([&] { b = fresh.recognize(image, kRequest); });
  one.join();
  two.join();
  EXPECT_EQ(a, first);
  EXPECT_EQ(b, first);
  EXPECT_LE(fresh.enginesCreated(), 2u) << "overlapping calls take a second engine at most";
}

TEST(TesseractRecognizer, AnswersEveryImageAndRequest) {
  using Result = TesseractRecognizer::Result;
  const platform::Image blank{
      .width = 64, .height = 48, .rgb = std::vector<std::uint8_t>(64 * 48 * 3, 255)};
  const platform::Image dot{.width = 1, .height = 1, .rgb = {0, 0, 0}};
  const platform::Image broken{.width = 10, .height = 10, .rgb = {1, 2, 3}};
  auto japanese = kRequest;
  japanese.recognitionLanguages = {"ja-JP"};
  struct Case {
    const char* rule;
    const platform::Image& image;
    platform::TextRecognitionRequest request;
    Result expected;
  };
  const Case cases[] = {
      {"a blank window: no lines", blank, kRequest, std::vector<platform::TextObservation>{}},
      {"a single pixel: no lines", dot, kRequest, std::vector<platform::TextObservation>{}},
      {"pixels that do not fill the size", broken, kRequest,
       std::string("The image holds no pixels to recognise.")},
      {"a language without a model", blank, japanese,
       std::string("The recognition languages are not supported.")},
  };
  TesseractRecognizer recognizer;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rule);
    EXPECT_EQ(recognizer.recognize(c.image, c.request), c.expected);
  }
  EXPECT_EQ(native::tesseractLanguages({"ru-RU", "en-US"}), "rus+eng");
  EXPECT_EQ(native::tesseractLanguages({"en"}), "eng");
  EXPECT_EQ(native::tesseractLanguages({}), std::nullopt);
}

}  // namespace
}  // namespace parlevox
