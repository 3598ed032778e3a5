// The fifteen processing settings handed to the block processor for every block of a run.
#pragma once

#include <cstdint>

namespace zelmar {

// Settings in the block processor's units, fixed for the whole run (filled by the command line).
struct BlockSettings {
  int32_t split_freq = 35;     // crossover position on the 0..100 scale; f = e^(0.07 x + 3) Hz
  float split_slope = 0.4f;    // crossover steepness, 0..1 over the documented range
  float hi_thresh = 0.0f;      // high-band threshold, linear amplitude (1.0 is full scale)
  float hi_attack = 0.0f;      // high-band attack time, ms
  float hi_release = 0.0f;     // high-band release time, ms
  float hi_gain = 0.0f;        // high-band output gain factor (1.0 is unity)
  float lo_thresh = 0.0f;      // low-band threshold, linear amplitude
  float lo_attack = 0.0f;      // low-band attack time, ms
  float lo_release = 0.0f;     // low-band release time, ms
  float lo_gain = 0.0f;        // low-band output gain factor
  float lo_stereo = 0.5f;      // bass stereo width: 1 unchanged, 0 mono
  int32_t auto_eq = 0;         // automatic equalizer strength: 0 off, 1..100 on
  bool attack_curve = true;    // false: linear attack, true: logarithmic attack
  bool weighted_curve = false; // weighted-curve emphasis on/off
  float eq_linearity = 100.0f; // equalizer linearity angle; the tilt exponent is 30 / this
};

}  // namespace zelmar
