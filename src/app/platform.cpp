#include "app/platform.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace zelmar {
namespace {

// How much the block loop lowers its priority: two nice steps, a little below normal.
constexpr int kNiceIncrease = 2;

// Clears O_NONBLOCK once the open has been made safely, and hints sequential access.
void prepare_for_streaming(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

// Calls `read_some(done)` (a read into the buffer after its first `done` bytes, returning the
// byte count, 0 at the end or -1) until `size` bytes are in or the file ends, retrying interrupts.
// Returns the number of bytes read, or -1 on a read error.
template <typename ReadSome>
ptrdiff_t read_until_full(size_t size, ReadSome read_some) {
  size_t done = 0;
  while (done < size) {
    const ssize_t got = read_some(done);
    if (got < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  return static_cast<ptrdiff_t>(done);
}

}  // namespace

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

FileHandle::~FileHandle() {
  if (fd_ >= 0) close(fd_);
}

FileHandle open_input_file(const char* path) {
  // O_NONBLOCK keeps a FIFO from waiting for a writer; it is refused right after.
  FileHandle file(open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!file.is_open()) return file;
  struct stat info {};
  if (fstat(file.fd(), &info) != 0 || !S_ISREG(info.st_mode)) return FileHandle();
  prepare_for_streaming(file.fd());
  return file;
}

FileHandle open_output_file(const char* path) {
  // O_NONBLOCK makes a FIFO without a reader fail at once instead of hanging.
  FileHandle file(open(path, O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0600));
  if (file.is_open()) prepare_for_streaming(file.fd());
  return file;
}

bool is_same_file(int fd, const char* path) {
  struct stat open_info {};
  struct stat path_info {};
  if (fstat(fd, &open_info) != 0 || stat(path, &path_info) != 0) return false;
  return open_info.st_dev == path_info.st_dev && open_info.st_ino == path_info.st_ino;
}

ptrdiff_t read_fully(int fd, void* buffer, size_t size) {
  auto* bytes = static_cast<unsigned char*>(buffer);
  return read_until_full(size, [&](size_t done) { return read(fd, bytes + done, size - done); });
}

ptrdiff_t read_fully_at(int fd, void* buffer, size_t size, int64_t offset) {
  auto* bytes = static_cast<unsigned char*>(buffer);
  return read_until_full(size, [&](size_t done) {
    const int64_t position = offset + static_cast<int64_t>(done);
    return pread(fd, bytes + done, size - done, static_cast<off_t>(position));
  });
}

bool write_fully(int fd, const void* buffer, size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  size_t done = 0;
  while (done < size) {
    const ssize_t put = write(fd, bytes + done, size - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (put == 0) return false;
    done += static_cast<size_t>(put);
  }
  return true;
}

int64_t seek_file(int fd, int64_t offset, int whence) {
  return static_cast<int64_t>(lseek(fd, static_cast<off_t>(offset), whence));
}

void lower_thread_priority() {
  // On Linux a thread id names just that thread for setpriority.
  const auto thread_id = static_cast<id_t>(syscall(SYS_gettid));
  errno = 0;
  const int current = getpriority(PRIO_PROCESS, thread_id);
  if (current == -1 && errno != 0) return;
  setpriority(PRIO_PROCESS, thread_id, current + kNiceIncrease);
}

}  // namespace zelmar
