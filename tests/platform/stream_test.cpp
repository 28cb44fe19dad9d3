#include "platform/stream.h"

#include <gtest/gtest.h>

#include "platform/error.h"

namespace zev::platform {
namespace {

TEST(MemoryStream, ReadsWritesAndSeeks) {
  MemoryStream s;
  s.WriteBuffer("abcdef", 6);
  EXPECT_EQ(s.Size(), 6);
  s.Seek(2, SeekOrigin::Begin);
  char out[3] = {};
  EXPECT_EQ(s.Read(out, 3), 3u);
  EXPECT_EQ(std::string(out, 3), "cde");
  EXPECT_EQ(s.Remaining(), 1);
  EXPECT_THROW(s.ReadBuffer(out, 2), EReadError);
  EXPECT_THROW(s.Seek(-100, SeekOrigin::Current), EStreamError);
}

}  // namespace
}  // namespace zev::platform
