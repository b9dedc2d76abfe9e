#include "devlink/last_error.h"

namespace tq {
namespace {

thread_local std::uint32_t lastError = 0;

}  // namespace

void SetThreadLastError(std::uint32_t error) { lastError = error; }

std::uint32_t ThreadLastError() { return lastError; }

}  // namespace tq
