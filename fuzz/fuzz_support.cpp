#include "fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/command_line.h"

namespace zelmar_fuzz {
namespace {

namespace fs = std::filesystem;

// The bytes the program copies from the input over each end of the output.
constexpr size_t kEndCopyBytes = 512;

fs::path private_folder;

void remove_private_folder() {
  std::error_code ignored;
  if (!private_folder.empty()) fs::remove_all(private_folder, ignored);
}

}  // namespace

void fail(const std::string& what) {
  std::fprintf(stderr, "zelmar fuzz finding: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

std::string make_private_folder() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/zelmar-fuzz-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) fail("cannot create a private folder from " + pattern);
  private_folder = fs::absolute(pattern);
  std::atexit(remove_private_folder);
  // The program talks a lot on the console; libFuzzer reports on standard error.
  if (std::freopen("/dev/null", "w", stdout) == nullptr) fail("cannot silence standard output");
  return private_folder.string() + "/";
}

void write_file(const std::string& path, const void* data, size_t size) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!file) fail("cannot write " + path);
}

std::string read_file(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) fail("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void remove_file(const std::string& path) { std::remove(path.c_str()); }

int run_program(const std::vector<std::string>& arguments) {
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  argv.push_back(nullptr);
  const int result = zelmar::run_command_line(static_cast<int>(arguments.size()), argv.data());
  std::fflush(stdout);
  return result;
}

void check_output(const std::string& input, const std::string& output_path) {
  const std::string output = read_file(output_path);
  if (output.size() != input.size()) {
    fail("output has " + std::to_string(output.size()) + " bytes, input " +
         std::to_string(input.size()));
  }
  const size_t end = std::min(kEndCopyBytes, input.size());
  if (output.compare(0, end, input, 0, end) != 0) fail("output's first bytes differ from input's");
  if (output.compare(output.size() - end, end, input, input.size() - end, end) != 0) {
    fail("output's last bytes differ from input's");
  }
}

void check_input_untouched(const std::string& input, const std::string& input_path) {
  if (read_file(input_path) != input) fail("the run changed its input " + input_path);
}

}  // namespace zelmar_fuzz
