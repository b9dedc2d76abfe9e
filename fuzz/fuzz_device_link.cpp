// The device link's walk and board session over a platform whose every
// result and out-value comes from the input: sets, handles, detail sizes and
// records, attributes, strings, preparsed data, capabilities and reports.
// The platform keeps only what the real one guarantees: it writes no more
// than the length it is given, and it reads the size field of any detail
// record handed to it. Sanitizers watch the link's buffers; the link must
// close every handle and release every set and preparsed data it obtained;
// so must the interface scan that follows on the rest of the input.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>

#include "devlink/device_link.h"
#include "devlink/hid_api.h"
#include "devlink/interface_scan.h"
#include "fuzz/board_session.h"
#include "fuzz/byte_reader.h"

namespace {

using tq::BOOL;
using tq::HANDLE;
using tq::NTSTATUS;

// The cap the walk puts on detail sizes, and values around it.
constexpr std::uint32_t kDetailCap = 65536;

class ScriptedHid final : public tq::HidApi {
 public:
  explicit ScriptedHid(tq::fuzz::ByteReader& in) : in_(in) {}

  // Whether everything obtained was given back exactly once.
  bool Balanced() const {
    return sets_.empty() && handles_.empty() && preparsed_.empty() && unknownReleases_ == 0;
  }

  void HidD_GetHidGuid(tq::GUID* hidGuid) override {
    *hidGuid = tq::kHidInterfaceClass;
    if (in_.U8() & 1) hidGuid->Data1 = in_.U32();
  }

  tq::HDEVINFO SetupDiGetClassDevsA(const tq::GUID*, const char*, std::uintptr_t,
                                    std::uint32_t) override {
    return Obtain(sets_);
  }
  BOOL SetupDiEnumDeviceInterfaces(tq::HDEVINFO, void*, const tq::GUID*, std::uint32_t,
                                   tq::SP_DEVICE_INTERFACE_DATA* data) override {
    if (in_.U8() & 1) {
      data->Flags = in_.U32();
      data->Reserved = in_.U32();
    }
    // Zero past the end of the input, so every walk ends.
    return in_.U8() & 1;
  }
  BOOL SetupDiGetDeviceInterfaceDetailA(tq::HDEVINFO, tq::SP_DEVICE_INTERFACE_DATA*,
                                        std::uint8_t* detail, std::uint32_t detailSize,
                                        std::uint32_t* requiredSize, void*) override {
    if (detail != nullptr) {
      // The size field is checked first, whatever size the caller claims.
      std::uint32_t sizeField;
      std::memcpy(&sizeField, detail, sizeof sizeField);
      if (sizeField != tq::kDetailDataSizeField && (in_.U8() & 1)) return 0;
    }
    if (requiredSize != nullptr) *requiredSize = DetailSize();
    if (detail != nullptr && detailSize > tq::kDetailPathOffset) {
      const std::size_t room = detailSize - tq::kDetailPathOffset;
      const std::size_t length = std::min<std::size_t>(room, in_.U8());
      const auto path = in_.Bytes(length);
      std::copy(path.begin(), path.end(), detail + tq::kDetailPathOffset);
      if (length < room && (in_.U8() & 1)) detail[tq::kDetailPathOffset + length] = 0;
    }
    return in_.U8() & 1;
  }
  BOOL SetupDiDestroyDeviceInfoList(tq::HDEVINFO set) override { return Release(sets_, set); }

  HANDLE CreateFileA(const char* fileName, std::uint32_t, std::uint32_t,
                     tq::SECURITY_ATTRIBUTES*, std::uint32_t, std::uint32_t, HANDLE) override {
    (void)std::strlen(fileName);
    return Obtain(handles_);
  }
  BOOL CloseHandle(HANDLE object) override { return Release(handles_, object); }

  BOOL HidD_GetAttributes(HANDLE, tq::HIDD_ATTRIBUTES* attributes) override {
    if (in_.U8() & 1) {
      attributes->VendorID = in_.U16();
      attributes->ProductID = in_.U16();
      attributes->VersionNumber = in_.U16();
    }
    return in_.U8() & 1;
  }
  BOOL HidD_GetIndexedString(HANDLE, std::uint32_t, void* buffer,
                             std::uint32_t bufferLength) override {
    return Fill(buffer, bufferLength);
  }
  BOOL HidD_GetSerialNumberString(HANDLE, void* buffer, std::uint32_t bufferLength) override {
    return Fill(buffer, bufferLength);
  }
  BOOL HidD_GetManufacturerString(HANDLE, void* buffer, std::uint32_t bufferLength) override {
    return Fill(buffer, bufferLength);
  }
  BOOL HidD_GetProductString(HANDLE, void* buffer, std::uint32_t bufferLength) override {
    return Fill(buffer, bufferLength);
  }

