// The program location page and its folder navigator, driven from outside: what it proposes,
// what it refuses, what it makes of a typed folder, and how the list walks drives and folders.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>

#include "install_fixture.h"

namespace {

using namespace installation;

const char PathInvalid[] = "Path Invalid!\r\n\r\n";

std::string LowerCase(std::string text) {
    CharLowerBuffA(&text[0], (DWORD)text.size());
    return text;
}

// The computer's display name as the shell gives it to any program.
std::string ComputerName() {
    LPITEMIDLIST drives = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives))) return std::string();
    SHFILEINFOA info = {};
    SHGetFileInfoA((const char*)drives, 0, &info, sizeof info, SHGFI_PIDL | SHGFI_DISPLAYNAME);
    CoTaskMemFree(drives);
    return info.szDisplayName;
}

std::vector<std::string> FixedDriveRoots() {
    std::vector<std::string> roots;
    char strings[256] = "";
    GetLogicalDriveStringsA(sizeof strings, strings);
    for (const char* root = strings; *root; root += strlen(root) + 1) {
        std::string name = root;
        name[0] = (char)toupper((unsigned char)name[0]);
        if (GetDriveTypeA(name.c_str()) == DRIVE_FIXED) roots.push_back(name);
    }
    std::sort(roots.begin(), roots.end());
    return roots;
}

// The folders directly in a folder that the navigator lists, as full paths, in sorted order
// (the list box sorts without regard to case).
std::vector<std::string> ListedSubfolders(const std::string& folder) {
    std::vector<std::string> paths;
    std::string prefix = folder.back() == '\\' ? folder : folder + "\\";
    for (const std::string& name : ListFolder(folder))
        if (name[0] != '.' && IsFolder(prefix + name)) paths.push_back(prefix + name);
    std::sort(paths.begin(), paths.end(),
              [](const std::string& a, const std::string& b) { return LowerCase(a) < LowerCase(b); });
    return paths;
}

