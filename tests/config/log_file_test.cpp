#include "config/log_file.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "platform/os/message_box.h"
#include "shell/temp_dir.h"

namespace eh::config {
namespace {

class LogFileTest : public ::testing::Test {
protected:
    testing::TempDir dir;
    int boxes = 0;
    os::MessageBoxCall lastBox;
    os::ScopedMessageBoxHandler capture{[this](const os::MessageBoxCall& c) {
        ++boxes;
        lastBox = c;
        return IDOK;
    }};
};

TEST_F(LogFileTest, SwitchedOnWritesFramedLinesWithCrLf) {
    std::string name = dir.file("Saver_Log.txt");
    LogFile log;
    log.Open(name.c_str());
    log.Write(log_lines::kCreateD3dComplete);
    log.Write(log_lines::kAllDataLoaded);
    log.Close();
    EXPECT_EQ(testing::TempDir::read(name),
              "Log started\r\n\r\n\xD1reate D3D complete\r\nAll Data Was Loaded.\r\n\r\nLog "
              "finished\r\n");
    EXPECT_EQ(boxes, 0);
}

TEST_F(LogFileTest, SwitchedOffCreatesNothingAndShowsNoBoxEvenInReadOnlyFolder) {
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_read |
                                                 std::filesystem::perms::owner_exec);
    LogFile log;
    log.SetEnabled(false);
    std::string name = dir.file("Saver_Log.txt");
    log.Open(name.c_str());
    log.Write("line");
    log.Close();
    EXPECT_FALSE(std::filesystem::exists(name));
    EXPECT_EQ(boxes, 0);
}

TEST_F(LogFileTest, UncreatableFileShowsTheWarningOnceAndDropsWrites) {
    LogFile log;
    std::string name = dir.file("missing-folder/Saver_Log.txt");
    log.Open(name.c_str());
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(lastBox.text, "Warning");
    EXPECT_EQ(lastBox.caption, "Cant create log  file");
    log.Write("dropped");
    log.Close();
    EXPECT_EQ(boxes, 1);
    EXPECT_FALSE(log.IsOpen());
}

TEST_F(LogFileTest, CloseWithoutOpenAndSecondCloseWriteNothing) {
    LogFile never;
    never.Close();
    EXPECT_FALSE(never.IsOpen());

    std::string name = dir.file("Config_Log.txt");
    LogFile log;
    log.Open(name.c_str());
    log.Close();
    log.Close();
    log.Write("after close");
    EXPECT_EQ(testing::TempDir::read(name), "Log started\r\n\r\n\r\nLog finished\r\n");
}

TEST_F(LogFileTest, OpenTruncatesAnEarlierLog) {
    std::string name = dir.file("Saver_Log.txt");
    testing::TempDir::write(name, "old contents that must go\r\n");
    LogFile log;
    log.Open(name.c_str());
    log.Close();
    EXPECT_EQ(testing::TempDir::read(name).find("old"), std::string::npos);
}

}  // namespace
}  // namespace eh::config
