#include "compress/spill_stream.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files.h"
#include "tests/support/host_files.h"
#include "tests/support/scoped_machine.h"
#include "tests/support/test_inputs.h"

namespace zev::compress {
namespace {

using zev::testing::Bytes;

TEST(SpillStream, KeepsItsFirstBytesInMemoryAndTheRestInAFileOfItsOwn) {
  platform::ScopedMachine machine;
  zev::testing::WriteHostFile(machine.Host("C:\\out\\x.tmp"), "someone else's");
  const Bytes data = zev::testing::MakeInput(zev::testing::InputKind::Binary, 10000);
  const Bytes other = zev::testing::MakeInput(zev::testing::InputKind::Text, 5000);
  {
    SpillStream spill("C:\\out\\x", 4096);
    spill.WriteBuffer(data.data(), 3000);
    EXPECT_FALSE(platform::FileExists("C:\\out\\x_1.tmp"));
    spill.WriteBuffer(data.data() + 3000, 7000);
    EXPECT_EQ(spill.Size(), 10000);
    EXPECT_EQ(platform::FileSize("C:\\out\\x_1.tmp"), 10000 - 4096);

    // Reads and writes cross from the memory into the file and back.
    Bytes back(data.size());
    spill.SetPosition(0);
    spill.ReadBuffer(back.data(), 3000);
    spill.ReadBuffer(back.data() + 3000, 7000);
    EXPECT_EQ(back, data);
    EXPECT_EQ(spill.Read(back.data(), 1), 0u);
    spill.SetPosition(0);
    spill.WriteBuffer(other.data(), other.size());
    spill.SetPosition(0);
    spill.ReadBuffer(back.data(), back.size());
    EXPECT_TRUE(std::equal(other.begin(), other.end(), back.begin()));
    EXPECT_TRUE(std::equal(data.begin() + 5000, data.end(), back.begin() + 5000));
  }
  EXPECT_FALSE(platform::FileExists("C:\\out\\x_1.tmp"));
  EXPECT_EQ(platform::FileSize("C:\\out\\x.tmp"), 14);
}

}  // namespace
}  // namespace zev::compress