std::vector<std::string> Concat(std::vector<std::string> head, const std::vector<std::string>& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

class LocationPage : public InstallationTest {
protected:
    void SetUp() override {
        InstallationTest::SetUp();
        if (HasFatalFailure()) return;
        page = OpenLocationPage();
        ASSERT_NE(page, nullptr) << "the location page did not appear";
        edit = Item(page, IDC_FOLDER_EDIT);
        list = Item(page, IDC_FOLDER_LIST);
        computer = ComputerName();
        ASSERT_FALSE(computer.empty());
    }

    std::vector<std::string> DefaultChain() const {
        return {computer, "C:\\", PublisherFolder, DefaultFolder};
    }

    // The list refills inside the page's handling of the double-click; the entries are read once
    // they show the expected view, or after a while, for the failure message.
    bool ListBecomes(const std::vector<std::string>& entries) {
        return WaitUntil([&] { return ListBoxEntries(list) == entries; }, SettleTimeoutMs);
    }

    void ExpectView(const std::string& shown, const std::vector<std::string>& entries, int selected) {
        EXPECT_TRUE(ListBecomes(entries)) << "entries: " << Join(ListBoxEntries(list), " | ")
                                          << "\nexpected: " << Join(entries, " | ");
        EXPECT_EQ(TextOf(edit), shown);
        EXPECT_EQ(ListBoxSelection(list), selected);
    }

    // Types into the edit box as a person would and waits until the whole text is there.
    void Type(const std::string& text) {
        ASSERT_TRUE(FocusByClick(edit));
        ASSERT_TRUE(TypeText(edit, text.c_str()));
        ASSERT_TRUE(WaitUntil([&] { return TextOf(edit) == text; }, SettleTimeoutMs))
            << "typed \"" << text << "\", the edit box shows \"" << TextOf(edit) << "\"";
    }

    // A request the page must ignore: after a double-click, nothing changes for a while.
    void ExpectDoubleClickChangesNothing(int index) {
        std::vector<std::string> entries = ListBoxEntries(list);
        std::string shown = TextOf(edit);
        int selected = ListBoxSelection(list);
        ASSERT_TRUE(DoubleClickListEntry(list, index));
        EXPECT_TRUE(StaysAway(
            [&] { return ListBoxEntries(list) != entries || TextOf(edit) != shown || ListBoxSelection(list) != selected; },
            500));
        EXPECT_EQ(ListBoxEntries(list), entries);
        EXPECT_EQ(TextOf(edit), shown);
        EXPECT_EQ(ListBoxSelection(list), selected);
    }

    // Continue with the text in the edit box refused with the message; the page stays, with the
    // focus back in the edit box and the list as it was.
    void ExpectRefused(const char* message) {
        std::vector<std::string> entries = ListBoxEntries(list);
        std::string typed = TextOf(edit);
        ClickButton(page, IDC_CONTINUE);
        HWND box = WaitForInstallerBox(run);
        ASSERT_NE(box, nullptr) << "no message for " << typed;
        EXPECT_EQ(OwnerOf(box), page);
        EXPECT_EQ(MessageBoxText(box), PathInvalid + std::string(message));
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(box, IDOK)));
        EXPECT_FALSE(GetDlgItem(box, IDCANCEL) && IsWindowVisible(GetDlgItem(box, IDCANCEL)));
        ASSERT_TRUE(Answer(box, IDOK));
        EXPECT_TRUE(WaitUntil([&] { return FocusOf(page) == edit; }, SettleTimeoutMs))
            << "the focus is not in the edit box";
        EXPECT_TRUE(IsWindowVisible(page));
        EXPECT_EQ(TextOf(edit), typed);
        EXPECT_EQ(ListBoxEntries(list), entries);
        EXPECT_EQ(run.watch.CountSeen(PageClass, InstallingCaption), 0);
    }

    // The leftmost column of row `row` in the list's selection colour: where the selected
    // entry's text box begins, 18 pixels right of its icon.
    int SelectionStart(int row) {
        LRESULT height = 0;
        if (!SendQuery(list, LB_GETITEMHEIGHT, 0, 0, &height) || height <= 0) return -1;
        RECT client = ClientRectOnScreen(list);
        RECT rowBox = {client.left, client.top + (LONG)(row * height), client.right,
                       client.top + (LONG)((row + 1) * height)};
        Screenshot shot;
        if (!CaptureSteadyScreen(&shot, 2000)) return -1;
        COLORREF selection = GetSysColor(COLOR_HIGHLIGHT);
        for (int x = rowBox.left; x < rowBox.right; ++x) {
            RECT column = {x, rowBox.top, x + 1, rowBox.bottom};
            // The focus rectangle dots every other pixel of the box's left edge.
            if (shot.CountColor(column, selection) >= 3) return x - client.left;
        }
        return -1;
    }

    HWND page = nullptr;
    HWND edit = nullptr;
    HWND list = nullptr;
    std::string computer;
};

TEST_F(LocationPage, ProposesTheDefaultFolderWithItsChainAndTheLastEntrySelected) {
    EXPECT_EQ(TextOf(edit), DefaultFolder);
    EXPECT_EQ(ListBoxEntries(list), DefaultChain());
    EXPECT_EQ(ListBoxSelection(list), 3);
    EXPECT_EQ(ItemText(page, IDC_EXPLANATION),
              "The program files for Vantrel will be installed to the following folder:");
}

