// tq5271ctl on a real kernel's USB stack: list, save and restore against
// virtual boards through the hidraw backend, and the installed program run
// by a user who may not open the board.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

#include "ctl/cli.h"
#include "devlink/platform/hidraw/host_hints.h"
#include "tests/board_samples.h"
#include "tests/delivery_jitter.h"
#include "tests/vm/vm_fixture.h"
#include "vboard/usb_descriptors.h"

namespace tq::vmtest {
namespace {

struct Result {
  int code;
  std::string out;
  std::string err;
};

class CtlOnRealUsb : public RealUsb {
 protected:
  Result Ctl(std::vector<std::string> args) {
    std::vector<const char*> argv{"tq5271ctl"};
    for (const auto& arg : args) argv.push_back(arg.c_str());
    const HostHints hints = hidraw::LinuxHostHints();
    std::ostringstream out;
    std::ostringstream err;
    const int code = ctl::RunCommandLine(static_cast<int>(argv.size()), argv.data(), api, hints,
                                         out, err);
    return {code, out.str(), err.str()};
  }
};

TEST_F(CtlOnRealUsb, ListSaveAndRestoreOntoAnotherBoard) {
  vboard::BoardDevice& source = Plug(Board(u"00042"));
  emu::EmulatedBoard other = Board(u"00043");
  other.settings[11] = 0xF0;  // invert 5 to 8
  other.settings[18] = 198;   // input 5 zoomed
  other.settings[22] = 0x00;  // every pair of bank 1 "OFF"
  other.settings[24] = 0x00;
  other.settings[26] = 25;    // 200 ms
  vboard::BoardDevice& target = Plug(other);

  Result result = Ctl({"list"});
  EXPECT_EQ(result.code, 0) << result.err;
  EXPECT_NE(result.out.find("serial 00042  2A7E:0501  release 1.21  tag TQ5271A  manufacturer "
                            "\"TQ Controls\"  product \"TQ5271 Joystick Interface\"  "
                            "TQ5271_encoders yes  TQ5271_config yes  " + NodeOf(source)),
            std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("serial 00043  "), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("2 usable boards"), std::string::npos) << result.out;

  const std::string file = (std::filesystem::temp_directory_path() / "ctl_vm_save.json").string();
  result = Ctl({"save", file, "--serial", "00042"});
  EXPECT_EQ(result.code, 0) << result.err;
  EXPECT_EQ(CountOf(source, "SET_REPORT"), 0u);

  target.ClearLog();
  result = Ctl({"restore", file, "--serial", "00043"});
  EXPECT_EQ(result.code, 0) << result.out << result.err;
  // Only what differs, a bank as its low then its high byte.
  EXPECT_EQ(TakeSets(target), (std::vector<Bytes>{SetData(11, 0x05), SetData(18, 0), SetData(22, 0x8A),
                                                 SetData(24, 0x8C), SetData(26, 6)}));
  const auto restored = target.Board();
  const auto original = source.Board();
  for (int address : {11, 12, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26}) {
    EXPECT_EQ(restored.settings[static_cast<std::size_t>(address)],
              original.settings[static_cast<std::size_t>(address)])
        << address;
  }
  EXPECT_NE(result.out.find("5 reports sent; verified invert, auto, mode1"), std::string::npos)
      << result.out;
}

// watch over the hidraw node: the turn's every pulse, one JSON object a
// line, its length measured when the read returned.
TEST_F(CtlOnRealUsb, WatchPrintsEveryPulseOfATurnWithItsLength) {
  emu::EmulatedBoard board = Board(u"00042");
  testing::SetEncoders(board, {{3, 2}}, 48);  // pair 3 at "1:2", "48 ms"
  vboard::BoardDevice& device = Plug(board);
  std::thread turn([&device] {
    // The watch is a process of its own: the turn comes after it has
    // started and opened the node, on real time, since it says nothing
    // this process could wait on.
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    device.ChangeBoard([](emu::EmulatedBoard& b) { b.TurnEncoder(3, 5); });
  });
  const Result result = Ctl({"watch", "--for", "3", "--json"});
  turn.join();
  EXPECT_EQ(result.code, 0) << result.err;
  std::vector<std::int64_t> lengths;
  int pulsesOn5 = 0;
  int otherButton = 0;
  std::istringstream lines(result.out);
  for (std::string line; std::getline(lines, line);) {
    const auto change = nlohmann::json::parse(line);
    if (change["event"] != "pulse") continue;
    if (change["button"] == 5) {
      ++pulsesOn5;
      if (!change["lengthMs"].is_null()) lengths.push_back(change["lengthMs"].get<std::int64_t>());
    }
    if (change["button"] == 6) ++otherButton;
  }
  std::cout << "tq5271ctl watch over hidraw, pair 3 at 1:2, 48 ms, +5 detents:";
  for (const auto length : lengths) std::cout << " " << length;
  std::cout << " ms" << std::endl;
  EXPECT_EQ(pulsesOn5, 10) << result.out;
  EXPECT_GE(lengths.size(), 9u) << "at most the first press may be on in the first report";
  EXPECT_EQ(otherButton, 0);
  // The board's 10 ms grid, and the VM's delivery jitter on top. The watch
  // stamps a report when its read returns: a stall of the VM's one CPU hands
  // it a release and the next press back to back (one pulse long, the next
  // short), so two lengths may fall outside while the median holds.
  std::vector<std::int64_t> sorted = lengths;
  std::sort(sorted.begin(), sorted.end());
  ASSERT_FALSE(sorted.empty());
  constexpr std::int64_t kMargin = vboard::kInputIntervalMs + testing::kDeliveryJitterMs;
  EXPECT_NEAR(static_cast<double>(sorted[sorted.size() / 2]), 48.0, static_cast<double>(kMargin));
  const auto near = std::count_if(lengths.begin(), lengths.end(),
                                  [](std::int64_t length) { return std::abs(length - 48) <= kMargin; });
  EXPECT_GE(near, static_cast<std::ptrdiff_t>(lengths.size()) - 2) << result.out;
}

#ifdef TQ_CTL_PROGRAM
// The program itself, as a user without the udev rule's grant starts it.
TEST_F(CtlOnRealUsb, UserWithoutPermissionIsToldAboutTheUdevRule) {
  vboard::BoardDevice& board = Plug(Board(u"00042"));
  const std::string node = NodeOf(board);
  ASSERT_FALSE(node.empty());
  const std::string command = "setpriv --reuid=65534 --regid=65534 --clear-groups " +
                              std::string(TQ_CTL_PROGRAM) + " list 2>&1; echo \"exit $?\"";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string printed;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) printed += buffer;
  pclose(pipe);
  std::cout << printed;
  EXPECT_NE(printed.find("2A7E:0501  " + node + "  cannot open: permission denied; install the "
                         "udev rule 70-tq5271.rules"),
            std::string::npos)
      << printed;
  EXPECT_NE(printed.find("no usable board\nexit 1\n"), std::string::npos) << printed;
}
#endif

}  // namespace
}  // namespace tq::vmtest
