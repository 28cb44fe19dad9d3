#include "platform/dos_time.h"

namespace zev::platform {

std::optional<std::tm> LocalTime(std::time_t time) {
  std::tm local{};
  if (!::localtime_r(&time, &local)) return std::nullopt;
  return local;
}

}  // namespace zev::platform