// Levels cannot be read from outside, but they show: each entry's icon sits 8 pixels per level
// from the left, and its text box 18 pixels further. A single click moves only the highlight.
TEST_F(LocationPage, DrawsEachChainEntryOneLevelDeeperThanTheOneAbove) {
    LRESULT height = 0;
    ASSERT_TRUE(SendQuery(list, LB_GETITEMHEIGHT, 0, 0, &height));
    RECT client = ClientRectOnScreen(list);
    for (int row = 0; row < 4; ++row) {
        SCOPED_TRACE("row " + std::to_string(row));
        ASSERT_TRUE(BringToForeground(list));
        ASSERT_TRUE(ClickAt(client.right - 4, client.top + (int)(row * height + height / 2)));
        ASSERT_TRUE(WaitUntil([&] { return ListBoxSelection(list) == row; }, SettleTimeoutMs));
        EXPECT_EQ(SelectionStart(row), 8 * row + 1 + 18);
        EXPECT_EQ(TextOf(edit), DefaultFolder);
    }
    EXPECT_EQ(ListBoxEntries(list), DefaultChain());
}

TEST_F(LocationPage, RefusesAnEmptyPath) {
    ASSERT_TRUE(FocusByClick(edit));
    ASSERT_TRUE(TypeText(edit, ""));
    ASSERT_TRUE(PressKey(page, VK_DELETE));
    ASSERT_TRUE(WaitUntil([&] { return TextOf(edit).empty(); }, SettleTimeoutMs));
    ExpectRefused("Path may not be empty!");
}

TEST_F(LocationPage, RefusesADriveWithoutItsBackslash) {
    ASSERT_NO_FATAL_FAILURE(Type("D:"));
    ExpectRefused("Missing : or \\ in drive.");
}

TEST_F(LocationPage, RefusesARootDrive) {
    ASSERT_NO_FATAL_FAILURE(Type("D:\\"));
    ExpectRefused("Path may not be a root drive...");
}

// 250 characters fit the edit box, but not with the product name appended.
TEST_F(LocationPage, RefusesAPathTooLongForTheProductName) {
    const std::string longPath = "C:\\" + std::string(247, 'n');
    SetEditText(edit, longPath.c_str());
    ASSERT_EQ(TextOf(edit), longPath);
    ExpectRefused("Path is too long.");
}

TEST_F(LocationPage, CancelShowsTheAbortNoticeAndEndsWithoutInstalling) {
    ClickButton(page, IDC_CANCEL);
    ExpectAbortNoticeAndEnd(page);
    if (HasFatalFailure()) return;
    EXPECT_EQ(run.watch.CountSeen(PageClass, InstallingCaption), 0);
    EXPECT_FALSE(Exists(PublisherFolder));
    EXPECT_FALSE(ReadRegistryValue(PublisherKey, "Vantrel").present);
}

TEST_F(LocationPage, ComputerEntryShowsTheFixedDrivesAndIsNoFolder) {
    ASSERT_TRUE(DoubleClickListEntry(list, 0));
    ExpectView(computer, Concat({computer}, FixedDriveRoots()), 0);
    ExpectDoubleClickChangesNothing(0);
    ExpectRefused("Missing : or \\ in drive.");
}

TEST_F(LocationPage, DriveAndFolderEntriesLeadDownAndTheChainLeadsBackUp) {
    ASSERT_TRUE(DoubleClickListEntry(list, 0));
    ASSERT_TRUE(ListBecomes(Concat({computer}, FixedDriveRoots())));
    std::vector<std::string> drives = ListBoxEntries(list);
    int drive = (int)(std::find(drives.begin(), drives.end(), "C:\\") - drives.begin());
    ASSERT_LT(drive, (int)drives.size()) << "no C:\\ among the drives";

    ASSERT_TRUE(DoubleClickListEntry(list, drive));
    const std::vector<std::string> rootView = Concat({computer, "C:\\"}, ListedSubfolders("C:\\"));
    ExpectView("C:\\", rootView, 1);
    ExpectDoubleClickChangesNothing(1);

    std::vector<std::string> entries = ListBoxEntries(list);
    int windows = -1;
    for (size_t i = 2; i < entries.size(); ++i)
        if (LowerCase(entries[i]) == "c:\\windows") windows = (int)i;
    ASSERT_GE(windows, 0) << "no C:\\Windows in " << Join(entries, " | ");
    const std::string windowsPath = entries[windows];
    ASSERT_TRUE(DoubleClickListEntry(list, windows));
    ExpectView(windowsPath, Concat({computer, "C:\\", windowsPath}, ListedSubfolders(windowsPath)), 2);

    ASSERT_TRUE(DoubleClickListEntry(list, 1));
    ExpectView("C:\\", rootView, 1);

    ClickButton(page, IDC_RESET_FOLDER);
    ExpectView(DefaultFolder, DefaultChain(), 3);
}

