// The helper's request record and the decoding of one command line into it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace parlevox {

struct SwallowRule {
  std::string key;
  std::vector<std::string> when;
  bool operator==(const SwallowRule&) const = default;
};

struct HotkeyAsk {
  std::string key;
  std::vector<std::string> mods;
  bool operator==(const HotkeyAsk&) const = default;
};

/// A decoded command: `cmd` is always there, every other field only when the line carried it.
struct Command {
  std::optional<std::int64_t> id;
  std::string cmd;
  std::optional<std::int64_t> pid;
  std::optional<bool> copy;
  std::optional<std::int64_t> maxChars;
  std::optional<std::vector<std::string>> watch;
  std::optional<std::vector<SwallowRule>> swallow;
  std::optional<bool> armed;
  std::optional<double> level;
  std::optional<bool> image;
  std::optional<bool> ocr;
  std::optional<bool> request;
  std::optional<std::int64_t> maxSize;
  std::optional<std::int64_t> location;
  std::optional<std::int64_t> length;
  std::optional<std::int64_t> count;
  std::optional<double> typingAfterMs;
  std::optional<double> typingGapMs;
  std::optional<std::vector<double>> typingMarks;
  std::optional<bool> typingStats;
  std::optional<double> captureAfterMs;
  std::optional<std::string> path;
  std::optional<std::string> out;
  std::optional<bool> on;
  std::optional<std::vector<double>> rect;
  std::optional<std::vector<std::int64_t>> around;
  std::optional<std::string> text;
  std::optional<bool> all;
  std::optional<std::vector<HotkeyAsk>> hotkeys;
  std::optional<std::vector<std::string>> menuChars;
  std::optional<std::vector<std::int64_t>> menuKeys;
  std::optional<bool> print;
};

/// Decodes one line (without its terminator). Nothing when the line is not a JSON object with a
/// string `cmd`, or any present field has the wrong type; such a line is dropped unanswered.
std::optional<Command> decodeCommand(std::string_view line);

/// The same, decoding into `out` (which starts empty); false when the line is dropped.
bool decodeCommandInto(std::string_view line, Command& out);

}  // namespace parlevox
