// Registry records of the installation, written and read back in Wine's registry.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_fixture.h"
#include "manifest.h"
#include "registration.h"
#include "shell.h"

using namespace engine_test;

namespace {

const char PublisherKey[] = "Software\\Quillfern Utilities";
const char VersionKey[] = "Software\\Quillfern Utilities\\Programs\\Vantrel\\Current Version";
const char UninstallEntryKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantrel";
const char FileSystemKey[] = "System\\CurrentControlSet\\Control\\FileSystem";
const char LowDiskValue[] = "DisableLowDiskSpaceBroadcast";

struct RegValue {
    bool found = false;
    DWORD type = REG_NONE;
    std::string data;  // the stored bytes, terminator included when there is one
};

RegValue Query(const char* keyPath, const char* name) {
    RegValue value;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return value;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.data.resize(size);
        value.found = RegQueryValueExA(key, name, nullptr, &value.type, reinterpret_cast<BYTE*>(&value.data[0]),
                                       &size) == ERROR_SUCCESS;
        value.data.resize(size);
    }
    RegCloseKey(key);
    return value;
}

// A REG_SZ value as written: the text and its NUL, counted in the size.
std::string Stored(const std::string& text) { return text + '\0'; }

bool KeyExists(const char* keyPath) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

DWORD ValueCount(const char* keyPath) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return 0;
    DWORD values = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
    return values;
}

void SetRaw(const char* keyPath, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    RegCloseKey(key);
}

// Removes the product's keys before and after each test. A fresh prefix has no FileSystem key:
// the fixture makes it, and puts back whatever it found.
class RegistrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveProductKeys();
        ResetSession();
        SetDirectory(DirInstall, "D:\\Apps\\Vantrel");
        SetDirectory(DirWindows, "C:\\Windows");
        strcpy(Session.groupName, "Quillfern Vantrel");

        HKEY key;
        DWORD disposition = 0;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, FileSystemKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  &disposition),
                  ERROR_SUCCESS);
        createdFileSystemKey = disposition == REG_CREATED_NEW_KEY;
        DWORD size = sizeof previousLowDisk;
        hadLowDiskValue =
            RegQueryValueExA(key, LowDiskValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&previousLowDisk), &size) ==
            ERROR_SUCCESS;
        RegDeleteValueA(key, LowDiskValue);
        RegCloseKey(key);
    }

    void TearDown() override {
        RemoveProductKeys();
        if (createdFileSystemKey) {
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, FileSystemKey);
        } else if (KeyExists(FileSystemKey)) {
            HKEY key;
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, FileSystemKey, 0, KEY_ALL_ACCESS, &key);
            if (hadLowDiskValue) {
                RegSetValueExA(key, LowDiskValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&previousLowDisk),
                               sizeof previousLowDisk);
            } else {
                RegDeleteValueA(key, LowDiskValue);
            }
            RegCloseKey(key);
        }
    }

    static void RemoveProductKeys() {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, PublisherKey);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, PublisherKey);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, UninstallEntryKey);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, UninstallEntryKey);
    }

    // What the finish does: every record goes through a journal, which then commits, or, for a
    // run that did not complete, undoes them.
    static void Register(bool completed = true) {
        CreateDirectoryA(TestRoot, nullptr);
        BeginScratchJournal();
        RegisterInstallation(Session.directories, Session.groupName, Session.journal);
        EndJournal(completed);
        RemoveTree(TestRoot);
    }

    bool createdFileSystemKey = false;
    bool hadLowDiskValue = false;
    DWORD previousLowDisk = 0;
};

