// On-device text recognition over a picture: recognised lines with their boxes.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "helper/platform/image.h"

namespace parlevox::platform {

/// A rectangle in normalised image coordinates: 0 to 1 across the image, origin at the
/// lower-left corner, y growing upwards.
struct NormalisedRect {
  double x = 0, y = 0, width = 0, height = 0;
  double minX() const { return x; }
  double minY() const { return y; }
  bool operator==(const NormalisedRect&) const = default;
};

/// One recognised piece of text (a line) and where it lies.
struct TextObservation {
  NormalisedRect boundingBox;
  /// Readings of the text, best first; may be empty.
  std::vector<std::string> candidates;
  bool operator==(const TextObservation&) const = default;
};

enum class RecognitionLevel { fast, accurate };

/// How to recognise: the speed/accuracy trade-off, whether a language model corrects the
/// readings, and the languages to expect (BCP 47 codes such as "en-US"), most likely first.
struct TextRecognitionRequest {
  RecognitionLevel recognitionLevel = RecognitionLevel::accurate;
  bool usesLanguageCorrection = true;
  std::vector<std::string> recognitionLanguages;
};

class TextRecognizer {
 public:
  /// The observations in no particular order, or the recognizer's localized description of
  /// why the request could not run.
  using Result = std::variant<std::vector<TextObservation>, std::string>;

  virtual ~TextRecognizer() = default;
  /// Runs the request over the image. Blocks for the whole recognition; call it off the main
  /// thread. Safe from any thread; several recognitions may run at once.
  virtual Result recognize(const Image& image, const TextRecognitionRequest& request) = 0;
};

}  // namespace parlevox::platform
