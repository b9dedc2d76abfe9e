// A TQ5271 board's firmware as the programs see it through HID: attributes,
// descriptor strings, report length, setting bytes, settings pages answered
// in a chosen rotation, and the game controller's inputs with the input
// report they make at the board's clock. Also serves as any foreign HID
// interface (other vendor, other product) by its attributes and strings
// alone.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tq::emu {

struct EmulatedBoard {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::uint16_t versionNumber = 0x0121;

  // nullopt: the request fails, as for a board without that string.
  std::optional<std::u16string> manufacturer = u"TQ Controls";
  std::optional<std::u16string> product = u"TQ5271 Joystick Interface";
  std::optional<std::u16string> serial = u"00001";
  // By string index; index 42 carries the product tag. A missing index fails.
  std::map<std::uint32_t, std::u16string> indexedStrings = {{42, u"TQ5271A"}};

  std::uint16_t featureReportByteLength = 64;
  std::uint16_t inputReportByteLength = 12;
  std::uint16_t outputReportByteLength = 0;
  // Non-zero: every open of this interface fails with this GetLastError
  // code (kErrorAccessDenied for a node the user may not open).
  std::uint32_t openError = 0;
  // False: HidD_GetPreparsedData fails on this interface.
  bool capabilitiesReadable = true;

  // The board's setting bytes by settings address.
  std::array<std::uint8_t, 256> settings{};

  // Page tags answered to successive get requests, in turn, wrapping around.
  std::vector<std::uint8_t> pageRotation = {0, 16};
  std::size_t nextPage = 0;
  // False: every get and set request fails (a board that refuses reports).
  bool answersReports = true;

  // Fills `buffer` (length bytes, byte 0 = report ID) with the next page of
  // the rotation: byte 1 the tag t, byte 2 + n the setting byte t + n.
  // Returns false when the board does not answer.
  bool AnswerGetFeature(std::uint8_t* buffer, std::size_t length);
  // Takes a set report: byte 1 the address, byte 2 the value.
  bool TakeSetFeature(const std::uint8_t* buffer, std::size_t length);

  // A foreign device's own report descriptor; nullopt for the board's
  // joystick descriptor (BoardDescriptor in board_descriptor.h).
  std::optional<std::vector<std::uint8_t>> reportDescriptor;
  // A foreign device's input report as the virtual board's endpoint sends
  // it (ID byte first where its descriptor numbers reports), in place of
  // the board's own; nullopt: the board's InputReport.
  std::optional<std::vector<std::uint8_t>> rawInputReport;

  // The inputs as wired to the board, and the firmware's clock
  // (board_inputs.cpp). Axes are numbered 1 X, 2 Y, 3 Z, 4 RX, 5 RY, 6 RZ,
  // 7 Dial, 8 Slider; buttons 1 ... 32; encoder pairs 1 ... 16 (buttons
  // 2k - 1 and 2k). Numbers outside these ranges are ignored.
  void SetAxis(int axis, unsigned value);
  void SetButton(int button, bool pressed);
  // Detents turned on a pair; positive pulses button 2k - 1, negative 2k.
  void TurnEncoder(int pair, int detents);
  // Faults of the wiring (board_inputs.cpp), 0 for none: an axis whose
  // value wanders up to `spread` counts either side of its position, and a
  // button whose contact closes `closures` times each time it is pressed.
  void SetAxisNoise(int axis, unsigned spread);
  void SetButtonBounce(int button, unsigned closures);
  void AdvanceTime(std::uint64_t ms);
  // Whether presses the firmware makes by itself, or a bouncing contact's,
  // are still to come or under way: then the report changes as the clock
  // runs, without any input moved. A noisy axis is not pending: it changes
  // for as long as it is noisy, and only as fast as the clock is moved.
  bool InputPending() const;
  // The input report due at the clock's time: byte 0 the report ID (0),
  // then the fields of the joystick descriptor; inputReportByteLength bytes.
  std::vector<std::uint8_t> InputReport() const;

  // One press of a button the firmware makes by itself: an encoder pulse,
  // or a contact of a pair that is "OFF" while its encoder is turned.
  struct TimedPress {
    std::uint64_t startMs = 0;
    std::uint32_t lengthMs = 0;
    int button = 0;
  };
  std::uint64_t clockMs = 0;
  std::array<unsigned, 8> axes{};
  std::array<bool, 32> switches{};
  std::array<std::deque<TimedPress>, 16> presses;  // by pair; in start order
  std::array<std::uint64_t, 16> pairBusyUntilMs{};
  // The faults: each axis's noise spread and what seeds it, each button's
  // closures a press and when its latest bouncing press began.
  std::uint64_t noiseSeed = 1;
  std::array<unsigned, 8> axisNoise{};
  std::array<unsigned, 32> bounceClosures{};
  std::array<std::optional<std::uint64_t>, 32> bounceFromMs{};
};

// A board as it leaves the factory: maker's vendor ID, product tag, and
// settings that make the window show something other than the defaults.
EmulatedBoard MakeTQ5271(std::u16string serial);

}  // namespace tq::emu
