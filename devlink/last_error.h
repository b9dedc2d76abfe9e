// The calling thread's last error, for the backends that keep it themselves
// (hidraw, the emulator). Windows keeps one per thread for every call made
// on it, so a reading thread's timeout never shows as the window thread's
// failed open; so does this.
#pragma once

#include <cstdint>

namespace tq {

void SetThreadLastError(std::uint32_t error);
std::uint32_t ThreadLastError();

}  // namespace tq
