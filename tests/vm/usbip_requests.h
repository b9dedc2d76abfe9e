// What the USB/IP tests send and read: a control request as the kernel's
// host controller frames it, and a big-endian word of a reply.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "vboard/board_device.h"
#include "vboard/usbip_codec.h"

namespace tq::vboard::testing {

using Bytes = std::vector<std::uint8_t>;

inline std::uint32_t Word(const Bytes& bytes, std::size_t offset) {
  std::uint32_t word = 0;
  for (std::size_t i = 0; i < 4; ++i) word = word << 8 | bytes.at(offset + i);
  return word;
}

inline UsbipRequest Control(std::uint32_t seqnum, SetupPacket setup) {
  UsbipRequest request;
  request.seqnum = seqnum;
  request.devid = 0x00010002;
  request.direction = (setup.requestType & 0x80) != 0 ? kUsbipDirIn : kUsbipDirOut;
  request.transferLength = setup.length;
  request.setup = EncodeSetup(setup);
  return request;
}

}  // namespace tq::vboard::testing
