// The system calls the backend makes on device nodes. Each returns what the
// call returns, or -errno on failure. A build machine has neither hidraw nor
// usbfs nodes, so tests stand in for the drivers behind them here; sysfs is
// plain files and is read directly.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <string>

namespace tq::hidraw {

class KernelCalls {
 public:
  virtual ~KernelCalls() = default;

  virtual int Open(const std::string& path, int flags);
  virtual int Close(int fd);
  virtual int Ioctl(int fd, unsigned long request, void* argument);
  virtual int Fstat(int fd, struct stat& status);
  // Whether open(path) with the access in `mode` (R_OK, W_OK) would be
  // allowed, judged as open judges it: by the effective IDs.
  virtual int Access(const std::string& path, int mode);
  // Waits at most timeoutMs (-1: without end) for `fd` to be readable;
  // returns poll's revents for it (POLLIN, POLLERR, POLLHUP), 0 when the
  // time ran out.
  virtual int Poll(int fd, int timeoutMs);
  virtual ssize_t Read(int fd, void* buffer, std::size_t length);
};

// The real calls.
KernelCalls& SystemKernel();

}  // namespace tq::hidraw
