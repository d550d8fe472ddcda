// The keyboard layouts the simulated desktop ships: key-translation tables with dead keys.
#include "helper/platform/sim/sim_layouts.h"

#include <map>
#include <sstream>

#include "helper/platform/text.h"

namespace parlevox::sim {
namespace {

// One row per key: "code base shift [command]"; the Command column defaults to the base one.
// "dead:X" is a dead key whose own character is X. Rows list only the character keys; the keys
// that every layout shares follow below.
constexpr std::string_view kUS = R"(
0 a A
1 s S
2 d D
3 f F
4 h H
5 g G
6 z Z
7 x X
8 c C
9 v V
10 § ±
11 b B
12 q Q
13 w W
14 e E
15 r R
16 y Y
17 t T
18 1 !
19 2 @
20 3 #
21 4 $
22 6 ^
23 5 %
24 = +
25 9 (
26 7 &
27 - _
28 8 *
29 0 )
30 ] }
31 o O
32 u U
33 [ {
34 i I
35 p P
37 l L
38 j J
39 ' "
40 k K
41 ; :
42 \ |
43 , <
44 / ?
45 n N
46 m M
47 . >
50 ` ~
)";

// AZERTY: Command gives digits on the top row so that Command+digit shortcuts need no Shift.
constexpr std::string_view kFrench = R"(
0 q Q
1 s S
2 d D
3 f F
4 h H
5 g G
6 w W
7 x X
8 c C
9 v V
10 @ #
11 b B
12 a A
13 z Z
14 e E
15 r R
16 y Y
17 t T
18 & 1 1
19 é 2 2
20 " 3 3
21 ' 4 4
22 § 6 6
23 ( 5 5
24 - _
25 ç 9 9
26 è 7 7
27 ) °
28 ! 8 8
29 à 0 0
30 $ *
31 o O
32 u U
33 dead:^ dead:¨ ^
34 i I
35 p P
37 l L
38 j J
39 ù %
40 k K
41 m M
42 dead:` £ `
43 ; .
44 = +
45 n N
46 , ?
47 : /
50 < >
)";

// QWERTZ.
constexpr std::string_view kGerman = R"(
0 a A
1 s S
2 d D
3 f F
4 h H
5 g G
6 y Y
7 x X
8 c C
9 v V
10 dead:^ ° ^
11 b B
12 q Q
13 w W
14 e E
15 r R
16 z Z
17 t T
18 1 !
19 2 "
20 3 §
21 4 $
22 6 &
23 5 %
24 dead:´ dead:` ´
25 9 )
26 7 /
27 ß ?
28 8 (
29 0 =
30 + *
31 o O
32 u U
33 ü Ü
34 i I
35 p P
37 l L
38 j J
39 ä Ä
40 k K
41 ö Ö
42 # '
43 , ;
44 - _
45 n N
46 m M
47 . :
50 < >
)";

// ЙЦУКЕН; with Command the keys type the Latin letters of their US positions, so Command
// shortcuts keep working.
constexpr std::string_view kRussian = R"(
0 ф Ф a
1 ы Ы s
2 в В d
3 а А f
4 р Р h
5 п П g
6 я Я z
7 ч Ч x
8 с С c
9 м М v
10 > < §
11 и И b
12 й Й q
13 ц Ц w
14 у У e
15 к К r
16 н Н y
17 е Е t
18 1 ! 1
19 2 " 2
20 3 № 3
21 4 ; 4
22 6 : 6
23 5 % 5
24 = + =
25 9 ( 9
26 7 ? 7
27 - _ -
28 8 * 8
29 0 ) 0
30 ъ Ъ ]
31 щ Щ o
32 г Г u
33 х Х [
34 ш Ш i
35 з З p
37 д Д l
38 о О j
39 э Э '
40 л Л k
41 ж Ж ;
42 \ / \
43 б Б ,
44 . , /
45 т Т n
46 ь Ь m
47 ю Ю .
50 ё Ё `
)";

// Keys that type the same in every layout and every table: control characters, Space, keypad.
constexpr std::pair<int, std::string_view> kSharedKeys[] = {
    {36, "\r"},    {48, "\t"},    {49, " "},     {51, "\b"},    {53, "\x1b"},  {65, "."},
    {67, "*"},     {69, "+"},     {71, "\x1b"},  {75, "/"},     {76, "\x03"},  {78, "-"},
    {81, "="},     {82, "0"},     {83, "1"},     {84, "2"},     {85, "3"},     {86, "4"},
    {87, "5"},     {88, "6"},     {89, "7"},     {91, "8"},     {92, "9"},     {114, "\x05"},
    {115, "\x01"}, {116, "\x0b"}, {117, "\x7f"}, {119, "\x04"}, {121, "\x0c"}, {123, "\x1c"},
    {124, "\x1d"}, {125, "\x1f"}, {126, "\x1e"}, {122, "\x10"}, {120, "\x10"}, {99, "\x10"},
    {118, "\x10"}, {96, "\x10"},  {97, "\x10"},  {98, "\x10"},  {100, "\x10"}, {101, "\x10"},
    {109, "\x10"}, {103, "\x10"}, {111, "\x10"}, {105, "\x10"}, {107, "\x10"}, {113, "\x10"},
    {106, "\x10"}, {64, "\x10"},  {79, "\x10"},  {80, "\x10"},  {90, "\x10"},
};

// Dead keys by their own character, with the characters they compose: pairs of base and result.
constexpr std::pair<std::string_view, std::string_view> kDeadKeys[] = {
    {"^", "aâeêiîoôuûAÂEÊIÎOÔUÛ"},
    {"¨", "aäeëiïoöuüyÿAÄEËIÏOÖUÜ"},
    {"`", "aàeèiìoòuùAÀEÈIÌOÒUÙ"},
    {"´", "aáeéiíoóuúyýAÁEÉIÍOÓUÚYÝ"},
};

