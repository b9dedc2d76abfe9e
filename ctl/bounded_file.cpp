#include "ctl/bounded_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

// Windows has neither FIFOs that block an open nor text-mode reads here.
#ifndef O_NONBLOCK
#define O_NONBLOCK 0
#endif
#ifndef O_BINARY
#define O_BINARY 0
#endif
#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif

namespace tq::ctl {
namespace {

std::string SystemError() { return std::generic_category().message(errno); }

std::string TooLarge(std::size_t limit) {
  return "is larger than " + std::to_string(limit) + " bytes, too large for this file";
}

// Why a file of this kind and size is not read; nullopt for one that is.
std::optional<std::string> Refusal(const struct stat& status, std::size_t limit) {
  if (S_ISDIR(status.st_mode)) return "is a directory, not a file";
  if (S_ISFIFO(status.st_mode)) return "is a FIFO, not a file (give - to read a pipe)";
  if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) return "is a device, not a file";
  if (!S_ISREG(status.st_mode)) return "is not a regular file";
  if (status.st_size < 0 || static_cast<unsigned long long>(status.st_size) > limit) {
    return TooLarge(limit);
  }
  return std::nullopt;
}

// Reads at most limit + 1 bytes, so a file that grew, or a pipe that
// never ends, is found too large after that much and no more.
std::optional<std::string> ReadUpTo(int fd, std::size_t limit, std::string& text) {
  char chunk[4096];
  text.clear();
  while (text.size() <= limit) {
    const auto got = ::read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return "cannot be read: " + SystemError();
    if (got == 0) return std::nullopt;
    text.append(chunk, static_cast<std::size_t>(got));
  }
  return TooLarge(limit);
}

}  // namespace

std::optional<std::string> ReadBoundedFile(const std::string& path, std::size_t limit,
                                           std::string& text) {
  struct stat status {};
  if (path == "-") {
    if (::fstat(STDIN_FILENO, &status) != 0) return "cannot be read: " + SystemError();
    if (S_ISDIR(status.st_mode)) return "is a directory, not a file";
    return ReadUpTo(STDIN_FILENO, limit, text);
  }
  if (::stat(path.c_str(), &status) != 0) return "cannot be read: " + SystemError();
  if (auto refusal = Refusal(status, limit)) return refusal;
  // Non-blocking, so a FIFO put in the file's place since never holds the
  // open; what was opened is looked at again before it is read.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_BINARY | O_CLOEXEC);
  if (fd < 0) return "cannot be read: " + SystemError();
  std::optional<std::string> error;
  if (::fstat(fd, &status) != 0) {
    error = "cannot be read: " + SystemError();
  } else {
    error = Refusal(status, limit);
  }
  if (!error) error = ReadUpTo(fd, limit, text);
  ::close(fd);
  return error;
}

}  // namespace tq::ctl
