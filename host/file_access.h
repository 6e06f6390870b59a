// How the host reaches the files it is named: one resolution of names for everything it reads
// and writes, and reading that opens nothing but regular files.
//
// A name is resolved to an absolute path with every symbolic link followed, including a last
// one whose file does not exist yet: writing to a link writes the file it names, and two names
// of one file are recognised as the same document.
//
// A FIFO, device or socket is refused before it is opened for reading (opening or reading one
// can block for ever); the check is made again on the open descriptor, so that a file swapped
// in between is refused too. Reasons are short phrases the caller puts after the file's name.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

namespace qvhost {

// The absolute name of the file `path` names, symbolic links followed. A link that cannot be
// followed (a loop) is left in the result, for the open or write that follows to refuse.
std::string ResolvedPath(const std::string &path);

// What a file of this mode is, for messages: "a folder", "a FIFO", "a character device"...
std::string KindOfFile(mode_t mode);

// The reason an open or stat of a file failed with `errnum`, as a short phrase ("no such
// file", "too many levels of symbolic links", "permission denied").
std::string ReasonOf(int errnum);

// Opens the regular file `path` for reading and returns its descriptor (close-on-exec); -1
// with `err` set ("no such file", "a folder, not a document", "not a regular file (a FIFO)",
// "too many levels of symbolic links", ...) without blocking on anything else.
int OpenForReading(const std::string &path, std::string &err);

// The whole content of the open file `fd` into `out`; false with `err` set when it cannot be
// read or holds more than `limit` bytes ("larger than 256 MiB").
bool ReadAll(int fd, size_t limit, std::string &out, std::string &err);

// Closes a descriptor when it goes out of scope.
class FdCloser {
 public:
  explicit FdCloser(int fd) : fd_(fd) {}
  ~FdCloser();
  FdCloser(const FdCloser &) = delete;
  FdCloser &operator=(const FdCloser &) = delete;
  int Get() const { return fd_; }
  // Gives the descriptor up without closing it.
  int Release();

 private:
  int fd_;
};

}  // namespace qvhost
