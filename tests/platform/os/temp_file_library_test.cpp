// Private temporary files and libraries loaded at run time.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/os/library.h"
#include "platform/os/temp_file.h"
#include "shell/temp_dir.h"

namespace eh::os {
namespace {

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    return names;
}

// An export as the function it is (through void (*)(), the type every function pointer
// may pass through).
template <typename Fn>
Fn As(FARPROC address) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(address));
}

std::vector<std::uint8_t> bytesOf(const std::string& text) {
    return {text.begin(), text.end()};
}

// Sets or clears an environment variable for one test, restoring it afterwards.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(TempFile, HoldsTheBytesUnderThePrefixAndIsPrivateWhateverTheUmask) {
    testing::TempDir dir;
    const std::string contents("lib\0image\xFF", 10);
    const mode_t previous = umask(0);  // a file mode taken from the umask would be 0666
    const std::string path = CreatePrivateTempFile(bytesOf(contents), "bas", dir.path());
    umask(previous);
    ASSERT_FALSE(path.empty());
    const std::vector<std::string> files = filesIn(dir.path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(path, dir.file(files[0]));
    EXPECT_EQ(files[0].rfind("bas", 0), 0u);
    EXPECT_EQ(files[0].size(), 3u + 6u);
    EXPECT_EQ(testing::TempDir::read(path), contents);
    struct stat st {};
    ASSERT_EQ(lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(st.st_uid, geteuid());
}

TEST(TempFile, EachFileIsNewAndDeletingRemovesItOnce) {
    testing::TempDir dir;
    const std::string first = CreatePrivateTempFile(bytesOf("one"), "bas", dir.path() + "/");
    const std::string second = CreatePrivateTempFile(bytesOf("two"), "bas", dir.path());
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    EXPECT_NE(first, second);
    EXPECT_EQ(first.find("//"), std::string::npos) << "a folder ending in / gets no second";
    EXPECT_EQ(testing::TempDir::read(first), "one");
    EXPECT_EQ(testing::TempDir::read(second), "two");
    EXPECT_TRUE(DeleteTempFile(first));
    EXPECT_FALSE(std::filesystem::exists(first));
    EXPECT_FALSE(DeleteTempFile(first)) << "already gone";
    EXPECT_TRUE(std::filesystem::exists(second)) << "only the named file goes";
    EXPECT_TRUE(DeleteTempFile(second));
    EXPECT_TRUE(filesIn(dir.path()).empty());
}

TEST(TempFile, AnEmptyImageMakesAnEmptyFile) {
    testing::TempDir dir;
    const std::string path = CreatePrivateTempFile({}, "bas", dir.path());
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
}

TEST(TempFile, AFolderThatCannotTakeTheFileGivesNoPathAndNoFile) {
    testing::TempDir dir;
    EXPECT_EQ(CreatePrivateTempFile(bytesOf("x"), "bas", dir.file("missing")), "");
    EXPECT_TRUE(filesIn(dir.path()).empty());
}

TEST(TempFile, TheDefaultFolderIsAnAbsoluteTmpdirElseTmp) {
    testing::TempDir dir;
    {
        ScopedEnv tmpdir("TMPDIR", dir.path().c_str());
        EXPECT_EQ(TempFolder(), dir.path());
        const std::string path = CreatePrivateTempFile(bytesOf("x"), "bas");
        ASSERT_FALSE(path.empty());
        EXPECT_EQ(path.rfind(dir.path() + "/bas", 0), 0u);
        EXPECT_TRUE(DeleteTempFile(path));
    }
    {
        ScopedEnv tmpdir("TMPDIR", "relative/folder");
        EXPECT_EQ(TempFolder(), "/tmp");
    }
    {
        ScopedEnv tmpdir("TMPDIR", nullptr);
        EXPECT_EQ(TempFolder(), "/tmp");
    }
}

TEST(Library, AMissingLibraryOrAFileThatIsNoLibraryLoadsNothing) {
    testing::TempDir dir;
    EXPECT_EQ(LoadLibraryA(dir.file("no-such-library.so").c_str()), nullptr);
    EXPECT_EQ(LoadLibraryA("libemberhold-no-such-library.so.0"), nullptr);
    EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
    testing::TempDir::write(dir.file("text.so"), "not a library\n");
    EXPECT_EQ(LoadLibraryA(dir.file("text.so").c_str()), nullptr);
    EXPECT_EQ(GetProcAddress(nullptr, "ehOsTestLibraryAnswer"), nullptr);
    EXPECT_EQ(FreeLibrary(nullptr), FALSE);
}

TEST(Library, ResolvesExportsByNameAndKeepsThemToItself) {
    HMODULE library = LoadLibraryA(EH_OS_TEST_LIBRARY_FILE);
    ASSERT_NE(library, nullptr);
    FARPROC answer = GetProcAddress(library, "ehOsTestLibraryAnswer");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(As<int (*)()>(answer)(), 42);
    EXPECT_EQ(GetProcAddress(library, "ehOsTestNoSuchName"), nullptr);
    EXPECT_EQ(GetProcAddress(library, nullptr), nullptr);
    // Loaded for its own use only: the name does not serve the rest of the process.
    EXPECT_EQ(dlsym(RTLD_DEFAULT, "ehOsTestLibraryAnswer"), nullptr);
    EXPECT_EQ(FreeLibrary(library), TRUE);
}

TEST(Library, AReferenceNothingSatisfiesFailsTheLoad) {
    EXPECT_EQ(LoadLibraryA(EH_OS_TEST_UNRESOLVED_LIBRARY_FILE), nullptr);
}

TEST(Library, ASystemLibraryLoadsByName) {
    HMODULE math = LoadLibraryA("libm.so.6");
    ASSERT_NE(math, nullptr);
    FARPROC cosine = GetProcAddress(math, "cos");
    ASSERT_NE(cosine, nullptr);
    EXPECT_EQ(As<double (*)(double)>(cosine)(0.0), 1.0);
    EXPECT_EQ(FreeLibrary(math), TRUE);
}

class LibraryImage : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string text = testing::TempDir::read(EH_OS_TEST_LIBRARY_FILE);
        image.assign(text.begin(), text.end());
        ASSERT_GT(image.size(), 1024u);
    }
    std::vector<std::uint8_t> image;
};

