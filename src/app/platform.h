// The thin POSIX layer: files by descriptor, whole-buffer reads and writes, thread priority.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

namespace zelmar {

// Owns an open file descriptor and closes it when it goes out of scope.
class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(int fd) : fd_(fd) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  FileHandle(FileHandle&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  FileHandle& operator=(FileHandle&& other) noexcept;
  ~FileHandle();
  int fd() const { return fd_; }
  bool is_open() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Opens a regular file read-only with a sequential-access hint. Anything that is not a regular
// file (directory, FIFO, device) is refused without blocking. Returns a closed handle on failure.
FileHandle open_input_file(const char* path);

// Opens (creating or truncating) a file write-only with permission 0600 and a sequential hint.
// Never blocks on a FIFO without a reader. Returns a closed handle on failure.
FileHandle open_output_file(const char* path);

// True when `path` names the very file open on `fd` (same device and inode, through any path,
// hard link or symlink).
bool is_same_file(int fd, const char* path);

// Reads up to `size` bytes, retrying short reads and interrupts until the buffer is full or the
// file ends. Returns the number of bytes read, or -1 on a read error.
ptrdiff_t read_fully(int fd, void* buffer, size_t size);

// Like read_fully, but reads from byte `offset` on without moving the file position.
ptrdiff_t read_fully_at(int fd, void* buffer, size_t size, int64_t offset);

// Writes all `size` bytes, retrying short writes and interrupts. False on any failure.
bool write_fully(int fd, const void* buffer, size_t size);

// Moves the file position (SEEK_SET, SEEK_CUR or SEEK_END); returns the new position or -1.
int64_t seek_file(int fd, int64_t offset, int whence);

// Lowers the calling thread's scheduling priority a little (raises its nice value); best effort.
void lower_thread_priority();

}  // namespace zelmar