// Reset Folder compares the default with the current folder, not with the edit box: at the
// default it changes nothing, not even a text typed over it.
TEST_F(LocationPage, ResetFolderAtTheDefaultKeepsATypedText) {
    ASSERT_NO_FATAL_FAILURE(Type("C:\\Elsewhere"));
    ClickButton(page, IDC_RESET_FOLDER);
    EXPECT_TRUE(StaysAway([&] { return TextOf(edit) != "C:\\Elsewhere" || ListBoxSelection(list) != 3; }, 500));
    EXPECT_EQ(TextOf(edit), "C:\\Elsewhere");
    EXPECT_EQ(ListBoxEntries(list), DefaultChain());
    EXPECT_EQ(ListBoxSelection(list), 3);
}

// What Continue makes of a typed folder shows on the installing page: the first file for the
// install folder (the second entry) is extracted to the folder the page accepted.
struct TypedFolder {
    const char* label;
    const char* typed;
    const char* installFolder;
};

class TypedLocation : public LocationPage, public ::testing::WithParamInterface<TypedFolder> {
protected:
    void PrepareSystem() override {
        cleaner.extraFolders = {"C:\\VANTREL", "C:\\Porvane Tools", "C:\\old vantrel files"};
    }
};

TEST_P(TypedLocation, ContinueInstallsIntoTheTypedFolderWithTheProductNameOnce) {
    const TypedFolder& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(Type(c.typed));
    HWND installing = ContinueToInstalling(run, page);
    ASSERT_NE(installing, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ItemText(installing, IDC_CURRENT_FILE) == "2"; }, WorkTimeoutMs));
    EXPECT_EQ(ItemText(installing, IDC_EXTRACTING), std::string(c.installFolder) + "\\Plendix.exe");
}

INSTANTIATE_TEST_SUITE_P(
    Folders, TypedLocation,
    ::testing::Values(TypedFolder{"AnyCharacterBeforeTheColon", "1:\\x", "1:\\x\\Vantrel"},
                      TypedFolder{"ProductNameInCapitals", "C:\\VANTREL", "C:\\VANTREL"},
                      TypedFolder{"TrailingBackslash", "C:\\Porvane Tools\\", "C:\\Porvane Tools\\Vantrel"},
                      TypedFolder{"ProductNameInsideAName", "c:\\old vantrel files", "c:\\old vantrel files"}),
    [](const ::testing::TestParamInfo<TypedFolder>& info) { return std::string(info.param.label); });

// A recorded folder is proposed as it was recorded; the product name is added only on Continue.
class RecordedLocation : public LocationPage {
protected:
    void PrepareSystem() override {
        cleaner.extraFolders = {"C:\\Apps"};
        ASSERT_TRUE(WriteRegistryString(PublisherKey, "Vantrel", "C:\\Apps"));
    }
};

TEST_F(RecordedLocation, ProposesTheRecordedFolderUnchangedAndCompletesItOnContinue) {
    EXPECT_EQ(TextOf(edit), "C:\\Apps");
    EXPECT_EQ(ListBoxEntries(list), (std::vector<std::string>{computer, "C:\\", "C:\\Apps"}));
    EXPECT_EQ(ListBoxSelection(list), 2);
    HWND installing = ContinueToInstalling(run, page);
    ASSERT_NE(installing, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ItemText(installing, IDC_CURRENT_FILE) == "2"; }, WorkTimeoutMs));
    EXPECT_EQ(ItemText(installing, IDC_EXTRACTING), "C:\\Apps\\Vantrel\\Plendix.exe");
}

}  // namespace
