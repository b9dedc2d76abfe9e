// Serves one BoardDevice over one USB/IP connection: control requests on
// endpoint 0 are answered by the device; interrupt IN requests are held
// until the host cancels them, since the board never sends input reports.
#pragma once

#include "vboard/board_device.h"

namespace tq::vboard {

// Runs until the connection closes or breaks. `fd` is a connected stream
// socket; the caller still owns it.
void ServeUsbip(int fd, BoardDevice& device);

}  // namespace tq::vboard
