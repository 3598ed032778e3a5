// Helpers shared by the fuzz targets: a private working folder, a quiet console, whole-file
// reads and writes, and the checks every run of the whole program must pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zelmar_fuzz {

// Prints `what` to standard error and aborts, so that libFuzzer records the input as a finding.
[[noreturn]] void fail(const std::string& what);

// Creates a fresh folder under $TMPDIR (or /tmp), to be removed again when the process exits, and
// sends standard output to /dev/null. Call once, before any run. Returns the folder's absolute
// path ending in '/': the only place the runs read and write files.
std::string make_private_folder();

// Replaces the file at `path` with `size` bytes from `data`. Fails on any error.
void write_file(const std::string& path, const void* data, size_t size);

// Returns the whole content of the file at `path`. Fails when it cannot be read.
std::string read_file(const std::string& path);

// Removes the file at `path` if it exists.
void remove_file(const std::string& path);

// Runs the whole program (run_command_line) with `arguments`, argv[0] included.
int run_program(const std::vector<std::string>& arguments);

// After a successful run: fails unless the file at `output_path` has the length of `input` and
// the same first and last min(512, length) bytes.
void check_output(const std::string& input, const std::string& output_path);

// Fails unless the file at `input_path` still holds exactly `input` (the run left it alone).
void check_input_untouched(const std::string& input, const std::string& input_path);

}  // namespace zelmar_fuzz
