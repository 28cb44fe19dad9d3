#include "platform/dos_time.h"

#include <gtest/gtest.h>

#include <ctime>
#include <optional>

#include "platform/file_stream.h"
#include "platform/files.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/scoped_machine.h"

namespace zev::platform {
namespace {

constexpr std::int32_t Pack(int year, int month, int day, int hour, int minute, int second) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(((year - 1980) << 9) | (month << 5) | day) << 16 |
                                   static_cast<std::uint32_t>((hour << 11) | (minute << 5) | (second / 2)));
}

// Central European time, with summer time. The C library of Windows takes a zone's offsets from
// TZ, not the name of a zone in a time zone database.
#ifdef _WIN32
constexpr const char* kBerlin = "CET-1CEST";
#else
constexpr const char* kBerlin = "Europe/Berlin";
#endif

// Puts the C library under a time zone while the object lives.
class ScopedZone {
 public:
  explicit ScopedZone(const char* zone) : tz_(std::in_place, "TZ", zone) { ::tzset(); }
  ~ScopedZone() {
    tz_.reset();
    ::tzset();
  }
  ScopedZone(const ScopedZone&) = delete;
  ScopedZone& operator=(const ScopedZone&) = delete;

  void Set(const char* zone) {
    tz_->Set(zone);
    ::tzset();
  }

 private:
  std::optional<zev::testing::ScopedEnvironmentVariable> tz_;
};

// Runs the test body under a time zone.
class ZoneTest : public ::testing::TestWithParam<const char*> {
 private:
  ScopedZone zone_{GetParam()};
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

INSTANTIATE_TEST_SUITE_P(Zones, ZoneTest, ::testing::Values("UTC", kBerlin));

TEST(DosTime, LocalTimeFollowsTheZone) {
  // The same packed value is a different instant in Berlin summer time (UTC+2) than in UTC.
  ScopedZone zone("UTC");
  const auto utc = FromDosDateTime(Pack(2003, 7, 1, 12, 0, 0));
  zone.Set(kBerlin);
  const auto berlin = FromDosDateTime(Pack(2003, 7, 1, 12, 0, 0));
  const auto winter = FromDosDateTime(Pack(2003, 1, 1, 12, 0, 0));
  const auto winterUtc = static_cast<std::time_t>(1041422400);  // 2003-01-01 12:00:00 UTC
  ASSERT_TRUE(utc && berlin && winter);
  EXPECT_EQ(winterUtc - *winter, 3600);
#ifdef _WIN32
  GTEST_SKIP() << "Wine's C library keeps the summer time rules of the zone it first converted in";
#endif
  EXPECT_EQ(*utc - *berlin, 2 * 3600);
}

}  // namespace
}  // namespace zev::platform
