// Reading the command line's numbers and turning the user's 0..100 scale into processing units.
#pragma once

#include <cstdint>

#include "dsp/settings.h"

namespace zelmar {

// Reads a decimal number: leading white space, optional sign, digits with an optional point and
// optional exponent; the longest such prefix, correctly rounded (overflow gives an infinity).
// Text without such a prefix ("nan", "inf", "0x10" past its 0, "") reads as 0.
double parse_number(const char* text);

// Reads a decimal integer: leading white space, optional sign, digits; saturates to the 32-bit
// range; no digits reads as 0.
int32_t parse_integer(const char* text);

// Truncates toward zero into the 32-bit range; not-a-number gives 0.
int32_t saturating_truncate(double x);

// Conversions from the user's number x (0..100 scale) into processing units. `simple` numbers
// have already been stored in single precision; advanced-mode numbers come in double precision.
float threshold_from_number(double x);              // linear amplitude
float simple_attack_from_number(double x);          // ms
float advanced_attack_from_number(double x);        // ms
float release_from_number(double x);                // ms
float simple_gain_from_number(double x);            // factor
float advanced_gain_from_number(double x);          // factor
float ratio_from_number(double x);                  // x / 100 (steepness, bass width)

// The crossover frequency shown in the summary for a split setting s: e^(0.07 s + 3) Hz, truncated.
int32_t split_frequency_hz(float split_setting);

// Extra values the summary needs besides the record.
struct SummaryExtras {
  float split_setting = 35.0f;    // the split frequency setting before truncation
  int32_t steepness_percent = 40; // the steepness line's value
};

// Prints the settings summary (every line, ending with a blank line) to standard output.
void print_settings_summary(const BlockSettings& settings, const SummaryExtras& extras);

}  // namespace zelmar