TEST_F(LibraryImage, AWholeLibraryOfThisMachineIsPlausible) {
    EXPECT_TRUE(PlausibleLibraryImage(image));
}

TEST_F(LibraryImage, ACutShortImageIsNot) {
    EXPECT_FALSE(PlausibleLibraryImage(std::span(image).first(image.size() / 2)));
    EXPECT_FALSE(PlausibleLibraryImage(std::span(image).first(16)));
    EXPECT_FALSE(PlausibleLibraryImage({}));
}

TEST_F(LibraryImage, AnotherFormatWordSizeTypeOrMachineIsNot) {
    std::vector<std::uint8_t> bad = image;
    bad[1] = 'X';  // the magic number
    EXPECT_FALSE(PlausibleLibraryImage(bad));
    bad = image;
    bad[4] = bad[4] == 2 ? 1 : 2;  // EI_CLASS: the other word size
    EXPECT_FALSE(PlausibleLibraryImage(bad));
    bad = image;
    bad[16] = 2;  // e_type ET_EXEC: a program, not a library
    bad[17] = 0;
    EXPECT_FALSE(PlausibleLibraryImage(bad));
#if defined(__x86_64__) || defined(__aarch64__)
    bad = image;
    bad[18] = 3;  // e_machine EM_386
    bad[19] = 0;
    EXPECT_FALSE(PlausibleLibraryImage(bad));
#endif
    EXPECT_FALSE(PlausibleLibraryImage(std::vector<std::uint8_t>(4096, 0x90)));
}

}  // namespace
}  // namespace eh::os
