// Tests of decoding input bytes, UTF-8 checks and white-space trimming.
#include "cli/input_text.h"

#include <gtest/gtest.h>

namespace parlevox::cli {
namespace {

std::string decoded(std::string_view bytes) {
  auto result = decode_input_text(bytes);
  if (auto* error = std::get_if<UsageError>(&result)) return "error: " + error->message;
  return std::get<std::string>(result);
}

constexpr const char* kBrokenUtf16 = "error: the input is broken UTF-16 text";
constexpr const char* kNotUtf8 = "error: the input is not UTF-8 text: save it as UTF-8";

TEST(DecodeInputText, ByteOrderMarksSelectTheEncoding) {
  EXPECT_EQ(decoded("{}"), "{}");
  EXPECT_EQ(decoded("\xEF\xBB\xBF{}"), "{}");
  EXPECT_EQ(decoded("\xEF\xBB\xBF\xEF\xBB\xBF"), "\xEF\xBB\xBF");  // only the first mark goes
  EXPECT_EQ(decoded(std::string("\xFF\xFE{\0\x3A\x04", 6)), "{\xD0\xBA");
  EXPECT_EQ(decoded(std::string("\xFE\xFF\0{\x04\x3A", 6)), "{\xD0\xBA");
  // A surrogate pair (U+1F680) in both byte orders.
  EXPECT_EQ(decoded("\xFF\xFE\x3D\xD8\x80\xDE"), "\xF0\x9F\x9A\x80");
  EXPECT_EQ(decoded("\xFE\xFF\xD8\x3D\xDE\x80"), "\xF0\x9F\x9A\x80");
}

TEST(DecodeInputText, Utf16EdgesAndOddBytes) {
  using namespace std::string_literals;
  EXPECT_EQ(decoded("\xFF\xFE"s), "");
  EXPECT_EQ(decoded("\xFF\xFE\x61"s), "");  // a final odd byte is ignored
  EXPECT_EQ(decoded("\xFF\xFE\x61\x00\x62"s), "a");
  EXPECT_EQ(decoded("\xFF\xFE\x00\x00"s), "\0"s);
  EXPECT_EQ(decoded("\xFF\xFE\x00\xDC"s), kBrokenUtf16);          // lone low surrogate
  EXPECT_EQ(decoded("\xFF\xFE\x3D\xD8"s), kBrokenUtf16);          // high surrogate at the end
  EXPECT_EQ(decoded("\xFF\xFE\x3D\xD8\x61\x00"s), kBrokenUtf16);  // high then no low
  EXPECT_EQ(decoded("\xFF\xFE\x3D\xD8\x3D\xD8\x80\xDE"s), kBrokenUtf16);  // high, high, low
}

TEST(DecodeInputText, RejectsMalformedUtf8) {
  for (const char* bytes : {"\xC0\x80", "\xE0\x80\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                            "\xF5\x80\x80\x80", "\xE2\x82", "\x80", "a\xFF"}) {
    EXPECT_EQ(decoded(bytes), kNotUtf8) << bytes;
  }
  EXPECT_EQ(decoded("\xEF\xBB\xBF\xFF"), kNotUtf8);
  EXPECT_EQ(decoded("\xF4\x8F\xBF\xBF\xED\x9F\xBF"), "\xF4\x8F\xBF\xBF\xED\x9F\xBF");
  EXPECT_EQ(decoded("\xFE"), kNotUtf8);  // one byte is no mark
}

TEST(TrimWhiteSpace, TrimsUnicodeWhiteSpaceOnlyAtTheEnds) {
  EXPECT_EQ(trim_white_space(" \t\r\n{ }\n"), "{ }");
  EXPECT_EQ(trim_white_space("\xC2\xA0\xE3\x80\x80x\xE2\x80\xA8\xC2\x85"), "x");
  EXPECT_EQ(trim_white_space("\xE2\x80\x8B"
                             "x"),
            "\xE2\x80\x8B"
            "x");  // zero-width space stays
  EXPECT_EQ(trim_white_space("\xD0\xBA"), "\xD0\xBA");
  EXPECT_EQ(trim_white_space(" \xE3\x80\x80 "), "");
}

}  // namespace
}  // namespace parlevox::cli
