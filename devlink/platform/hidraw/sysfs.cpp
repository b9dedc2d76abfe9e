#include "devlink/platform/hidraw/sysfs.h"

#include <fcntl.h>
#include <linux/input.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <system_error>

#include "devlink/platform/hidraw/utf16_from_utf8.h"
#include "devlink/report_descriptor/report_descriptor.h"

namespace tq::hidraw {
namespace fs = std::filesystem;

namespace {

// A sysfs attribute holds at most a page.
constexpr std::size_t kMaxAttributeSize = 4096;

}  // namespace

std::optional<unsigned> ParseUnsigned(std::string_view text, int base) {
  if (text.empty()) return std::nullopt;
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<std::string> ReadSmallFile(const fs::path& file, std::size_t limit) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat status{};
  bool readable = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
  // One byte more than allowed tells a full file from one too large.
  std::string bytes(readable ? limit + 1 : 0, '\0');
  std::size_t filled = 0;
  while (readable && filled < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + filled, bytes.size() - filled);
    if (n == 0) break;
    if (n < 0 && errno == EINTR) continue;
    readable = n > 0;
    if (readable) filled += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (!readable || filled > limit) return std::nullopt;
  bytes.resize(filled);
  return bytes;
}

std::optional<std::string> ReadAttribute(const fs::path& file) {
  auto text = ReadSmallFile(file, kMaxAttributeSize);
  if (text && !text->empty() && text->back() == '\n') text->pop_back();
  return text;
}

std::optional<unsigned> ReadNumber(const fs::path& file, int base) {
  const auto text = ReadAttribute(file);
  if (!text) return std::nullopt;
  return ParseUnsigned(*text, base);
}

std::optional<dev_t> ReadDeviceNumber(const fs::path& file) {
  const auto text = ReadAttribute(file);
  if (!text) return std::nullopt;
  const std::size_t colon = text->find(':');
  if (colon == std::string::npos) return std::nullopt;
  const auto majorNumber = ParseUnsigned(std::string_view(*text).substr(0, colon), 10);
  const auto minorNumber = ParseUnsigned(std::string_view(*text).substr(colon + 1), 10);
  if (!majorNumber || !minorNumber) return std::nullopt;
  return makedev(*majorNumber, *minorNumber);
}

std::optional<fs::path> Canonical(const fs::path& path) {
  std::error_code error;
  fs::path resolved = fs::canonical(path, error);
  if (error) return std::nullopt;
  return resolved;
}

bool IsFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

bool IsUnder(const fs::path& path, const fs::path& root) {
  const auto [rootEnd, pathPos] = std::mismatch(root.begin(), root.end(), path.begin(), path.end());
  return rootEnd == root.end() && pathPos != path.end();
}

const fs::path& NodeDir(NodeFacts& facts, const fs::path& sysRoot) {
  return *facts.nodeDir.Get([&]() -> std::optional<fs::path> {
    if (!facts.identity) return fs::path{};
    const std::string number = std::to_string(major(facts.identity->device)) + ":" +
                               std::to_string(minor(facts.identity->device));
    return Canonical(sysRoot / "dev" / "char" / number).value_or(fs::path{});
  });
}

const std::optional<fs::path>& UsbDeviceDir(NodeFacts& facts, const fs::path& sysRoot,
                                            const fs::path& canonicalSysRoot) {
  return facts.usbDir.Get([&]() -> std::optional<fs::path> {
    const fs::path& nodeDir = NodeDir(facts, sysRoot);
    const auto& info = facts.info.GetAnswer([] { return std::optional<hidraw_devinfo>(); });
    if (!info || info->bustype != BUS_USB || nodeDir.empty()) return std::nullopt;
    const auto hidDevice = Canonical(nodeDir / "device");
    if (!hidDevice) return std::nullopt;
    for (fs::path dir = hidDevice->parent_path(); IsUnder(dir, canonicalSysRoot);
         dir = dir.parent_path()) {
      if (IsFile(dir / "busnum") && IsFile(dir / "devnum")) return dir;
    }
    return std::nullopt;
  });
}

std::optional<std::u16string> UsbString(const std::optional<fs::path>& usbDir,
                                        const char* attribute) {
  if (!usbDir) return std::nullopt;
  const auto text = ReadAttribute(*usbDir / attribute);
  if (!text) return std::nullopt;
  return Utf16FromUtf8(*text);
}

std::optional<std::vector<std::uint8_t>> ReportDescriptorFile(const fs::path& nodeDir) {
  if (nodeDir.empty()) return std::nullopt;
  const auto bytes = ReadSmallFile(nodeDir / "device" / "report_descriptor",
                                   hid::kMaxReportDescriptorSize);
  if (!bytes) return std::nullopt;
  return std::vector<std::uint8_t>(bytes->begin(), bytes->end());
}

}  // namespace tq::hidraw
