// Text recognition with Tesseract's LSTM engine; loaded engines are kept and reused.
#include "helper/platform/linux/tesseract_recognizer.h"

#include <leptonica/allheaders.h>
#include <omp.h>
#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <string_view>
#include <utility>

namespace parlevox::native {
namespace {

// Tesseract's model name for a language subtag.
constexpr std::pair<std::string_view, std::string_view> kModels[] = {
    {"en", "eng"}, {"ru", "rus"}, {"de", "deu"}, {"fr", "fra"},
    {"es", "spa"}, {"it", "ita"}, {"pt", "por"}, {"uk", "ukr"},
};

std::string trimmed(const char* text) {
  std::string_view s = text ? text : "";
  const auto isSpace = [](char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; };
  while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
  while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
  return std::string(s);
}

}  // namespace

struct TesseractRecognizer::Engine {
  std::string key;
  tesseract::TessBaseAPI api;
};

std::optional<std::string> tesseractLanguages(const std::vector<std::string>& codes) {
  std::string list;
  for (const auto& code : codes) {
    const std::string_view subtag = std::string_view(code).substr(0, code.find('-'));
    auto model = std::find_if(std::begin(kModels), std::end(kModels),
                              [&](const auto& m) { return m.first == subtag; });
    if (model == std::end(kModels)) return std::nullopt;
    if (!list.empty()) list += '+';
    list += model->second;
  }
  if (list.empty()) return std::nullopt;
  return list;
}

platform::NormalisedRect normalisedBox(int left, int top, int right, int bottom, int width,
                                       int height) {
  const double w = width, h = height;
  return {.x = left / w,
          .y = (h - bottom) / h,
          .width = (right - left) / w,
          .height = (bottom - top) / h};
}

TesseractRecognizer::TesseractRecognizer(std::string dataPath) : dataPath_(std::move(dataPath)) {
  // The library's diagnostics go to stderr by default; they go nowhere here. The file name is
  // a process-wide setting, set once before any engine runs.
  setMsgSeverity(L_SEVERITY_NONE);
  tesseract::TessBaseAPI settings;
  settings.SetVariable("debug_file", "/dev/null");
}

TesseractRecognizer::~TesseractRecognizer() = default;

std::size_t TesseractRecognizer::enginesCreated() {
  std::lock_guard guard(lock_);
  return created_;
}

std::unique_ptr<TesseractRecognizer::Engine> TesseractRecognizer::takeEngine(
    const std::string& key) {
  {
    std::lock_guard guard(lock_);
    auto it =
        std::find_if(idle_.begin(), idle_.end(), [&](const auto& e) { return e->key == key; });
    if (it != idle_.end()) {
      auto engine = std::move(*it);
      idle_.erase(it);
      return engine;
    }
  }
  // Loading the models takes a while; other calls go on meanwhile.
  auto engine = std::make_unique<Engine>();
  engine->key = key;
  const auto split = key.find('|');
  const std::string languages = key.substr(0, split);
  const bool correction = key.substr(split + 1) == "correct";
  std::vector<std::string> names, values;
  if (!correction) {
    // Without correction the engine reads the glyphs alone, with no word lists to lean on.
    names = {"load_system_dawg", "load_freq_dawg"};
    values = {"0", "0"};
  }
  if (engine->api.Init(dataPath_.empty() ? nullptr : dataPath_.c_str(), languages.c_str(),
                       tesseract::OEM_LSTM_ONLY, nullptr, 0, &names, &values, false) != 0)
    return nullptr;
  // Find the text wherever it is on the page, in blocks and columns, as for a screenshot.
  engine->api.SetPageSegMode(tesseract::PSM_AUTO);
  std::lock_guard guard(lock_);
  ++created_;
  return engine;
}

void TesseractRecognizer::returnEngine(std::unique_ptr<Engine> engine) {
  engine->api.Clear();  // drops the picture and the results, keeps the models
  std::lock_guard guard(lock_);
  idle_.push_back(std::move(engine));
}

TesseractRecognizer::Result TesseractRecognizer::recognize(
    const platform::Image& image, const platform::TextRecognitionRequest& request) {
  if (image.width < 1 || image.height < 1 ||
      image.rgb.size() != static_cast<std::size_t>(image.width) * image.height * 3)
    return std::string("The image holds no pixels to recognise.");
  auto languages = tesseractLanguages(request.recognitionLanguages);
  if (!languages) return std::string("The recognition languages are not supported.");
  // Both levels run the LSTM engine: it is the one whose models are installed.
  auto engine = takeEngine(*languages + (request.usesLanguageCorrection ? "|correct" : "|plain"));
  if (!engine) return "The recognition languages " + *languages + " could not be loaded.";

  // The engine parallelises its matrix work with OpenMP. On two shared cores the worker threads
  // spin against each other and against the other shot in flight: one recognition took five to
  // seven times longer than on its calling thread alone (docs/performance.md). So parallel
  // regions run serially; several shots still recognise side by side, one thread each. The
  // setting belongs to the calling thread, hence on every call.
  omp_set_max_active_levels(0);
  auto& api = engine->api;
  api.SetImage(image.rgb.data(), image.width, image.height, 3, image.width * 3);
  if (api.Recognize(nullptr) != 0) {
    returnEngine(std::move(engine));
    return std::string("Text recognition failed.");
  }
  std::vector<platform::TextObservation> observations;
  std::unique_ptr<tesseract::ResultIterator> line(api.GetIterator());
  if (line && !line->Empty(tesseract::RIL_TEXTLINE)) {
    do {
      int left, top, right, bottom;
      if (!line->BoundingBox(tesseract::RIL_TEXTLINE, &left, &top, &right, &bottom)) continue;
      std::unique_ptr<char[]> text(line->GetUTF8Text(tesseract::RIL_TEXTLINE));
      std::string reading = trimmed(text.get());
      if (reading.empty()) continue;
      observations.push_back(
          {.boundingBox = normalisedBox(left, top, right, bottom, image.width, image.height),
           .candidates = {std::move(reading)}});
    } while (line->Next(tesseract::RIL_TEXTLINE));
  }
  line.reset();
  returnEngine(std::move(engine));
  return observations;
}

}  // namespace parlevox::native
