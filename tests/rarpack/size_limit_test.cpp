// Inputs of 4 GiB and more do not fit RAR 2.0's 32-bit size fields: rarpack refuses them
// before it reads them or writes anything. The large input is a sparse file, so the test
// needs no disk space for it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "archive_writer.h"

namespace eh::rarpack {
namespace {

TEST(SizeLimit, SizesUpToTheLargest32BitValueFit) {
    EXPECT_EQ(SizeLimitError("f", 0), "");
    EXPECT_EQ(SizeLimitError("f", 0xFFFFFFFFu), "");
    const std::string over = SizeLimitError("big.bin", 0x100000000u);
    EXPECT_NE(over.find("big.bin"), std::string::npos) << over;
    EXPECT_NE(over.find("4294967296"), std::string::npos) << over;
    EXPECT_NE(SizeLimitError("f", UINT64_MAX), "");
}

class RarpackCommand : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "rarpack-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // Runs rarpack with `args`; returns its exit status and collects what it printed.
    int run(const std::string& args, std::string& output) {
        const std::string cmd = "cd '" + dir.string() + "' && '" RARPACK_EXE "' " + args + " 2>&1";
        FILE* p = popen(cmd.c_str(), "r");
        if (p == nullptr) return -1;
        std::array<char, 1024> buf;
        while (std::size_t n = fread(buf.data(), 1, buf.size(), p)) output.append(buf.data(), n);
        const int status = pclose(p);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // A file of `size` bytes that takes no space: all of it a hole.
    bool sparse(const std::string& name, off_t size) {
        const int fd = open((dir / name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) return false;
        const bool ok = ftruncate(fd, size) == 0;
        close(fd);
        return ok;
    }

    std::filesystem::path dir;
};

TEST_F(RarpackCommand, RefusesAFileOf4GiBBeforeWritingAnything) {
    ASSERT_TRUE(sparse("big.bin", off_t{1} << 32));
    std::ofstream(dir / "small.txt") << "small";
    std::string out;
    EXPECT_EQ(run("a out.rar small.txt big.bin", out), 1);
    EXPECT_NE(out.find("big.bin is 4294967296 bytes"), std::string::npos) << out;
    EXPECT_FALSE(std::filesystem::exists(dir / "out.rar")) << out;

    // An archive already at that path is left as it was.
    std::ofstream(dir / "old.rar") << "previous";
    out.clear();
    EXPECT_EQ(run("a old.rar big.bin", out), 1);
    std::ifstream old(dir / "old.rar");
    std::string kept((std::istreambuf_iterator<char>(old)), {});
    EXPECT_EQ(kept, "previous");
}

TEST_F(RarpackCommand, RefusesALargeFileInsideAFolder) {
    std::filesystem::create_directories(dir / "tree" / "sub");
    std::ofstream(dir / "tree" / "a.txt") << "a";
    ASSERT_TRUE(sparse("tree/sub/huge.bin", (off_t{1} << 32) + 12345));
    std::string out;
    EXPECT_EQ(run("a out.rar tree", out), 1);
    EXPECT_NE(out.find("huge.bin is 4294979641 bytes"), std::string::npos) << out;
    EXPECT_FALSE(std::filesystem::exists(dir / "out.rar"));
}

TEST_F(RarpackCommand, SmallFilesStillPackAndTest) {
    std::ofstream(dir / "small.txt") << std::string(1000, 'x');
    std::string out;
    ASSERT_EQ(run("a out.rar small.txt", out), 0) << out;
    out.clear();
    EXPECT_EQ(run("t out.rar", out), 0) << out;
    EXPECT_NE(out.find("1 entries, 0 failed"), std::string::npos) << out;
}

}  // namespace
}  // namespace eh::rarpack
