#include "tests/check_programs/hidp_dump/hidp_dump_text.h"

#include <cstdio>
#include <string>
#include <vector>

namespace tq::dump {
namespace {

std::string Hex(std::uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

void Line(std::ostream& out, const std::string& name, const std::string& value) {
  out << name << ' ' << value << '\n';
}
void Line(std::ostream& out, const std::string& name, long long value) {
  out << name << ' ' << value << '\n';
}

template <typename Caps>
void Common(std::ostream& out, const std::string& at, const Caps& caps) {
  Line(out, at + ".UsagePage", Hex(caps.UsagePage, 4));
  Line(out, at + ".ReportID", caps.ReportID);
  Line(out, at + ".IsAlias", caps.IsAlias);
  Line(out, at + ".BitField", Hex(caps.BitField, 2));
  Line(out, at + ".LinkCollection", caps.LinkCollection);
  Line(out, at + ".LinkUsage", Hex(caps.LinkUsage, 4));
  Line(out, at + ".LinkUsagePage", Hex(caps.LinkUsagePage, 4));
  Line(out, at + ".IsRange", caps.IsRange);
  Line(out, at + ".IsStringRange", caps.IsStringRange);
  Line(out, at + ".IsDesignatorRange", caps.IsDesignatorRange);
  Line(out, at + ".IsAbsolute", caps.IsAbsolute);
}

template <typename Caps>
void Usages(std::ostream& out, const std::string& at, const Caps& caps) {
  if (caps.IsRange) {
    Line(out, at + ".Range.UsageMin", Hex(caps.Range.UsageMin, 4));
    Line(out, at + ".Range.UsageMax", Hex(caps.Range.UsageMax, 4));
    Line(out, at + ".Range.StringMin", caps.Range.StringMin);
    Line(out, at + ".Range.StringMax", caps.Range.StringMax);
    Line(out, at + ".Range.DesignatorMin", caps.Range.DesignatorMin);
    Line(out, at + ".Range.DesignatorMax", caps.Range.DesignatorMax);
    Line(out, at + ".Range.DataIndexMin", caps.Range.DataIndexMin);
    Line(out, at + ".Range.DataIndexMax", caps.Range.DataIndexMax);
  } else {
    Line(out, at + ".NotRange.Usage", Hex(caps.NotRange.Usage, 4));
    Line(out, at + ".NotRange.StringIndex", caps.NotRange.StringIndex);
    Line(out, at + ".NotRange.DesignatorIndex", caps.NotRange.DesignatorIndex);
    Line(out, at + ".NotRange.DataIndex", caps.NotRange.DataIndex);
  }
}

void Buttons(HidApi& api, PHIDP_PREPARSED_DATA data, HIDP_REPORT_TYPE type,
             const std::string& name, std::uint16_t count, std::ostream& out) {
  std::vector<HIDP_BUTTON_CAPS> caps(count);
  std::uint16_t length = count;
  const NTSTATUS status = api.HidP_GetButtonCaps(type, caps.data(), &length, data);
  Line(out, name + ".buttons.status", Hex(static_cast<std::uint32_t>(status), 8));
  Line(out, name + ".buttons.count", length);
  for (std::size_t i = 0; i < length && i < caps.size(); ++i) {
    const std::string at = name + ".button[" + std::to_string(i) + "]";
    Common(out, at, caps[i]);
    Line(out, at + ".ReportCount", caps[i].ReportCount);
    Usages(out, at, caps[i]);
  }
}

void Values(HidApi& api, PHIDP_PREPARSED_DATA data, HIDP_REPORT_TYPE type,
            const std::string& name, std::uint16_t count, std::ostream& out) {
  std::vector<HIDP_VALUE_CAPS> caps(count);
  std::uint16_t length = count;
  const NTSTATUS status = api.HidP_GetValueCaps(type, caps.data(), &length, data);
  Line(out, name + ".values.status", Hex(static_cast<std::uint32_t>(status), 8));
  Line(out, name + ".values.count", length);
  for (std::size_t i = 0; i < length && i < caps.size(); ++i) {
    const std::string at = name + ".value[" + std::to_string(i) + "]";
    const HIDP_VALUE_CAPS& value = caps[i];
    Common(out, at, value);
    Line(out, at + ".HasNull", value.HasNull);
    Line(out, at + ".BitSize", value.BitSize);
    Line(out, at + ".ReportCount", value.ReportCount);
    Line(out, at + ".UnitsExp", Hex(value.UnitsExp, 8));
    Line(out, at + ".Units", Hex(value.Units, 8));
    Line(out, at + ".LogicalMin", value.LogicalMin);
    Line(out, at + ".LogicalMax", value.LogicalMax);
    Line(out, at + ".PhysicalMin", value.PhysicalMin);
    Line(out, at + ".PhysicalMax", value.PhysicalMax);
    Usages(out, at, value);
  }
}

}  // namespace

void DumpInterface(HidApi& api, HANDLE device, std::ostream& out) {
  HIDD_ATTRIBUTES attributes{};
  attributes.Size = sizeof attributes;
  if (api.HidD_GetAttributes(device, &attributes)) {
    Line(out, "VendorID", Hex(attributes.VendorID, 4));
    Line(out, "ProductID", Hex(attributes.ProductID, 4));
    Line(out, "VersionNumber", Hex(attributes.VersionNumber, 4));
  } else {
    Line(out, "attributes", "unreadable");
  }
  PHIDP_PREPARSED_DATA data = 0;
  if (!api.HidD_GetPreparsedData(device, &data)) {
    Line(out, "preparsed", "unreadable");
    return;
  }
  HIDP_CAPS caps{};
  const NTSTATUS status = api.HidP_GetCaps(data, &caps);
  Line(out, "caps.status", Hex(static_cast<std::uint32_t>(status), 8));
  Line(out, "caps.UsagePage", Hex(caps.UsagePage, 4));
  Line(out, "caps.Usage", Hex(caps.Usage, 4));
  Line(out, "caps.InputReportByteLength", caps.InputReportByteLength);
  Line(out, "caps.OutputReportByteLength", caps.OutputReportByteLength);
  Line(out, "caps.FeatureReportByteLength", caps.FeatureReportByteLength);
  Line(out, "caps.NumberLinkCollectionNodes", caps.NumberLinkCollectionNodes);
  const struct {
    HIDP_REPORT_TYPE type;
    const char* name;
    std::uint16_t buttons, values, indices;
  } kinds[] = {
      {HidP_Input, "input", caps.NumberInputButtonCaps, caps.NumberInputValueCaps,
       caps.NumberInputDataIndices},
      {HidP_Output, "output", caps.NumberOutputButtonCaps, caps.NumberOutputValueCaps,
       caps.NumberOutputDataIndices},
      {HidP_Feature, "feature", caps.NumberFeatureButtonCaps, caps.NumberFeatureValueCaps,
       caps.NumberFeatureDataIndices},
  };
  for (const auto& kind : kinds) {
    const std::string name = kind.name;
    Line(out, "caps." + name + ".ButtonCaps", kind.buttons);
    Line(out, "caps." + name + ".ValueCaps", kind.values);
    Line(out, "caps." + name + ".DataIndices", kind.indices);
  }
  for (const auto& kind : kinds) {
    Buttons(api, data, kind.type, kind.name, kind.buttons, out);
    Values(api, data, kind.type, kind.name, kind.values, out);
  }
  api.HidD_FreePreparsedData(data);
}

std::vector<std::string> InterfacePaths(HidApi& api) {
  std::vector<std::string> paths;
  GUID guid{};
  api.HidD_GetHidGuid(&guid);
  const HDEVINFO set =
      api.SetupDiGetClassDevsA(&guid, nullptr, 0, kDigcfPresent | kDigcfDeviceInterface);
  if (set == kInvalidHandleValue) return paths;
  for (std::uint32_t index = 0;; ++index) {
    SP_DEVICE_INTERFACE_DATA member{};
    member.cbSize = sizeof member;
    if (!api.SetupDiEnumDeviceInterfaces(set, nullptr, &guid, index, &member)) break;
    std::uint32_t required = 0;
    api.SetupDiGetDeviceInterfaceDetailA(set, &member, nullptr, 0, &required, nullptr);
    if (required <= kDetailPathOffset) continue;
    std::vector<std::uint8_t> detail(required, 0);
    const std::uint32_t sizeField = kDetailDataSizeField;
    for (std::size_t byte = 0; byte < 4; ++byte) {
      detail[byte] = static_cast<std::uint8_t>(sizeField >> (8 * byte));
    }
    if (!api.SetupDiGetDeviceInterfaceDetailA(set, &member, detail.data(), required, nullptr,
                                              nullptr)) {
      continue;
    }
    detail.back() = 0;
    paths.emplace_back(reinterpret_cast<const char*>(detail.data() + kDetailPathOffset));
  }
  api.SetupDiDestroyDeviceInfoList(set);
  return paths;
}

int DumpInterfaces(HidApi& api, std::ostream& out) {
  int listed = 0;
  for (const std::string& path : InterfacePaths(api)) {
    out << "interface " << listed << '\n';
    Line(out, "path", path);
    // Access 0 is enough for attributes and capabilities, also where a
    // device is held by its driver.
    const HANDLE device = api.CreateFileA(path.c_str(), 0, kFileShareRead | kFileShareWrite,
                                          nullptr, kOpenExisting, 0, 0);
    if (device == kInvalidHandleValue) {
      Line(out, "open", Hex(api.GetLastError(), 8));
    } else {
      DumpInterface(api, device, out);
      api.CloseHandle(device);
    }
    ++listed;
  }
  return listed;
}

}  // namespace tq::dump
