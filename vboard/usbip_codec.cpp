#include "vboard/usbip_codec.h"

namespace tq::vboard {
namespace {

std::uint32_t Big32(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
         static_cast<std::uint32_t>(bytes[2]) << 8 | static_cast<std::uint32_t>(bytes[3]);
}

void PutBig32(std::vector<std::uint8_t>& out, std::size_t offset, std::uint32_t value) {
  out.at(offset) = static_cast<std::uint8_t>(value >> 24);
  out.at(offset + 1) = static_cast<std::uint8_t>(value >> 16);
  out.at(offset + 2) = static_cast<std::uint8_t>(value >> 8);
  out.at(offset + 3) = static_cast<std::uint8_t>(value);
}

// The five words every header starts with.
void PutBasic(std::vector<std::uint8_t>& out, UsbipCommand command, const UsbipRequest& request,
              bool echoAddress) {
  PutBig32(out, 0, static_cast<std::uint32_t>(command));
  PutBig32(out, 4, request.seqnum);
  // Replies carry devid, direction and endpoint as zero.
  PutBig32(out, 8, echoAddress ? request.devid : 0);
  PutBig32(out, 12, echoAddress ? request.direction : 0);
  PutBig32(out, 16, echoAddress ? request.endpoint : 0);
}

}  // namespace

std::optional<UsbipRequest> DecodeRequest(const std::uint8_t* header, std::size_t length) {
  if (header == nullptr || length < kUsbipHeaderLength) return std::nullopt;
  UsbipRequest request;
  const std::uint32_t command = Big32(header);
  if (command != static_cast<std::uint32_t>(UsbipCommand::kCmdSubmit) &&
      command != static_cast<std::uint32_t>(UsbipCommand::kCmdUnlink)) {
    return std::nullopt;
  }
  request.command = static_cast<UsbipCommand>(command);
  request.seqnum = Big32(header + 4);
  request.devid = Big32(header + 8);
  request.direction = Big32(header + 12);
  request.endpoint = Big32(header + 16);
  if (request.command == UsbipCommand::kCmdUnlink) {
    request.unlinkSeqnum = Big32(header + 20);
    return request;
  }
  request.transferFlags = Big32(header + 20);
  request.transferLength = static_cast<std::int32_t>(Big32(header + 24));
  request.isoPackets = static_cast<std::int32_t>(Big32(header + 32));
  if (request.transferLength < 0) return std::nullopt;
  for (std::size_t i = 0; i < request.setup.size(); ++i) request.setup[i] = header[40 + i];
  return request;
}

UsbipFrame FrameRequest(const std::uint8_t* bytes, std::size_t length) {
  UsbipFrame frame;
  if (bytes == nullptr || length < kUsbipHeaderLength) return frame;
  const auto request = DecodeRequest(bytes, length);
  if (!request || request->transferLength > kUsbipMaxTransfer || request->isoPackets < 0 ||
      request->isoPackets > kUsbipMaxIsoPackets) {
    frame.state = UsbipFrame::State::kRefused;
    return frame;
  }
  // An unlink is its header alone; a submit's data stage travels only OUT.
  const bool submit = request->command == UsbipCommand::kCmdSubmit;
  const std::size_t outLength = submit && request->direction == kUsbipDirOut
                                    ? static_cast<std::size_t>(request->transferLength)
                                    : 0;
  const std::size_t isoLength =
      submit ? static_cast<std::size_t>(request->isoPackets) * kUsbipIsoDescriptorLength : 0;
  frame.length = kUsbipHeaderLength + outLength + isoLength;
  if (length < frame.length) return frame;
  frame.state = UsbipFrame::State::kComplete;
  frame.message.request = *request;
  frame.message.outData.assign(bytes + kUsbipHeaderLength, bytes + kUsbipHeaderLength + outLength);
  return frame;
}

std::vector<std::uint8_t> EncodeRequest(const UsbipRequest& request) {
  std::vector<std::uint8_t> out(kUsbipHeaderLength, 0);
  PutBasic(out, request.command, request, true);
  if (request.command == UsbipCommand::kCmdUnlink) {
    PutBig32(out, 20, request.unlinkSeqnum);
    return out;
  }
  PutBig32(out, 20, request.transferFlags);
  PutBig32(out, 24, static_cast<std::uint32_t>(request.transferLength));
  PutBig32(out, 32, static_cast<std::uint32_t>(request.isoPackets));
  for (std::size_t i = 0; i < request.setup.size(); ++i) out[40 + i] = request.setup[i];
  return out;
}

std::vector<std::uint8_t> EncodeSubmitReply(const UsbipRequest& request, std::int32_t status,
                                            const std::vector<std::uint8_t>& data,
                                            std::int32_t actualLength) {
  std::vector<std::uint8_t> out(kUsbipHeaderLength, 0);
  PutBasic(out, UsbipCommand::kRetSubmit, request, false);
  PutBig32(out, 20, static_cast<std::uint32_t>(status));
  PutBig32(out, 24, static_cast<std::uint32_t>(actualLength));
  // An isochronous-free device: no start frame, packets or errors.
  PutBig32(out, 32, static_cast<std::uint32_t>(request.isoPackets == 0 ? 0 : -1));
  if (request.direction == kUsbipDirIn) out.insert(out.end(), data.begin(), data.end());
  return out;
}

std::vector<std::uint8_t> EncodeUnlinkReply(const UsbipRequest& request, std::int32_t status) {
  std::vector<std::uint8_t> out(kUsbipHeaderLength, 0);
  PutBasic(out, UsbipCommand::kRetUnlink, request, false);
  PutBig32(out, 20, static_cast<std::uint32_t>(status));
  return out;
}

SetupPacket DecodeSetup(const std::array<std::uint8_t, 8>& setup) {
  // Unlike the header, the setup bytes travel in USB's own little-endian order.
  return SetupPacket{setup[0], setup[1], static_cast<std::uint16_t>(setup[2] | setup[3] << 8),
                     static_cast<std::uint16_t>(setup[4] | setup[5] << 8),
                     static_cast<std::uint16_t>(setup[6] | setup[7] << 8)};
}

std::array<std::uint8_t, 8> EncodeSetup(const SetupPacket& setup) {
  return {setup.requestType,
          setup.request,
          static_cast<std::uint8_t>(setup.value),
          static_cast<std::uint8_t>(setup.value >> 8),
          static_cast<std::uint8_t>(setup.index),
          static_cast<std::uint8_t>(setup.index >> 8),
          static_cast<std::uint8_t>(setup.length),
          static_cast<std::uint8_t>(setup.length >> 8)};
}

}  // namespace tq::vboard