TEST_F(RegistrationTest, RecordsTheInstallFolderUnderThePublisherKey) {
    Register();

    const RegValue folder = Query(PublisherKey, "Vantrel");
    ASSERT_TRUE(folder.found);
    EXPECT_EQ(folder.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(folder.data, Stored("D:\\Apps\\Vantrel"));
    EXPECT_EQ(folder.data.size(), 16u);
}

TEST_F(RegistrationTest, RecordsTheVersionWithoutAVUnderItsFixedKey) {
    Register();

    const RegValue version = Query(VersionKey, "Program Version");
    ASSERT_TRUE(version.found);
    EXPECT_EQ(version.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(version.data, Stored("3.02"));
}

TEST_F(RegistrationTest, RecordsTheUninstallEntryWithItsSevenValues) {
    Register();

    const std::vector<std::pair<const char*, std::string>> expected = {
        {"DisplayName", "Vantrel"},
        {"DisplayVersion", "v3.02"},
        {"UninstallString", "C:\\Windows\\Tolvangr.exe"},
        {"Program Path", "D:\\Apps\\Vantrel"},
        {"Program Group", "Quillfern Vantrel"},
        {"Publisher", "Quillfern Utilities"},
        {"HelpLink", Manifest.product.homePageUrl},
    };
    for (const auto& [name, text] : expected) {
        const RegValue value = Query(UninstallEntryKey, name);
        ASSERT_TRUE(value.found) << name;
        EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ)) << name;
        EXPECT_EQ(value.data, Stored(text)) << name;
    }
    EXPECT_EQ(ValueCount(UninstallEntryKey), 7u);
}

TEST_F(RegistrationTest, TheUninstallCommandNamesTheWindowsFolderAlone) {
    SetDirectory(DirWindows, "E:\\Winnt\\");

    Register();

    EXPECT_EQ(Query(UninstallEntryKey, "UninstallString").data, Stored("E:\\Winnt\\Tolvangr.exe"));
}

TEST_F(RegistrationTest, SwitchesOffLowDiskSpaceNoticesForEveryDrive) {
    Register();

    const RegValue mask = Query(FileSystemKey, LowDiskValue);
    ASSERT_TRUE(mask.found);
    EXPECT_EQ(mask.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(mask.data, std::string(4, '\xFF'));
}

TEST_F(RegistrationTest, LeavesTheFileSystemSettingOutWhenItsKeyIsMissing) {
    if (!createdFileSystemKey) GTEST_SKIP() << "this prefix has its own FileSystem key; it is not removed";
    ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, FileSystemKey), ERROR_SUCCESS);

    Register();

    EXPECT_FALSE(KeyExists(FileSystemKey));
    EXPECT_EQ(Query(PublisherKey, "Vantrel").data, Stored("D:\\Apps\\Vantrel"));
}

TEST_F(RegistrationTest, RegisteringAgainOverwritesEveryValueAndAnUndoPutsThemBack) {
    Register();
    SetDirectory(DirInstall, "C:\\Programs\\Notes");
    SetDirectory(DirWindows, "C:\\Winnt");
    strcpy(Session.groupName, "Notes");

    Register();
    // An undone run puts back every value it changed, and removes only what it added.
    SetDirectory(DirInstall, "C:\\Elsewhere");
    Register(false);

    EXPECT_EQ(Query(PublisherKey, "Vantrel").data, Stored("C:\\Programs\\Notes"));
    EXPECT_EQ(Query(UninstallEntryKey, "Program Path").data, Stored("C:\\Programs\\Notes"));
    EXPECT_EQ(Query(UninstallEntryKey, "Program Group").data, Stored("Notes"));
    EXPECT_EQ(Query(UninstallEntryKey, "UninstallString").data, Stored("C:\\Winnt\\Tolvangr.exe"));
    EXPECT_EQ(ValueCount(UninstallEntryKey), 7u);
    EXPECT_EQ(ValueCount(PublisherKey), 1u);
}

// ---------------------------------------------------------------------------------------------
// Reading the recorded folder back

class ReadPreviousInstallFolderTest : public RegistrationTest {
protected:
    // A buffer with a guard area after the part the call may use.
    char buffer[300];
    void Fill() { memset(buffer, '#', sizeof buffer); }
    bool GuardIntact(size_t from) const {
        for (size_t i = from; i < sizeof buffer; ++i) {
            if (buffer[i] != '#') return false;
        }
        return true;
    }
};

