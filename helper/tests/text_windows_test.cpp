// Text windows and user-perceived characters over UTF-16.
#include <gtest/gtest.h>

#include "helper/context/text_windows.h"
#include "helper/core/characters.h"
#include "helper/core/white_space.h"

namespace parlevox {
namespace {

std::u16string digits(std::size_t n) {
  std::u16string s;
  for (std::size_t i = 0; i < n; ++i) s.push_back(static_cast<char16_t>(u'0' + i % 10));
  return s;
}

TEST(TextWindows, FieldAroundKeepsSixTenthsBeforeTheCaret) {
  const auto hundred = digits(100);
  struct Row {
    std::u16string text;
    std::optional<std::int64_t> caret;
    std::int64_t limit;
    FieldWindow expected;
  };
  const Row rows[] = {
      {digits(10), 4, 20, {digits(10), 4}},
      {digits(10), 14, 20, {digits(10), 10}},  // clamped into the text
      {digits(10), std::nullopt, 20, {digits(10), std::nullopt}},
      {hundred, 50, 10, {hundred.substr(44, 10), 6}},
      {hundred, 98, 10, {hundred.substr(90, 10), 8}},
      {hundred, 0, 10, {hundred.substr(0, 10), 0}},
      {hundred, std::nullopt, 10, {hundred.substr(90), std::nullopt}},
      {hundred, 101, 10, {hundred.substr(90), std::nullopt}},
      {hundred, -1, 10, {hundred.substr(90), std::nullopt}},
      {hundred, 50, -3, {u"", 0}},
  };
  for (const auto& row : rows)
    EXPECT_EQ(fieldAround(row.text, row.caret, row.limit), row.expected)
        << row.text.size() << " units, limit " << row.limit;
}

TEST(TextWindows, WholeWordsWidenByAtMostFortyUnits) {
  EXPECT_EQ(wholeWords(u"alpha beta gamma", {7, 8}), u"beta");
  EXPECT_EQ(wholeWords(u"alpha\u00A0beta\u2029gamma", {7, 8}), u"beta");
  // A range past the end is clamped to the end and widened back to the last word.
  EXPECT_EQ(wholeWords(u"alpha beta", {50, 60}), u"beta");
  EXPECT_EQ(wholeWords(u"alpha beta", {-5, 2}), u"alpha");
  const auto unbroken = digits(200);
  EXPECT_EQ(wholeWords(unbroken, {100, 101}), unbroken.substr(60, 81));
  EXPECT_FALSE(isWordBreak(u'-'));
  EXPECT_TRUE(isWordBreak(u'\r'));
}

TEST(Characters, CountGraphemeClustersNotUnits) {
  const std::u16string family = u"\U0001F468\u200D\U0001F469\u200D\U0001F467";  // one character
  const std::u16string text = u"ab" + family + u"e\u0301" + u"漢字";
  EXPECT_EQ(lastCharacters(text, 3), u"e\u0301漢字");
  EXPECT_EQ(lastCharacters(text, 4), family + u"e\u0301漢字");
  EXPECT_EQ(firstCharacters(text, 3), u"ab" + family);
  EXPECT_EQ(lastCharacters(text, 100), text);
  EXPECT_EQ(lastCharacters(text, 0), u"");
  EXPECT_EQ(lastCharacters(text, -4), u"");
  // A lone surrogate is a character of its own and never splits a pair beside it.
  std::u16string broken = u"x";
  broken += char16_t{0xD800};
  broken += u"\U0001F600";
  EXPECT_EQ(lastCharacters(broken, 2), broken.substr(1));
  // Counting: CR LF is one character in ASCII text as in any other.
  const std::pair<std::u16string, std::int64_t> counts[] = {
      {u"", 0}, {u"abc", 3}, {u"a\r\nb", 3}, {u"\r\r\n", 2}, {text, 6}, {broken, 3}};
  for (const auto& [counted, n] : counts) {
    EXPECT_EQ(characterCount(counted), n) << counted.size();
    EXPECT_TRUE(hasMoreCharactersThan(counted, n - 1)) << counted.size();
    EXPECT_FALSE(hasMoreCharactersThan(counted, n)) << counted.size();
  }
}

TEST(Characters, TrimUnicodeWhiteSpaceAtBothEnds) {
  EXPECT_EQ(trimWhiteSpace(u" \t\r\n\u00A0\u2028\u3000 a b \u0085\u202F"), u"a b");
  EXPECT_EQ(trimWhiteSpace(u"\u200Bword\u200B"), u"\u200Bword\u200B");  // zero width: no space
  EXPECT_EQ(trimWhiteSpace(u" \n "), u"");
}

}  // namespace
}  // namespace parlevox
