#include "app/command_line.h"

#include <cstdio>
#include <cstring>

#include "app/settings.h"
#include "app/stream.h"
#include "dsp/precision.h"

namespace zelmar {
namespace {

constexpr const char* kBanner = "Torvane/ZedeRU (pre-release 12) by Quillet\n";
constexpr const char* kPresetKeyword = "ZedeRU";
constexpr int kAdvancedArgumentCount = 17;

constexpr const char* kUsagePieces[] = {
    "Torvane (pre-release 12) by Quillet\n\n",
    "Usage: Zelmar2\tinput file name\n",
    "\t\toutput file name\n",
    "\t\tsplit frequency   0-100  (this is not Hz)\n",
    "\t\tspl.freq. slope   0-100\n",
    "\t\tthreshold high    0-100\n",
    "\t\tthreshold low     0-100\n",
    "\t\tattack time       0-100\n",
    "\t\trelease time      0-100\n",
    "\t\toutput gain high  0-100\n",
    "\t\toutput gain low   0-100\n",
    "\t\tbass stereo width 0-100\n",
    "\t\tauto equalizer    1-100 (0=off)\n\n",
    "The numbers are optional.\nFile format MUST be ... : 16-bit stereo signed, intel byte order "
    "(.wav or .raw)\n\n",
    "Please notice: This is a PRErelase with a quite bad file loader, that might behave "
    "unexpectantly - try disabling 'regions' and 'summary info' in soundforge's .wav saver\n\n",
    "Example 1:  Zelmar old.wav new.wav 35 40 20 20 35 60 40 60 50\n",
    "Example 2:  Zelmar old.wav new.wav ZedeRU [linearity]\n",
};

void print_usage() {
  for (const char* piece : kUsagePieces) std::fputs(piece, stdout);
}

// "-h" and "--help" ask for the usage text as a request, not as a mistake: exit code 0.
bool asks_for_help(int argc, const char* const* argv) {
  return argc >= 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0);
}

bool asks_for_version(int argc, const char* const* argv) {
  return argc >= 2 && std::strcmp(argv[1], "--version") == 0;
}

bool wants_usage(int argc, const char* const* argv) {
  if (argc < 2) return true;
  const char* first = argv[1];
  return first[0] == '?' || (first[0] != '\0' && first[1] == '?');
}

// Whole-text comparison that ignores the case of ASCII letters only.
bool equals_ignoring_ascii_case(const char* a, const char* b) {
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (lower(*a) != lower(*b)) return false;
  }
  return *a == *b;
}

// The simple mode's numbers as the user gives them (0..100 scale), kept in single precision
// until every position has been read; steepness and bass width are converted as they are read.
struct SimpleNumbers {
  float split = 35.0f;
  float hi_thresh = 20.0f;
  float lo_thresh = 20.0f;
  float attack = 35.0f;
  float release = 60.0f;
  float hi_gain = 40.0f;
  float lo_gain = 60.0f;
};

void apply_preset(SimpleNumbers& numbers, BlockSettings& s) {
  numbers = SimpleNumbers{70.0f, 200.0f, 200.0f, 35.0f, 60.0f, 10.0f, 10.0f};
  s.split_slope = 0.5f;
  s.lo_stereo = 1.0f;
  s.auto_eq = 25;
  s.eq_linearity = 150.0f;
}

float number_at(const char* const* argv, int position) {
  return to_single(parse_number(argv[position]));
}

int read_advanced(int argc, const char* const* argv, BlockSettings& s, SummaryExtras& extras) {
  std::printf("Advanced mode\n");
  if (argc < kAdvancedArgumentCount) {
    std::printf("In advanced mode ALL parameters must be given\n");
    std::printf(
        "Usage: Zelmar2 <input> <output> ADVANCED <split freq.> <split slope> <hi thresh> "
        "<hi attack> <hi release> <hi gain> <lo thresh> <lo attack> <lo release> <lo gain> "
        "<lo stereo> <attack curve type> <auto EQ>\n");
    std::printf("all numbers go from 0 to 100 except attack curve which must be 0 or 1\n");
    return EXIT_WRITE_FAILED;
  }
  extras.split_setting = number_at(argv, 4);
  s.split_freq = saturating_truncate(wide(extras.split_setting));
  const double slope = parse_number(argv[5]) * 0.01;
  s.split_slope = to_single(slope);
  extras.steepness_percent = saturating_truncate(slope * 100.0);
  s.hi_thresh = threshold_from_number(parse_number(argv[6]));
  s.hi_attack = advanced_attack_from_number(parse_number(argv[7]));
  s.hi_release = release_from_number(parse_number(argv[8]));
  s.hi_gain = advanced_gain_from_number(parse_number(argv[9]));
  s.lo_thresh = threshold_from_number(parse_number(argv[10]));
  s.lo_attack = advanced_attack_from_number(parse_number(argv[11]));
  s.lo_release = release_from_number(parse_number(argv[12]));
  s.lo_gain = advanced_gain_from_number(parse_number(argv[13]));
  s.lo_stereo = ratio_from_number(parse_number(argv[14]));
  const int32_t curve = parse_integer(argv[15]);
  std::printf("atk %d", curve);
  s.attack_curve = curve != 0;
  s.auto_eq = parse_integer(argv[16]);
  s.weighted_curve = false;
  s.eq_linearity = 100.0f;
  return EXIT_OK;
}

