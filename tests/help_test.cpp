// The requests a new user tries first: -h, --help and --version, each only as the first argument.

#include "run_program.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The usage text exactly as "?" prints it.
std::string usage_text() {
  std::ifstream file(fs::path(ZELMAR_TEST_DATA) / "conformance" / "expected" / "usage-q.stdout",
                     std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

const std::string kBanner = "Torvane/ZedeRU (pre-release 12) by Quillet\n";

struct Case {
  std::vector<std::string> arguments;
  std::optional<std::string> standard_output;  // nothing: not checked
  int exit_status;
};

TEST(Help, HelpAndVersionAnswerWithExitZeroAndOnlyAsTheWholeFirstArgument) {
  const std::string usage = usage_text();
  ASSERT_FALSE(usage.empty());
  const Case cases[] = {
      {{"-h"}, usage, 0},
      {{"--help"}, usage, 0},
      {{"--help", "in.wav", "out.wav", "35"}, usage, 0},
      {{"--version"}, kBanner, 0},
      {{"--version", "in.wav"}, kBanner, 0},
      {{"-?"}, usage, 253},  // still the usage error it always was
      // Anything else is an input file name as before (none of these exists: exit 255).
      {{"-hx"}, std::nullopt, 255},
      {{"--helpme"}, std::nullopt, 255},
      {{"-version"}, std::nullopt, 255},
      {{"in.wav", "--help"}, std::nullopt, 255},
  };
  const std::string folder = fs::temp_directory_path().string();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    const ProgramRun run = run_program(ZELMAR_BINARY, c.arguments, folder);
    ASSERT_TRUE(run.start_error.empty()) << run.start_error;
    EXPECT_EQ(run.exit_status, c.exit_status);
    if (c.standard_output) EXPECT_EQ(run.standard_output, *c.standard_output);
  }
}

}  // namespace
