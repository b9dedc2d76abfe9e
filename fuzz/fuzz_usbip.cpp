// The virtual board's socket: the bytes the kernel's host controller sends,
// read request by request as the server reads them and answered by the
// session over a board device on a clock the input moves. A request's
// seqnum's top byte, when not zero, turns an encoder first, so held
// interrupt IN requests get answered too. Beyond crashes and sanitizer
// findings: every reply echoes its request, carries data only for an IN
// transfer and never more than the host asked for.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "emulator/emulated_board.h"
#include "tests/vm/usbip_requests.h"
#include "vboard/board_device.h"
#include "vboard/usbip_codec.h"
#include "vboard/usbip_session.h"

namespace {

using tq::vboard::kUsbipHeaderLength;
using tq::vboard::UsbipRequest;
using tq::vboard::testing::Word;

void Check(bool holds) {
  if (!holds) std::abort();
}

// A submit's reply: its seqnum, a status of 0 or -EPIPE, and an IN
// transfer's data after the header, as long as the actual length it gives.
void CheckSubmitReply(const UsbipRequest& request, const std::vector<std::uint8_t>& reply) {
  Check(reply.size() >= kUsbipHeaderLength);
  Check(Word(reply, 0) == static_cast<std::uint32_t>(tq::vboard::UsbipCommand::kRetSubmit));
  Check(Word(reply, 4) == request.seqnum);
  const auto status = static_cast<std::int32_t>(Word(reply, 20));
  Check(status == 0 || status == -EPIPE);
  const auto actual = static_cast<std::int32_t>(Word(reply, 24));
  Check(actual >= 0 && actual <= request.transferLength);
  const bool in = request.direction == tq::vboard::kUsbipDirIn;
  Check(reply.size() == kUsbipHeaderLength + (in ? static_cast<std::size_t>(actual) : 0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tq::vboard;
  std::uint64_t nowMs = 0;
  BoardDevice device(tq::emu::MakeTQ5271(u"F1"), {}, [&nowMs] { return nowMs; });
  UsbipSession session(device);
  std::vector<UsbipRequest> held;
  std::size_t offset = 0;
  for (;;) {
    const UsbipFrame frame = FrameRequest(data + offset, size - offset);
    if (frame.state != UsbipFrame::State::kComplete) break;
    Check(frame.length >= kUsbipHeaderLength && frame.length <= size - offset);
    offset += frame.length;
    const UsbipRequest& request = frame.message.request;
    if (const std::uint32_t pair = request.seqnum >> 24; pair != 0) {
      device.ChangeBoard([pair](tq::emu::EmulatedBoard& board) {
        board.TurnEncoder(static_cast<int>(pair % 16 + 1), 1);
      });
    }
    const auto reply = session.Answer(frame.message);
    if (!reply) {
      held.push_back(request);
    } else if (request.command == UsbipCommand::kCmdUnlink) {
      Check(reply->bytes.size() == kUsbipHeaderLength);
      Check(Word(reply->bytes, 0) == static_cast<std::uint32_t>(UsbipCommand::kRetUnlink));
      Check(Word(reply->bytes, 4) == request.seqnum);
      for (auto it = held.begin(); it != held.end(); ++it) {
        if (it->seqnum == request.unlinkSeqnum) {
          held.erase(it);
          break;
        }
      }
    } else {
      CheckSubmitReply(request, reply->bytes);
    }
    nowMs += request.seqnum & 0xFF;
    // Held requests are answered oldest first.
    while (const auto input = session.DueInput()) {
      Check(!held.empty());
      CheckSubmitReply(held.front(), *input);
      held.erase(held.begin());
    }
    const int waitMs = session.WaitMs();
    Check(held.empty() ? waitMs == -1 : waitMs >= 0 && waitMs <= 10);
  }
  return 0;
}
