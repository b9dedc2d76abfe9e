// The device server over a socket pair: control requests answered, an
// interrupt IN request held until the input report changes, unlinks, late
// looks that still send every change, and a host that hangs up.
#include "vboard/usbip_server.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

#include "emulator/board_descriptor.h"
#include "emulator/emulated_board.h"
#include "tests/vm/usbip_requests.h"
#include "vboard/board_device.h"
#include "vboard/usbip_codec.h"

namespace tq::vboard {
namespace {

using testing::Bytes;
using testing::Control;
using testing::Word;

class ServerOverSocket : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    // A reply that never comes fails the test instead of holding it.
    const timeval limit{5, 0};
    ASSERT_EQ(::setsockopt(fds[0], SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit), 0);
    server = std::thread([this] { ServeUsbip(fds[1], device); });
  }
  void TearDown() override {
    ::shutdown(fds[0], SHUT_RDWR);
    server.join();
    ::close(fds[0]);
    ::close(fds[1]);
  }
  void Send(const UsbipRequest& request, const Bytes& outData = {}) {
    Bytes wire = EncodeRequest(request);
    wire.insert(wire.end(), outData.begin(), outData.end());
    ASSERT_EQ(::write(fds[0], wire.data(), wire.size()), static_cast<ssize_t>(wire.size()));
  }
  Bytes Receive(std::size_t length) {
    Bytes bytes(length);
    std::size_t done = 0;
    while (done < length) {
      const ssize_t got = ::read(fds[0], bytes.data() + done, length - done);
      if (got <= 0) break;
      done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return bytes;
  }

  // The device's clock stands at 0 until a test moves it or lets it run in
  // real time (-1); it never goes back. The serving thread reads it when it
  // starts, to lay the interrupt endpoint's grid from there: a clock that
  // ran a millisecond before a test held it at 0 would put every grid point
  // in the future of the held clock, and the held request would never be due.
  std::atomic<std::int64_t> heldAtMs{0};
  const std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
  BoardDevice device{emu::MakeTQ5271(u"S1"), {}, [this]() -> std::uint64_t {
                       const std::int64_t held = heldAtMs.load();
                       if (held >= 0) return static_cast<std::uint64_t>(held);
                       return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                             std::chrono::steady_clock::now() - started)
                                                             .count());
                     }};
  int fds[2] = {-1, -1};
  std::thread server;
};

TEST_F(ServerOverSocket, AnswersControlHoldsInterruptAndUnlinks) {
  heldAtMs = -1;  // a held IN is looked at again as time passes
  // Device descriptor, cut to what the host asked.
  Send(Control(1, {0x80, 0x06, 0x0100, 0, 8}));
  Bytes reply = Receive(kUsbipHeaderLength + 8);
  ASSERT_EQ(reply.size(), kUsbipHeaderLength + 8);
  EXPECT_EQ(Word(reply, 4), 1u);
  EXPECT_EQ(Word(reply, 20), 0u);
  EXPECT_EQ(Word(reply, 24), 8u);
  EXPECT_EQ(reply[kUsbipHeaderLength], 18);

  // The first interrupt IN gets the board's state at once, without the ID
  // byte; the next is held while nothing changes; a set report is answered
  // meanwhile with its length and no data; the held one is cancelled on
  // unlink.
  UsbipRequest interrupt;
  interrupt.seqnum = 2;
  interrupt.direction = kUsbipDirIn;
  interrupt.endpoint = 1;
  interrupt.transferLength = 64;
  Send(interrupt);
  reply = Receive(kUsbipHeaderLength + 11);
  EXPECT_EQ(Word(reply, 4), 2u);
  EXPECT_EQ(Word(reply, 20), 0u);
  EXPECT_EQ(Word(reply, 24), 11u);
  interrupt.seqnum = 20;
  Send(interrupt);
  Send(Control(3, {0x21, 0x09, 0x0300, 0, 63}), [] { Bytes data(63, 0); data[0] = 30; data[1] = 0x77; return data; }());
  reply = Receive(kUsbipHeaderLength);
  EXPECT_EQ(Word(reply, 4), 3u);
  EXPECT_EQ(Word(reply, 24), 63u);
  EXPECT_EQ(device.Board().settings[30], 0x77);
  UsbipRequest unlink;
  unlink.command = UsbipCommand::kCmdUnlink;
  unlink.seqnum = 4;
  unlink.unlinkSeqnum = 20;
  Send(unlink);
  reply = Receive(kUsbipHeaderLength);
  EXPECT_EQ(Word(reply, 0), 4u);
  EXPECT_EQ(static_cast<std::int32_t>(Word(reply, 20)), -ECONNRESET);
  // Unlinking what was already answered reports success.
  unlink.seqnum = 5;
  unlink.unlinkSeqnum = 3;
  Send(unlink);
  reply = Receive(kUsbipHeaderLength);
  EXPECT_EQ(Word(reply, 20), 0u);

  // A change answers the waiting IN with the new report.
  interrupt.seqnum = 21;
  Send(interrupt);
  device.ChangeBoard([](emu::EmulatedBoard& board) { board.SetButton(1, true); });
  reply = Receive(kUsbipHeaderLength + 11);
  ASSERT_EQ(reply.size(), kUsbipHeaderLength + 11);
  EXPECT_EQ(Word(reply, 4), 21u);
  EXPECT_EQ(reply[kUsbipHeaderLength + 7] & 1, 1) << "button 1 follows the 7-bit axes";
  EXPECT_EQ(device.InputLog().size(), 2u);

  // A stalled request comes back as -EPIPE without data.
  Send(Control(6, {0x80, 0x06, 0x0600, 0, 10}));
  reply = Receive(kUsbipHeaderLength);
  EXPECT_EQ(static_cast<std::int32_t>(Word(reply, 20)), -EPIPE);
  EXPECT_EQ(Word(reply, 24), 0u);
}

