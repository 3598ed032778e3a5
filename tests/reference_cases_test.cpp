// Runs the whole program on every recorded case in data/conformance/cases.tsv and compares its
// console text, exit status and output file (length and SHA-256) with the recording.
// ZELMAR_BINARY_OVERRIDE, when set, names the program to run instead of the built one.

#include "run_program.h"
#include "sha256.h"
#include "whole_program.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kCaseFolder = fs::path(ZELMAR_TEST_DATA) / "conformance";
// The recorded output files themselves are too large for the repository; when the shared
// reference folder sits beside the source tree they locate the first differing byte.
const fs::path kRecordedOutputFolder =
    (fs::path(ZELMAR_TEST_DATA) / ".." / ".." / ".." / "shared" / "conformance" / "expected")
        .lexically_normal();

struct ReferenceCase {
  std::string id;
  std::string input;                    // file copied from inputs/, or "-"
  std::vector<std::string> arguments;   // after the program name
  int exit_status = 0;
  std::string output;                   // file the run must leave behind, or "-"
  std::string sha256;                   // of that file, or "-"
  std::string bytes;                    // its length, or "-"
  std::string table_error;              // set when the row could not be read
};

// Lets test listings show the case id instead of the object's bytes.
void PrintTo(const ReferenceCase& c, std::ostream* out) { *out << c.id; }

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1) {
    parts.push_back(text.substr(start, at - start));
  }
  parts.push_back(text.substr(start));
  return parts;
}

