// The settings file and the instance lock of the POSIX back end.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/os/registry.h"
#include "platform/os/single_instance.h"
#include "shell/temp_dir.h"

namespace eh::os {
namespace {

class RegistryTest : public ::testing::Test {
protected:
    testing::TempDir dir;
    std::string path = dir.file("sub/dir/settings.conf");
};

TEST_F(RegistryTest, CreateMakesFoldersAndSectionAndValuesPersist) {
    RegistryKey key;
    ASSERT_TRUE(key.Create("A\\B", path));
    DWORD v = 7;
    EXPECT_FALSE(key.QueryDword("X", &v));
    key.SetDword("X", 4294967295u);
    key.SetDword("Y", 0);
    EXPECT_TRUE(key.Flush());
    key.Close();
    EXPECT_EQ(testing::TempDir::read(path), "[A\\B]\nX=4294967295\nY=0\n");
    RegistryKey again;
    ASSERT_TRUE(again.Create("A\\B", path));
    EXPECT_TRUE(again.QueryDword("X", &v));
    EXPECT_EQ(v, 4294967295u);
    EXPECT_FALSE(again.QueryDword("x", &v)) << "names are matched exactly";
}

TEST_F(RegistryTest, OtherSectionsAndUnknownLinesSurviveARewrite) {
    std::filesystem::create_directories(dir.file("sub/dir"));
    testing::TempDir::write(path, "; user note\n[First]\nA=1\n[A\\B]\n# comment\nX=1\nBad=1x\n[Last]\nZ=9\n");
    RegistryKey key;
    ASSERT_TRUE(key.Create("A\\B", path));
    key.SetDword("X", 2);
    key.SetDword("New", 3);
    key.Close();
    EXPECT_EQ(testing::TempDir::read(path),
              "; user note\n[First]\nA=1\n[A\\B]\n# comment\nX=2\nBad=1x\nNew=3\n[Last]\nZ=9\n");
}

TEST_F(RegistryTest, NumbersOutsideDwordOrNotDecimalAreNotStored) {
    std::filesystem::create_directories(dir.file("sub/dir"));
    testing::TempDir::write(path, "[S]\nA=4294967296\nB=-1\nC=0x10\nD= 12 \nE=\nF=\xFF\xFE\n");
    RegistryKey key;
    ASSERT_TRUE(key.Create("S", path));
    DWORD v = 0;
    EXPECT_FALSE(key.QueryDword("A", &v));
    EXPECT_FALSE(key.QueryDword("B", &v));
    EXPECT_FALSE(key.QueryDword("C", &v));
    EXPECT_TRUE(key.QueryDword("D", &v));
    EXPECT_EQ(v, 12u);
    EXPECT_FALSE(key.QueryDword("E", &v));
    EXPECT_FALSE(key.QueryDword("F", &v));
}

TEST_F(RegistryTest, OversizedFileIsRefusedAndLeftUntouched) {
    std::filesystem::create_directories(dir.file("sub/dir"));
    std::string big(2 << 20, 'x');
    testing::TempDir::write(path, big);
    RegistryKey key;
    EXPECT_FALSE(key.Create("S", path));
    EXPECT_EQ(std::filesystem::file_size(path), big.size());
}

TEST_F(RegistryTest, NoTemporaryFilesAreLeftBehind) {
    RegistryKey key;
    ASSERT_TRUE(key.Create("S", path));
    for (DWORD i = 0; i < 5; ++i) {
        key.SetDword("V", i);
        key.Flush();
    }
    key.Close();
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.file("sub/dir"))) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST(SingleInstance, SecondLockFailsUntilTheFirstIsReleased) {
    testing::TempDir dir;
    std::string path = dir.file("lock");
    SingleInstanceLock first, second;
    EXPECT_TRUE(first.Acquire(path));
    EXPECT_TRUE(first.Acquire(path)) << "taking it again is harmless";
    EXPECT_FALSE(second.Acquire(path));
    first.Release();
    EXPECT_TRUE(second.Acquire(path));
}

TEST(SingleInstance, LookingSeesAHolderWithoutTakingTheLock) {
    testing::TempDir dir;
    std::string path = dir.file("lock");
    EXPECT_FALSE(SingleInstanceLock::HeldElsewhere(path)) << "no lock file yet";
    SingleInstanceLock holder;
    ASSERT_TRUE(holder.Acquire(path));
    EXPECT_TRUE(SingleInstanceLock::HeldElsewhere(path));
    EXPECT_TRUE(SingleInstanceLock::HeldElsewhere(path)) << "looking twice changes nothing";
    holder.Release();
    EXPECT_FALSE(SingleInstanceLock::HeldElsewhere(path)) << "the file stays, the lock is gone";
    // Looking leaves nothing behind: the next copy still gets the lock.
    SingleInstanceLock next;
    EXPECT_TRUE(next.Acquire(path));
    EXPECT_TRUE(SingleInstanceLock::HeldElsewhere(path));
}

TEST(SingleInstance, ReleaseLetsTheSameObjectTakeItAgain) {
    testing::TempDir dir;
    std::string path = dir.file("lock");
    SingleInstanceLock lock, other;
    ASSERT_TRUE(lock.Acquire(path));
    lock.Release();
    lock.Release();  // a second release is harmless
    ASSERT_TRUE(lock.Acquire(path));
    EXPECT_FALSE(other.Acquire(path));
}

TEST(SingleInstance, UnreadableOrMissingFolderMeansNobodyHoldsIt) {
    EXPECT_FALSE(SingleInstanceLock::HeldElsewhere("/nonexistent-folder/for/lock"));
}

TEST(SingleInstance, UncreatableLockFileDoesNotStopTheProgram) {
    SingleInstanceLock lock;
    EXPECT_TRUE(lock.Acquire("/nonexistent-folder/for/lock"));
}

}  // namespace
}  // namespace eh::os
