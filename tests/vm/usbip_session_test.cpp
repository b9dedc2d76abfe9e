// What the server answers, without a socket and on a clock the test moves:
// how long it may wait for the host while an interrupt IN is held, and a
// slow board's delay handed back rather than slept.
#include "vboard/usbip_session.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>

#include "emulator/emulated_board.h"
#include "tests/vm/usbip_requests.h"

namespace tq::vboard {
namespace {

using testing::Bytes;
using testing::Control;
using testing::Word;

UsbipMessage InterruptIn(std::uint32_t seqnum) {
  UsbipMessage message;
  message.request.seqnum = seqnum;
  message.request.direction = kUsbipDirIn;
  message.request.endpoint = 1;
  message.request.transferLength = 4;
  return message;
}

TEST(UsbipSession, WaitsForTheHostUntilAHeldInputIsDueOnTheIntervalGrid) {
  std::uint64_t nowMs = 100;
  BoardDevice device(emu::MakeTQ5271(u"S3"), {}, [&] { return nowMs; });
  UsbipSession session(device);
  EXPECT_EQ(session.WaitMs(), -1) << "nothing held: wait for the host";

  EXPECT_FALSE(session.Answer(InterruptIn(1)));
  const auto first = session.DueInput();
  ASSERT_TRUE(first) << "the first report is always due";
  EXPECT_EQ(first->size(), kUsbipHeaderLength + 4) << "cut to what the host asked";
  EXPECT_EQ(Word(*first, 4), 1u);
  EXPECT_EQ(session.WaitMs(), -1);

  // Grid points at 100, 110, 120, ...: at 103 the next look is 7 ms away.
  nowMs = 103;
  EXPECT_FALSE(session.Answer(InterruptIn(2)));
  EXPECT_FALSE(session.DueInput());
  EXPECT_EQ(session.WaitMs(), 7);
  device.ChangeBoard([](emu::EmulatedBoard& board) { board.SetButton(1, true); });
  EXPECT_FALSE(session.DueInput()) << "a change waits for its grid point";
  nowMs = 110;
  EXPECT_EQ(session.WaitMs(), 0);
  const auto second = session.DueInput();
  ASSERT_TRUE(second);
  EXPECT_EQ(Word(*second, 4), 2u);
  ASSERT_EQ(device.InputLog().size(), 2u);
  EXPECT_EQ(device.InputLog().back().ms, 110u);

  // Unlinking the one held leaves nothing to wait for.
  EXPECT_FALSE(session.Answer(InterruptIn(3)));
  EXPECT_GE(session.WaitMs(), 0);
  UsbipMessage unlink;
  unlink.request.command = UsbipCommand::kCmdUnlink;
  unlink.request.seqnum = 4;
  unlink.request.unlinkSeqnum = 3;
  const auto cancelled = session.Answer(unlink);
  ASSERT_TRUE(cancelled);
  EXPECT_EQ(static_cast<std::int32_t>(Word(cancelled->bytes, 20)), -ECONNRESET);
  EXPECT_EQ(session.WaitMs(), -1);
}

TEST(UsbipSession, HandsBackASlowBoardsDelayAndStallsAnInterruptOut) {
  BoardFaults faults;
  faults.getReportDelayMs = 300;
  BoardDevice device(emu::MakeTQ5271(u"S4"), faults, [] { return std::uint64_t{0}; });
  UsbipSession session(device);
  const auto page = session.Answer({Control(1, {0xA1, 0x01, 0x0300, 0, 63}), {}});
  ASSERT_TRUE(page);
  EXPECT_EQ(page->delayMs, 300u);
  EXPECT_EQ(page->bytes.size(), kUsbipHeaderLength + 63);

  UsbipMessage out = InterruptIn(2);
  out.request.direction = kUsbipDirOut;
  out.request.transferLength = 0;
  const auto stalled = session.Answer(out);
  ASSERT_TRUE(stalled);
  EXPECT_EQ(static_cast<std::int32_t>(Word(stalled->bytes, 20)), -EPIPE);
  EXPECT_EQ(session.WaitMs(), -1) << "an OUT request is never held";
}

}  // namespace
}  // namespace tq::vboard
