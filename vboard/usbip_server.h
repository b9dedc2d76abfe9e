// Serves one BoardDevice over one USB/IP connection: reads each request off
// the socket (FrameRequest, usbip_codec.h), answers it through a
// UsbipSession (usbip_session.h) and sends the replies, a held interrupt IN
// request's when the board's input report changes.
#pragma once

#include "vboard/board_device.h"

namespace tq::vboard {

// Runs until the connection closes or breaks. `fd` is a connected stream
// socket; the caller still owns it.
void ServeUsbip(int fd, BoardDevice& device);

}  // namespace tq::vboard
