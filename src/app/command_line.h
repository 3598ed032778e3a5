// The program's entry logic: usage test, the three ways of giving settings, the settings
// summary, and the hand-over to the stream driver.
#pragma once

namespace zelmar {

// Runs the whole program for the given arguments (argv[0] is the program's name) and returns its
// exit code: 0 after "-h", "--help" (usage text) or "--version" (banner line) as argv[1]; -3 after
// the usage text asked for otherwise or an incomplete/invalid command line; otherwise the stream
// driver's result.
int run_command_line(int argc, const char* const* argv);

}  // namespace zelmar
