// The whole program run as a user runs it: the settings summary's edge values, command lines that
// are refused, and inputs and outputs that fail while streaming. Bad files and bad arguments in
// bulk are in bad_input_test.cpp.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "whole_program.h"

namespace {

using namespace whole_program;

const std::string kBanner = "Torvane/ZedeRU (pre-release 12) by Quillet\n";
const std::string kPresetLine = "PRESET .................. : ZedeRU\n";
const std::string kWriteError = "Error writing to output file";
constexpr size_t kHalfBlockBytes = 32768;
// Enough for the block loop to write twice before the finishing steps.
constexpr size_t kThreeHalfBlocks = 3 * kHalfBlockBytes;

// Advanced settings with `slope` as the steepness and everything else ordinary.
std::vector<std::string> advanced_with_slope(const std::string& slope) {
  return {"ADVANCED", "35", slope, "20", "35", "60", "40", "20", "35", "60", "60", "50", "1", "0"};
}

struct SummaryCase {
  const char* behaviour;
  std::vector<std::string> settings;
  std::vector<std::string> shown;  // pieces the console must contain
};

TEST(Summary, ShowsEdgeValuesAsTheyAreStored) {
  const std::string steepness = "split filter steepness .. : ";
  const SummaryCase cases[] = {
      {"simple steepness 35 is stored just below 0.35", {"35", "35"}, {steepness + "34 pct.\n"}},
      {"advanced steepness is taken before single rounding", advanced_with_slope("35"),
       {steepness + "35 pct.\n"}},
      {"advanced steepness 29 truncates to 28", advanced_with_slope("29"),
       {steepness + "28 pct.\n"}},
      {"advanced steepness 58 truncates to 57", advanced_with_slope("58"),
       {steepness + "57 pct.\n"}},
      {"preset linearity is also the steepness", {"ZedeRU", "120"},
       {steepness + "120 pct.\n", "ZedeRU linearity angle .. : 120.0 pct.\n"}},
      {"equalizer above 100 has no label and no line break",
       {"35", "40", "20", "20", "35", "60", "40", "60", "50", "150"},
       {"auto equalizer .......... : attack curve type ....... : logarithmic\n",
        "ZedeRU linearity angle .. : 100.0 pct.\n"}},
      {"overflowing split frequency saturates", {"1e999"},
       {"split frequency ......... : 2147483647 Hz\n"}},
      {"negative infinite split frequency shows 0 Hz", {"-1e999"},
       {"split frequency ......... : 0 Hz\n"}},
      {"negative infinite steepness saturates", {"35", "-1e999"},
       {steepness + "-2147483648 pct.\n"}},
      {"advanced infinite steepness saturates", advanced_with_slope("1e999"),
       {steepness + "2147483647 pct.\n"}},
  };
  for (const SummaryCase& c : cases) {
    ScratchFolder folder;
    ASSERT_TRUE(write_file(folder / "in.raw", sound_bytes(1000)));
    const ProgramRun run = run_zelmar(folder, joined({"in.raw", "out.raw"}, c.settings));
    EXPECT_EQ(run.exit_status, 0) << c.behaviour << run.start_error;
    for (const std::string& piece : c.shown) {
      EXPECT_NE(run.standard_output.find(piece), std::string::npos)
          << c.behaviour << ": missing \"" << piece << "\" in\n" << run.standard_output;
    }
  }
}

struct RefusedCase {
  const char* behaviour;
  std::vector<std::string> settings;
  std::string console;
};

TEST(CommandLine, RefusedCommandLinesSayWhyAndTouchNoFile) {
  const std::string zero_linearity = kBanner + kPresetLine + "ZedeRU linearity must not be 0\n";
  const RefusedCase cases[] = {
      {"preset linearity 0", {"ZedeRU", "0"}, zero_linearity},
      {"preset linearity negative zero", {"ZedeRU", "-0"}, zero_linearity},
      {"preset linearity that rounds to 0 in single precision", {"ZedeRU", "1e-50"},
       zero_linearity},
      {"advanced mode with fifteen values",
       {"ADVANCED", "35", "40", "20", "35", "60", "40", "20", "35", "60", "60", "50", "1"},
       kBanner + "Advanced mode\n" + "In advanced mode ALL parameters must be given\n" +
           "Usage: Zelmar2 <input> <output> ADVANCED <split freq.> <split slope> <hi thresh> "
           "<hi attack> <hi release> <hi gain> <lo thresh> <lo attack> <lo release> <lo gain> "
           "<lo stereo> <attack curve type> <auto EQ>\n" +
           "all numbers go from 0 to 100 except attack curve which must be 0 or 1\n"},
  };
  for (const RefusedCase& c : cases) {
    ScratchFolder folder;
    const std::string input = sound_bytes(kThreeHalfBlocks);
    ASSERT_TRUE(write_file(folder / "in.raw", input));
    const ProgramRun run = run_zelmar(folder, joined({"in.raw", "out.raw"}, c.settings));
    EXPECT_EQ(run.standard_output, c.console) << c.behaviour;
    EXPECT_EQ(run.exit_status, 253) << c.behaviour << run.start_error;
    EXPECT_EQ(folder_listing(folder.path()), std::vector<std::string>{"in.raw"}) << c.behaviour;
    EXPECT_TRUE(read_file(folder / "in.raw") == input) << c.behaviour << ": input changed";
  }
}

struct UnstreamableInputCase {
  const char* behaviour;
  std::string input_path;
};

TEST(StreamDriver, InputsThatCannotBeStreamedAreRefusedWithoutWaiting) {
  const UnstreamableInputCase cases[] = {
      {"a character device", "/dev/zero"},
      {"a file whose length cannot be measured", "/proc/self/mem"},
  };
  for (const UnstreamableInputCase& c : cases) {
    ScratchFolder folder;
    const ProgramRun run = run_zelmar(folder, {c.input_path, "out.raw"});
    EXPECT_FALSE(run.timed_out) << c.behaviour;
    const std::string message = "Input file '" + c.input_path + "' could not be opened\n";
    EXPECT_TRUE(run.standard_output.ends_with(message))
        << c.behaviour << ":\n" << run.standard_output;
    EXPECT_EQ(run.exit_status, 255) << c.behaviour << run.start_error;
    EXPECT_TRUE(folder_listing(folder.path()).empty()) << c.behaviour << ": output created";
  }
}

// /proc/self/clear_refs is a regular file that opens for reading only as root, and every read of
// it fails: the block loop's first read reports the error instead of finishing normally.
TEST(StreamDriver, AFailingReadIsReportedWithExitCode255) {
  const std::string input_path = "/proc/self/clear_refs";
  if (!running_as_root()) GTEST_SKIP() << input_path << " opens for reading only as root";
  if (!fs::exists(input_path)) GTEST_SKIP() << input_path << " does not exist here";
  ScratchFolder folder;
  const ProgramRun run = run_zelmar(folder, {input_path, "out.raw"});
  EXPECT_TRUE(run.standard_output.ends_with("Error reading input file\n")) << run.standard_output;
  EXPECT_EQ(run.exit_status, 255) << run.start_error;
}

struct FileSizeLimitCase {
  const char* stage;  // where the limit is reached
  size_t input_bytes;
  int64_t file_size_limit;  // the largest output the run may write, bytes
  int exit_status;
};

// A file-size limit makes the write that crosses it store only part of its bytes and the next
// one fail, at a chosen stage of the run.
TEST(StreamDriver, AShortOrFailedWriteAtAnyStageEndsWithExitCode253) {
  const FileSizeLimitCase cases[] = {
      {"the block loop's second write", kThreeHalfBlocks, 40000, 253},
      {"the last half block", kThreeHalfBlocks, 70000, 253},
      {"the last half block, refused whole", kThreeHalfBlocks, 2 * kHalfBlockBytes, 253},
      {"the zero fill", kThreeHalfBlocks + 1000, kThreeHalfBlocks + 500, 253},
      {"no write: the limit is the input's length", kThreeHalfBlocks + 1000,
       kThreeHalfBlocks + 1000, 0},
      {"no write past a short input's length", 1000, 1000, 0},
  };
  for (const FileSizeLimitCase& c : cases) {
    ScratchFolder folder;
    const std::string input = sound_bytes(c.input_bytes);
    ASSERT_TRUE(write_file(folder / "in.raw", input));
    const ProgramRun run = run_zelmar(folder, {"in.raw", "out.raw"}, c.file_size_limit);
    SCOPED_TRACE(std::string("limit reached in ") + c.stage);
    EXPECT_EQ(run.exit_status, c.exit_status) << run.start_error;
    EXPECT_EQ(run.standard_output.ends_with(kWriteError), c.exit_status == 253)
        << run.standard_output;
    if (c.exit_status == 253) {
      EXPECT_EQ(fs::file_size(folder / "out.raw"), static_cast<uintmax_t>(c.file_size_limit))
          << "the output should hold what fitted below the limit";
    }
    EXPECT_TRUE(read_file(folder / "in.raw") == input) << "input changed";
  }
}

}  // namespace
