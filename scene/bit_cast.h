// bit_cast.h: BitCast, std::bit_cast for standard libraries that lack it (the
// web build's libc++ 13); the compilers' builtin does the same.
#pragma once

#include <type_traits>

template <class To, class From>
  requires(sizeof(To) == sizeof(From) && std::is_trivially_copyable_v<To> &&
           std::is_trivially_copyable_v<From>)
constexpr To BitCast(const From& from) noexcept {
  return __builtin_bit_cast(To, from);
}
