// Report descriptors written for the comparison of the hidraw backend with
// hid.dll where no real one in real_devices.h brings everything together in
// one top-level collection: several report IDs, arrays counted from a
// Logical Minimum of 1, usage ranges in variables and arrays, a variable
// item with more positions than usages, nested collections, null states,
// padding, outputs and features.
#pragma once

#include <array>

#include "tests/hid_descriptors/real_devices.h"

namespace tq::test {

inline constexpr std::array<NamedDescriptor, 1> kComposedDevices = {{
    {"pad-ids-arrays-ranges",
     "written here: a game pad; ID 1 axes in a physical collection, buttons, hat, a button "
     "array; ID 2 consumer usages and a consumer array over a range; ID 3 vendor feature and "
     "output; ID 4 LEDs",
     // Usage Page (Generic Desktop), Usage (Game Pad), Collection (Application)
     "05 01 09 05 a1 01 "
     // ID 1: X, Y, Z 12 bits in a physical collection, 4 bits padding
     "85 01 a1 00 09 30 09 31 09 32 15 00 26 ff 0f 75 0c 95 03 81 02 75 04 95 01 81 03 c0 "
     // Rx, Ry over three bytes: Ry takes the last two
     "09 33 09 34 26 ff 00 75 08 95 03 81 02 "
     // Button 1 ... 16
     "05 09 19 01 29 10 15 00 25 01 75 01 95 10 81 02 "
     // hat switch 1 ... 8 with a null state, in degrees, then 4 bits padding
     "05 01 09 39 15 01 25 08 35 00 46 3b 01 65 14 75 04 95 01 81 42 65 00 45 00 81 01 "
     // two slots of an array over Button 17 ... 24, values 1 ... 8
     "05 09 19 11 29 18 15 01 25 08 75 08 95 02 81 00 "
     // ID 2: AC Home, AC Back, AC Forward; padding; a consumer array 1 ... 0x23C
     "85 02 05 0c 0a 23 02 0a 24 02 0a 25 02 15 00 25 01 75 01 95 03 81 02 75 05 95 01 81 03 "
     "19 01 2a 3c 02 15 01 26 3c 02 75 10 95 01 81 00 "
     // ID 3: four vendor feature bytes, two vendor output bytes
     "85 03 06 00 ff 09 01 15 00 26 ff 00 75 08 95 04 b1 02 09 02 95 02 91 02 "
     // ID 4: five LEDs out, 3 bits padding
     "85 04 05 08 19 01 29 05 15 00 25 01 75 01 95 05 91 02 95 03 91 01 c0"},
}};

}  // namespace tq::test
