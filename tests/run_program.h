#pragma once
// Runs a program the way a shell user would, without a shell in between, for whole-program tests.

#include <string>
#include <vector>

struct ProgramRun {
  std::string standard_output;  // every byte the program wrote to standard output
  int exit_status = -1;         // as a shell reports it: 0..255, or 128 + signal number
  int killed_by_signal = 0;     // the signal that ended the program, or 0 when it exited
  std::string start_error;      // empty when the program ran; otherwise why it could not be started
};

// Runs `program` with exactly `arguments` (no word splitting or globbing) in the folder
// `working_folder`, standard input from /dev/null, standard error left to the caller's.
// Waits for it to finish and returns its standard output and exit status.
ProgramRun run_program(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& working_folder);
