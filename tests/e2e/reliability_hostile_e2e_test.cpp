// Hostile input: folder texts the location page must refuse or that no folder can hold, group
// names that no folder can hold or that lead out of the Programs folder, and recorded previous
// folders that the installer never wrote.
#include "reliability_helpers.h"

#include <algorithm>

namespace reliability {
namespace {

using namespace installation;

const char PathInvalid[] = "Path Invalid!\r\n\r\n";

std::vector<std::string> NewNames(const std::string& folder, const std::vector<std::string>& before) {
    std::vector<std::string> made;
    for (const std::string& name : ListFolder(folder)) {
        if (std::find(before.begin(), before.end(), name) == before.end()) made.push_back(name);
    }
    return made;
}

std::string Parent(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }

using ReliabilityHostileInput = ReliabilityTest;

// Each refused text gets its message and the page stays with the text in place. A text with
// characters no folder can hold passes the page (only its form is checked there), and the copy
// step then stops at the first file meant for it; its wildcard reaches no folder of the user's.
TEST_F(ReliabilityHostileInput, LocationPageRefusesBadFolderTextsAndTheCopyStopsAtAnImpossibleOne) {
    const std::string userFolder = std::string(TestRoot) + "\\Vantrel Data";
    MakeFolders(userFolder);
    ASSERT_TRUE(WriteWholeFile(userFolder + "\\Own.txt", "the user's text"));
    const Tree userBefore = ReadTree(TestRoot);

    InstallerRun run;
    std::string error;
    HWND page = StartAtLocationPage(run, &error);
    ASSERT_NE(page, nullptr) << error;
    HWND edit = Item(page, IDC_FOLDER_EDIT);

    const std::string tooLong = "C:\\Reliability\\" + std::string(300, 'x');
    struct Case {
        std::string text;
        bool typed;
        const char* message;
    };
    const Case cases[] = {
        {tooLong, true, "Path is too long."},   // typing stops at 259 characters
        {tooLong, false, "Path is too long."},  // a paste is not stopped
        {"C:\\Reliability\\" + std::string(241, 'y'), false, "Path is too long."},  // 256 with the name
        {"\\\\server\\share", false, "Missing : or \\ in drive."},
        {"\\\\server\\share\\Vantrel", true, "Missing : or \\ in drive."},
        {"C:", false, "Missing : or \\ in drive."},
        {"C:Vantrel", true, "Missing : or \\ in drive."},
        {"C:\\", false, "Path may not be a root drive..."},
        {"", false, "Path may not be empty!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.typed ? "typed: " : "pasted: ") + c.text.substr(0, 40));
        if (c.typed) {
            ASSERT_TRUE(TypeAndSettle(edit, edit, c.text, FolderTextLimit)) << "shows: " << TextOf(edit);
        } else {
            SetEditText(edit, c.text.c_str());
        }
        const std::string shown = TextOf(edit);
        ClickButton(page, IDC_CONTINUE);
        EXPECT_EQ(AnswerNextBox(run, IDOK), PathInvalid + std::string(c.message));
        EXPECT_TRUE(IsWindowVisible(page)) << "the page stays";
        EXPECT_EQ(TextOf(edit), shown) << "the text stays as it was";
        EXPECT_EQ(shown, c.typed ? c.text.substr(0, FolderTextLimit) : c.text);
    }
    EXPECT_EQ(run.watch.CountSeen(PageClass, InstallingCaption), 0);

    // Holds the product name, so it is taken as it is: no folder can have this name, and its
    // wildcard must not stand for "Vantrel Data".
    SetEditText(edit, "C:\\Reliability\\Vantrel*<>|\"?");
    ASSERT_NE(ContinueToInstalling(run, page), nullptr);
    ExpectStoppedWith(AnswerStop(run), CreateFailedText);
    EXPECT_EQ(Difference(userBefore, ReadTree(TestRoot)), "") << "nothing made or changed under the test folder";
    EXPECT_EQ(Difference(Registry(), ReadProductRegistry()), "");
}

// The longest folder the page accepts (255 characters) leaves no room for a file name: the copy
// step stops at the first file meant for it instead of writing under a cut name.
TEST_F(ReliabilityHostileInput, LongestAcceptedFolderStopsAtTheFirstFileThatCannotFit) {
    const std::string base = std::string(TestRoot) + "\\Vantrel";
    const std::string folder = base + std::string(255 - base.size(), 'z');
    ASSERT_EQ(folder.size(), 255u);

    const StoppedRun run = RunUntilStop(folder);
    ExpectStoppedWith(run.stop, CreateFailedText);
    ASSERT_FALSE(run.installing.currentFile.empty());
    EXPECT_EQ(run.installing.currentFile.back(), "2") << "the first file meant for the install folder";
    // The folder chain it made is undone with the rest; no file was written under a cut name.
    EXPECT_EQ(ListFolder(TestRoot), std::vector<std::string>{});
}

// A ".." in the folder text: Win32 resolves it before any file system sees the text, and so does
// the page. The user's own folder that the text resolves to holds no installation: the product
// goes below it, into a new folder of its name, and what the folder held stays as it was.
TEST_F(ReliabilityHostileInput, DotDotInTheFolderTextInstallsBelowTheResolvedFolderAndSweepsNothing) {
    const std::string data = std::string(TestRoot) + "\\Data";
    MakeFolders(data + "\\Letters");
    ASSERT_TRUE(WriteWholeFile(data + "\\Own.txt", "the user's text", FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(WriteWholeFile(data + "\\Letters\\draft.txt", "Dear reader", FILE_ATTRIBUTE_READONLY));
    const Tree before = ReadTree(data);

    Installation result;
    std::string why;
    ASSERT_TRUE(Install(std::string(TestRoot) + "\\Vantrel\\..\\Data", DefaultGroup, &result, &why)) << why;

    const std::string folder = data + "\\Vantrel";
    ASSERT_FALSE(result.installing.extracting.empty());
    EXPECT_EQ(result.installing.extracting.back(), folder + "\\" + Files[FileCount - 1].name);
    EXPECT_EQ(result.otherFilesNotice, "");
    EXPECT_EQ(Difference(KeepOnly(before, Paths(before)), KeepOnly(ReadTree(data), Paths(before))), "");
    EXPECT_EQ(ListFolder(data), (std::vector<std::string>{"Letters", "Own.txt", "Vantrel"}));
    EXPECT_EQ(ReadRegistryValue(PublisherKey, "Vantrel").data, folder + '\0');
    EXPECT_EQ(ReadRegistryValue(UninstallKey, "Program Path").data, folder + '\0');
}

// Group names: a name that can be a folder below the Programs folder is used; any other is
// refused with its reason and the page stays, and the installation goes on with the product's
// name. Links land only in a group folder, and the registry records the group used.
struct GroupCase {
    const char* label;
    std::string entered;
    bool typed;
    std::string folder;    // the group folder below Programs that holds the links
    const char* refusal;  // the reason the page gives, nullptr when the name is used
};

// Names the case in test listings instead of its bytes.
void PrintTo(const GroupCase& c, std::ostream* out) { *out << c.label; }

// Whatever a name made beside the Programs folder or in the drive's root goes again.
class ReliabilityGroupNames : public ReliabilityTest, public ::testing::WithParamInterface<GroupCase> {
protected:
    void SetUp() override {
        ReliabilityTest::SetUp();
        startMenuBefore = ListFolder(Parent(programs));
        rootBefore = ListFolder("C:");
    }
    void TearDown() override {
        for (const std::string& name : NewNames(Parent(programs), startMenuBefore)) {
            RemoveTree(Parent(programs) + "\\" + name);
        }
        for (const std::string& name : NewNames("C:", rootBefore)) RemoveTree("C:\\" + name);
        ReliabilityTest::TearDown();
    }

    const std::string programs = ProgramsFolder();
    std::vector<std::string> startMenuBefore, rootBefore;
};

TEST_P(ReliabilityGroupNames, InstallationEndsNormallyWithLinksOnlyInAGroupFolder) {
    const GroupCase& c = GetParam();
    const std::vector<std::string> programsBefore = ListFolder(programs);

    Installation result;
    std::string why;
    InstallOptions options;
    options.typeGroup = c.typed;
    options.fallbackGroup = DefaultGroup;
    ASSERT_TRUE(Install("C:\\Reliability\\Group\\Vantrel", c.entered, &result, &why, options)) << why;
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(result.groupAccepted, c.entered.substr(0, GroupNameLimit));
    const bool refused = c.refusal != nullptr;
    EXPECT_EQ(result.groupRefusal, refused ? FilledText(c.refusal, GroupInvalidText) : std::string());
    EXPECT_EQ(result.boxes, refused ? 3 : 2) << "the refusal, the read-me question and the restart notice";

    EXPECT_EQ(NewNames(programs, programsBefore), std::vector<std::string>{c.folder});
    EXPECT_EQ(ListFolder(programs + "\\" + c.folder), LinkNames());
    EXPECT_EQ(NewNames(Parent(programs), startMenuBefore), std::vector<std::string>{})
        << "written beside the Programs folder";
    EXPECT_EQ(NewNames("C:", rootBefore), std::vector<std::string>{}) << "written into the drive's root";
    EXPECT_EQ(ReadRegistryValue(UninstallKey, "Program Group").data,
              (refused ? std::string(DefaultGroup) : result.groupAccepted) + '\0');
}

INSTANTIATE_TEST_SUITE_P(
    Names, ReliabilityGroupNames,
    ::testing::Values(GroupCase{"ForbiddenCharacters", "V<a>n:t\"r|e?l*", false, DefaultGroup, BadGroupNameFormat},
                      GroupCase{"TrailingBackslash", "Vantrel Tools\\", false, "Vantrel Tools", nullptr},
                      GroupCase{"NestedUnderAMissingFolder", "Quillfern\\Vantrel", false, DefaultGroup,
                                GroupParentMissingFormat},
                      // Typing stops at 40 characters; a name of exactly 40 is a folder like any.
                      GroupCase{"TypedPastFortyCharacters", std::string(45, 'g'), true, std::string(40, 'g'), nullptr},
                      GroupCase{"OnlySpaces", "   ", true, DefaultGroup, BadGroupNameFormat},
                      GroupCase{"LeadingOutOfThePrograms", "..\\Escaped", false, DefaultGroup, BadGroupNameFormat}),
    [](const ::testing::TestParamInfo<GroupCase>& info) { return std::string(info.param.label); });

// Previous folders the installer never records: the page proposes the default or the text itself,
// with a list that is the computer and the text's own chain, and keeps running. The first is in
// place before the run; the others are read by Reset Folder, each after a sane value, so that
// every read shows.
TEST_F(ReliabilityHostileInput, RecordedPreviousFoldersOfAnyShapeShowTheDefaultOrTheText) {
    const std::string overLong = "C:\\" + std::string(300, 'L');
    ASSERT_TRUE(SetRegistryValue(PublisherKey, "Vantrel", REG_SZ, overLong.c_str(),
                                 static_cast<DWORD>(overLong.size() + 1)));

    InstallerRun run;
    std::string error;
    HWND page = StartAtLocationPage(run, &error);
    ASSERT_NE(page, nullptr) << error;
    HWND edit = Item(page, IDC_FOLDER_EDIT);
    EXPECT_EQ(TextOf(edit), DefaultFolder) << "over-long: the default";

    const DWORD number = 0x005C3A43;  // "C:\" in its bytes
    const std::string noNul = "C:\\Reliability\\NoNul";
    const std::string noBackslash = "Vantrel-Folder";
    const std::string unc = "\\\\server\\share\\Vantrel";
    const std::string fitsNoSlot = "C:\\" + std::string(253, 'S');     // 256 characters: read, no room
    const std::string fitsQuery = "C:\\" + std::string(256, 'Q');      // 259 characters with its NUL
    struct Case {
        const char* what;
        DWORD type;
        const void* data;
        DWORD size;
        std::vector<std::string> allowed;  // what the edit box may show
    };
    const Case cases[] = {
        {"REG_DWORD", REG_DWORD, &number, sizeof number, {DefaultFolder}},
        {"no NUL", REG_SZ, noNul.data(), static_cast<DWORD>(noNul.size()), {DefaultFolder, noNul}},
        {"no backslash", REG_SZ, noBackslash.c_str(), static_cast<DWORD>(noBackslash.size() + 1), {noBackslash}},
        {"UNC", REG_SZ, unc.c_str(), static_cast<DWORD>(unc.size() + 1), {unc}},
        {"256 characters", REG_SZ, fitsNoSlot.c_str(), static_cast<DWORD>(fitsNoSlot.size() + 1), {DefaultFolder}},
        {"259 characters", REG_SZ, fitsQuery.c_str(), static_cast<DWORD>(fitsQuery.size() + 1), {DefaultFolder}},
        {"over-long", REG_SZ, overLong.c_str(), static_cast<DWORD>(overLong.size() + 1), {DefaultFolder}},
    };
    const std::string sane = "C:\\Reliability\\Sane";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteRegistryString(PublisherKey, "Vantrel", sane));
        ClickButton(page, IDC_RESET_FOLDER);
        ASSERT_TRUE(WaitUntil([&] { return TextOf(edit) == sane; }, StepTimeoutMs));
        ASSERT_TRUE(SetRegistryValue(PublisherKey, "Vantrel", c.type, c.data, c.size));
        ClickButton(page, IDC_RESET_FOLDER);
        std::string shown;
        EXPECT_TRUE(WaitUntil(
            [&] {
                shown = TextOf(edit);
                return std::find(c.allowed.begin(), c.allowed.end(), shown) != c.allowed.end();
            },
            StepTimeoutMs))
            << "shows: " << shown;
        // Entry 0 is the computer; every other entry is a leading part of the shown text.
        const std::vector<std::string> entries = ListBoxEntries(Item(page, IDC_FOLDER_LIST));
        ASSERT_FALSE(entries.empty());
        for (size_t i = 1; i < entries.size(); ++i) {
            EXPECT_EQ(shown.rfind(entries[i], 0), 0u) << "entry " << i << ": " << entries[i];
        }
        EXPECT_TRUE(run.Running());
    }

    // A recorded UNC text is shown but not taken as a folder.
    ASSERT_TRUE(WriteRegistryString(PublisherKey, "Vantrel", unc));
    ClickButton(page, IDC_RESET_FOLDER);
    ASSERT_TRUE(WaitUntil([&] { return TextOf(edit) == unc; }, StepTimeoutMs));
    ClickButton(page, IDC_CONTINUE);
    EXPECT_EQ(AnswerNextBox(run, IDOK), PathInvalid + std::string("Missing : or \\ in drive."));
    ClickButton(page, IDC_CANCEL);
    EXPECT_EQ(AnswerNextBox(run, IDOK), AbortNoticeText);
    DWORD code = 0;
    EXPECT_TRUE(run.WaitForEnd(StepTimeoutMs, &code));
    EXPECT_EQ(code, 1u);
}

}  // namespace
}  // namespace reliability
