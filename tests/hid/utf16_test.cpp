// Both directions between UTF-8 and UTF-16, with what becomes of input that
// can't be read.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "hid/utf16.h"

namespace ombrel::test {
namespace {

constexpr char16_t R = 0xFFFD;  // the replacement character

struct FromUtf8 {
  const char* Name;
  std::string Utf8;
  std::u16string Utf16;
};

// Each case as raw bytes, so an escape never merges with the text after it.
std::string B(std::initializer_list<unsigned char> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

const FromUtf8 kFromUtf8[] = {
    {"Empty", "", u""},
    {"Ascii", "Pendra DUO", u"Pendra DUO"},
    {"TwoBytes", B({'G', 'r', 0xC3, 0xBC, 0xC3, 0x9F, 'e'}), u"Gr\u00FC\u00DFe"},
    {"ThreeBytes", B({0xE2, 0x82, 0xAC}), u"\u20AC"},
    {"FourBytesMakeASurrogatePair", B({0xF0, 0x9F, 0x98, 0x80}), u"\U0001F600"},
    {"HighestCodePoint", B({0xF4, 0x8F, 0xBF, 0xBF}), u"\U0010FFFF"},
    {"NulIsKept", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
    // Malformed: a byte that starts nothing is one replacement each.
    {"LoneContinuation", B({'a', 0x80, 'b'}), {u'a', R, u'b'}},
    {"BytesThatNeverOccur", B({0xFF, 0xFE}), {R, R}},
    {"LeadFollowedByAscii", B({0xC3, 'x'}), {R, u'x'}},
    // Overlong forms: the lead can't start them, so every byte is one.
    {"OverlongSlashInTwo", B({0xC0, 0xAF}), {R, R}},
    {"OverlongSlashInThree", B({0xE0, 0x80, 0xAF}), {R, R, R}},
    {"OverlongInFour", B({0xF0, 0x80, 0x80, 0xAF}), {R, R, R, R}},
    // Surrogates have no UTF-8 form of their own.
    {"EncodedHighSurrogate", B({0xED, 0xA0, 0x80}), {R, R, R}},
    {"EncodedLowSurrogate", B({0xED, 0xBF, 0xBF}), {R, R, R}},
    {"AboveTheHighestCodePoint", B({0xF4, 0x90, 0x80, 0x80}), {R, R, R, R}},
    {"LeadBeyondF4", B({0xF5, 0x80}), {R, R}},
    // Truncated: a cut sequence is one replacement, whatever its length.
    {"CutAtTheEnd", B({'a', 0xE2, 0x82}), {u'a', R}},
    {"FourCutToThree", B({0xF0, 0x9F, 0x98}), {R}},
    {"CutByAscii", B({0xE2, 0x82, 'z'}), {R, u'z'}},
    {"CutByANewLead", B({0xE2, 0xC3, 0xBC}), {R, u'\u00FC'}},
};

class Utf8ToUtf16Test : public ::testing::TestWithParam<FromUtf8> {};

TEST_P(Utf8ToUtf16Test, Converts) {
  EXPECT_EQ(Utf8ToUtf16(GetParam().Utf8), GetParam().Utf16);
}

INSTANTIATE_TEST_SUITE_P(Cases, Utf8ToUtf16Test, ::testing::ValuesIn(kFromUtf8),
                         [](const auto& info) { return std::string(info.param.Name); });

struct FromUtf16 {
  const char* Name;
  std::u16string Utf16;
  std::string Utf8;
};

const FromUtf16 kFromUtf16[] = {
    {"Empty", u"", ""},
    {"Ascii", u"Pendra", "Pendra"},
    {"TwoAndThreeBytes", u"\u00FC\u20AC", B({0xC3, 0xBC, 0xE2, 0x82, 0xAC})},
    {"SurrogatePair", u"\U0001F600", B({0xF0, 0x9F, 0x98, 0x80})},
    {"StopsAtTheFirstNul", std::u16string(u"ab\0cd", 5), "ab"},
    {"LoneHighSurrogate", {0xD800, u'a'}, B({0xEF, 0xBF, 0xBD, 'a'})},
    {"LoneLowSurrogate", {0xDC00}, B({0xEF, 0xBF, 0xBD})},
    {"HighSurrogateCutAtTheEnd", {u'a', 0xD83D}, B({'a', 0xEF, 0xBF, 0xBD})},
    {"PairInTheWrongOrder", {0xDE00, 0xD83D}, B({0xEF, 0xBF, 0xBD, 0xEF, 0xBF, 0xBD})},
};

class Utf16ToUtf8Test : public ::testing::TestWithParam<FromUtf16> {};

TEST_P(Utf16ToUtf8Test, Converts) {
  EXPECT_EQ(Utf16ToUtf8(GetParam().Utf16), GetParam().Utf8);
}

INSTANTIATE_TEST_SUITE_P(Cases, Utf16ToUtf8Test, ::testing::ValuesIn(kFromUtf16),
                         [](const auto& info) { return std::string(info.param.Name); });

// Well-formed text comes back as it went, at every length of sequence.
TEST(Utf16RoundTrip, WellFormedTextSurvivesBothWays) {
  for (const FromUtf8& c : kFromUtf8) {
    if (c.Utf16.find(R) != std::u16string::npos || c.Utf16.find(u'\0') != std::u16string::npos)
      continue;
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(c.Utf8)), c.Utf8) << c.Name;
  }
}

}  // namespace
}  // namespace ombrel::test
