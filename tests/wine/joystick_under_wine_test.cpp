// The board as a game controller under Wine: what a game asking the joystick
// API of winmm, or DirectInput's buffered data, gets from the virtual board,
// through Wine's HID stack over the kernel's hidraw node.
#define DIRECTINPUT_VERSION 0x0800
#include <windows.h>
#include <dinput.h>
#include <mmsystem.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "tests/delivery_jitter.h"
#include "tests/wine/wine_fixture.h"

// DirectInput's names clash with the project's portable HID records, so its
// helper lives outside the project's namespace.
namespace {

// The board's device in DirectInput, acquired with a buffer for its events,
// as a game that must not miss a short press reads it.
class DirectInputBoard {
 public:
  DirectInputBoard(WORD vendor, WORD product) : vendor_(vendor), product_id_(product) {
    if (FAILED(DirectInput8Create(GetModuleHandleW(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8W,
                                  reinterpret_cast<void**>(&input_), nullptr))) {
      return;
    }
    input_->EnumDevices(DI8DEVCLASS_GAMECTRL, &DirectInputBoard::Found, this, DIEDFL_ATTACHEDONLY);
    if (!found_ || FAILED(input_->CreateDevice(product_, &device_, nullptr))) return;
    DIPROPDWORD buffer{};
    buffer.diph.dwSize = sizeof buffer;
    buffer.diph.dwHeaderSize = sizeof buffer.diph;
    buffer.diph.dwHow = DIPH_DEVICE;
    buffer.dwData = 256;
    ready_ = SUCCEEDED(device_->SetDataFormat(&c_dfDIJoystick2)) &&
             SUCCEEDED(device_->SetProperty(DIPROP_BUFFERSIZE, &buffer.diph)) &&
             SUCCEEDED(device_->Acquire());
  }
  ~DirectInputBoard() {
    if (device_ != nullptr) {
      device_->Unacquire();
      device_->Release();
    }
    if (input_ != nullptr) input_->Release();
  }
  DirectInputBoard(const DirectInputBoard&) = delete;
  DirectInputBoard& operator=(const DirectInputBoard&) = delete;

  bool Ready() const { return ready_; }
  // Every buffered event since the last call.
  std::vector<DIDEVICEOBJECTDATA> Events() {
    std::vector<DIDEVICEOBJECTDATA> events;
    device_->Poll();
    for (;;) {
      DIDEVICEOBJECTDATA data[64];
      DWORD count = 64;
      if (FAILED(device_->GetDeviceData(sizeof data[0], data, &count, 0)) || count == 0) break;
      events.insert(events.end(), data, data + count);
    }
    return events;
  }

 private:
  static BOOL CALLBACK Found(const DIDEVICEINSTANCEW* instance, void* context) {
    auto* self = static_cast<DirectInputBoard*>(context);
    // A HID game controller's product GUID carries its vendor and product.
    if (LOWORD(instance->guidProduct.Data1) == self->vendor_ &&
        HIWORD(instance->guidProduct.Data1) == self->product_id_) {
      self->product_ = instance->guidInstance;
      self->found_ = true;
      return DIENUM_STOP;
    }
    return DIENUM_CONTINUE;
  }

  WORD vendor_;
  WORD product_id_;
  IDirectInput8W* input_ = nullptr;
  IDirectInputDevice8W* device_ = nullptr;
  GUID product_{};
  bool found_ = false;
  bool ready_ = false;
};

}  // namespace

namespace tq::winetest {
namespace {

// The joystick API's number of the board: the one with the maker's IDs.
std::optional<UINT> BoardJoystick(JOYCAPSW& caps) {
  for (UINT id = 0; id < joyGetNumDevs(); ++id) {
    if (joyGetDevCapsW(id, &caps, sizeof caps) == JOYERR_NOERROR && caps.wMid == kMakerVendorID &&
        caps.wPid == 0x0501) {
      return id;
    }
  }
  return std::nullopt;
}

std::optional<JOYINFOEX> Position(UINT id) {
  JOYINFOEX info{};
  info.dwSize = sizeof info;
  info.dwFlags = JOY_RETURNALL;
  if (joyGetPosEx(id, &info) != JOYERR_NOERROR) return std::nullopt;
  return info;
}

class JoystickUnderWine : public UnderWine {
 protected:
  UINT Board() {
    std::optional<UINT> id;
    WaitUntil([&] { return (id = BoardJoystick(caps)).has_value(); }, std::chrono::seconds(20));
    EXPECT_TRUE(id.has_value()) << "the joystick API lists no device with the board's IDs";
    return id.value_or(0);
  }
  JOYCAPSW caps{};
};

TEST_F(JoystickUnderWine, TheJoystickApiListsTheBoardWithItsAxesAndButtons) {
  const UINT id = Board();
  if (HasFailure()) return;
  char name[MAXPNAMELEN * 2] = {};
  WideCharToMultiByte(CP_UTF8, 0, caps.szPname, -1, name, sizeof name, nullptr, nullptr);
  std::printf("joystick %u: \"%s\", %u axes (most %u), %u buttons (most %u), caps %08lx\n", id,
              name, caps.wNumAxes, caps.wMaxAxes, caps.wNumButtons, caps.wMaxButtons,
              static_cast<unsigned long>(caps.wCaps));
  RecordProperty("joystick_name", name);
  RecordProperty("joystick_axes", static_cast<int>(caps.wNumAxes));
  RecordProperty("joystick_buttons", static_cast<int>(caps.wNumButtons));
  EXPECT_EQ(caps.wNumButtons, 32u);
  // The joystick API has six axes at most (X, Y, Z, R, U, V): it cannot
  // show all eight of the board's.
  EXPECT_EQ(caps.wNumAxes, 6u);
  EXPECT_NE(caps.wCaps & JOYCAPS_HASZ, 0u);
  EXPECT_NE(caps.wCaps & JOYCAPS_HASR, 0u);
  // Asking for the joystick costs the programs no settings page.
  EXPECT_TRUE(Since(kBoard, "GET_REPORT").empty());
}

TEST_F(JoystickUnderWine, AnAxisAndAButtonArriveThroughJoyGetPosEx) {
  const UINT id = Board();
  if (HasFailure()) return;
  ASSERT_TRUE(Position(id).has_value());
  // X is inverted on the factory board: 0 on the board reads as the top.
  ASSERT_TRUE(boardProgram.Move(kBoard, "axis", 2, 127));
  ASSERT_TRUE(boardProgram.Move(kBoard, "axis", 1, 0));
  std::optional<JOYINFOEX> info;
  EXPECT_TRUE(WaitUntil(
      [&] { return (info = Position(id)) && info->dwYpos > 60000 && info->dwXpos > 60000; },
      std::chrono::seconds(10)))
      << "X " << (info ? info->dwXpos : 0) << " Y " << (info ? info->dwYpos : 0);
  ASSERT_TRUE(boardProgram.Move(kBoard, "button", 32, 1));
  EXPECT_TRUE(WaitUntil([&] { return (info = Position(id)) && (info->dwButtons & 0x80000000u) != 0; },
                        std::chrono::seconds(10)));
  ASSERT_TRUE(boardProgram.Move(kBoard, "button", 32, 0));
  EXPECT_TRUE(WaitUntil([&] { return (info = Position(id)) && info->dwButtons == 0; },
                        std::chrono::seconds(10)));
}

TEST_F(JoystickUnderWine, DirectInputSeesEachEncoderPulseWithItsLength) {
  DirectInputBoard board(kMakerVendorID, 0x0501);
  ASSERT_TRUE(board.Ready()) << "DirectInput lists no game controller with the board's IDs";
  board.Events();
  // Pair 3 is "1:2" at 48 ms on the factory board: two detents forward give
  // four pulses on button 5.
  ASSERT_TRUE(boardProgram.Move(kBoard, "turn", 3, 2));
  std::vector<DIDEVICEOBJECTDATA> events;
  const auto pressLengths = [&](DWORD offset) {
    std::vector<DWORD> lengths;
    bool pressed = false;
    DWORD down = 0;
    for (const DIDEVICEOBJECTDATA& event : events) {
      if (event.dwOfs != offset) continue;
      if ((event.dwData & 0x80) != 0) {
        pressed = true;
        down = event.dwTimeStamp;
      } else if (pressed) {
        lengths.push_back(event.dwTimeStamp - down);
        pressed = false;
      }
    }
    return lengths;
  };
  WaitUntil(
      [&] {
        const auto more = board.Events();
        events.insert(events.end(), more.begin(), more.end());
        return pressLengths(DIJOFS_BUTTON(4)).size() >= 4;
      },
      std::chrono::seconds(10));
  Sleep(300);
  const auto more = board.Events();
  events.insert(events.end(), more.begin(), more.end());
  const std::vector<DWORD> lengths = pressLengths(DIJOFS_BUTTON(4));
  std::string text;
  for (const DWORD length : lengths) text += std::to_string(length) + " ";
  std::printf("DirectInput: %zu pulses on button 5 of %sms\n", lengths.size(), text.c_str());
  RecordProperty("pulse_lengths_ms", text);
  ASSERT_EQ(lengths.size(), 4u);
  // DirectInput stamps an event when Wine's HID stack hands it the report,
  // a process or two after the kernel had it, so single pulses carry the
  // VM's scheduling; their median stays within the endpoint's interval and
  // the delivery jitter the Linux checks allow.
  std::vector<DWORD> sorted = lengths;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_NEAR((sorted[1] + sorted[2]) / 2.0, 48.0, 10.0 + static_cast<double>(testing::kDeliveryJitterMs));
  for (const DWORD length : lengths) EXPECT_GT(length, 0u);
  EXPECT_TRUE(pressLengths(DIJOFS_BUTTON(5)).empty()) << "nothing on button 6";
  EXPECT_TRUE(Since(kBoard, "GET_REPORT").empty());
}

}  // namespace
}  // namespace tq::winetest
