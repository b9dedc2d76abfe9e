// What every scenario on the real USB stack shares: a bus of virtual boards,
// the real hidraw backend, and the board's log read as reports.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "devlink/platform/hidraw/hidraw_api.h"
#include "emulator/emulated_board.h"
#include "vboard/board_device.h"
#include "vboard/virtual_bus.h"

namespace tq::vmtest {

using Bytes = std::vector<std::uint8_t>;

// A factory-fresh board with this serial.
emu::EmulatedBoard Board(std::u16string serial);

// The set report a program sends for `command` and `value`, as the board's
// data stage carries it: the report without its ID byte.
Bytes SetData(std::uint8_t command, std::uint8_t value, std::size_t reportLength = 64);

// The input nodes' sysfs directories ("event3", "js0": names starting with
// `prefix`) the kernel made below a USB device, in order.
std::vector<std::string> InputNodesUnder(const std::string& usbDir, const std::string& prefix);

// Every board plugged here is a live game controller: while a test runs, a
// thread keeps moving the Slider of each of its boards, so the kernel has an
// input report to deliver whenever it listens, as with a real board whose
// owner touches it.
class RealUsb : public ::testing::Test {
 protected:
  void SetUp() override;
  // Records how many requests the test's boards answered and how many input
  // reports they sent (the test report's board_requests, input_reports).
  void TearDown() override;

  // Plugs a board (kept for the test's life) and returns it; fails the test
  // when the kernel does not enumerate it.
  vboard::BoardDevice& Plug(emu::EmulatedBoard board, vboard::BoardFaults faults = {});
  void Unplug(vboard::BoardDevice& device);
  void Replug(vboard::BoardDevice& device);
  std::string NodeOf(vboard::BoardDevice& device) const;
  // The board's USB device directory in sysfs, or "" while unplugged.
  std::string UsbDirOf(vboard::BoardDevice& device) const;
  // The first of the board's input nodes named from `prefix`
  // (InputNodesUnder), waited for up to 5 s; "" when none came.
  std::string WaitForInputNode(vboard::BoardDevice& device, const std::string& prefix) const;

  // The data stages of the set reports the board took since its log was
  // last cleared; clears it.
  static std::vector<Bytes> TakeSets(vboard::BoardDevice& device);
  static std::size_t CountOf(const vboard::BoardDevice& device, const std::string& type);
  // String requests by index, in order.
  static std::vector<unsigned> StringIndexes(const vboard::BoardDevice& device);
  // The device nodes (hidraw and usbfs) this process holds open.
  static std::vector<std::string> OpenDeviceNodes();

  vboard::VirtualBus bus;
  HidrawApi api;

 private:
  struct Slot {
    std::unique_ptr<vboard::BoardDevice> device;
    int port = -1;
  };
  Slot& SlotOf(vboard::BoardDevice& device);
  int PortOf(const vboard::BoardDevice& device) const;
  void MoveInputs();

  std::mutex slotsMutex_;  // the input thread walks the slots
  std::list<Slot> slots_;
  std::atomic<bool> moving_{false};
  std::thread inputMover_;
};

// A program's window on the real backend; closing it must leave no device
// node open.
template <typename Form>
class ProgramOnRealUsb : public RealUsb {
 protected:
  void TearDown() override {
    form.Form().Close();
    EXPECT_EQ(OpenDeviceNodes(), std::vector<std::string>{});
    RealUsb::TearDown();
  }
  Form form{api};
};

}  // namespace tq::vmtest
