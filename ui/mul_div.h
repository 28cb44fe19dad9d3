// The graphics system's scaling helper.
#pragma once

#include <cstdint>

namespace zev::ui {

// a * b / c with the product in 64 bits and the quotient rounded to the nearest integer, halves
// away from zero. -1 when c is 0 or the result does not fit in 32 bits, as the system answers.
std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c);

}  // namespace zev::ui
