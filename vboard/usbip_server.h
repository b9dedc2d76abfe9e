// Serves one BoardDevice over one USB/IP connection: control requests on
// endpoint 0 are answered by the device; an interrupt IN request is held
// until the board's input report changes (looked at every endpoint interval,
// as a board sends on change once the host has set its idle rate to 0) or
// the host cancels it.
#pragma once

#include "vboard/board_device.h"

namespace tq::vboard {

// Runs until the connection closes or breaks. `fd` is a connected stream
// socket; the caller still owns it.
void ServeUsbip(int fd, BoardDevice& device);

}  // namespace tq::vboard
