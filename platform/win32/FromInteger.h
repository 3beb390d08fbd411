#pragma once
// Win32 only. Win32 carries handles and pointers in integers (a message's parameters, a
// window's longs, a child window's id), and the utility module keeps a window as a Long, as
// Visual Basic does: this turns such an integer back into what it carries, bit for bit, as
// C++20's std::bit_cast would, in one place rather than a cast at each use.

#include <cstdint>
#include <cstring>
#include <type_traits>

namespace platform::win32 {

template <class Pointer, class Integer> Pointer FromInteger(Integer value) {
  static_assert(std::is_pointer_v<Pointer> && std::is_integral_v<Integer>);
  // Windows' pointers, to data or code, are all as wide as void*.
  static_assert(sizeof(void*) == sizeof(std::uintptr_t));
  const auto bits = static_cast<std::uintptr_t>(value);
  Pointer pointer;
  std::memcpy(&pointer, &bits, sizeof bits);
  return pointer;
}

} // namespace platform::win32
