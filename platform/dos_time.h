// Packed DOS date/time (date in the high word, time in the low word, two-second steps, years
// 1980..2107) against host time, in local time.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>

namespace zev::platform {

// The earliest and the latest value a packed date/time can hold.
constexpr std::int32_t kDosTimeMin = 0x00210000;                               // 1980-01-01 00:00:00
constexpr std::int32_t kDosTimeMax = static_cast<std::int32_t>(0xFF9FBF7Du);  // 2107-12-31 23:59:58

// Host time to packed local date/time: odd seconds are dropped, earlier than 1980 gives
// kDosTimeMin and later than 2107 kDosTimeMax.
std::int32_t ToDosDateTime(std::time_t time);
// Packed local date/time to host time; nullopt when a field is out of range (month or day 0,
// the 30th of February, hour 24 ...). Daylight saving is decided by the time zone's rules.
std::optional<std::time_t> FromDosDateTime(std::int32_t packed);

// The host side, for the rest of platform/ (dos_time_posix.cpp, dos_time_win32.cpp): host time
// broken down in the local time zone, without the shared buffer of std::localtime; nothing when
// the time cannot be broken down.
std::optional<std::tm> LocalTime(std::time_t time);

}  // namespace zev::platform