  BOOL HidD_GetPreparsedData(HANDLE, tq::PHIDP_PREPARSED_DATA* preparsedData) override {
    const tq::PHIDP_PREPARSED_DATA token = Obtain(preparsed_);
    if (token == tq::kInvalidHandleValue) return 0;
    *preparsedData = token;
    return 1;
  }
  NTSTATUS HidP_GetCaps(tq::PHIDP_PREPARSED_DATA, tq::HIDP_CAPS* capabilities) override {
    if (in_.U8() & 1) {
      capabilities->InputReportByteLength = in_.U16();
      capabilities->OutputReportByteLength = in_.U16();
      capabilities->FeatureReportByteLength = in_.U16();
    }
    return in_.U8() & 1 ? tq::kHidpStatusSuccess : static_cast<NTSTATUS>(in_.U32());
  }
  BOOL HidD_FreePreparsedData(tq::PHIDP_PREPARSED_DATA preparsedData) override {
    return Release(preparsed_, preparsedData);
  }

  BOOL HidD_GetFeature(HANDLE, void* reportBuffer, std::uint32_t length) override {
    return Fill(reportBuffer, length);
  }
  BOOL HidD_SetFeature(HANDLE, void* reportBuffer, std::uint32_t length) override {
    // The whole report goes out, so every byte of it is read.
    std::uint8_t sum = 0;
    for (std::uint32_t i = 0; i < length; ++i) sum ^= static_cast<std::uint8_t*>(reportBuffer)[i];
    return (in_.U8() ^ sum) & 1;
  }

 private:
  std::uint32_t DetailSize() {
    switch (in_.U8() % 4) {
      case 0: return in_.U8();
      case 1: return kDetailCap - 2 + std::uint32_t{in_.U8()} % 4;
      case 2: return in_.U32();
      default: return 0;
    }
  }

  // A token the caller must give back, or the invalid value: 0, any value, or
  // one already handed out are all things a platform may return.
  std::uintptr_t Obtain(std::multiset<std::uintptr_t>& live) {
    std::uintptr_t token = tq::kInvalidHandleValue;
    switch (in_.U8() % 4) {
      case 0: break;
      case 1: token = ++lastToken_; break;
      case 2: token = in_.U32(); break;
      default: token = live.empty() ? 0 : *live.begin(); break;
    }
    if (token != tq::kInvalidHandleValue) live.insert(token);
    return token;
  }
  BOOL Release(std::multiset<std::uintptr_t>& live, std::uintptr_t token) {
    const auto it = live.find(token);
    if (it == live.end()) {
      ++unknownReleases_;
    } else {
      live.erase(it);
    }
    return in_.U8() & 1;
  }

  BOOL Fill(void* buffer, std::uint32_t length) {
    const auto bytes = in_.Bytes(std::min<std::uint32_t>(length, in_.U8()));
    std::copy(bytes.begin(), bytes.end(), static_cast<std::uint8_t*>(buffer));
    return in_.U8() & 1;
  }

  tq::fuzz::ByteReader& in_;
  std::uintptr_t lastToken_ = 0;
  std::multiset<std::uintptr_t> sets_, handles_, preparsed_;
  int unknownReleases_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tq::fuzz::ByteReader in(data, size);
  const tq::BoardVariant& variant = in.U8() & 1 ? tq::kEncodersVariant : tq::kConfigVariant;
  std::string wantedSerial;
  for (std::uint8_t length = in.U8() % 8; length > 0; --length) {
    wantedSerial += static_cast<char>(in.U8());
  }
  ScriptedHid hid(in);
  {
    tq::DeviceLink link(hid, variant);
    link.GetHidGuid();
    (void)tq::fuzz::RunBoardSession(link, wantedSerial, in);
    link.CloseBoard();
  }
  // The interface scan of tq5271ctl and the monitor, over what is left of
  // the input: every interface opened, read and closed, IDs from its path.
  const tq::Scan scan = tq::ScanInterfaces(hid, {tq::IdsFromDevicePath, "hint"});
  for (const tq::ScannedInterface& seen : scan.interfaces) {
    if (seen.openFailure.find('\n') != std::string::npos) __builtin_trap();
  }
  if (!hid.Balanced()) __builtin_trap();
  return 0;
}
