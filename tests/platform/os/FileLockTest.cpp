#include "platform/os/FileLock.h"

#include "tests/platform/os/ScratchDir.h"

#include <gtest/gtest.h>

namespace parch {
namespace {

TEST(FileLockTest, SharedHoldersExcludeAnExclusiveOne) {
    const test::ScratchDir dir;
    const std::string path = dir.Path() + "engines.lock";
    FileLock first(path), second(path), third(path);
    ASSERT_TRUE(first.IsOpen());
    ASSERT_TRUE(first.LockShared());
    ASSERT_TRUE(second.LockShared());
    EXPECT_FALSE(third.TryLockExclusive());
    first.Unlock();
    EXPECT_FALSE(third.TryLockExclusive());
    second.Unlock();
    EXPECT_TRUE(third.TryLockExclusive());
    EXPECT_FALSE(first.TryLockShared());
    third.Unlock();
    EXPECT_TRUE(first.TryLockShared());
}

TEST(FileLockTest, TheLockEndsWithTheObject) {
    const test::ScratchDir dir;
    const std::string path = dir.Path() + "a.lock";
    {
        FileLock holder(path);
        ASSERT_TRUE(holder.LockExclusive());
        EXPECT_FALSE(FileLock(path).TryLockShared());
    }
    EXPECT_TRUE(FileLock(path).TryLockExclusive());
    FileLock folder(dir.Path()), sameFolder(dir.Path());
    ASSERT_TRUE(folder.LockExclusive());
    EXPECT_FALSE(sameFolder.TryLockShared());
    FileLock broken(dir.Path() + "missing/x.lock");
    EXPECT_FALSE(broken.IsOpen());
    EXPECT_FALSE(broken.LockShared());
}

}  // namespace
}  // namespace parch
