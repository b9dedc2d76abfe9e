#include "devlink/platform/hidraw/hidraw_requests.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string_view>

#include "devlink/platform/hidraw/utf16_from_utf8.h"

namespace tq::hidraw {
namespace {

constexpr std::size_t kMaxUniqLength = 256;

}  // namespace

std::optional<hidraw_devinfo> AskRawInfo(KernelCalls& kernel, int fd) {
  hidraw_devinfo info{};
  if (fd < 0 || kernel.Ioctl(fd, HIDIOCGRAWINFO, &info) < 0) return std::nullopt;
  return info;
}

std::optional<std::u16string> AskUniqueName(KernelCalls& kernel, int fd) {
  if (fd < 0) return std::nullopt;
  std::array<char, kMaxUniqLength> name{};
  const int length = kernel.Ioctl(fd, HIDIOCGRAWUNIQ(kMaxUniqLength), name.data());
  if (length < 0) return std::nullopt;
  const std::string_view text(name.data(), std::min(static_cast<std::size_t>(length), name.size()));
  const std::string_view untilZero = text.substr(0, text.find('\0'));
  if (untilZero.empty()) return std::nullopt;
  return Utf16FromUtf8(untilZero);
}

std::optional<std::vector<std::uint8_t>> AskReportDescriptor(KernelCalls& kernel, int fd) {
  int size = 0;
  if (fd < 0 || kernel.Ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0 || size < 0) return std::nullopt;
  auto descriptor = std::make_unique<hidraw_report_descriptor>();
  // The kernel refuses a request for the whole value array, one byte less
  // is the most it hands out.
  descriptor->size = std::min(static_cast<std::uint32_t>(size),
                              static_cast<std::uint32_t>(HID_MAX_DESCRIPTOR_SIZE - 1));
  if (kernel.Ioctl(fd, HIDIOCGRDESC, descriptor.get()) < 0) return std::nullopt;
  const std::size_t length = std::min(std::size_t{descriptor->size}, sizeof descriptor->value);
  return std::vector<std::uint8_t>(descriptor->value, descriptor->value + length);
}

bool TransferReport(KernelCalls& kernel, int fd, Direction direction, void* buffer,
                    std::uint32_t length) {
  unsigned long request = HIDIOCSFEATURE(length);
  if (direction == Direction::kGet) request = HIDIOCGFEATURE(length);
  if (direction == Direction::kGetInput) request = HIDIOCGINPUT(length);
  if (fd < 0) return false;
  const int transferred = kernel.Ioctl(fd, request, buffer);
  if (direction != Direction::kSet) return transferred > 0;
  return transferred >= 0 && static_cast<std::uint32_t>(transferred) == length;
}

}  // namespace tq::hidraw
