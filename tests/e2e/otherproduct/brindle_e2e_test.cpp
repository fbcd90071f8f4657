// An installer built for another product from its own description (brindle.product beside this
// file): a whole installation of six rows with four shortcuts, what it leaves on the system, and
// the removal of all of it by the uninstaller built for that product.
#include <gtest/gtest.h>

#include <algorithm>

#include "install_helpers.h"
#include "installer_test.h"

using namespace installation;

namespace {

const char Folder[] = "C:\\Oxbow Works\\Brindle";
const char Group[] = "Brindle";
const char Uninstaller[] = "C:\\Windows\\Unbrindle.exe";
const char VersionKeyPath[] = "Software\\Oxbow Works\\Programs\\Brindle\\Current Version";
const char EntryKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brindle";

struct Row {
    const char* path;      // where it lands
    const char* source;    // its file beside the description; null for the built uninstaller
    const char* shortcut;  // null for rows without one
};
const Row Rows[] = {
    {Uninstaller, nullptr, "Remove Brindle"},
    {"C:\\Oxbow Works\\Brindle\\Brindle.exe", "Brindle.exe", "Brindle"},
    {"C:\\Oxbow Works\\Brindle\\Tides.bin", "Tides.bin", "Tide Tables"},
    {"C:\\Oxbow Works\\Brindle\\Guide.txt", "Guide.txt", "Guide"},
    {"C:\\Oxbow Works\\Brindle\\Read Me.txt", "Read Me.txt", nullptr},
    {"C:\\Oxbow Works\\Brindle\\Notes.txt", "Notes.txt", nullptr},
};

std::string Sz(const std::string& text) { return text + '\0'; }

// The installer's application manifest (resource 1 of type 24) as text.
std::string InstallerManifest() {
    std::string text;
    HMODULE installer = LoadLibraryExA(PORVANE_EXE_PATH, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC found = installer ? FindResourceA(installer, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)) : nullptr;
    HGLOBAL loaded = found ? LoadResource(installer, found) : nullptr;
    if (loaded) text.assign(static_cast<const char*>(LockResource(loaded)), SizeofResource(installer, found));
    if (installer) FreeLibrary(installer);
    return text;
}

// Starts the installer built from brindle.product (PORVANE_EXE_PATH of this program).
class OtherProductInstallation : public InstallerTest {
protected:
    void SetUp() override {
        cleaner.extraFolders = {"C:\\Oxbow Works", ProgramsFolder() + "\\" + Group, Uninstaller};
        cleaner.Clean();
        cleaner.PrepareFileSystemKey();
        InstallerTest::SetUp();
    }
    void TearDown() override {
        InstallerTest::TearDown();
        cleaner.Clean();
        cleaner.RestoreFileSystemKey();
    }
    // Waits for the page, then presses the button.
    HWND Through(const char* caption, int button, DWORD timeoutMs = PageTimeoutMs) {
        HWND page = run.WaitForPage(caption, timeoutMs);
        if (page) ClickButton(page, button);
        return page;
    }
    SystemCleaner cleaner;
};

}  // namespace

