// The key-code table of the X session: X keycodes (evdev scan codes plus 8) and the virtual key
// codes the helper speaks, matched by physical key position, both ways.
#include "helper/platform/x11/x11_key_codes.h"

#include <array>
#include <utility>

#include "helper/platform/key_codes.h"

namespace parlevox::x11 {
namespace {

// {virtual key code, evdev scan code}. On a PC keyboard the Command keys are the logo keys and
// the Option keys are Alt and AltGr; the key left of 1 is the grave key and the extra ISO key
// beside left Shift is the section key.
constexpr std::pair<std::int64_t, unsigned> kTable[] = {
    {0, 30},    {1, 31},    {2, 32},    {3, 33},    {4, 35},    {5, 34},    {6, 44},    {7, 45},
    {8, 46},    {9, 47},    {10, 86},   {11, 48},   {12, 16},   {13, 17},   {14, 18},   {15, 19},
    {16, 21},   {17, 20},   {18, 2},    {19, 3},    {20, 4},    {21, 5},    {22, 7},    {23, 6},
    {24, 13},   {25, 10},   {26, 8},    {27, 12},   {28, 9},    {29, 11},   {30, 27},   {31, 24},
    {32, 22},   {33, 26},   {34, 23},   {35, 25},   {36, 28},   {37, 38},   {38, 36},   {39, 40},
    {40, 37},   {41, 39},   {42, 43},   {43, 51},   {44, 53},   {45, 49},   {46, 50},   {47, 52},
    {48, 15},   {49, 57},   {50, 41},   {51, 14},   {53, 1},    {54, 126},  {55, 125},  {56, 42},
    {57, 58},   {58, 56},   {59, 29},   {60, 54},   {61, 100},  {62, 97},   {64, 187},  {65, 83},
    {67, 55},   {69, 78},   {71, 69},   {72, 115},  {73, 114},  {74, 113},  {75, 98},   {76, 96},
    {78, 74},   {79, 188},  {80, 189},  {81, 117},  {82, 82},   {83, 79},   {84, 80},   {85, 81},
    {86, 75},   {87, 76},   {88, 77},   {89, 71},   {90, 190},  {91, 72},   {92, 73},   {93, 124},
    {94, 89},   {95, 95},   {96, 63},   {97, 64},   {98, 65},   {99, 61},   {100, 66},  {101, 67},
    {102, 123}, {103, 87},  {104, 122}, {105, 183}, {106, 186}, {107, 184}, {109, 68},  {110, 127},
    {111, 88},  {113, 185}, {114, 110}, {115, 102}, {116, 104}, {117, 111}, {118, 62},  {119, 107},
    {120, 60},  {121, 109}, {122, 59},  {123, 105}, {124, 106}, {125, 108}, {126, 103},
};

constexpr unsigned kNoKey = 0;

struct Tables {
  std::array<std::int16_t, 256> byKeycode{};
  std::array<unsigned, 128> byVirtual{};
};

const Tables& tables() {
  static const Tables t = [] {
    Tables t;
    t.byKeycode.fill(-1);
    t.byVirtual.fill(kNoKey);
    for (const auto& [code, scan] : kTable) {
      t.byKeycode[scan + kEvdevOffset] = static_cast<std::int16_t>(code);
      t.byVirtual[static_cast<std::size_t>(code)] = scan + kEvdevOffset;
    }
    return t;
  }();
  return t;
}

}  // namespace

std::optional<std::int64_t> virtualKeyForKeycode(unsigned keycode) {
  if (keycode >= 256 || tables().byKeycode[keycode] < 0) return std::nullopt;
  return tables().byKeycode[keycode];
}

std::optional<unsigned> keycodeForVirtualKey(std::int64_t code) {
  if (code < 0 || code >= 128 || tables().byVirtual[static_cast<std::size_t>(code)] == kNoKey)
    return std::nullopt;
  return tables().byVirtual[static_cast<std::size_t>(code)];
}

std::uint64_t keyClassFlags(std::int64_t code) {
  const bool arrow = code >= 123 && code <= 126;
  const bool keypad = (code >= 65 && code <= 92 && code != 72 && code != 73 && code != 74 &&
                       code != 79 && code != 80 && code != 90);
  std::uint64_t flags = 0;
  if (arrow || keypad) flags |= platform::kNumericPadFlag;
  if (arrow || platform::isNonTypingKey(code) || code == platform::kForwardDeleteKeyCode)
    if (code != platform::kEscapeKeyCode) flags |= platform::kSecondaryFnFlag;
  return flags;
}

}  // namespace parlevox::x11
