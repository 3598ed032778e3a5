// zelmar2: two-band dynamics processor with automatic equalizer for 16-bit stereo sound files.
#include <cstdio>
#include <exception>

#include "app/command_line.h"

int main(int argc, char** argv) {
  try {
    return zelmar::run_command_line(argc, argv);
  } catch (const std::exception& error) {
    std::printf("Internal error: %s\n", error.what());
    return -4;
  }
}
