// Text recognition with Tesseract's LSTM engine; loaded engines are kept and reused.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "helper/platform/text_recognition.h"

namespace parlevox::native {

/// Tesseract's language list ("rus+eng") for BCP 47 codes ("ru-RU", "en-US"), in the same
/// order; nothing when a code has no Tesseract language in this mapping.
std::optional<std::string> tesseractLanguages(const std::vector<std::string>& codes);

/// A pixel box as Tesseract gives it (crack coordinates, origin at the top-left corner of an
/// image `width` × `height` pixels) as a normalised box with its origin at the lower-left corner.
platform::NormalisedRect normalisedBox(int left, int top, int right, int bottom, int width,
                                       int height);

/// Recognises text lines. The accurate level runs the LSTM engine alone; language correction is
/// the engine's dictionaries and word lists (on by default, off means they are not loaded). The
/// first call with a configuration loads an engine (its language models); the engine is kept
/// and lent to later calls, one call at a time, so a warm call pays only for the recognition.
/// Calls that overlap get engines of their own, created when none is free.
class TesseractRecognizer final : public platform::TextRecognizer {
 public:
  /// `dataPath`: the folder holding the .traineddata files; empty for the library's own. Quiets
  /// the library's diagnostics (the helper keeps stderr clean) and runs each recognition on its
  /// calling thread alone (see the source). Construct before other threads use the library.
  explicit TesseractRecognizer(std::string dataPath = {});
  ~TesseractRecognizer() override;
  TesseractRecognizer(const TesseractRecognizer&) = delete;
  TesseractRecognizer& operator=(const TesseractRecognizer&) = delete;

  Result recognize(const platform::Image& image,
                   const platform::TextRecognitionRequest& request) override;

  /// How many engines have been created so far.
  std::size_t enginesCreated();

 private:
  struct Engine;
  std::unique_ptr<Engine> takeEngine(const std::string& key);
  void returnEngine(std::unique_ptr<Engine> engine);

  std::string dataPath_;
  std::mutex lock_;
  std::vector<std::unique_ptr<Engine>> idle_;  // guarded by lock_
  std::size_t created_ = 0;                    // guarded by lock_
};

}  // namespace parlevox::native
