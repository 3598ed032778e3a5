#include "run_program.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Runs in the child between fork and exec: only async-signal-safe calls from here on.
[[noreturn]] void exec_child(const char* program, char* const argv[], const char* folder,
                             int output_fd) {
  int null_fd = open("/dev/null", O_RDONLY);
  if (null_fd < 0 || dup2(null_fd, STDIN_FILENO) < 0 || dup2(output_fd, STDOUT_FILENO) < 0 ||
      chdir(folder) != 0) {
    _exit(127);
  }
  execv(program, argv);
  _exit(127);
}

}  // namespace

ProgramRun run_program(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& working_folder) {
  ProgramRun run;
  if (access(program.c_str(), X_OK) != 0) {
    run.start_error = "cannot execute " + program + ": " + std::strerror(errno);
    return run;
  }
  // argv is built before fork so the child allocates nothing.
  std::vector<std::string> owned = {program};
  owned.insert(owned.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : owned) argv.push_back(word.data());
  argv.push_back(nullptr);

  int pipe_fds[2];
  if (pipe2(pipe_fds, O_CLOEXEC) != 0) {
    run.start_error = std::string("pipe: ") + std::strerror(errno);
    return run;
  }
  pid_t child = fork();
  if (child < 0) {
    run.start_error = std::string("fork: ") + std::strerror(errno);
    close(pipe_fds[0]);
    close(pipe_fds[1]);
    return run;
  }
  if (child == 0) exec_child(program.c_str(), argv.data(), working_folder.c_str(), pipe_fds[1]);

  close(pipe_fds[1]);
  char buffer[65536];
  for (;;) {
    ssize_t got = read(pipe_fds[0], buffer, sizeof buffer);
    if (got > 0) {
      run.standard_output.append(buffer, static_cast<size_t>(got));
    } else if (got == 0 || errno != EINTR) {
      break;
    }
  }
  close(pipe_fds[0]);

  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) {
      run.start_error = std::string("waitpid: ") + std::strerror(errno);
      return run;
    }
  }
  if (WIFEXITED(status)) {
    run.exit_status = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    run.exit_status = 128 + WTERMSIG(status);
    run.killed_by_signal = WTERMSIG(status);
  }
  return run;
}
