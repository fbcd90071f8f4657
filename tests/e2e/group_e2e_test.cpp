// The program group page after a real copy: the name it proposes, the existing group it selects,
// the limits of its name field, and Escape.
#include <windows.h>

#include "install_fixture.h"

namespace {

using namespace installation;

class GroupPage : public InstallationTest {
protected:
    // An existing group of the product's name in other letters than the product's.
    void PrepareSystem() override {
        std::string programs = ProgramsFolder();
        ASSERT_FALSE(programs.empty());
        ASSERT_TRUE(CreateDirectoryA((programs + "\\VANTREL").c_str(), nullptr));
    }

    // Types into the combo box's edit field. Keys the field refuses leave no trace, so Home goes
    // after them: once the caret is back at the start, every typed key has been handled.
    void Type(HWND page, const std::string& text) {
        ASSERT_TRUE(FocusByClick(edit));
        ASSERT_TRUE(TypeText(edit, text.c_str()));
        ASSERT_TRUE(PressKey(page, VK_HOME));
        ASSERT_TRUE(WaitUntil(
            [&] {
                LRESULT selection = 0;
                return SendQuery(edit, EM_GETSEL, 0, 0, &selection) && selection == 0;
            },
            SettleTimeoutMs))
            << "the typed keys were not all handled";
    }

    HWND combo = nullptr;
    HWND edit = nullptr;
};

TEST_F(GroupPage, ProposesTheProductNameKeepsFortyCharactersRefusesAnEmptyNameAndEscapeAborts) {
    HWND page = OpenGroupPage();
    ASSERT_NE(page, nullptr);
    combo = Item(page, IDC_GROUP_COMBO);
    edit = FindWindowExA(combo, nullptr, "Edit", nullptr);
    ASSERT_NE(edit, nullptr) << "the combo box has no edit field";

    EXPECT_EQ(TextOf(combo), DefaultGroup);
    std::vector<std::string> groups = ComboBoxEntries(combo);
    int selected = ComboBoxSelection(combo);
    ASSERT_GE(selected, 0) << "no group selected among " << Join(groups);
    ASSERT_LT(selected, (int)groups.size());
    EXPECT_EQ(groups[selected], "VANTREL");

    const std::string longName = "Quillfern Utilities Vantrel Notes and Cards, 45";
    ASSERT_EQ(longName.size(), 47u);
    ASSERT_NO_FATAL_FAILURE(Type(page, longName));
    EXPECT_EQ(TextOf(combo), longName.substr(0, 40));

    ASSERT_TRUE(FocusByClick(edit));
    ASSERT_TRUE(TypeText(edit, ""));
    ASSERT_TRUE(PressKey(page, VK_DELETE));
    ASSERT_TRUE(WaitUntil([&] { return TextOf(combo).empty(); }, SettleTimeoutMs)) << TextOf(combo);
    ClickButton(page, IDC_GROUP_CONTINUE);
    HWND box = WaitForInstallerBox(run);
    ASSERT_NE(box, nullptr) << "no message for an empty name";
    EXPECT_EQ(OwnerOf(box), page);
    EXPECT_EQ(MessageBoxText(box), EmptyGroupText);
    ASSERT_TRUE(Answer(box, IDOK));
    EXPECT_TRUE(IsWindowVisible(page));
    EXPECT_TRUE(IsEnabled(Item(page, IDC_GROUP_CONTINUE)));
    EXPECT_EQ(run.watch.CountSeen(PageClass, ShortcutsCaption), 0);

    ASSERT_TRUE(PressKey(page, VK_ESCAPE));
    ExpectAbortNoticeAndEnd();
    if (HasFatalFailure()) return;
    EXPECT_EQ(run.watch.CountSeen(PageClass, ShortcutsCaption), 0);
    EXPECT_EQ(ListFolder(ProgramsFolder() + "\\VANTREL"), std::vector<std::string>{});
    EXPECT_FALSE(ReadRegistryValue(PublisherKey, "Vantrel").present);
    // The copy of this first installation is undone: no folder, no uninstaller, no journal.
    EXPECT_FALSE(Exists(PublisherFolder));
    EXPECT_FALSE(Exists(WindowsUninstaller));
    EXPECT_FALSE(Exists(JournalFile));
}

}  // namespace