TEST_F(OtherProductInstallation, InstallsItsFilesRecordsAndLinksAndItsUninstallerRemovesThem) {
    // The installer's identity is this product's, too.
    const std::string manifest = InstallerManifest();
    EXPECT_NE(manifest.find("name=\"Oxbow.Brindle.Porvane\" version=\"2.1.0.0\""), std::string::npos) << manifest;
    EXPECT_NE(manifest.find("<description>Brindle 2.1 installer</description>"), std::string::npos) << manifest;
    EXPECT_EQ(manifest.find("Vantrel"), std::string::npos) << manifest;

    ClickButton(welcome, IDC_CONTINUE);
    ASSERT_TRUE(Through("Brindle License Agreement", IDC_CONTINUE));
    HWND location = run.WaitForPage("Brindle Program Location", PageTimeoutMs);
    ASSERT_TRUE(location);
    EXPECT_EQ(ItemText(location, IDC_FOLDER_EDIT), Folder);
    ClickButton(location, IDC_CONTINUE);
    ASSERT_TRUE(run.WaitForPage("Installing Brindle Program Files", PageTimeoutMs));
    HWND group = run.WaitForPage("Brindle Program Group", WorkTimeoutMs);
    ASSERT_TRUE(group);
    EXPECT_EQ(TextOf(Item(group, IDC_GROUP_COMBO)), Group);
    ClickButton(group, IDC_GROUP_CONTINUE);
    HWND question = WaitForInstallerBox(run, WorkTimeoutMs);
    ASSERT_TRUE(question);
    EXPECT_EQ(MessageBoxText(question),
              "Brindle was successfully installed.\r\n\r\nWould you like to view the Read Me file now?");
    ASSERT_TRUE(Answer(question, IDNO));
    HWND notice = WaitForInstallerBox(run);
    ASSERT_TRUE(notice);
    EXPECT_NE(MessageBoxText(notice).find("stop by Oxbow Works home page at\r\nhttps://oxbow.example/\r\n\r\n"
                                          "If you have any questions or comments you can\r\n"
                                          "email support at help@oxbow.example!"),
              std::string::npos)
        << MessageBoxText(notice);
    ASSERT_TRUE(Answer(notice, IDOK));
    EXPECT_EQ(ExitCode(), 1u);

    const FILETIME stamp = ExpectedFileTime();
    std::vector<std::string> links;
    for (const Row& row : Rows) {
        const std::string bytes = ReadFileOrMissing(row.path);
        if (row.source) {
            EXPECT_EQ(bytes, ReadFileOrMissing(std::string(OTHER_PRODUCT_SOURCE_PATH "\\") + row.source)) << row.path;
        } else {
            EXPECT_EQ(bytes.size(), 49152u);
            EXPECT_EQ(bytes.substr(0, 2), "MZ");
        }
        FileTimes times;
        EXPECT_TRUE(ReadFileTimes(row.path, &times) && SameTime(times.write, stamp)) << row.path;
        if (!row.shortcut) continue;
        links.push_back(std::string(row.shortcut) + ".lnk");
        const LinkContents link = ReadLink(ProgramsFolder() + "\\" + Group + "\\" + links.back());
        const std::string target = row.path;
        EXPECT_EQ(link.target, target);
        EXPECT_EQ(link.workingFolder, target.substr(0, target.rfind('\\')));
        EXPECT_EQ(link.description, row.shortcut);
    }
    std::sort(links.begin(), links.end());
    EXPECT_EQ(ListFolder(ProgramsFolder() + "\\" + Group), links);

    const struct {
        const char* key;
        const char* name;
        std::string data;
    } values[] = {
        {"Software\\Oxbow Works", "Brindle", Sz(Folder)},
        {VersionKeyPath, "Program Version", Sz("2.1")},
        {EntryKey, "DisplayName", Sz("Brindle")},
        {EntryKey, "DisplayVersion", Sz("v2.1")},
        {EntryKey, "UninstallString", Sz(Uninstaller)},
        {EntryKey, "Program Path", Sz(Folder)},
        {EntryKey, "Program Group", Sz(Group)},
        {EntryKey, "Publisher", Sz("Oxbow Works")},
        {EntryKey, "HelpLink", Sz("https://oxbow.example/brindle")},
    };
    for (const auto& value : values) {
        const RegistryValue read = ReadRegistryValue(value.key, value.name);
        EXPECT_TRUE(read.present && read.type == REG_SZ && read.data == value.data)
            << value.key << " " << value.name << ": " << Describe(read);
    }

    ChildProgram uninstaller;
    std::string error;
    ASSERT_TRUE(StartProgram(Uninstaller, &uninstaller, &error)) << error;
    HWND ask = WaitForMessageBox(uninstaller.processId, nullptr, MessageBoxCaption, StepTimeoutMs);
    ASSERT_TRUE(ask);
    EXPECT_EQ(MessageBoxText(ask), "Remove Brindle and all of its components?");
    ASSERT_TRUE(Answer(ask, IDYES));
    HWND closing = WaitForMessageBox(uninstaller.processId, nullptr, MessageBoxCaption, WorkTimeoutMs);
    ASSERT_TRUE(closing);
    EXPECT_EQ(MessageBoxText(closing), "Brindle was removed.");
    AnswerMessageBox(closing, IDOK);
    DWORD code = 0xFFFFFFFF;
    EXPECT_TRUE(WaitForExit(&uninstaller, StepTimeoutMs, &code));
    EndProgram(&uninstaller);
    EXPECT_EQ(code, 0u);

    // The uninstaller's own file goes once it has ended.
    EXPECT_TRUE(WaitUntil([] { return !Exists(Uninstaller); }, StepTimeoutMs));
    EXPECT_FALSE(Exists("C:\\Oxbow Works"));
    EXPECT_FALSE(Exists(ProgramsFolder() + "\\" + Group));
    for (const auto& value : values) EXPECT_FALSE(ReadRegistryValue(value.key, value.name).present) << value.name;
}