// The serving thread wakes long after a turn's pulses went by: each press
// and release still goes out, in order, one per request, stamped with the
// board's time; after a long silence only the state as it stands is sent.
TEST_F(ServerOverSocket, LateChecksSendEveryChangeTheyMissed) {
  UsbipRequest interrupt;
  interrupt.direction = kUsbipDirIn;
  interrupt.endpoint = 1;
  interrupt.transferLength = 64;
  const auto take = [&](std::uint32_t seqnum) {
    interrupt.seqnum = seqnum;
    Send(interrupt);
    const Bytes reply = Receive(kUsbipHeaderLength + 11);
    EXPECT_EQ(reply.size(), kUsbipHeaderLength + 11) << "no report for IN " << seqnum << " within 5 s";
    EXPECT_EQ(Word(reply, 4), seqnum);
    return reply;
  };
  take(1);  // the state at rest
  heldAtMs = 100;
  device.ChangeBoard([](emu::EmulatedBoard& board) { board.TurnEncoder(3, 1); });  // pair 3 "1:2", 48 ms
  heldAtMs = 290;  // both pulses over before the thread looks
  // Eight axes of AxisBits each, then the buttons.
  const std::size_t buttonsByte = kUsbipHeaderLength + static_cast<std::size_t>(emu::AxisBits(device.Board()));
  std::vector<int> button5;
  for (std::uint32_t seqnum = 2; seqnum <= 5; ++seqnum) button5.push_back((take(seqnum).at(buttonsByte) >> 4) & 1);
  EXPECT_EQ(button5, (std::vector<int>{1, 0, 1, 0}));
  std::vector<std::uint64_t> sentAt;
  for (const SentInput& sent : device.InputLog()) sentAt.push_back(sent.ms);
  EXPECT_EQ(sentAt, (std::vector<std::uint64_t>{0, 100, 150, 200, 250}));

  heldAtMs = 1000;
  device.ChangeBoard([](emu::EmulatedBoard& board) { board.TurnEncoder(3, 1); });
  heldAtMs = 5000;
  device.ChangeBoard([](emu::EmulatedBoard& board) { board.SetButton(1, true); });
  const Bytes now = take(6);
  EXPECT_EQ(now.at(buttonsByte) & 0x11, 0x01) << "button 1 down, the old pulses not replayed";
  EXPECT_EQ(device.InputLog().size(), 6u);
  EXPECT_EQ(device.InputLog().back().ms, 5000u);
}

// The kernel shuts the socket on unplug, maybe while a slow reply is on its
// way: the serving ends, and the process goes on.
TEST(UsbipServer, AHostThatHungUpEndsTheServingNotTheProcess) {
  int fds[2] = {-1, -1};
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
  BoardFaults faults;
  faults.getReportDelayMs = 100;
  BoardDevice device(emu::MakeTQ5271(u"S2"), faults);
  std::thread server([&] { ServeUsbip(fds[1], device); });
  const Bytes request = EncodeRequest(Control(1, {0xA1, 0x01, 0x0300, 0, 64}));
  ASSERT_EQ(::write(fds[0], request.data(), request.size()), static_cast<ssize_t>(request.size()));
  ASSERT_TRUE(device.WaitForAnswered(1, std::chrono::seconds(5)));
  ASSERT_EQ(device.Log().size(), 1u) << "the feature get reached the board";
  ::close(fds[0]);  // before the delayed reply goes out
  server.join();
  ::close(fds[1]);
}

}  // namespace
}  // namespace tq::vboard
