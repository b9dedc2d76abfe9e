#include "tests/vm/vm_fixture.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <stdexcept>

namespace tq::vmtest {

std::vector<std::string> InputNodesUnder(const std::string& usbDir, const std::string& prefix) {
  std::vector<std::string> nodes;
  std::error_code error;
  for (std::filesystem::recursive_directory_iterator it(usbDir, error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.rfind(prefix, 0) == 0 && it->path().parent_path().parent_path().filename() == "input") {
      nodes.push_back(it->path().string());
    }
  }
  std::sort(nodes.begin(), nodes.end());
  return nodes;
}

emu::EmulatedBoard Board(std::u16string serial) { return emu::MakeTQ5271(std::move(serial)); }

Bytes SetData(std::uint8_t command, std::uint8_t value, std::size_t reportLength) {
  Bytes bytes(reportLength - 1, 0);
  bytes.at(0) = command;
  bytes.at(1) = value;
  return bytes;
}

void RealUsb::SetUp() {
  ASSERT_TRUE(bus.Available()) << "no virtual host controller: run under tools/vm-test.sh";
  moving_ = true;
  inputMover_ = std::thread([this] { MoveInputs(); });
}

void RealUsb::MoveInputs() {
  constexpr int kSlider = 8;
  for (unsigned step = 0; moving_; ++step) {
    {
      std::lock_guard lock(slotsMutex_);
      for (Slot& slot : slots_) {
        slot.device->ChangeBoard([&](emu::EmulatedBoard& board) { board.SetAxis(kSlider, step % 100); });
      }
    }
    // The owner's hand moves on real time, as the kernel asks on its own
    // clock: a new position every 50 ms.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

void RealUsb::TearDown() {
  moving_ = false;
  if (inputMover_.joinable()) inputMover_.join();
  std::size_t answered = 0;
  std::size_t inputs = 0;
  for (const Slot& slot : slots_) {
    answered += slot.device->AnsweredCount();
    inputs += slot.device->InputLog().size();
  }
  RecordProperty("board_requests", static_cast<int>(answered));
  RecordProperty("input_reports", static_cast<int>(inputs));
}

vboard::BoardDevice& RealUsb::Plug(emu::EmulatedBoard board, vboard::BoardFaults faults) {
  Slot* added = nullptr;
  {
    std::lock_guard lock(slotsMutex_);
    added = &slots_.emplace_back();
    added->device = std::make_unique<vboard::BoardDevice>(std::move(board), faults);
  }
  Slot& slot = *added;
  const auto port = bus.Plug(*slot.device);
  EXPECT_TRUE(port.has_value()) << "the kernel did not enumerate the board";
  slot.port = port.value_or(-1);
  return *slot.device;
}

RealUsb::Slot& RealUsb::SlotOf(vboard::BoardDevice& device) {
  const auto it = std::find_if(slots_.begin(), slots_.end(),
                               [&](const Slot& slot) { return slot.device.get() == &device; });
  if (it == slots_.end()) throw std::logic_error("board not plugged by this test");
  return *it;
}

void RealUsb::Unplug(vboard::BoardDevice& device) {
  Slot& slot = SlotOf(device);
  EXPECT_TRUE(bus.Unplug(slot.port)) << "port " << slot.port << " did not go away";
  slot.port = -1;
}

void RealUsb::Replug(vboard::BoardDevice& device) {
  Slot& slot = SlotOf(device);
  const auto port = bus.Plug(*slot.device);
  EXPECT_TRUE(port.has_value()) << "the kernel did not enumerate the board again";
  slot.port = port.value_or(-1);
}

int RealUsb::PortOf(const vboard::BoardDevice& device) const {
  const auto it = std::find_if(slots_.begin(), slots_.end(),
                               [&](const Slot& slot) { return slot.device.get() == &device; });
  return it == slots_.end() ? -1 : it->port;
}

std::string RealUsb::NodeOf(vboard::BoardDevice& device) const {
  const int port = PortOf(device);
  return port < 0 ? std::string() : bus.HidrawNodeOf(port);
}

std::string RealUsb::UsbDirOf(vboard::BoardDevice& device) const {
  const int port = PortOf(device);
  return port < 0 ? std::string() : bus.UsbDeviceDirOf(port);
}

std::string RealUsb::WaitForInputNode(vboard::BoardDevice& device,
                                      const std::string& prefix) const {
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (const auto nodes = InputNodesUnder(UsbDirOf(device), prefix); !nodes.empty()) {
      return nodes.front();
    }
    // The kernel's input layer makes the node in its own time after the
    // plug, on the VM's clock, and tells this process nothing it could wait
    // on: the node is looked for again a while later.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return {};
}

std::vector<Bytes> RealUsb::TakeSets(vboard::BoardDevice& device) {
  std::vector<Bytes> sets;
  for (const auto& entry : device.LogOf("SET_REPORT")) sets.push_back(entry.bytes);
  device.ClearLog();
  return sets;
}

std::size_t RealUsb::CountOf(const vboard::BoardDevice& device, const std::string& type) {
  return device.LogOf(type).size();
}

std::vector<unsigned> RealUsb::StringIndexes(const vboard::BoardDevice& device) {
  std::vector<unsigned> indexes;
  for (const auto& entry : device.LogOf("GET_STRING")) indexes.push_back(entry.value & 0xFFu);
  return indexes;
}

std::vector<std::string> RealUsb::OpenDeviceNodes() {
  std::vector<std::string> nodes;
  std::error_code error;
  for (std::filesystem::directory_iterator it("/proc/self/fd", error), end; !error && it != end;
       it.increment(error)) {
    const std::string target = std::filesystem::read_symlink(it->path(), error).string();
    if (target.rfind("/dev/hidraw", 0) == 0 || target.rfind("/dev/bus/usb/", 0) == 0) {
      nodes.push_back(target);
    }
  }
  return nodes;
}

}  // namespace tq::vmtest
