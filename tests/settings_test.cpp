// Reading the command line's numbers and converting them into processing units.

#include "app/settings.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>

namespace zelmar {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// 2^53 + 1 lies exactly halfway between the doubles 2^53 and 2^53 + 2.
const std::string kHalfway = "9007199254740993";

struct NumberCase {
  std::string text;
  double expected;
};

TEST(ParseNumber, ReadsTheLongestDecimalPrefixCorrectlyRounded) {
  const NumberCase cases[] = {
      // Not decimal syntax: reads as 0, never as a special value or hexadecimal.
      {"nan", 0.0},
      {"inf", 0.0},
      {"-infinity", 0.0},
      {"0x10", 0.0},
      {"", 0.0},
      {"-", 0.0},
      {".", 0.0},
      {"e5", 0.0},
      {"+-3", 0.0},
      // Leading blanks, signs, points and trailing text.
      {"  7", 7.0},
      {"\t-2.5", -2.5},
      {"12abc", 12.0},
      {".5", 0.5},
      {"-.5", -0.5},
      {"5.", 5.0},
      {"+3e2", 300.0},
      {"1.5e3.2", 1500.0},
      {"1 2", 1.0},
      // An exponent without digits is not part of the number.
      {"1e", 1.0},
      {"1e+", 1.0},
      {"2E-x", 2.0},
      // Range: overflow gives an infinity, underflow rounds to the nearest double.
      {"1e999", kInfinity},
      {"-1e999", -kInfinity},
      {std::string(400, '9'), kInfinity},
      {"1e-50", 1e-50},
      {"4.9e-324", 4.9e-324},
      {"1e-400", 0.0},
      // Correct rounding needs every digit: a tie goes to even, a 1 far behind breaks the tie.
      {kHalfway, 9007199254740992.0},
      {kHalfway + "." + std::string(383, '0'), 9007199254740992.0},
      {kHalfway + "." + std::string(382, '0') + "1", 9007199254740994.0},
  };
  for (const NumberCase& c : cases) {
    EXPECT_EQ(parse_number(c.text.c_str()), c.expected) << "text \"" << c.text << "\"";
  }
}

struct IntegerCase {
  std::string text;
  int32_t expected;
};

TEST(ParseInteger, ReadsLeadingDigitsAndSaturatesToThe32BitRange) {
  const IntegerCase cases[] = {
      {"", 0},
      {"x5", 0},
      {"0x10", 0},
      {"--5", 0},
      {"+7", 7},
      {" -12x", -12},
      {"3.9", 3},
      {"1e3", 1},
      {"2147483647", INT32_MAX},
      {"2147483648", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"-2147483649", INT32_MIN},
      {std::string(400, '9'), INT32_MAX},
      {"-" + std::string(400, '9'), INT32_MIN},
      {"00000000000000000000000000042", 42},
  };
  for (const IntegerCase& c : cases) {
    EXPECT_EQ(parse_integer(c.text.c_str()), c.expected) << "text \"" << c.text << "\"";
  }
}

struct TruncateCase {
  double x;
  int32_t expected;
};

TEST(SaturatingTruncate, TruncatesTowardZeroAndSaturatesEverythingElse) {
  const TruncateCase cases[] = {
      {kNaN, 0},
      {-kNaN, 0},
      {kInfinity, INT32_MAX},
      {-kInfinity, INT32_MIN},
      {1e10, INT32_MAX},
      {-1e10, INT32_MIN},
      {0.9, 0},
      {-0.9, 0},
      {-7.99, -7},
      {2147483647.0, INT32_MAX},
      {2147483647.9, INT32_MAX},
      {2147483648.0, INT32_MAX},
      {-2147483648.9, INT32_MIN},
      {-2147483649.0, INT32_MIN},
  };
  for (const TruncateCase& c : cases) {
    EXPECT_EQ(saturating_truncate(c.x), c.expected) << "x " << c.x;
  }
}

struct ConversionCase {
  const char* name;
  float (*convert)(double);
  double x;
  double expected;   // in the field's unit
  double tolerance;  // half a unit of the printed precision
};

TEST(Conversions, GiveTheDocumentedSampleValues) {
  const ConversionCase cases[] = {
      {"threshold", threshold_from_number, 0, 0.0, 0.0},
      {"threshold", threshold_from_number, 20, 0.0166, 0.00005},
      {"threshold", threshold_from_number, 100, 1.0, 0.00005},
      {"threshold", threshold_from_number, 200, 13.8, 0.05},
      {"simple attack", simple_attack_from_number, 0, 0.1, 0.00005},
      {"simple attack", simple_attack_from_number, 35, 10.7, 0.05},
      {"simple attack", simple_attack_from_number, 100, 1100, 5},
      {"advanced attack", advanced_attack_from_number, 100, 403, 0.5},
      {"release", release_from_number, 0, 0.1, 0.00005},
      {"release", release_from_number, 60, 95.3, 0.05},
      {"release", release_from_number, 100, 2020, 5},
      {"simple gain", simple_gain_from_number, 40, 4.0, 0.0},
      {"simple gain", simple_gain_from_number, 10, 1.0, 0.0},
      {"advanced gain", advanced_gain_from_number, 40, 4.0, 0.0},
      {"advanced gain", advanced_gain_from_number, 10, 1.0, 0.0},
      {"ratio", ratio_from_number, 50, 0.5, 0.0},
  };
  for (const ConversionCase& c : cases) {
    EXPECT_NEAR(c.convert(c.x), c.expected, c.tolerance) << c.name << " of " << c.x;
  }
}

TEST(Conversions, ThresholdOfOneHundredLiesSlightlyAboveFullScale) {
  EXPECT_GT(threshold_from_number(100), 1.0f);
}

// The simple gain multiplies by 0.1 rounded to single precision, the advanced gain by the double
// 0.1; the user's number 0.1 (as the simple mode stores it) shows the difference.
TEST(Conversions, SimpleAndAdvancedGainsRoundDifferently) {
  const double x = 0.1f;
  EXPECT_EQ(simple_gain_from_number(x), 0.010000000707805157f);
  EXPECT_EQ(advanced_gain_from_number(x), 0.009999999776482582f);
}

struct SplitCase {
  float setting;
  int32_t hertz;
};

TEST(SplitFrequencyHz, ShowsTheTruncatedCrossoverAndSaturates) {
  const SplitCase cases[] = {
      {0.0f, 20},
      {35.0f, 232},
      {35.7f, 244},
      {100.0f, 22026},
      {1e10f, INT32_MAX},
      {std::numeric_limits<float>::infinity(), INT32_MAX},
      {-std::numeric_limits<float>::infinity(), 0},
      {std::numeric_limits<float>::quiet_NaN(), 0},
  };
  for (const SplitCase& c : cases) {
    EXPECT_EQ(split_frequency_hz(c.setting), c.hertz) << "setting " << c.setting;
  }
}

}  // namespace
}  // namespace zelmar
