// Whatever files and arguments a user gives, the program says what went wrong, ends with one of
// its own exit codes (never a signal, never a hang) and leaves the input file as it was.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "whole_program.h"

namespace {

using namespace whole_program;

constexpr size_t kHalfBlockBytes = 32768;
constexpr size_t kEndCopyBytes = 512;
// Small enough to be quick, long enough for the block loop to write before the finishing steps.
constexpr size_t kInputBytes = 3 * kHalfBlockBytes;
// Ordinary simple settings with the automatic equalizer on, and ADVANCED with its thirteen values.
const std::vector<std::string> kWithEqualizer = {
    "35", "40", "20", "20", "35", "60", "40", "60", "50", "25"};
const std::vector<std::string> kAdvanced = {
    "ADVANCED", "35", "40", "20", "35", "60", "40", "20", "35", "60", "60", "50", "1", "25"};

using Prepare = void (*)(const fs::path& folder);

struct FileCase {
  const char* behaviour;
  Prepare prepare;                     // makes the row's files beside in.raw, or null
  std::vector<std::string> arguments;  // after the program name
  std::string console_tail;            // how the console must end
  int exit_status;
};

// Runs one row in a fresh folder holding in.raw and checks the message, the exit status, that
// the program neither hung nor crashed, and that in.raw is unchanged.
void expect_refused(const FileCase& c) {
  SCOPED_TRACE(c.behaviour);
  ScratchFolder folder;
  const std::string input = sound_bytes(kInputBytes);
  ASSERT_TRUE(write_file(folder / "in.raw", input));
  if (c.prepare != nullptr) c.prepare(folder.path());
  const ProgramRun run = run_zelmar(folder, c.arguments);
  // Let the check read back whatever the row made unreadable.
  fs::permissions(folder / "in.raw", fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_FALSE(run.timed_out);
  EXPECT_EQ(run.killed_by_signal, 0);
  EXPECT_EQ(run.exit_status, c.exit_status) << run.start_error;
  EXPECT_TRUE(run.standard_output.ends_with(c.console_tail))
      << "want the console to end with\n" << c.console_tail << "\nbut it was\n"
      << run.standard_output;
  EXPECT_TRUE(read_file(folder / "in.raw") == input) << "the input file changed";
}

void make_folder(const fs::path& folder) { fs::create_directory(folder / "sub"); }
void make_fifo(const fs::path& folder) { ASSERT_EQ(mkfifo((folder / "pipe").c_str(), 0600), 0); }
void link_symbolically(const fs::path& folder) {
  fs::create_symlink("in.raw", folder / "link.raw");
}
void link_hard(const fs::path& folder) {
  fs::create_hard_link(folder / "in.raw", folder / "hard.raw");
}

TEST(BadInput, UnusableFilesAreRefusedWithTheirMessage) {
  const std::string same = "' is the input file\n";
  const FileCase cases[] = {
      {"input missing", nullptr, {"missing.raw", "out.raw"},
       "Input file 'missing.raw' could not be opened\n", 255},
      {"input a directory", make_folder, {"sub", "out.raw"},
       "Input file 'sub' could not be opened\n", 255},
      {"input a FIFO without a writer", make_fifo, {"pipe", "out.raw"},
       "Input file 'pipe' could not be opened\n", 255},
      {"output in a missing folder", nullptr, {"in.raw", "nowhere/out.raw"},
       "Output file 'nowhere/out.raw' could not be opened\n", 254},
      {"output a directory", make_folder, {"in.raw", "sub"},
       "Output file 'sub' could not be opened\n", 254},
      {"output a FIFO without a reader", make_fifo, {"in.raw", "pipe"},
       "Output file 'pipe' could not be opened\n", 254},
      {"output the input by the same path", nullptr, {"in.raw", "in.raw"},
       "Output file 'in.raw" + same, 254},
      {"output the input as ./in.raw", nullptr, {"in.raw", "./in.raw"},
       "Output file './in.raw" + same, 254},
      {"output the input through sub/..", make_folder, {"in.raw", "sub/../in.raw"},
       "Output file 'sub/../in.raw" + same, 254},
      {"output a symlink to the input", link_symbolically, {"in.raw", "link.raw"},
       "Output file 'link.raw" + same, 254},
      {"output a hard link to the input", link_hard, {"in.raw", "hard.raw"},
       "Output file 'hard.raw" + same, 254},
      {"input a symlink to the output", link_symbolically, {"link.raw", "in.raw"},
       "Output file 'in.raw" + same, 254},
      {"output on a full device", nullptr, {"in.raw", "/dev/full"},
       "Error writing to output file", 253},
  };
  for (const FileCase& c : cases) expect_refused(c);
}

void make_input_unreadable(const fs::path& folder) {
  fs::permissions(folder / "in.raw", fs::perms::owner_write);
}
void make_locked_output(const fs::path& folder) {
  ASSERT_TRUE(write_file(folder / "locked.raw", "old"));
  fs::permissions(folder / "locked.raw", fs::perms::owner_read);
}

// Root opens files whatever their permission bits say, so these rows prove nothing as root.
TEST(BadInput, FilesWithoutPermissionAreRefused) {
  if (running_as_root()) GTEST_SKIP() << "root ignores file permissions";
  const FileCase cases[] = {
      {"input unreadable", make_input_unreadable, {"in.raw", "out.raw"},
       "Input file 'in.raw' could not be opened\n", 255},
      {"output unwritable", make_locked_output, {"in.raw", "locked.raw"},
       "Output file 'locked.raw' could not be opened\n", 254},
  };
  for (const FileCase& c : cases) expect_refused(c);
}

// A complete run leaves an output of the input's length whose first and last min(512, length)
// bytes are the input's; an input under 1024 bytes comes out unchanged.
void expect_length_and_copies(const std::string& input, const std::optional<std::string>& output) {
  ASSERT_TRUE(output.has_value()) << "no output file";
  ASSERT_EQ(output->size(), input.size());
  const size_t copied = std::min(kEndCopyBytes, input.size());
  EXPECT_TRUE(output->compare(0, copied, input, 0, copied) == 0) << "first bytes differ";
  const size_t tail_at = input.size() - copied;
  EXPECT_TRUE(output->compare(tail_at, copied, input, tail_at, copied) == 0) << "last bytes differ";
  if (input.size() < 2 * kEndCopyBytes) EXPECT_TRUE(*output == input) << "short input changed";
}

TEST(BadInput, EveryInputLengthGivesAnOutputOfThatLengthWithTheEndsCopied) {
  const size_t lengths[] = {0,    1,     3,     511,   512,   513,   1023,
                            1024, 32767, 32768, 32769, 65535, 65536, 65537};
  const std::vector<std::string> settings_lists[] = {{}, kWithEqualizer};
  for (const std::vector<std::string>& settings : settings_lists) {
    for (const size_t length : lengths) {
      SCOPED_TRACE(std::to_string(length) + " bytes" + (settings.empty() ? "" : ", equalizer on"));
      ScratchFolder folder;
      const std::string input = sound_bytes(length, static_cast<uint32_t>(length));
      ASSERT_TRUE(write_file(folder / "in.raw", input));
      const ProgramRun run = run_zelmar(folder, joined({"in.raw", "out.raw"}, settings));
      EXPECT_EQ(run.exit_status, 0) << run.start_error << run.standard_output;
      EXPECT_TRUE(run.standard_output.ends_with("fixing header info   \r                     \r"))
          << "finishing steps missing:\n" << run.standard_output;
      expect_length_and_copies(input, read_file(folder / "out.raw"));
      EXPECT_TRUE(read_file(folder / "in.raw") == input) << "the input file changed";
    }
  }
}

struct ArgumentCase {
  std::string behaviour;
  std::vector<std::string> settings;  // after the two file names
  int exit_status;                    // 0: a complete run; 253: refused
};

// Every setting position of the simple mode (3 to 13) holding the same text.
std::vector<std::string> everywhere(const std::string& text) {
  return std::vector<std::string>(11, text);
}

// `settings` with every number replaced by `make(number)`; a mode word stays.
std::vector<std::string> each_number(std::vector<std::string> settings,
                                     std::string (*make)(const std::string&)) {
  for (std::string& setting : settings) {
    if (setting != "ADVANCED") setting = make(setting);
  }
  return settings;
}
std::string negative(const std::string& number) { return "-" + number; }
std::string zero(const std::string&) { return "0"; }

std::vector<ArgumentCase> argument_cases() {
  std::vector<ArgumentCase> cases;
  const std::string texts[] = {
      "nan", "inf", "1e999", "-1e999", "0x10", "", "  7", "12abc", "1" + std::string(399, '7')};
  for (const std::string& text : texts) {
    cases.push_back({"\"" + text + "\" in every position", everywhere(text), 0});
  }
  // The number positions one at a time, the others ordinary and the equalizer on.
  for (const std::string infinite : {"1e999", "-1e999"}) {
    for (size_t position = 0; position < 9; ++position) {
      std::vector<std::string> settings = kWithEqualizer;
      settings[position] = infinite;
      cases.push_back({infinite + " at position " + std::to_string(position + 3), settings, 0});
    }
  }
  for (const std::string beyond : {"2147483648", "-2147483649"}) {
    std::vector<std::string> settings = kWithEqualizer;
    settings[9] = beyond;
    cases.push_back({"equalizer " + beyond, settings, 0});
    settings[9] = "0";
    cases.push_back({"weighted switch " + beyond, joined(settings, {beyond}), 0});
    std::vector<std::string> advanced = kAdvanced;
    advanced[12] = beyond;
    advanced[13] = beyond;
    cases.push_back({"advanced curve and equalizer " + beyond, advanced, 0});
  }
  cases.push_back(
      {"every simple setting negative", joined(each_number(kWithEqualizer, negative), {"-1"}), 0});
  cases.push_back({"every advanced setting negative", each_number(kAdvanced, negative), 0});
  cases.push_back({"every simple setting 0", everywhere("0"), 0});
  cases.push_back({"every advanced setting 0", each_number(kAdvanced, zero), 0});
  cases.push_back({"preset with every number behind it 0, equalizer on",
                   {"ZedeRU", "1", "0", "0", "0", "0", "0", "0", "0"}, 0});
  cases.push_back({"preset linearity 0", {"ZedeRU", "0"}, 253});
  cases.push_back({"advanced with 15 arguments",
                   std::vector<std::string>(kAdvanced.begin(), kAdvanced.end() - 1), 253});
  cases.push_back({"advanced with 16 arguments", kAdvanced, 0});
  return cases;
}

TEST(BadInput, AnyArgumentsEndInAnOwnExitCodeAndACompleteOutput) {
  for (const ArgumentCase& c : argument_cases()) {
    SCOPED_TRACE(c.behaviour);
    ScratchFolder folder;
    const std::string input = sound_bytes(kInputBytes);
    ASSERT_TRUE(write_file(folder / "in.raw", input));
    const ProgramRun run = run_zelmar(folder, joined({"in.raw", "out.raw"}, c.settings));
    EXPECT_FALSE(run.timed_out);
    EXPECT_EQ(run.killed_by_signal, 0);
    EXPECT_EQ(run.exit_status, c.exit_status) << run.start_error << run.standard_output;
    if (c.exit_status == 0) expect_length_and_copies(input, read_file(folder / "out.raw"));
    EXPECT_TRUE(read_file(folder / "in.raw") == input) << "the input file changed";
  }
}

}  // namespace