std::optional<std::string> read_file(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

ReferenceCase parse_row(const std::string& line, int line_number) {
  ReferenceCase c;
  std::vector<std::string> columns = split(line, '\t');
  if (columns.size() != 7) {
    c.id = "line_" + std::to_string(line_number);
    c.table_error = "cases.tsv line " + std::to_string(line_number) + " has " +
                    std::to_string(columns.size()) + " columns, want 7";
    return c;
  }
  c.id = columns[0];
  c.input = columns[1];
  // An empty argv column means no arguments at all, not one empty argument.
  if (!columns[2].empty()) c.arguments = split(columns[2], ' ');
  const std::string& exit = columns[3];
  auto [end, error] = std::from_chars(exit.data(), exit.data() + exit.size(), c.exit_status);
  if (error != std::errc() || end != exit.data() + exit.size()) {
    c.table_error = "cases.tsv line " + std::to_string(line_number) + ": bad exit status '" + exit + "'";
  }
  c.output = columns[4];
  c.sha256 = columns[5];
  c.bytes = columns[6];
  return c;
}

// Reads every case row; a missing table becomes one failing case rather than no tests at all.
std::vector<ReferenceCase> load_cases() {
  std::ifstream table(kCaseFolder / "cases.tsv");
  if (!table) {
    ReferenceCase missing;
    missing.id = "cases_tsv";
    missing.table_error = "cannot read " + (kCaseFolder / "cases.tsv").string();
    return {missing};
  }
  std::vector<ReferenceCase> cases;
  std::string line;
  for (int line_number = 1; std::getline(table, line); ++line_number) {
    if (line.empty() || line[0] == '#') continue;
    cases.push_back(parse_row(line, line_number));
  }
  return cases;
}

std::string test_name(const testing::TestParamInfo<ReferenceCase>& info) {
  std::string name = info.param.id;
  std::replace_if(name.begin(), name.end(), [](unsigned char ch) { return !std::isalnum(ch); }, '_');
  return name;
}

// Console text with carriage returns and other control characters spelled out.
std::string visible(const std::string& text) {
  std::string shown;
  for (unsigned char ch : text) {
    if (ch == '\r') {
      shown += "\\r";
    } else if (ch < 0x20 && ch != '\n' && ch != '\t') {
      char code[8];
      std::snprintf(code, sizeof code, "\\x%02x", ch);
      shown += code;
    } else {
      shown += static_cast<char>(ch);
    }
  }
  return shown;
}

size_t first_difference(const std::string& a, const std::string& b) {
  size_t common = std::min(a.size(), b.size());
  return static_cast<size_t>(std::mismatch(a.begin(), a.begin() + common, b.begin()).first - a.begin());
}

std::string describe_stdout_difference(const std::string& want, const std::string& got) {
  std::ostringstream out;
  out << "standard output differs at byte " << first_difference(want, got) << " (want " << want.size()
      << " bytes, got " << got.size() << ")\n--- want ---\n"
      << visible(want) << "\n--- got ---\n"
      << visible(got) << "\n------------";
  return out.str();
}

// Left and right 16-bit little-endian samples of the frame that holds byte `offset`, if whole.
std::string frame_samples(const std::string& data, size_t offset) {
  size_t start = offset / 4 * 4;
  if (start + 4 > data.size()) return "(incomplete frame)";
  auto sample = [&](size_t at) {
    return int16_t(uint16_t(uint8_t(data[at])) | uint16_t(uint8_t(data[at + 1])) << 8);
  };
  return "(" + std::to_string(sample(start)) + ", " + std::to_string(sample(start + 2)) + ")";
}

// Where an output file departs from the recorded one, when that recording is at hand.
std::string locate_output_difference(const std::string& id, const std::string& got) {
  fs::path recorded_path = kRecordedOutputFolder / (id + ".out");
  std::optional<std::string> want = read_file(recorded_path);
  if (!want) return "";
  size_t offset = first_difference(*want, got);
  if (offset == want->size() && offset == got.size()) return "";
  std::ostringstream out;
  out << "\nfirst differing byte at offset " << offset << " (frame " << offset / 4 << ")";
  if (offset < want->size() && offset < got.size()) {
    out << ": frame samples want " << frame_samples(*want, offset) << ", got "
        << frame_samples(got, offset);
  }
  out << "; compared with " << recorded_path.string();
  return out.str();
}

void expect_output_file(const ReferenceCase& c, const fs::path& path) {
  std::optional<std::string> data = read_file(path);
  if (!data) {
    ADD_FAILURE() << "the run left no output file " << c.output;
    return;
  }
  if (c.bytes != "-" && std::to_string(data->size()) != c.bytes) {
    ADD_FAILURE() << "output file " << c.output << " has " << data->size() << " bytes, want " << c.bytes;
  }
  if (c.sha256 != "-") {
    std::string hash = sha256_hex(*data);
    if (hash != c.sha256) {
      ADD_FAILURE() << "SHA-256 of output file " << c.output << " is " << hash << ", want "
                    << c.sha256 << locate_output_difference(c.id, *data);
    }
  }
}

class ReferenceRun : public testing::TestWithParam<ReferenceCase> {};

TEST_P(ReferenceRun, MatchesRecording) {
  const ReferenceCase& c = GetParam();
  ASSERT_TRUE(c.table_error.empty()) << c.table_error;

  whole_program::ScratchFolder work;
  ASSERT_FALSE(work.path().empty()) << "cannot make a temporary working folder";
  if (c.input != "-") {
    std::error_code error;
    fs::copy_file(kCaseFolder / "inputs" / c.input, work / c.input, error);
    ASSERT_FALSE(error) << "cannot copy input " << c.input << ": " << error.message();
  }
  std::optional<std::string> want_stdout = read_file(kCaseFolder / "expected" / (c.id + ".stdout"));
  ASSERT_TRUE(want_stdout) << "no expected/" << c.id << ".stdout";

  ProgramRun run =
      run_program(whole_program::program_under_test(), c.arguments, work.path().string());
  ASSERT_TRUE(run.start_error.empty()) << run.start_error;

  if (run.standard_output != *want_stdout) {
    ADD_FAILURE() << describe_stdout_difference(*want_stdout, run.standard_output);
  }
  if (run.exit_status != c.exit_status) {
    ADD_FAILURE() << "exit status " << run.exit_status << ", want " << c.exit_status
                  << (run.killed_by_signal ? " (killed by signal " + std::to_string(run.killed_by_signal) + ")"
                                           : "");
  }
  if (c.output != "-") expect_output_file(c, work / c.output);
}

INSTANTIATE_TEST_SUITE_P(Recorded, ReferenceRun, testing::ValuesIn(load_cases()), test_name);

}  // namespace