int read_simple(int argc, const char* const* argv, BlockSettings& s, SummaryExtras& extras) {
  SimpleNumbers numbers;
  bool preset = false;
  if (argc >= 4) {
    numbers.split = number_at(argv, 3);
    if (equals_ignoring_ascii_case(argv[3], kPresetKeyword)) {
      std::printf("PRESET .................. : ZedeRU\n");
      apply_preset(numbers, s);
      if (argc >= 5) s.eq_linearity = number_at(argv, 4);
      preset = true;
      // The tilt divides by the linearity; 0 would wipe out the spectrum.
      if (s.eq_linearity == 0.0f) {
        std::printf("ZedeRU linearity must not be 0\n");
        return EXIT_WRITE_FAILED;
      }
    }
  }
  if (argc > 4) s.split_slope = ratio_from_number(parse_number(argv[4]));
  extras.steepness_percent = saturating_truncate(wide(s.split_slope) * 100.0);
  if (argc > 5) numbers.hi_thresh = number_at(argv, 5);
  if (argc > 6) numbers.lo_thresh = number_at(argv, 6);
  if (argc > 7) numbers.attack = number_at(argv, 7);
  if (argc > 8) numbers.release = number_at(argv, 8);
  if (argc > 9) numbers.hi_gain = number_at(argv, 9);
  if (argc > 10) numbers.lo_gain = number_at(argv, 10);
  if (argc > 11) s.lo_stereo = ratio_from_number(parse_number(argv[11]));
  if (argc > 12) s.auto_eq = parse_integer(argv[12]);
  if (argc > 13) s.weighted_curve = parse_integer(argv[13]) != 0;

  extras.split_setting = numbers.split;
  s.split_freq = saturating_truncate(wide(numbers.split));
  s.hi_thresh = threshold_from_number(wide(numbers.hi_thresh));
  s.lo_thresh = threshold_from_number(wide(numbers.lo_thresh));
  s.hi_attack = simple_attack_from_number(wide(numbers.attack));
  s.lo_attack = s.hi_attack;
  s.hi_release = release_from_number(wide(numbers.release));
  s.lo_release = s.hi_release;
  s.hi_gain = simple_gain_from_number(wide(numbers.hi_gain));
  s.lo_gain = simple_gain_from_number(wide(numbers.lo_gain));

  if (argc > 14) std::printf("***  TOO MANY INPUT ARGUMENTS  ***\n");
  if (argc < 12 && !preset) {
    std::printf("***  Some input values where not specified - using default values... \n\n");
  }
  return EXIT_OK;
}

}  // namespace

int run_command_line(int argc, const char* const* argv) {
  if (asks_for_help(argc, argv)) {
    print_usage();
    return EXIT_OK;
  }
  if (asks_for_version(argc, argv)) {
    std::fputs(kBanner, stdout);
    return EXIT_OK;
  }
  if (wants_usage(argc, argv)) {
    print_usage();
    return EXIT_WRITE_FAILED;
  }
  BlockSettings settings;
  SummaryExtras extras;
  std::printf("%s", kBanner);
  const bool advanced = argc >= 4 && std::strncmp(argv[3], "ADV", 3) == 0;
  const int read_result = advanced ? read_advanced(argc, argv, settings, extras)
                                   : read_simple(argc, argv, settings, extras);
  if (read_result != EXIT_OK) return read_result;
  print_settings_summary(settings, extras);
  std::fflush(stdout);
  return run_stream(argv[1], argc == 2 ? nullptr : argv[2], settings);
}

}  // namespace zelmar
