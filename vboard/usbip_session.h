// What a device server answers on one USB/IP connection, without the
// socket: control requests on endpoint 0 go to the BoardDevice; an interrupt
// IN request is held until the board's input report changes, looked at on
// a grid of endpoint intervals on the device's clock (as a board sends on
// change once the host has set its idle rate to 0), or until the host
// unlinks it. ServeUsbip (usbip_server.h) moves the bytes.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "vboard/board_device.h"
#include "vboard/usbip_codec.h"

namespace tq::vboard {

// A reply to send, after the board's delay (a slow firmware's, in ms).
struct UsbipReply {
  std::vector<std::uint8_t> bytes;
  unsigned delayMs = 0;
};

class UsbipSession {
 public:
  explicit UsbipSession(BoardDevice& device);

  // The reply to one request; nullopt for an interrupt IN, which is held.
  std::optional<UsbipReply> Answer(const UsbipMessage& message);
  // The reply to the oldest held interrupt IN, when the input report changed
  // at a grid point up to the device's clock; nullopt when nothing is due.
  std::optional<std::vector<std::uint8_t>> DueInput();
  // How long the server may wait for the host before DueInput could answer:
  // -1 (forever) while no interrupt IN is held.
  int WaitMs() const;

 private:
  BoardDevice& device_;
  // Interrupt IN submits the host waits on, oldest first.
  std::deque<UsbipRequest> waitingInputs_;
  std::uint64_t nextInputCheckMs_;
};

}  // namespace tq::vboard
