#include "run_program.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Runs in the child between fork and exec: only async-signal-safe calls from here on.
[[noreturn]] void exec_child(const char* program, char* const argv[], const char* folder,
                             int output_fd, const rlimit* file_size_limit) {
  int null_fd = open("/dev/null", O_RDONLY);
  if (null_fd < 0 || dup2(null_fd, STDIN_FILENO) < 0 || dup2(output_fd, STDOUT_FILENO) < 0 ||
      chdir(folder) != 0) {
    _exit(127);
  }
  if (file_size_limit != nullptr) {
    // An ignored SIGXFSZ stays ignored across exec, so an oversized write fails with EFBIG.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    if (sigaction(SIGXFSZ, &ignore, nullptr) != 0 ||
        setrlimit(RLIMIT_FSIZE, file_size_limit) != 0) {
      _exit(127);
    }
  }
  execv(program, argv);
  _exit(127);
}

// Milliseconds left until `deadline` for poll, at least 0; -1 (wait for ever) without a deadline.
int milliseconds_left(bool has_deadline, Clock::time_point deadline) {
  if (!has_deadline) return -1;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

ProgramRun run_program(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& working_folder, const ProgramLimits& limits) {
  ProgramRun run;
  if (access(program.c_str(), X_OK) != 0) {
    run.start_error = "cannot execute " + program + ": " + std::strerror(errno);
    return run;
  }
  // argv and the limit are built before fork so the child allocates nothing.
  std::vector<std::string> owned = {program};
  owned.insert(owned.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : owned) argv.push_back(word.data());
  argv.push_back(nullptr);
  rlimit file_size{};
  const bool limit_file_size = limits.file_size_limit >= 0;
  if (limit_file_size) {
    file_size.rlim_cur = static_cast<rlim_t>(limits.file_size_limit);
    file_size.rlim_max = static_cast<rlim_t>(limits.file_size_limit);
  }

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
  if (child == 0) {
    exec_child(program.c_str(), argv.data(), working_folder.c_str(), pipe_fds[1],
               limit_file_size ? &file_size : nullptr);
  }

  close(pipe_fds[1]);
  const bool has_deadline = limits.timeout_seconds > 0;
  const Clock::time_point deadline =
      Clock::now() + std::chrono::duration_cast<Clock::duration>(
                         std::chrono::duration<double>(limits.timeout_seconds));
  char buffer[65536];
  for (;;) {
    pollfd ready{pipe_fds[0], POLLIN, 0};
    const int polled =
        poll(&ready, 1, run.timed_out ? -1 : milliseconds_left(has_deadline, deadline));
    if (polled < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (polled == 0) {
      // Still running at the deadline: kill it, then read on until its end closes the pipe.
      run.timed_out = true;
      kill(child, SIGKILL);
      continue;
    }
    ssize_t got = read(pipe_fds[0], buffer, sizeof buffer);
    if (got > 0) {
      run.standard_output.append(buffer, static_cast<size_t>(got));
    } else if (got == 0 || errno != EINTR) {
      break;
    }
  }
  close(pipe_fds[0]);

  // A program may close its output and go on running: the deadline holds for the wait as well.
  int status = 0;
  for (;;) {
    const bool watch = has_deadline && !run.timed_out;
    const pid_t ended = waitpid(child, &status, watch ? WNOHANG : 0);
    if (ended == child) break;
    if (ended < 0) {
      if (errno == EINTR) continue;
      run.start_error = std::string("waitpid: ") + std::strerror(errno);
      return run;
    }
    if (milliseconds_left(has_deadline, deadline) == 0) {
      run.timed_out = true;
      kill(child, SIGKILL);
    } else {
      usleep(1000);
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
