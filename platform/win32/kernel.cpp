// kernel.cpp: the kernel calls the show makes: the tick counter, MulDiv and
// the module handle.
//
// The tick counter comes from the host's clock (real, fixed-step or scripted,
// host/clock.cpp). There are no modules besides the program itself.
#include <cstdint>

#include "platform/host/host.h"
#include "platform/win32/win32.h"

DWORD GetTickCount() { return host::Ticks(); }

// number x numerator / denominator with a 64-bit product, rounded to the
// nearest integer with halves away from zero; -1 when the denominator is zero
// or the result does not fit in 32 bits.
int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  std::int64_t product = std::int64_t{number} * numerator;
  std::int64_t divisor = denominator;
  if (divisor < 0) {
    product = -product;
    divisor = -divisor;
  }
  std::int64_t half = divisor / 2;
  std::int64_t result = product >= 0 ? (product + half) / divisor : (product - half) / divisor;
  if (result > INT32_MAX || result < -INT32_MAX) return -1;
  return static_cast<int>(result);
}

HMODULE GetModuleHandleA(LPCSTR moduleName) {
  // The program's own module: a handle that only needs to be non-null and
  // stable. Resource look-ups with it find nothing.
  static char programModule;
  if (moduleName != nullptr) return nullptr;
  return reinterpret_cast<HMODULE>(&programModule);
}
