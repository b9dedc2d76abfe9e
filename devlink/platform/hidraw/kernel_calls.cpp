#include "devlink/platform/hidraw/kernel_calls.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace tq::hidraw {
namespace {

int ResultOf(int result) { return result < 0 ? -errno : result; }

}  // namespace

int KernelCalls::Open(const std::string& path, int flags) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags);
  } while (fd < 0 && errno == EINTR);
  return ResultOf(fd);
}

// Linux releases the descriptor even when close reports EINTR, so it is
// never retried.
int KernelCalls::Close(int fd) { return ResultOf(::close(fd)); }

int KernelCalls::Ioctl(int fd, unsigned long request, void* argument) {
  return ResultOf(::ioctl(fd, request, argument));
}

int KernelCalls::Fstat(int fd, struct stat& status) { return ResultOf(::fstat(fd, &status)); }

int KernelCalls::Access(const std::string& path, int mode) {
  return ResultOf(::faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS));
}

int KernelCalls::Poll(int fd, int timeoutMs) {
  pollfd entry{.fd = fd, .events = POLLIN, .revents = 0};
  const int ready = ::poll(&entry, 1, timeoutMs);
  if (ready < 0) return -errno;
  return ready == 0 ? 0 : entry.revents;
}

ssize_t KernelCalls::Read(int fd, void* buffer, std::size_t length) {
  const ssize_t got = ::read(fd, buffer, length);
  return got < 0 ? -errno : got;
}

KernelCalls& SystemKernel() {
  static KernelCalls kernel;
  return kernel;
}

}  // namespace tq::hidraw
