// Temporary files, libraries and the PE check, and the instance lock, against the system.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "platform/os/library.h"
#include "platform/os/single_instance.h"
#include "platform/os/temp_file.h"

namespace eh::os {
namespace {

namespace fs = std::filesystem;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

std::vector<std::uint8_t> bytesOf(const std::string& text) {
    return {text.begin(), text.end()};
}

// A fresh folder per test under the system's temporary folder, removed afterwards.
class Folder {
  public:
    Folder() {
        path_ = (fs::temp_directory_path() / ("eh-test-" + std::to_string(GetCurrentProcessId()) +
                                              "-" + std::to_string(counter_++)))
                    .string();
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~Folder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(path_))
            out.push_back(e.path().filename().string());
        return out;
    }

  private:
    static inline int counter_ = 0;
    std::string path_;
};

TEST(TempFile, HoldsTheBytesUnderThePrefixInTheSystemsNameShape) {
    Folder dir;
    const std::string contents("lib\0image\xFF", 10);
    const std::string path = CreatePrivateTempFile(bytesOf(contents), "bass", dir.path());
    ASSERT_FALSE(path.empty());
    const std::vector<std::string> names = dir.names();
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(fs::path(path).filename().string(), names[0]);
    EXPECT_TRUE(fs::equivalent(fs::path(path).parent_path(), dir.path()));
    // GetTempFileNameA: three characters of the prefix, the unique number in one to four
    // hexadecimal digits (not padded: a number under 0x1000 has three), ".TMP".
    std::string name = names[0];
    CharUpperA(name.data());  // Windows writes the extension upper case, Wine lower
    ASSERT_GE(name.size(), 3u + 1u + 4u);
    ASSERT_LE(name.size(), 3u + 4u + 4u);
    EXPECT_EQ(name.substr(0, 3), "BAS");
    EXPECT_EQ(name.substr(name.size() - 4), ".TMP");
    const std::string digits = name.substr(3, name.size() - 3 - 4);
    EXPECT_EQ(digits.find_first_not_of("0123456789ABCDEF"), std::string::npos) << name;
    EXPECT_EQ(readFile(path), contents);
}

TEST(TempFile, EachFileIsNewAndDeletingRemovesItOnce) {
    Folder dir;
    const std::string first = CreatePrivateTempFile(bytesOf("one"), "bas", dir.path() + "\\");
    const std::string second = CreatePrivateTempFile(bytesOf("two"), "bas", dir.path());
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    EXPECT_NE(first, second);
    EXPECT_EQ(readFile(first), "one");
    EXPECT_EQ(readFile(second), "two");
    EXPECT_TRUE(DeleteTempFile(first));
    EXPECT_FALSE(fs::exists(first));
    EXPECT_FALSE(DeleteTempFile(first)) << "already gone";
    EXPECT_TRUE(fs::exists(second)) << "only the named file goes";
    EXPECT_TRUE(DeleteTempFile(second));
    EXPECT_TRUE(dir.names().empty());
}

TEST(TempFile, AnExistingFileIsNeverTakenOver) {
    Folder dir;
    // Occupy every name but one that the next files could take: each must be passed over.
    const std::string path = CreatePrivateTempFile(bytesOf("first"), "ocp", dir.path());
    ASSERT_FALSE(path.empty());
    const std::string name = fs::path(path).filename().string();
    const unsigned number = std::stoul(name.substr(3, 4), nullptr, 16);
    for (unsigned n = number + 1; n < number + 40; ++n) {
        char occupied[16];
        std::snprintf(occupied, sizeof occupied, "ocp%04X.tmp", n & 0xFFFFu);
        std::ofstream(dir.path() + "\\" + occupied) << "someone else's";
    }
    for (int i = 0; i < 3; ++i) {
        const std::string next = CreatePrivateTempFile(bytesOf("mine"), "ocp", dir.path());
        ASSERT_FALSE(next.empty());
        EXPECT_EQ(readFile(next), "mine");
    }
    int others = 0;
    for (const std::string& n : dir.names())
        others += readFile(dir.path() + "\\" + n) == "someone else's" ? 1 : 0;
    EXPECT_EQ(others, 39) << "no file of another was overwritten";
}

TEST(TempFile, AnEmptyImageMakesAnEmptyFileAndAMissingFolderNone) {
    Folder dir;
    const std::string path = CreatePrivateTempFile({}, "bas", dir.path());
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(fs::file_size(path), 0u);
    EXPECT_EQ(CreatePrivateTempFile(bytesOf("x"), "bas", dir.path() + "\\missing"), "");
    EXPECT_EQ(dir.names().size(), 1u);
}

TEST(TempFile, TheDefaultFolderIsTheSystemsTemporaryFolder) {
    char system[MAX_PATH + 1];
    const DWORD length = GetTempPathA(sizeof system, system);
    ASSERT_GT(length, 0u);
    std::string expected(system, length);
    EXPECT_EQ(TempFolder() + "\\", expected);
    const std::string path = CreatePrivateTempFile(bytesOf("x"), "bas");
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.rfind(expected + "bas", 0), 0u);
    EXPECT_TRUE(DeleteTempFile(path));
}

