// The cell budget and the 32-bit arithmetic that guards it.
#pragma once

#include <cstdint>
#include <string>

#include <tablique/error.h>

namespace tablique {

inline constexpr int32_t kCellBudget = 349950;

inline int32_t checkedAdd(int32_t a, int32_t b) {
  int32_t r;
  if (__builtin_add_overflow(a, b, &r))
    throw Error(ErrorCode::Overflow, "overflow: " + std::to_string(a) + " + " + std::to_string(b));
  return r;
}

inline int32_t checkedMul(int32_t a, int32_t b) {
  int32_t r;
  if (__builtin_mul_overflow(a, b, &r))
    throw Error(ErrorCode::Overflow, "overflow: " + std::to_string(a) + " * " + std::to_string(b));
  return r;
}

}  // namespace tablique
