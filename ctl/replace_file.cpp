#include "ctl/replace_file.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace tq::ctl {
namespace {

namespace fs = std::filesystem;

// The file to replace: where a link leads, so that the link stays.
fs::path Target(const std::string& path) {
  std::error_code error;
  if (fs::is_symlink(path, error)) {
    const fs::path resolved = fs::weakly_canonical(path, error);
    if (!error) return resolved;
  }
  return path;
}

// A name beside `target` that no file has yet; the caller creates it
// exclusively, so a name taken meanwhile only costs another try.
std::string TemporaryName(const fs::path& target, unsigned process, unsigned attempt) {
  return target.string() + "." + std::to_string(process) + "-" + std::to_string(attempt) + ".tmp";
}

constexpr unsigned kNameAttempts = 100;

#ifdef _WIN32

bool WriteAll(HANDLE file, std::string_view contents) {
  while (!contents.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(contents.size(), 1u << 20));
    DWORD written = 0;
    if (!::WriteFile(file, contents.data(), chunk, &written, nullptr) || written == 0) return false;
    contents.remove_prefix(written);
  }
  return true;
}

}  // namespace

bool ReplaceFileContents(const std::string& path, std::string_view contents) {
  const fs::path target = Target(path);
  std::string temporary;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (unsigned attempt = 0; attempt < kNameAttempts && file == INVALID_HANDLE_VALUE; ++attempt) {
    temporary = TemporaryName(target, ::GetCurrentProcessId(), attempt);
    file = ::CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) return false;
  }
  if (file == INVALID_HANDLE_VALUE) return false;
  bool done = WriteAll(file, contents) && ::FlushFileBuffers(file);
  done = ::CloseHandle(file) && done;
  done = done && ::MoveFileExA(temporary.c_str(), target.string().c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!done) ::DeleteFileA(temporary.c_str());
  return done;
}

#else

bool WriteAll(int fd, std::string_view contents) {
  while (!contents.empty()) {
    const ssize_t written = ::write(fd, contents.data(), contents.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    contents.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// The rename itself reaches the disk once its folder is flushed; until then
// a power cut may bring back the old file, which is still whole.
void FlushFolder(const fs::path& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

bool ReplaceFileContents(const std::string& path, std::string_view contents) {
  const fs::path target = Target(path);
  std::string temporary;
  int fd = -1;
  for (unsigned attempt = 0; attempt < kNameAttempts && fd < 0; ++attempt) {
    temporary = TemporaryName(target, static_cast<unsigned>(::getpid()), attempt);
    // Created with the mode a new file gets (0666 less the umask), as the
    // file itself would be.
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  // A file being replaced keeps its permissions, as it did when it was
  // overwritten in place.
  struct stat old {};
  bool done = ::stat(target.c_str(), &old) != 0 || !S_ISREG(old.st_mode) ||
              ::fchmod(fd, old.st_mode & 07777) == 0;
  done = done && WriteAll(fd, contents) && ::fsync(fd) == 0;
  done = ::close(fd) == 0 && done;
  done = done && ::rename(temporary.c_str(), target.c_str()) == 0;
  if (!done) {
    ::unlink(temporary.c_str());
    return false;
  }
  FlushFolder(target.parent_path());
  return true;
}

#endif

}  // namespace tq::ctl
