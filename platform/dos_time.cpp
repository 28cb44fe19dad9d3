#include "platform/dos_time.h"

namespace zev::platform {
namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

std::int32_t ToDosDateTime(std::time_t time) {
  const std::optional<std::tm> broken = LocalTime(time);
  if (!broken) return kDosTimeMin;
  const std::tm& local = *broken;
  const int year = local.tm_year + 1900;
  if (year < 1980) return kDosTimeMin;
  if (year > 2107) return kDosTimeMax;
  // A leap second (tm_sec 60) still has to fit the five-bit field.
  const int seconds = local.tm_sec > 59 ? 59 : local.tm_sec;
  const auto date = static_cast<std::uint32_t>(((year - 1980) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
  const auto clock = static_cast<std::uint32_t>((local.tm_hour << 11) | (local.tm_min << 5) | (seconds / 2));
  return static_cast<std::int32_t>((date << 16) | clock);
}

std::optional<std::time_t> FromDosDateTime(std::int32_t packed) {
  const auto value = static_cast<std::uint32_t>(packed);
  const int year = static_cast<int>(value >> 25) + 1980;
  const int month = static_cast<int>((value >> 21) & 0x0F);
  const int day = static_cast<int>((value >> 16) & 0x1F);
  const int hour = static_cast<int>((value >> 11) & 0x1F);
  const int minute = static_cast<int>((value >> 5) & 0x3F);
  const int seconds = static_cast<int>(value & 0x1F) * 2;
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 || minute > 59 ||
      seconds > 59)
    return std::nullopt;
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = seconds;
  local.tm_isdst = -1;  // let the zone decide whether daylight saving applies on that day
  const std::time_t time = std::mktime(&local);
  if (time == static_cast<std::time_t>(-1)) return std::nullopt;  // never a valid time from 1980 on
  return time;
}

}  // namespace zev::platform
