// The settings key against the system's registry (Wine's, under the tests): what the key
// writes is what RegQueryValueExA reads, and the key keeps the settings file's contract.
#include <gtest/gtest.h>

#include <string>

#include "platform/os/registry.h"

namespace eh::os {
namespace {

// A key of its own per test run, below the program's vendor key, removed afterwards.
class RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        subkey = "Software\\Kestrelle\\Emberhold Tests\\" + std::to_string(GetCurrentProcessId()) +
                 "\\" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        RegDeleteTreeA(HKEY_CURRENT_USER, subkey.c_str());
    }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, subkey.c_str()); }

    bool keyExists() const {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }
    // What any other reader of the registry sees: type and bytes of a value.
    bool systemRead(const char* name, DWORD* type, std::string* bytes) const {
        BYTE buffer[64];
        DWORD size = sizeof buffer;
        if (RegGetValueA(HKEY_CURRENT_USER, subkey.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, type,
                         buffer, &size) != ERROR_SUCCESS)
            return false;
        bytes->assign(reinterpret_cast<const char*>(buffer), size);
        return true;
    }
    void systemWrite(const char* name, DWORD type, const void* data, DWORD size) const {
        ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, subkey.c_str(), name, type, data, size),
                  ERROR_SUCCESS);
    }

    std::string subkey;
};

std::string dwordBytes(DWORD value) {
    return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

TEST_F(RegistryTest, CreateMakesTheKeyAndFlushWritesDwordsOthersCanRead) {
    ASSERT_FALSE(keyExists());
    RegistryKey key;
    ASSERT_TRUE(key.Create(subkey));
    EXPECT_TRUE(key.IsOpen());
    EXPECT_TRUE(keyExists()) << "opening to read creates the key, as RegCreateKeyExA does";
    DWORD v = 7;
    EXPECT_FALSE(key.QueryDword("ShowFPS", &v));

    key.SetDword("ShowFPS", 4294967295u);
    key.SetDword("MusicVolume", 0);
    DWORD type = 0;
    std::string bytes;
    EXPECT_FALSE(systemRead("ShowFPS", &type, &bytes)) << "nothing is written before Flush";
    EXPECT_TRUE(key.QueryDword("ShowFPS", &v)) << "but the key itself sees what was set";
    EXPECT_EQ(v, 4294967295u);

    EXPECT_TRUE(key.Flush());
    ASSERT_TRUE(systemRead("ShowFPS", &type, &bytes));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(bytes, dwordBytes(4294967295u));
    ASSERT_TRUE(systemRead("MusicVolume", &type, &bytes));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(bytes, dwordBytes(0));
    key.Close();
    EXPECT_FALSE(key.IsOpen());
    EXPECT_FALSE(key.QueryDword("ShowFPS", &v)) << "a closed key answers nothing";

    RegistryKey again;
    ASSERT_TRUE(again.Create(subkey));
    EXPECT_TRUE(again.QueryDword("MusicVolume", &v));
    EXPECT_EQ(v, 0u);
    EXPECT_TRUE(again.QueryDword("showfps", &v)) << "the registry ignores the case of names";
    EXPECT_EQ(v, 4294967295u);
}

TEST_F(RegistryTest, CloseWritesWhatIsPendingAndDroppingTheKeyWritesNothing) {
    {
        RegistryKey key;
        ASSERT_TRUE(key.Create(subkey));
        key.SetDword("Dropped", 5);
    }  // destroyed without Close
    DWORD type = 0;
    std::string bytes;
    EXPECT_FALSE(systemRead("Dropped", &type, &bytes));
    {
        RegistryKey key;
        ASSERT_TRUE(key.Create(subkey));
        key.SetDword("Closed", 6);
        key.SetDword("Closed", 8);  // the last value set is the one written
        key.Close();
    }
    ASSERT_TRUE(systemRead("Closed", &type, &bytes));
    EXPECT_EQ(bytes, dwordBytes(8));
}

TEST_F(RegistryTest, ANameInAnotherCaseIsTheSameValueAlsoBeforeFlush) {
    RegistryKey key;
    ASSERT_TRUE(key.Create(subkey));
    key.SetDword("Width", 800);
    key.SetDword("Height", 600);
    key.SetDword("height", 768);
    DWORD v = 0;
    EXPECT_TRUE(key.QueryDword("HEIGHT", &v)) << "pending values are found as stored ones are";
    EXPECT_EQ(v, 768u);
    key.Close();
    HKEY raw = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, subkey.c_str(), 0, KEY_READ, &raw), ERROR_SUCCESS);
    DWORD count = 0;
    ASSERT_EQ(RegQueryInfoKeyA(raw, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                               nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(raw);
    EXPECT_EQ(count, 2u);
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(systemRead("Height", &type, &bytes));
    EXPECT_EQ(bytes, dwordBytes(768));
}

TEST_F(RegistryTest, OnlyAWholeDwordIsANumber) {
    RegistryKey setup;
    ASSERT_TRUE(setup.Create(subkey));
    setup.Close();
    const DWORD number = 12;
    const unsigned long long wide = 12;
    const BYTE two[2] = {12, 0};
    systemWrite("Text", REG_SZ, "12", 3);
    systemWrite("Binary", REG_BINARY, &number, sizeof number);
    systemWrite("Qword", REG_QWORD, &wide, sizeof wide);
    systemWrite("Short", REG_DWORD, two, sizeof two);
    systemWrite("Good", REG_DWORD, &number, sizeof number);
    RegistryKey key;
    ASSERT_TRUE(key.Create(subkey));
    DWORD v = 99;
    EXPECT_FALSE(key.QueryDword("Text", &v));
    EXPECT_FALSE(key.QueryDword("Binary", &v));
    EXPECT_FALSE(key.QueryDword("Qword", &v));
    EXPECT_FALSE(key.QueryDword("Short", &v));
    EXPECT_EQ(v, 99u) << "a refused value leaves the output alone";
    EXPECT_TRUE(key.QueryDword("Good", &v));
    EXPECT_EQ(v, 12u);
    EXPECT_FALSE(key.QueryDword("Good", nullptr));
    // Overwriting a value of another type makes it a number.
    key.SetDword("Text", 3);
    EXPECT_TRUE(key.Flush());
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(systemRead("Text", &type, &bytes));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(bytes, dwordBytes(3));
}

TEST_F(RegistryTest, AnUnopenedKeyTakesNothingAndABadKeyNameIsRefused) {
    RegistryKey key;
    EXPECT_FALSE(key.IsOpen());
    key.SetDword("X", 1);
    DWORD v = 0;
    EXPECT_FALSE(key.QueryDword("X", &v));
    EXPECT_TRUE(key.Flush()) << "nothing to write";
    key.Close();
    // A key name may not start with a separator: neither created nor opened.
    RegistryKey bad;
    EXPECT_FALSE(bad.Create("\\" + subkey));
    EXPECT_FALSE(bad.IsOpen());
    EXPECT_FALSE(keyExists());
}

}  // namespace
}  // namespace eh::os
