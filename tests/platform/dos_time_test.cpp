#include "platform/dos_time.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/file_stream.h"
#include "platform/files.h"
#include "tests/support/scoped_machine.h"

namespace zev::platform {
namespace {

constexpr std::int32_t Pack(int year, int month, int day, int hour, int minute, int second) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(((year - 1980) << 9) | (month << 5) | day) << 16 |
                                   static_cast<std::uint32_t>((hour << 11) | (minute << 5) | (second / 2)));
}

// Runs the test body under a time zone and puts the previous one back afterwards.
class ZoneTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    hadZone_ = tz != nullptr;
    if (tz) savedZone_ = tz;
    ::setenv("TZ", GetParam(), 1);
    ::tzset();
  }
  void TearDown() override {
    hadZone_ ? ::setenv("TZ", savedZone_.c_str(), 1) : ::unsetenv("TZ");
    ::tzset();
  }

 private:
  bool hadZone_ = false;
  std::string savedZone_;
};

TEST_P(ZoneTest, PackedDatesRoundTripThroughAFile) {
  ScopedMachine m;
  // Winter, summer (daylight saving where the zone has it), leap day, the limits.
  for (std::int32_t packed : {Pack(1999, 1, 15, 8, 30, 42), Pack(2003, 7, 1, 23, 59, 58),
                              Pack(2024, 2, 29, 12, 0, 0), kDosTimeMin, Pack(2037, 12, 31, 0, 0, 0)}) {
    {
      FileStream out("C:\\dated.txt", fmCreate);
      out.WriteBuffer("x", 1);
      ASSERT_TRUE(out.SetDosDateTime(packed));
      EXPECT_EQ(out.GetDosDateTime(), packed);
    }
    EXPECT_EQ(FileAge("C:\\dated.txt"), packed) << std::hex << packed;
  }
}

TEST_P(ZoneTest, ConversionsClampTruncateAndRefuse) {
  // Odd seconds are dropped.
  const auto time = FromDosDateTime(Pack(2010, 6, 1, 10, 0, 4));
  ASSERT_TRUE(time.has_value());
  EXPECT_EQ(ToDosDateTime(*time + 1), Pack(2010, 6, 1, 10, 0, 4));
  // Out of range host times clamp to the first and last representable values.
  EXPECT_EQ(ToDosDateTime(0), kDosTimeMin);
  EXPECT_EQ(ToDosDateTime(static_cast<std::time_t>(5000000000LL)), kDosTimeMax);  // year 2128
  EXPECT_EQ(kDosTimeMax, Pack(2107, 12, 31, 23, 59, 58));
  // Fields out of range are refused.
  for (std::int32_t bad : {Pack(2000, 0, 1, 0, 0, 0), Pack(2000, 13, 1, 0, 0, 0), Pack(2000, 1, 0, 0, 0, 0),
                           Pack(2001, 2, 29, 0, 0, 0), Pack(2000, 4, 31, 0, 0, 0), Pack(2000, 1, 1, 24, 0, 0),
                           Pack(2000, 1, 1, 0, 60, 0), Pack(2000, 1, 1, 0, 0, 60)})
    EXPECT_FALSE(FromDosDateTime(bad).has_value()) << std::hex << bad;
}

TEST_P(ZoneTest, AnInvalidValueLeavesTheFileTimeAlone) {
  ScopedMachine m;
  FileStream out("C:\\f", fmCreate);
  ASSERT_TRUE(out.SetDosDateTime(Pack(2001, 5, 6, 7, 8, 10)));
  EXPECT_FALSE(out.SetDosDateTime(Pack(2001, 0, 0, 0, 0, 0)));
  EXPECT_EQ(out.GetDosDateTime(), Pack(2001, 5, 6, 7, 8, 10));
}

INSTANTIATE_TEST_SUITE_P(Zones, ZoneTest, ::testing::Values("UTC", "Europe/Berlin"));

TEST(DosTime, LocalTimeFollowsTheZone) {
  // The same packed value is a different instant in Berlin summer time (UTC+2) than in UTC.
  const char* tz = std::getenv("TZ");
  const std::string saved = tz ? tz : "";
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  const auto utc = FromDosDateTime(Pack(2003, 7, 1, 12, 0, 0));
  ::setenv("TZ", "Europe/Berlin", 1);
  ::tzset();
  const auto berlin = FromDosDateTime(Pack(2003, 7, 1, 12, 0, 0));
  const auto winter = FromDosDateTime(Pack(2003, 1, 1, 12, 0, 0));
  const auto winterUtc = static_cast<std::time_t>(1041422400);  // 2003-01-01 12:00:00 UTC
  tz ? ::setenv("TZ", saved.c_str(), 1) : ::unsetenv("TZ");
  ::tzset();
  ASSERT_TRUE(utc && berlin && winter);
  EXPECT_EQ(*utc - *berlin, 2 * 3600);
  EXPECT_EQ(winterUtc - *winter, 3600);
}

}  // namespace
}  // namespace zev::platform
