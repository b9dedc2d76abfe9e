// The device link: finds an accepted TQ5271 board among the host's HID
// interfaces, opens it twice (feature reports; descriptor strings), reads its
// report length, and turns descriptor strings and the release number into
// text. Both programs embed one DeviceLink and differ only by BoardVariant.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "devlink/hid_api.h"

namespace tq {

struct ProductRange {
  std::uint16_t first;
  std::uint16_t last;  // inclusive
};

// Vendor and product IDs a program accepts as a TQ5271 board.
struct AcceptedTable {
  std::uint16_t makerVendorId;
  std::span<const std::uint16_t> makerSingles;
  std::span<const ProductRange> makerRanges;
  std::span<const std::uint16_t> sharedSingles;  // under kSharedVendorID

  bool Accepts(std::uint16_t vendorId, std::uint16_t productId) const;
};

inline constexpr std::uint16_t kMakerVendorID = 0x2A7E;
inline constexpr std::uint16_t kSharedVendorID = 0x16C0;

extern const AcceptedTable kEncodersBoards;  // the full table
extern const AcceptedTable kConfigBoards;    // its subset for the configuration utility

// What the two programs do differently in the walk.
struct BoardVariant {
  bool guidAtEverySearch;         // else obtained once, by the program, before the first walk
  std::uint32_t firstOpenAccess;  // access of the open that examines each interface
  bool productTagTest;            // read string 42 and accept the TQ5271A/X tag
  bool matchSerial;               // choose the board whose serial is the wanted text
  const AcceptedTable* table;
};

extern const BoardVariant kEncodersVariant;
extern const BoardVariant kConfigVariant;

inline constexpr std::uint32_t kProductTagIndex = 42;
// Descriptor strings are requested with 100 bytes into a 201-byte buffer, so
// there is always a zero after what the board can write.
inline constexpr std::size_t kStringBufferSize = 201;
inline constexpr std::uint32_t kStringRequestLength = 100;
using StringBuffer = std::array<std::uint8_t, kStringBufferSize>;

// The low byte of each UTF-16LE code unit, up to the first zero low byte,
// each taken as one 8-bit (Latin-1) character; returned as UTF-8.
std::string HidStringToText(std::span<const std::uint8_t> buffer);

// " major.minor": VersionNumber as signed 16 bits v, major = floor(v / 256)
// in decimal, minor = the low byte in upper-case hex; 0x0121 -> " 1.21".
std::string ReleaseCaption(std::uint16_t versionNumber);
// The low byte of VersionNumber, which decides what a board offers.
inline int ReleaseMinor(std::uint16_t versionNumber) { return versionNumber & 0xFF; }

class DeviceLink {
 public:
  DeviceLink(HidApi& api, const BoardVariant& variant);

  HidApi& Api() const { return api_; }
  const BoardVariant& Variant() const { return variant_; }

  // HidD_GetHidGuid into HidClassGuid.
  void GetHidGuid();

  // Walks the present interfaces and opens the chosen board: the first
  // accepted one, or with matchSerial the first whose serial text equals
  // `wantedSerial`. Never closes the handles of an earlier search.
  bool FindTheHid(const std::string& wantedSerial = {});

  // The walk shared by FindTheHid and the encoder utility's serial scan:
  // clears LastInterface, sets HandleSecurity, zero-fills the tag and serial
  // buffers, then steps through the present interfaces, leaving each one's
  // path in DevicePath and calling `visit`, until `visit` returns true or
  // the enumeration ends. Returns false when the interface set could not be
  // obtained.
  bool WalkInterfaces(const std::function<bool()>& visit);

  // Opens DevicePath into DeviceHandle (share read and write, no flags).
  bool OpenDeviceHandle(std::uint32_t access);
  // Reads Attributes from DeviceHandle.
  bool ReadAttributes();
  // The accepted-board rule on the interface open in DeviceHandle.
  bool IsAcceptedBoard();
  // Reads the serial string of DeviceHandle into SerialBuffer and decodes it.
  bool ReadSerialText(std::string& text);
  void ReadCapabilities();

  // Closes DeviceHandle, then OverlappedHandle, each only if open.
  void CloseBoard();
  void CloseDeviceHandle();
  void CloseOverlappedHandle();

  // Feature reports on DeviceHandle. A buffer's size is its length argument.
  // A set report that the board's report length cannot hold is not sent.
  bool SendSetReport(std::uint8_t address, std::uint8_t value);
  bool GetFeature(std::vector<std::uint8_t>& buffer);
  // The settings pages. A get request cannot name a page, so kPageRequests
  // requests go out in a row and each reply is handed to `onPage` as it
  // comes; a request that fails is skipped. One buffer of the report length
  // serves them all, never cleared between them: the board expects its
  // report ID byte left as its last reply left it.
  using PageHandler = std::function<void(std::span<const std::uint8_t> page)>;
  void ReadSettingsPages(const PageHandler& onPage);
  // A descriptor string read on OverlappedHandle, decoded; nullopt on failure.
  using StringRequest = BOOL (HidApi::*)(HANDLE, void*, std::uint32_t);
  std::optional<std::string> ReadBoardString(StringRequest request);

  std::uint16_t FeatureReportByteLength() const { return Capabilities.FeatureReportByteLength; }

  // Window fields of the device link.
  GUID HidClassGuid{};
  SP_DEVICE_INTERFACE_DATA InterfaceData{};
  std::uint32_t DetailSize = 0;
  std::vector<std::uint8_t> DetailBuffer;
  std::string DevicePath;
  HANDLE DeviceHandle = kInvalidHandleValue;
  HANDLE OverlappedHandle = kInvalidHandleValue;
  HIDD_ATTRIBUTES Attributes{};
  HIDP_CAPS Capabilities{};
  SECURITY_ATTRIBUTES HandleSecurity{};
  bool DeviceDetected = false;
  bool LastInterface = false;
  std::int32_t LastResult = 0;
  StringBuffer TagBuffer{};
  StringBuffer SerialBuffer{};

 private:
  HANDLE Open(std::uint32_t access, std::uint32_t flags);
  bool HasProductTag();
  void Close(HANDLE& handle);
  void Record(BOOL result) { LastResult = result; }
  void RecordHandle(HANDLE handle);

  HidApi& api_;
  const BoardVariant& variant_;
};

}  // namespace tq
