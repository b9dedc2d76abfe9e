#include "tests/check_programs/hidp_dump/hidp_input_text.h"

#include <cstdio>
#include <map>
#include <sstream>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/check_programs/hidp_dump/hidp_dump_text.h"

namespace tq::dump {
namespace {

// Enough for any list the comparison's devices make; hid.dll says
// kHidpStatusBufferTooSmall otherwise, which the text shows.
constexpr std::uint32_t kUsageRoom = 1024;
// Value usages asked per capability of a range; both ends are among them.
constexpr std::uint32_t kUsagesPerRange = 16;

std::string Hex(std::uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

std::string Bytes(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  char pair[4];
  for (const std::uint8_t byte : bytes) {
    std::snprintf(pair, sizeof pair, "%s%02x", text.empty() ? "" : " ", byte);
    text += pair;
  }
  return text;
}

struct Opened {
  std::string path;
  HANDLE handle = kInvalidHandleValue;
};

}  // namespace

void DumpReportAnswers(HidApi& api, PHIDP_PREPARSED_DATA data, const HIDP_CAPS& caps,
                       std::vector<std::uint8_t> report, std::ostream& out) {
  char* bytes = reinterpret_cast<char*>(report.data());
  const auto length = static_cast<std::uint32_t>(report.size());
  std::vector<HIDP_BUTTON_CAPS> buttons(caps.NumberInputButtonCaps);
  std::uint16_t count = caps.NumberInputButtonCaps;
  if (count > 0 && api.HidP_GetButtonCaps(HidP_Input, buttons.data(), &count, data) ==
                       kHidpStatusSuccess) {
    for (std::uint16_t i = 0; i < count; ++i) {
      std::vector<USAGE> usages(kUsageRoom);
      std::uint32_t listed = kUsageRoom;
      const NTSTATUS status = api.HidP_GetUsages(HidP_Input, buttons[i].UsagePage,
                                                 buttons[i].LinkCollection, usages.data(),
                                                 &listed, data, bytes, length);
      out << "input.button[" << i << "].usages " << Hex(static_cast<std::uint32_t>(status), 8);
      if (status == kHidpStatusSuccess) {
        out << " count " << listed;
        for (std::uint32_t u = 0; u < listed && u < kUsageRoom; ++u) out << ' ' << Hex(usages[u], 4);
      }
      out << '\n';
    }
  }
  std::vector<HIDP_VALUE_CAPS> values(caps.NumberInputValueCaps);
  count = caps.NumberInputValueCaps;
  if (count > 0 &&
      api.HidP_GetValueCaps(HidP_Input, values.data(), &count, data) == kHidpStatusSuccess) {
    for (std::uint16_t i = 0; i < count; ++i) {
      const HIDP_VALUE_CAPS& value = values[i];
      const USAGE first = value.IsRange ? value.Range.UsageMin : value.NotRange.Usage;
      const USAGE last = value.IsRange ? value.Range.UsageMax : value.NotRange.Usage;
      std::vector<USAGE> asked;
      for (std::uint32_t u = first; u <= last && asked.size() < kUsagesPerRange; ++u) {
        asked.push_back(static_cast<USAGE>(u));
      }
      if (asked.back() != last) asked.back() = last;
      for (const USAGE usage : asked) {
        std::uint32_t got = 0;
        const NTSTATUS status = api.HidP_GetUsageValue(
            HidP_Input, value.UsagePage, value.LinkCollection, usage, &got, data, bytes, length);
        out << "input.value[" << i << "].usage " << Hex(usage, 4) << ' '
            << Hex(static_cast<std::uint32_t>(status), 8);
        if (status == kHidpStatusSuccess) out << " value " << got;
        out << '\n';
      }
    }
  }
}

int DumpAnswers(HidApi& api, std::istream& reports, std::ostream& out,
                const std::function<bool(std::uint16_t)>& wanted) {
  // "VendorID 0x1209" / "ProductID 0x7100" / "report 01 d2 ..." in turn.
  std::map<std::uint32_t, std::vector<std::uint8_t>> byDevice;
  std::uint32_t vendor = 0, product = 0;
  for (std::string line; std::getline(reports, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::string name;
    words >> name;
    if (name == "interface") {
      vendor = product = 0;
    } else if (name == "VendorID" || name == "ProductID") {
      std::string hex;
      words >> hex;
      (name == "VendorID" ? vendor : product) =
          static_cast<std::uint32_t>(std::strtoul(hex.c_str(), nullptr, 16));
    } else if (name == "report") {
      std::vector<std::uint8_t> bytes;
      for (std::string pair; words >> pair;) {
        if (pair == "none") break;
        bytes.push_back(static_cast<std::uint8_t>(std::strtoul(pair.c_str(), nullptr, 16)));
      }
      if (!bytes.empty() && byDevice.count(vendor << 16 | product) == 0) {
        byDevice[vendor << 16 | product] = bytes;
      }
    }
  }
  int listed = 0;
  for (const std::string& path : InterfacePaths(api)) {
    const HANDLE handle = api.CreateFileA(path.c_str(), 0, kFileShareRead | kFileShareWrite,
                                          nullptr, kOpenExisting, 0, 0);
    if (handle == kInvalidHandleValue) continue;
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof attributes;
    PHIDP_PREPARSED_DATA data = 0;
    HIDP_CAPS caps{};
    if (api.HidD_GetAttributes(handle, &attributes) && wanted(attributes.VendorID) &&
        api.HidD_GetPreparsedData(handle, &data)) {
      out << "interface " << listed++ << '\n';
      out << "path " << path << '\n';
      out << "VendorID " << Hex(attributes.VendorID, 4) << '\n';
      out << "ProductID " << Hex(attributes.ProductID, 4) << '\n';
      const auto known = byDevice.find(std::uint32_t{attributes.VendorID} << 16 | attributes.ProductID);
      if (known == byDevice.end() || api.HidP_GetCaps(data, &caps) != kHidpStatusSuccess) {
        out << "report none\n";
      } else {
        // Over exactly the interface's report length, as the reader gives it.
        std::vector<std::uint8_t> report = known->second;
        report.resize(caps.InputReportByteLength, 0);
        out << "report " << Bytes(report) << '\n';
        DumpReportAnswers(api, data, caps, report, out);
      }
      api.HidD_FreePreparsedData(data);
    }
    api.CloseHandle(handle);
  }
  return listed;
}

int DumpInputs(HidApi& api, std::ostream& out, const std::function<void()>& ready,
               const std::function<bool(std::uint16_t)>& wanted, ReadTimes times) {
  std::vector<Opened> opened;
  for (const std::string& path : InterfacePaths(api)) {
    const HANDLE handle = api.CreateFileA(path.c_str(), kGenericRead,
                                          kFileShareRead | kFileShareWrite, nullptr,
                                          kOpenExisting, kFileFlagOverlapped, 0);
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof attributes;
    if (handle != kInvalidHandleValue && api.HidD_GetAttributes(handle, &attributes) &&
        !wanted(attributes.VendorID)) {
      api.CloseHandle(handle);
      continue;
    }
    opened.push_back({path, handle});
  }
  ready();
  int listed = 0;
  for (const Opened& interface : opened) {
    out << "interface " << listed++ << '\n';
    out << "path " << interface.path << '\n';
    if (interface.handle == kInvalidHandleValue) {
      out << "open " << Hex(api.GetLastError(), 8) << '\n';
      continue;
    }
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof attributes;
    if (api.HidD_GetAttributes(interface.handle, &attributes)) {
      out << "VendorID " << Hex(attributes.VendorID, 4) << '\n';
      out << "ProductID " << Hex(attributes.ProductID, 4) << '\n';
    }
    PHIDP_PREPARSED_DATA data = 0;
    HIDP_CAPS caps{};
    if (!api.HidD_GetPreparsedData(interface.handle, &data) ||
        api.HidP_GetCaps(data, &caps) != kHidpStatusSuccess || caps.InputReportByteLength == 0) {
      out << "report none\n";
      if (data != 0) api.HidD_FreePreparsedData(data);
      api.CloseHandle(interface.handle);
      continue;
    }
    std::vector<std::uint8_t> last;
    std::vector<std::uint8_t> buffer(caps.InputReportByteLength);
    std::uint32_t wait = times.firstMs;
    for (;;) {
      std::uint32_t got = 0;
      if (!api.ReadFile(interface.handle, buffer.data(), static_cast<std::uint32_t>(buffer.size()),
                        &got, wait)) {
        break;
      }
      last = buffer;
      wait = times.quietMs;
    }
    if (last.empty()) {
      out << "report none " << Hex(api.GetLastError(), 8) << '\n';
    } else {
      out << "report " << Bytes(last) << '\n';
      DumpReportAnswers(api, data, caps, last, out);
    }
    api.HidD_FreePreparsedData(data);
    api.CloseHandle(interface.handle);
  }
  return listed;
}

}  // namespace tq::dump
