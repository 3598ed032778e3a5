#include "app/settings.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "dsp/precision.h"

namespace zelmar {
namespace {

constexpr float kThresholdExponentScale = 0.01f;
constexpr float kThresholdScale = 0.58198f;
constexpr float kSimpleAttackScale = 0.07f;
constexpr float kAdvancedAttackScale = 0.06f;
constexpr float kReleaseScale = 0.0761f;
constexpr float kTimeOffset = 0.9f;
constexpr float kSimpleGainScale = 0.1f;
constexpr double kAdvancedGainScale = 0.1;
constexpr double kRatioScale = 0.01;
constexpr float kSplitSlope = 0.07f;
constexpr float kSplitOffset = 3.0f;
constexpr float kPercent = 100.0f;

bool is_blank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

const char* skip_digits(const char* p) {
  while (is_digit(*p)) ++p;
  return p;
}

const char* auto_eq_label(int32_t auto_eq) {
  if (auto_eq == 0) return "OFF\n";
  if (auto_eq >= 1 && auto_eq <= 49) return "ON (soft)\n";
  if (auto_eq >= 50 && auto_eq <= 79) return "ON (medium)\n";
  if (auto_eq >= 80 && auto_eq <= 99) return "ON (hard)\n";
  if (auto_eq == 100) return "ON (extreme precision)\n";
  return "";  // out of range: no label, not even the line break
}

}  // namespace

double parse_number(const char* text) {
  const char* start = text;
  while (is_blank(*start)) ++start;
  const char* p = start;
  if (*p == '+' || *p == '-') ++p;
  const char* mantissa = p;
  p = skip_digits(p);
  bool has_digits = p != mantissa;
  if (*p == '.') {
    const char* fraction = p + 1;
    const char* after = skip_digits(fraction);
    if (has_digits || after != fraction) {
      has_digits = true;
      p = after;
    }
  }
  if (!has_digits) return 0.0;
  if (*p == 'e' || *p == 'E') {
    const char* q = p + 1;
    if (*q == '+' || *q == '-') ++q;
    const char* exponent_end = skip_digits(q);
    if (exponent_end != q) p = exponent_end;
  }
  // The prefix holds only decimal syntax, so the C library converts it correctly rounded and
  // cannot take it for hexadecimal, "inf" or "nan".
  const std::string number(start, p);
  return std::strtod(number.c_str(), nullptr);
}

int32_t parse_integer(const char* text) {
  const char* p = text;
  while (is_blank(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  int64_t magnitude = 0;
  for (; is_digit(*p); ++p) {
    magnitude = magnitude * 10 + (*p - '0');
    if (magnitude > static_cast<int64_t>(INT32_MAX) + 1) magnitude = static_cast<int64_t>(INT32_MAX) + 1;
  }
  const int64_t value = negative ? -magnitude : magnitude;
  if (value > INT32_MAX) return INT32_MAX;
  return static_cast<int32_t>(value);
}

int32_t saturating_truncate(double x) {
  if (std::isnan(x)) return 0;
  if (x >= 2147483647.0) return INT32_MAX;
  if (x <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(x);
}

float threshold_from_number(double x) {
  const double root = (std::exp(x * wide(kThresholdExponentScale)) - 1.0) * wide(kThresholdScale);
  return to_single(root * root);
}

float simple_attack_from_number(double x) {
  return to_single(std::exp(x * wide(kSimpleAttackScale)) - wide(kTimeOffset));
}

float advanced_attack_from_number(double x) {
  return to_single(std::exp(x * wide(kAdvancedAttackScale)) - wide(kTimeOffset));
}

float release_from_number(double x) {
  return to_single(std::exp(x * wide(kReleaseScale)) - wide(kTimeOffset));
}

float simple_gain_from_number(double x) { return to_single(x * wide(kSimpleGainScale)); }

float advanced_gain_from_number(double x) { return to_single(x * kAdvancedGainScale); }

float ratio_from_number(double x) { return to_single(x * kRatioScale); }

int32_t split_frequency_hz(float split_setting) {
  return saturating_truncate(
      std::exp(wide(split_setting) * wide(kSplitSlope) + wide(kSplitOffset)));
}

void print_settings_summary(const BlockSettings& s, const SummaryExtras& extras) {
  const double percent = wide(kPercent);
  std::printf("split frequency ......... : %d Hz\n", split_frequency_hz(extras.split_setting));
  std::printf("split filter steepness .. : %d pct.\n", extras.steepness_percent);
  std::printf("threshold high .......... : %4.2f pct.\n", wide(s.hi_thresh) * percent);
  std::printf("threshold low ........... : %4.2f pct.\n", wide(s.lo_thresh) * percent);
  std::printf("attack time high ........ : %4.1f ms\n", wide(s.hi_attack));
  std::printf("attack time low ......... : %4.1f ms\n", wide(s.lo_attack));
  std::printf("release time high ....... : %4.1f ms\n", wide(s.hi_release));
  std::printf("release time low ........ : %4.1f ms\n", wide(s.lo_release));
  std::printf("output gain high ........ : %4.1f pct.\n", wide(s.hi_gain) * percent);
  std::printf("output gain low ......... : %4.1f pct.\n", wide(s.lo_gain) * percent);
  std::printf("bass stereo perspective . : %4.1f pct.\n", wide(s.lo_stereo) * percent);
  std::printf("auto equalizer .......... : %s", auto_eq_label(s.auto_eq));
  std::printf("attack curve type ....... : %s", s.attack_curve ? "logarithmic\n" : "linear\n");
  if (s.weighted_curve) std::printf("using weighted curve (this feature has bugs!)\n");
  if (s.auto_eq != 0) {
    std::printf("ZedeRU linearity angle .. : %4.1f pct.\n", wide(s.eq_linearity));
  }
  std::printf("\n");
}

}  // namespace zelmar
