#pragma once
// Runs a program the way a shell user would, without a shell in between, for whole-program tests.

#include <cstdint>
#include <string>
#include <vector>

struct ProgramRun {
  std::string standard_output;  // every byte the program wrote to standard output
  int exit_status = -1;         // as a shell reports it: 0..255, or 128 + signal number
  int killed_by_signal = 0;     // the signal that ended the program, or 0 when it exited
  bool timed_out = false;       // the program was still running at the deadline and was killed
  std::string start_error;      // empty when the program ran; otherwise why it could not be started
};

// What the program is allowed while it runs.
struct ProgramLimits {
  // Seconds after which a program that has not finished is killed (SIGKILL) and reported as
  // timed out: a guard against hangs, not a measurement. 0 waits for ever.
  double timeout_seconds = 0;
  // Largest file size in bytes the program may write (RLIMIT_FSIZE). A write that would pass it
  // stores what fits and then fails with EFBIG instead of raising SIGXFSZ. Negative: no limit.
  int64_t file_size_limit = -1;
};

// Runs `program` with exactly `arguments` (no word splitting or globbing) in the folder
// `working_folder`, standard input from /dev/null, standard error left to the caller's.
// Waits for it to finish (or for the deadline of `limits`) and returns its standard output and
// exit status.
ProgramRun run_program(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& working_folder, const ProgramLimits& limits = {});