TEST(Library, LoadsByPathOrSystemNameAndResolvesExports) {
    HMODULE library = LoadLibraryA(EH_OS_TEST_LIBRARY_FILE);
    ASSERT_NE(library, nullptr);
    FARPROC answer = GetProcAddress(library, "ehOsTestLibraryAnswer");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(reinterpret_cast<int (*)()>(reinterpret_cast<void (*)()>(answer))(), 42);
    EXPECT_EQ(GetProcAddress(library, "ehOsTestNoSuchName"), nullptr);
    EXPECT_TRUE(FreeLibrary(library));
    EXPECT_EQ(LoadLibraryA("emberhold-no-such-library.dll"), nullptr);
    Folder dir;
    std::ofstream(dir.path() + "\\text.dll") << "not a library\n";
    EXPECT_EQ(LoadLibraryA((dir.path() + "\\text.dll").c_str()), nullptr);
}

std::string systemLibrary(const char* name) {
    char folder[MAX_PATH];
    const UINT length = GetSystemDirectoryA(folder, sizeof folder);
    return std::string(folder, length) + "\\" + name;
}

std::vector<std::uint8_t> imageOf(const std::string& path) {
    const std::string bytes = readFile(path);
    return {bytes.begin(), bytes.end()};
}

TEST(LibraryImage, WholeLibrariesOfThisMachineArePlausible) {
    const std::vector<std::uint8_t> ours = imageOf(EH_OS_TEST_LIBRARY_FILE);
    ASSERT_GT(ours.size(), 1024u);
    EXPECT_TRUE(PlausibleLibraryImage(ours));
    const std::vector<std::uint8_t> user32 = imageOf(systemLibrary("user32.dll"));
    ASSERT_GT(user32.size(), 1024u);
    EXPECT_TRUE(PlausibleLibraryImage(user32));
}

TEST(LibraryImage, ACutShortImageIsNot) {
    for (const std::string& path :
         {std::string(EH_OS_TEST_LIBRARY_FILE), systemLibrary("user32.dll")}) {
        const std::vector<std::uint8_t> image = imageOf(path);
        ASSERT_GT(image.size(), 1024u);
        const std::span<const std::uint8_t> whole(image);
        EXPECT_FALSE(PlausibleLibraryImage(whole.first(image.size() - 1))) << path;
        EXPECT_FALSE(PlausibleLibraryImage(whole.first(image.size() / 2))) << path;
        EXPECT_FALSE(PlausibleLibraryImage(whole.first(600))) << path;
        EXPECT_FALSE(PlausibleLibraryImage(whole.first(64))) << path;
    }
    EXPECT_FALSE(PlausibleLibraryImage({}));
}

