#pragma once
#include <cstdint>

namespace vl {
// Milliseconds of a steady clock (wraps like the device tick count).
uint32_t GetTickCount();
void Sleep(uint32_t ms);
}  // namespace vl
