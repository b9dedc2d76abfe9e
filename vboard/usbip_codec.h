// The USB/IP wire format between the kernel's virtual host controller and a
// device server: the 48-byte command and reply headers, big-endian on the
// wire. Pure functions, so the format is checked without a kernel.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace tq::vboard {

constexpr std::size_t kUsbipHeaderLength = 48;

enum class UsbipCommand : std::uint32_t {
  kCmdSubmit = 1,
  kCmdUnlink = 2,
  kRetSubmit = 3,
  kRetUnlink = 4,
};

constexpr std::uint32_t kUsbipDirOut = 0;
constexpr std::uint32_t kUsbipDirIn = 1;

// A request from the host controller. For a submit, `setup` holds the
// control request (endpoint 0 only) and `transferLength` the data stage's
// length; an OUT transfer's data follows the header on the wire. For an
// unlink, `unlinkSeqnum` names the submit to cancel.
struct UsbipRequest {
  UsbipCommand command = UsbipCommand::kCmdSubmit;
  std::uint32_t seqnum = 0;
  std::uint32_t devid = 0;
  std::uint32_t direction = kUsbipDirOut;
  std::uint32_t endpoint = 0;
  std::uint32_t transferFlags = 0;
  std::int32_t transferLength = 0;
  std::int32_t isoPackets = 0;
  std::array<std::uint8_t, 8> setup{};
  std::uint32_t unlinkSeqnum = 0;
};

// Reads a command header; nullopt for a reply code, an unknown command or a
// length that is negative.
std::optional<UsbipRequest> DecodeRequest(const std::uint8_t* header, std::size_t length);

// The largest transfer and isochronous packet count a request may carry:
// nothing a HID board takes through endpoint 0 is longer, and it has no
// isochronous endpoint. A request past either ends the connection.
constexpr std::int32_t kUsbipMaxTransfer = 64 * 1024;
constexpr std::int32_t kUsbipMaxIsoPackets = 1024;
constexpr std::size_t kUsbipIsoDescriptorLength = 16;

// One request as it comes off the wire: the header, then for an OUT submit
// its data stage, then one descriptor per isochronous packet (read past).
struct UsbipMessage {
  UsbipRequest request;
  std::vector<std::uint8_t> outData;
};

// Where reading one request from the front of a byte stream stands.
struct UsbipFrame {
  enum class State {
    kNeedMore,  // `length` bytes in all make the request: read the rest
    kRefused,   // not a request this device takes: end the connection
    kComplete,  // `message` took the first `length` bytes
  };
  State state = State::kNeedMore;
  std::size_t length = kUsbipHeaderLength;
  UsbipMessage message;
};

// Reads the request at the front of `bytes`; the socket's reader asks with
// the header, then with as many bytes as kNeedMore said.
UsbipFrame FrameRequest(const std::uint8_t* bytes, std::size_t length);

// Writes a command header (what the host controller sends); used by tests
// and by anything that plays the host's part.
std::vector<std::uint8_t> EncodeRequest(const UsbipRequest& request);

// The reply to a submit: header, then `data` for an IN transfer. `status`
// is 0 or a negative errno (-EPIPE for a stall).
std::vector<std::uint8_t> EncodeSubmitReply(const UsbipRequest& request, std::int32_t status,
                                            const std::vector<std::uint8_t>& data,
                                            std::int32_t actualLength);

// The reply to an unlink: -ECONNRESET when the submit was still pending and is
// now cancelled, 0 when it had already completed.
std::vector<std::uint8_t> EncodeUnlinkReply(const UsbipRequest& request, std::int32_t status);

// A control request's eight setup bytes, by their fields.
struct SetupPacket {
  std::uint8_t requestType = 0;
  std::uint8_t request = 0;
  std::uint16_t value = 0;
  std::uint16_t index = 0;
  std::uint16_t length = 0;
};

SetupPacket DecodeSetup(const std::array<std::uint8_t, 8>& setup);
std::array<std::uint8_t, 8> EncodeSetup(const SetupPacket& setup);

}  // namespace tq::vboard