// Offsets into a PE image, from its own headers.
struct PeOffsets {
    std::size_t nt, fileHeader, optional, sections;
};
PeOffsets offsetsOf(const std::vector<std::uint8_t>& image) {
    PeOffsets o{};
    std::uint32_t lfanew = 0;
    std::memcpy(&lfanew, image.data() + 0x3C, 4);
    o.nt = lfanew;
    o.fileHeader = o.nt + 4;
    std::uint16_t optionalSize = 0;
    std::memcpy(&optionalSize, image.data() + o.fileHeader + 16, 2);
    o.optional = o.fileHeader + 20;
    o.sections = o.optional + optionalSize;
    return o;
}

TEST(LibraryImage, AnotherFormatMachineOrKindIsNot) {
    const std::vector<std::uint8_t> image = imageOf(EH_OS_TEST_LIBRARY_FILE);
    ASSERT_TRUE(PlausibleLibraryImage(image));
    const PeOffsets o = offsetsOf(image);
    std::vector<std::uint8_t> bad = image;
    bad[1] = 'X';  // "MZ"
    EXPECT_FALSE(PlausibleLibraryImage(bad));
    bad = image;
    bad[o.nt + 1] = 'X';  // "PE\0\0"
    EXPECT_FALSE(PlausibleLibraryImage(bad));
    bad = image;
    bad[o.fileHeader] = 0x4C;  // Machine: i386
    bad[o.fileHeader + 1] = 0x01;
    EXPECT_FALSE(PlausibleLibraryImage(bad));
    bad = image;
    bad[o.fileHeader + 19] &= static_cast<std::uint8_t>(~(IMAGE_FILE_DLL >> 8));  // a program
    EXPECT_FALSE(PlausibleLibraryImage(bad));
    bad = image;
    bad[o.optional] = 0x0B;  // optional header magic 0x10B: a 32-bit image
    bad[o.optional + 1] = 0x01;
    EXPECT_FALSE(PlausibleLibraryImage(bad));
    bad = image;
    std::memset(bad.data() + 0x3C, 0xFF, 4);  // e_lfanew far past the end
    EXPECT_FALSE(PlausibleLibraryImage(bad));
    // The first section's raw data said to lie past the end of the file.
    bad = image;
    const std::uint32_t past = static_cast<std::uint32_t>(image.size());
    std::memcpy(bad.data() + o.sections + 20, &past, 4);  // PointerToRawData
    EXPECT_FALSE(PlausibleLibraryImage(bad));
    // This test program itself: a whole image of this machine, but not a library.
    char self[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
    EXPECT_FALSE(PlausibleLibraryImage(imageOf(std::string(self, length))));
}

std::string lockName(const char* what) {
    return "Local\\Emberhold test " + std::to_string(GetCurrentProcessId()) + " " + what;
}

TEST(SingleInstance, SecondLockFailsUntilTheFirstIsReleased) {
    const std::string name = lockName("second");
    SingleInstanceLock first, second;
    EXPECT_TRUE(first.Acquire(name));
    EXPECT_TRUE(first.Acquire(name)) << "taking it again is harmless";
    EXPECT_FALSE(second.Acquire(name));
    first.Release();
    first.Release();  // a second release is harmless
    EXPECT_TRUE(second.Acquire(name));
    EXPECT_FALSE(first.Acquire(name));
}

TEST(SingleInstance, LookingSeesAHolderWithoutTakingTheLock) {
    const std::string name = lockName("look");
    EXPECT_FALSE(SingleInstanceLock::HeldElsewhere(name));
    SingleInstanceLock holder;
    ASSERT_TRUE(holder.Acquire(name));
    EXPECT_TRUE(SingleInstanceLock::HeldElsewhere(name));
    EXPECT_TRUE(SingleInstanceLock::HeldElsewhere(name)) << "looking twice changes nothing";
    holder.Release();
    EXPECT_FALSE(SingleInstanceLock::HeldElsewhere(name));
    SingleInstanceLock next;
    EXPECT_TRUE(next.Acquire(name)) << "looking left nothing behind";
}

TEST(SingleInstance, ANameTheSystemRefusesDoesNotStopTheProgram) {
    SingleInstanceLock lock;
    EXPECT_TRUE(lock.Acquire("Nowhere\\no such namespace"));
    EXPECT_FALSE(SingleInstanceLock::HeldElsewhere("Nowhere\\no such namespace"));
}

TEST(SingleInstance, TheSaversWindowCountsAsAHolderOfTheDefaultLock) {
    const std::string name = SingleInstanceLock::DefaultPath();
    ASSERT_FALSE(SingleInstanceLock::HeldElsewhere(name));
    WNDCLASSA wc{};
    wc.lpfnWndProc = &DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "Emberhold 3D Screensaver";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(SingleInstanceLock::HeldElsewhere(name));
    SingleInstanceLock lock;
    EXPECT_FALSE(lock.Acquire(name));
    EXPECT_FALSE(SingleInstanceLock::HeldElsewhere(lockName("other"))) << "only the default lock";
    DestroyWindow(window);
    UnregisterClassA(wc.lpszClassName, wc.hInstance);
    EXPECT_FALSE(SingleInstanceLock::HeldElsewhere(name));
    EXPECT_TRUE(lock.Acquire(name));
    EXPECT_TRUE(SingleInstanceLock::HeldElsewhere(name));
}

// Another process holding the lock, started from the holder program (lock_holder_win32.cpp).
class LockHolder {
  public:
    explicit LockHolder(const std::string& lock) {
        static int count = 0;  // an event of its own per holder, never one already set
        const std::string eventName = lock + " held " + std::to_string(++count);
        held_ = CreateEventA(nullptr, TRUE, FALSE, eventName.c_str());
        std::string command =
            "\"" EH_OS_TEST_LOCK_HOLDER "\" \"" + lock + "\" \"" + eventName + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        if (held_ != nullptr && CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0,
                                               nullptr, nullptr, &startup, &process_)) {
            HANDLE waits[2] = {held_, process_.hProcess};
            holds_ = WaitForMultipleObjects(2, waits, FALSE, 20000) == WAIT_OBJECT_0;
        }
    }
    ~LockHolder() {
        Crash();
        if (held_ != nullptr) CloseHandle(held_);
    }
    bool Holds() const { return holds_; }
    // Ends the process at once, as a crash would: nothing of it runs any more.
    void Crash() {
        if (process_.hProcess == nullptr) return;
        TerminateProcess(process_.hProcess, 9);
        WaitForSingleObject(process_.hProcess, 20000);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
        process_ = PROCESS_INFORMATION{};
    }
    DWORD ExitCode() {
        DWORD code = STILL_ACTIVE;
        if (process_.hProcess != nullptr) {
            WaitForSingleObject(process_.hProcess, 20000);
            GetExitCodeProcess(process_.hProcess, &code);
        }
        return code;
    }

  private:
    HANDLE held_ = nullptr;
    PROCESS_INFORMATION process_{};
    bool holds_ = false;
};

TEST(SingleInstance, ACopyInAnotherProcessHoldsItUntilItEndsHoweverItEnds) {
    const std::string name = lockName("process");
    LockHolder other(name);
    ASSERT_TRUE(other.Holds());
    EXPECT_TRUE(SingleInstanceLock::HeldElsewhere(name));
    SingleInstanceLock mine;
    EXPECT_FALSE(mine.Acquire(name));
    other.Crash();
    EXPECT_FALSE(SingleInstanceLock::HeldElsewhere(name)) << "a crashed copy blocks nobody";
    EXPECT_TRUE(mine.Acquire(name));
    // Now this process holds it, and the other copy is the one that must give way.
    LockHolder late(name);
    EXPECT_FALSE(late.Holds());
    EXPECT_EQ(late.ExitCode(), 1u);
}

}  // namespace
}  // namespace eh::os
