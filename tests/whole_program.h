#pragma once
// Support for tests that run the built program on files in a scratch folder: the folder, file
// contents, deterministic sound bytes, and one call that runs the program there.

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "run_program.h"

namespace whole_program {

namespace fs = std::filesystem;

// Seconds after which a run counts as hung; far above any run these tests make.
constexpr double kHangSeconds = 60.0;

// An empty folder that is removed with everything in it when it goes out of scope.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (fs::temp_directory_path() / "zelmar-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const fs::path& path() const { return path_; }
  fs::path operator/(const std::string& name) const { return path_ / name; }

 private:
  fs::path path_;
};

// Writes `bytes` as the whole content of `path`; false on failure.
inline bool write_file(const fs::path& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

// The whole content of `path`, or nothing when it cannot be read.
inline std::optional<std::string> read_file(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The names in `folder`, sorted.
inline std::vector<std::string> folder_listing(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// `length` bytes of loud pseudo-random 16-bit samples, the same for the same seed.
inline std::string sound_bytes(size_t length, uint32_t seed = 1) {
  std::string bytes(length, '\0');
  uint32_t state = seed;
  for (char& byte : bytes) {
    state = state * 1664525u + 1013904223u;  // a plain linear congruential step
    byte = static_cast<char>(state >> 24);
  }
  return bytes;
}

// `first` followed by `second`, e.g. the file names followed by the settings.
inline std::vector<std::string> joined(std::vector<std::string> first,
                                       const std::vector<std::string>& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

inline bool running_as_root() { return geteuid() == 0; }

// The program under test: ZELMAR_BINARY_OVERRIDE when set, else the one built with the tests.
inline std::string program_under_test() {
  const char* override_path = std::getenv("ZELMAR_BINARY_OVERRIDE");
  return override_path != nullptr && *override_path != '\0' ? override_path : ZELMAR_BINARY;
}

// Runs the program with `arguments` in `folder`, killing it if it hangs.
inline ProgramRun run_zelmar(const ScratchFolder& folder, const std::vector<std::string>& arguments,
                             int64_t file_size_limit = -1) {
  ProgramLimits limits;
  limits.timeout_seconds = kHangSeconds;
  limits.file_size_limit = file_size_limit;
  return run_program(program_under_test(), arguments, folder.path().string(), limits);
}

}  // namespace whole_program