std::vector<DeadKey> buildDeadKeys() {
  std::vector<DeadKey> keys;
  for (auto [own, pairs] : kDeadKeys) {
    DeadKey key{platform::utf16FromUtf8(own), {}};
    std::u16string units =
        platform::utf16FromUtf8(pairs);  // every character here is one UTF-16 unit
    for (std::size_t i = 0; i + 1 < units.size(); i += 2)
      key.compositions.emplace_back(units.substr(i, 1), units.substr(i + 1, 1));
    // Space after a dead key types the dead key's own character.
    key.compositions.emplace_back(u" ", key.own);
    keys.push_back(std::move(key));
  }
  return keys;
}

const std::vector<DeadKey>& deadKeys() {
  static const std::vector<DeadKey> keys = buildDeadKeys();
  return keys;
}

LayoutOutput outputFor(const std::string& token) {
  constexpr std::string_view kDead = "dead:";
  if (token.starts_with(kDead)) {
    auto own = platform::utf16FromUtf8(std::string_view(token).substr(kDead.size()));
    const auto& keys = deadKeys();
    for (std::size_t i = 0; i < keys.size(); ++i)
      if (keys[i].own == own) return {own, static_cast<int>(i + 1)};
    return {own, 0};
  }
  return {platform::utf16FromUtf8(token), 0};
}

SimLayout buildLayout(std::string name, std::string_view rows) {
  SimLayout layout;
  layout.name = std::move(name);
  for (auto [code, text] : kSharedKeys) {
    LayoutOutput out{platform::utf16FromUtf8(text), 0};
    layout.base[code] = layout.shift[code] = layout.command[code] = out;
  }
  std::istringstream lines{std::string(rows)};
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    int code = -1;
    std::string base, shift, command;
    if (!(fields >> code >> base >> shift) || code < 0 || code > 127) continue;
    if (!(fields >> command)) command = base;
    layout.base[code] = outputFor(base);
    layout.shift[code] = outputFor(shift);
    layout.command[code] = outputFor(command);
  }
  return layout;
}

const std::map<std::string, SimLayout, std::less<>>& layouts() {
  static const auto all = [] {
    std::map<std::string, SimLayout, std::less<>> m;
    for (auto [name, rows] : {std::pair{"US", kUS}, std::pair{"French", kFrench},
                              std::pair{"German", kGerman}, std::pair{"Russian", kRussian}})
      m.emplace(name, buildLayout(name, rows));
    return m;
  }();
  return all;
}

}  // namespace

const SimLayout* shippedLayout(std::string_view name) {
  const auto& all = layouts();
  auto it = all.find(name);
  return it == all.end() ? nullptr : &it->second;
}

std::vector<std::string> shippedLayoutNames() {
  std::vector<std::string> names;
  for (const auto& [name, layout] : layouts()) names.push_back(name);
  return names;
}

const DeadKey* deadKeyWithId(int id) {
  const auto& keys = deadKeys();
  if (id < 1 || id > static_cast<int>(keys.size())) return nullptr;
  return &keys[static_cast<std::size_t>(id - 1)];
}

}  // namespace parlevox::sim