TEST_F(ReadPreviousInstallFolderTest, FindsTheFolderOfTheLastRegistration) {
    Register();
    Fill();

    EXPECT_TRUE(ReadPreviousInstallFolder(buffer, 260));

    EXPECT_STREQ(buffer, "D:\\Apps\\Vantrel");
}

TEST_F(ReadPreviousInstallFolderTest, FindsNothingWithoutARecord) {
    Fill();
    EXPECT_FALSE(ReadPreviousInstallFolder(buffer, 260));
    EXPECT_STREQ(buffer, "");
}

TEST_F(ReadPreviousInstallFolderTest, TakesOnlyAText) {
    const DWORD number = 42;
    SetRaw(PublisherKey, "Vantrel", REG_DWORD, &number, sizeof number);
    Fill();
    EXPECT_FALSE(ReadPreviousInstallFolder(buffer, 260));
    EXPECT_STREQ(buffer, "");

    const char expandable[] = "%SystemDrive%\\Vantrel";
    SetRaw(PublisherKey, "Vantrel", REG_EXPAND_SZ, expandable, sizeof expandable);
    EXPECT_FALSE(ReadPreviousInstallFolder(buffer, 260));

    const char binary[] = "C:\\Vantrel";
    SetRaw(PublisherKey, "Vantrel", REG_BINARY, binary, sizeof binary);
    EXPECT_FALSE(ReadPreviousInstallFolder(buffer, 260));
    EXPECT_STREQ(buffer, "");
}

TEST_F(ReadPreviousInstallFolderTest, TakesNoTextWithoutItsTerminator) {
    // The byte after the counted ones is not a NUL either: given a NUL there, the system would
    // count it in.
    const char folder[] = "C:\\Vantrel*";
    SetRaw(PublisherKey, "Vantrel", REG_SZ, folder, sizeof folder - 2);
    ASSERT_EQ(Query(PublisherKey, "Vantrel").data, "C:\\Vantrel");
    Fill();

    EXPECT_FALSE(ReadPreviousInstallFolder(buffer, 260));

    EXPECT_STREQ(buffer, "");
    EXPECT_TRUE(GuardIntact(260));
}

TEST_F(ReadPreviousInstallFolderTest, TakesNoTextLongerThanTheBuffer) {
    const std::string tooLong = "C:\\" + std::string(257, 'v');  // 260 characters, 261 bytes
    SetRaw(PublisherKey, "Vantrel", REG_SZ, tooLong.c_str(), static_cast<DWORD>(tooLong.size() + 1));
    Fill();

    EXPECT_FALSE(ReadPreviousInstallFolder(buffer, 260));

    EXPECT_STREQ(buffer, "");
    EXPECT_TRUE(GuardIntact(260));
}

TEST_F(ReadPreviousInstallFolderTest, TakesATextThatJustFits) {
    const std::string fits = "C:\\" + std::string(256, 'v');  // 259 characters, 260 bytes
    SetRaw(PublisherKey, "Vantrel", REG_SZ, fits.c_str(), static_cast<DWORD>(fits.size() + 1));
    Fill();

    EXPECT_TRUE(ReadPreviousInstallFolder(buffer, 260));

    EXPECT_EQ(std::string(buffer), fits);
    EXPECT_TRUE(GuardIntact(260));
}

TEST_F(ReadPreviousInstallFolderTest, RespectsASmallerBuffer) {
    Register();  // "D:\Apps\Vantrel": 16 bytes
    Fill();
    EXPECT_FALSE(ReadPreviousInstallFolder(buffer, 15));
    EXPECT_TRUE(GuardIntact(15));
    EXPECT_TRUE(ReadPreviousInstallFolder(buffer, 16));
    EXPECT_STREQ(buffer, "D:\\Apps\\Vantrel");
}

}  // namespace
