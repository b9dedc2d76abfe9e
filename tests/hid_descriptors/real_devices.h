// Report descriptors of real devices, each written from its public
// documentation, with the name the tests and the Wine comparison know it by.
// Kept as hex text so a Windows-side check can read the same list: one
// entry a device, bytes separated by spaces.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tq::test {

struct NamedDescriptor {
  std::string_view name;
  std::string_view source;
  std::string_view hex;
};

// One finger collection of Microsoft's touch screen sample, once per contact.
#define TQ_TOUCH_FINGER \
  "09 22 a1 02 09 42 15 00 25 01 75 01 95 01 81 02 95 07 81 03 75 08 09 51 95 01 81 02 05 01 " \
  "26 ff 0f 75 10 55 0e 65 13 09 30 35 00 46 b5 04 95 02 81 02 46 8a 03 09 31 81 02 05 0d 09 " \
  "48 09 49 81 02 95 01 55 0c 65 12 35 00 47 6f f5 00 00 15 00 27 6f f5 00 00 09 3f 81 02 c0 "

inline constexpr std::array<NamedDescriptor, 10> kRealDevices = {{
    {"kernel-doc-mouse",
     "USB mouse 093A:2510 in the Linux kernel's Documentation/hid/hidreport-parsing.rst",
     "05 01 09 02 a1 01 09 01 a1 00 05 09 19 01 29 03 15 00 25 01 75 01 95 03 81 02 75 05 95 01 "
     "81 01 05 01 09 30 09 31 09 38 15 81 25 7f 75 08 95 03 81 06 c0 c0"},
    {"gadget-keyboard", "the boot keyboard of the Linux kernel's Documentation/usb/gadget_hid.rst",
     "05 01 09 06 a1 01 05 07 19 e0 29 e7 15 00 25 01 75 01 95 08 81 02 95 01 75 08 81 03 95 05 "
     "75 01 05 08 19 01 29 05 91 02 95 01 75 03 91 03 95 06 75 08 15 00 25 65 05 07 19 00 29 65 "
     "81 00 c0"},
    {"game-pad-report-ids",
     "a USB game pad as published in github.com/fraca7/dsremap, src/arduino/dsremap/DS4HID.h",
     "05 01 09 05 a1 01 85 01 09 30 09 31 09 32 09 35 15 00 26 ff 00 75 08 95 04 81 02 09 39 15 00 25 "
     "07 35 00 46 3b 01 65 14 75 04 95 01 81 42 65 00 05 09 19 01 29 0e 15 00 25 01 75 01 95 0e 81 02 "
     "06 00 ff 09 20 75 06 95 01 15 00 25 7f 81 02 05 01 09 33 09 34 15 00 26 ff 00 75 08 95 02 81 02 "
     "06 00 ff 09 21 95 36 81 02 85 05 09 22 95 1f 91 02 85 04 09 23 95 24 b1 02 85 02 09 24 95 24 b1 "
     "02 85 08 09 25 95 03 b1 02 85 10 09 26 95 04 b1 02 85 11 09 27 95 02 b1 02 85 12 06 02 ff 09 21 "
     "95 0f b1 02 85 13 09 22 95 16 b1 02 85 14 06 05 ff 09 20 95 10 b1 02 85 15 09 21 95 2c b1 02 06 "
     "80 ff 85 80 09 20 95 06 b1 02 85 81 09 21 95 06 b1 02 85 82 09 22 95 05 b1 02 85 83 09 23 95 01 "
     "b1 02 85 84 09 24 95 04 b1 02 85 85 09 25 95 06 b1 02 85 86 09 26 95 06 b1 02 85 87 09 27 95 23 "
     "b1 02 85 88 09 28 95 3f b1 02 85 89 09 29 95 02 b1 02 85 90 09 30 95 05 b1 02 85 91 09 31 95 03 "
     "b1 02 85 92 09 32 95 03 b1 02 85 93 09 33 95 0c b1 02 85 94 09 34 95 3f b1 02 85 a0 09 40 95 06 "
     "b1 02 85 a1 09 41 95 01 b1 02 85 a2 09 42 95 01 b1 02 85 a3 09 43 95 30 b1 02 85 a4 09 44 95 0d "
     "b1 02 85 f0 09 47 95 3f b1 02 85 f1 09 48 95 3f b1 02 85 f2 09 49 95 0f b1 02 85 a7 09 4a 95 01 "
     "b1 02 85 a8 09 4b 95 01 b1 02 85 a9 09 4c 95 08 b1 02 85 aa 09 4e 95 01 b1 02 85 ab 09 4f 95 39 "
     "b1 02 85 ac 09 50 95 39 b1 02 85 ad 09 51 95 0b b1 02 85 ae 09 52 95 01 b1 02 85 af 09 53 95 02 "
     "b1 02 85 b0 09 54 95 3f b1 02 85 e0 09 57 95 02 b1 02 85 b3 09 55 95 3f b1 02 85 b4 09 55 95 3f "
     "b1 02 85 b5 09 56 95 3f b1 02 85 d0 09 58 95 3f b1 02 85 d4 09 59 95 3f b1 02 c0 "},
    {"touch-screen-two-fingers",
     "Microsoft's \"Sample Report Descriptors\" touch screen, REPORTID_MAX_COUNT 2",
     "05 0d 09 04 a1 01 85 01 " TQ_TOUCH_FINGER TQ_TOUCH_FINGER
     "05 0d 55 0c 66 01 10 47 ff ff 00 00 27 ff ff 00 00 75 10 95 01 09 56 81 02 09 54 25 7f 95 "
     "01 75 08 81 02 85 02 09 55 95 01 25 02 b1 02 85 44 06 00 ff 09 c5 15 00 26 ff 00 75 08 96 "
     "00 01 b1 02 c0"},
    {"hid-class-boot-keyboard",
     "Device Class Definition for HID 1.11, Appendix B.1, Protocol 1 (Keyboard)",
     "05 01 09 06 a1 01 05 07 19 e0 29 e7 15 00 25 01 75 01 95 08 81 02 95 01 75 08 81 01 95 05 "
     "75 01 05 08 19 01 29 05 91 02 95 01 75 03 91 01 95 06 75 08 15 00 25 65 05 07 19 00 29 65 "
     "81 00 c0"},
    {"hid-class-boot-mouse",
     "Device Class Definition for HID 1.11, Appendix B.2, Protocol 2 (Mouse)",
     "05 01 09 02 a1 01 09 01 a1 00 05 09 19 01 29 03 15 00 25 01 95 03 75 01 81 02 95 01 75 05 "
     "81 01 05 01 09 30 09 31 15 81 25 7f 75 08 95 02 81 06 c0 c0"},
    {"wheel-10-bit",
     "a steering wheel with separate throttle and brake, drivers/hid/hid-lg.c (df_rdesc_fixed) "
     "of the Linux kernel",
     "05 01 09 04 a1 01 a1 02 95 01 75 0a 14 26 ff 03 34 46 ff 03 09 30 81 02 95 0c 75 01 25 01 "
     "45 01 05 09 19 01 29 0c 81 02 95 02 06 00 ff 09 01 81 02 05 01 26 ff 00 46 ff 00 95 01 75 "
     "08 81 02 25 07 46 3b 01 75 04 65 14 09 39 81 42 75 01 95 04 65 00 06 00 ff 09 01 25 01 45 "
     "01 81 02 05 01 95 01 75 08 26 ff 00 46 ff 00 09 31 81 02 09 35 81 02 c0 a1 02 26 ff 00 46 "
     "ff 00 95 07 75 08 09 03 91 02 c0 c0"},
    {"wheel-14-bit",
     "a steering wheel, drivers/hid/hid-lg.c (dfp_rdesc_fixed) of the Linux kernel",
     "05 01 09 04 a1 01 a1 02 95 01 75 0e 14 26 ff 3f 34 46 ff 3f 09 30 81 02 95 0e 75 01 25 01 "
     "45 01 05 09 19 01 29 0e 81 02 05 01 95 01 75 04 25 07 46 3b 01 65 14 09 39 81 42 65 00 26 "
     "ff 00 46 ff 00 75 08 81 01 09 31 81 02 09 35 81 02 81 01 c0 a1 02 09 02 95 07 91 02 c0 c0"},
    {"keyboard-four-report-ids",
     "a keyboard's second interface with system, consumer and key reports under IDs 1 to 4, "
     "drivers/hid/hid-holtek-kbd.c of the Linux kernel",
     "05 01 09 80 a1 01 85 01 19 81 29 83 15 00 25 01 95 03 75 01 81 02 95 01 75 05 81 01 c0 05 "
     "0c 09 01 a1 01 85 02 19 00 2a ff 2f 15 00 26 ff 2f 95 01 75 10 81 00 c0 05 01 09 06 a1 01 "
     "85 03 95 38 75 01 15 00 25 01 05 07 19 e0 29 e7 19 00 29 2f 81 02 c0 05 01 09 06 a1 01 85 "
     "04 95 38 75 01 15 00 25 01 05 07 19 30 29 67 81 02 c0 05 01 09 06 a1 01 05 08 19 01 29 03 "
     "15 00 25 01 75 01 95 03 91 02 95 05 91 01 c0"},
    {"remote-button-array",
     "a media remote's game pad with a bitmap and an array of buttons, drivers/hid/hid-sony.c "
     "(ps3remote_rdesc) of the Linux kernel",
     "05 01 09 05 a1 01 a1 02 75 08 95 01 81 01 05 09 19 01 29 18 14 25 01 75 01 95 18 81 02 c0 "
     "a1 02 05 09 18 29 fe 14 26 fe 00 75 08 95 01 80 75 08 95 06 81 01 05 06 09 20 14 25 05 75 "
     "08 95 01 81 02 c0 c0"},
}};

#undef TQ_TOUCH_FINGER

// The bytes of hex text such as the entries above.
inline std::vector<std::uint8_t> HexBytes(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i + 1 < text.size();) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    bytes.push_back(static_cast<std::uint8_t>(std::stoul(std::string(text.substr(i, 2)), nullptr, 16)));
    i += 2;
  }
  return bytes;
}

inline std::vector<std::uint8_t> RealDevice(std::string_view name) {
  for (const NamedDescriptor& device : kRealDevices) {
    if (device.name == name) return HexBytes(device.hex);
  }
  return {};
}

}  // namespace tq::test
