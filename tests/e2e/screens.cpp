// Walks the installer page by page and saves a BMP of each state, for `make screenshots`.
//   porvane_screens.exe OUTPUT_FOLDER        (a Windows path; the files are NN-name.bmp)
// A new page is one more entry in Scenes: how to get there from the scene before, and whether
// the picture is the whole screen or the page alone.
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "../common/expected_texts.h"
#include "installer.h"

namespace {

const DWORD PageTimeoutMs = 15000;
// The installing page copies every file with pauses in between; the whole copy takes seconds.
const DWORD WorkTimeoutMs = 60000;
const char DefaultFolder[] = "C:\\Quillfern Utilities\\Vantrel";

struct Walk {
    InstallerRun run;
    HWND page = nullptr;  // the page or message box the last scene reached
};

struct Scene {
    const char* name;
    bool (*reach)(Walk& walk);
    bool wholeScreen;
};

bool ReachWelcome(Walk& walk) {
    walk.page = walk.run.WaitForWelcome(PageTimeoutMs);
    return walk.page != nullptr;
}

bool ReachLicense(Walk& walk) {
    ClickButton(walk.page, IDC_CONTINUE);
    walk.page = walk.run.WaitForPage(LicenseCaption, PageTimeoutMs);
    return walk.page != nullptr;
}

bool ReachLocation(Walk& walk) {
    ClickButton(walk.page, IDC_CONTINUE);
    walk.page = walk.run.WaitForPage(LocationCaption, PageTimeoutMs);
    return walk.page != nullptr;
}

// The navigator's drive view: the computer entry double-clicked.
bool ReachLocationDrives(Walk& walk) {
    HWND page = walk.page;
    HWND list = Item(page, IDC_FOLDER_LIST);
    if (!DoubleClickListEntry(list, 0)) return false;
    return WaitUntil(
        [&] {
            std::vector<std::string> entries = ListBoxEntries(list);
            return ListBoxSelection(list) == 0 && entries.size() > 1 && entries[1].size() == 3 &&
                   ItemText(page, IDC_FOLDER_EDIT) == entries[0];
        },
        PageTimeoutMs);
}

// Half-way through the copy: the fourth file is being extracted. Reset Folder first brings the
// location page back from the drive view to the default folder.
bool ReachInstalling(Walk& walk) {
    HWND location = walk.page;
    ClickButton(location, IDC_RESET_FOLDER);
    if (!WaitUntil([&] { return ItemText(location, IDC_FOLDER_EDIT) == DefaultFolder; },
                   PageTimeoutMs))
        return false;
    ClickButton(location, IDC_CONTINUE);
    walk.page = walk.run.WaitForPage(InstallingCaption, PageTimeoutMs);
    if (!walk.page) return false;
    HWND page = walk.page;
    return WaitUntil([&] { return ItemText(page, IDC_CURRENT_FILE) == "4"; }, WorkTimeoutMs);
}

// The last byte done: the full bar, which the page shows for a second before it closes.
bool ReachInstallingDone(Walk& walk) {
    HWND page = walk.page;
    return WaitUntil([&] { return ItemText(page, IDC_CURRENT_SIZE) == TotalSizeText; }, WorkTimeoutMs);
}

bool ReachGroup(Walk& walk) {
    walk.page = walk.run.WaitForPage(GroupCaption, WorkTimeoutMs);
    return walk.page != nullptr;
}

// While the shortcuts are made: the third one is named.
bool ReachShortcuts(Walk& walk) {
    HWND group = walk.page;
    ClickButton(group, IDC_GROUP_CONTINUE);
    walk.page = walk.run.WaitForPage(ShortcutsCaption, PageTimeoutMs);
    if (!walk.page) return false;
    HWND page = walk.page;
    HWND bar = Item(page, IDC_SHORTCUT_PROGRESS);
    return WaitUntil(
        [&] {
            LRESULT position = 0;
            return SendQuery(bar, PBM_GETPOS, 0, 0, &position) && position >= 2;
        },
        WorkTimeoutMs);
}

bool ReachReadMeQuestion(Walk& walk) {
    walk.page = WaitForMessageBox(walk.run.child.processId, walk.run.Backdrop(), MessageBoxCaption,
                                  WorkTimeoutMs);
    return walk.page != nullptr;
}

// "No" to the read-me, so that no editor opens; then the restart notice.
bool ReachRestartNotice(Walk& walk) {
    HWND question = walk.page;
    if (!AnswerMessageBox(question, IDNO) || !WaitForWindowGone(question, PageTimeoutMs))
        return false;
    walk.page = WaitForMessageBox(walk.run.child.processId, walk.run.Backdrop(), MessageBoxCaption,
                                  PageTimeoutMs);
    return walk.page != nullptr;
}

const Scene Scenes[] = {
    {"welcome", ReachWelcome, false},
    {"license", ReachLicense, true},
    {"location", ReachLocation, true},
    {"location-drives", ReachLocationDrives, true},
    {"installing", ReachInstalling, true},
    {"installing-done", ReachInstallingDone, true},
    {"group", ReachGroup, true},
    {"shortcuts", ReachShortcuts, true},
    {"readme-question", ReachReadMeQuestion, true},
    {"restart-notice", ReachRestartNotice, true},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: porvane_screens.exe OUTPUT_FOLDER\n");
        return 2;
    }
    const char* folder = argv[1];
    Walk walk;
    Watchdog watchdog("screenshot walk", 180000, &walk.run.child);
    std::string error;
    if (!walk.run.Start(&error)) {
        fprintf(stderr, "screens: %s\n", error.c_str());
        return 1;
    }
    int number = 0;
    for (const Scene& scene : Scenes) {
        ++number;
        if (!scene.reach(walk)) {
            fprintf(stderr, "screens: could not reach the %s scene\n", scene.name);
            return 1;
        }
        Screenshot shot;
        if (!CaptureSteadyScreen(&shot)) {
            fprintf(stderr, "screens: the %s scene did not come to rest\n", scene.name);
            return 1;
        }
        if (!scene.wholeScreen) shot = shot.Crop(WindowRectOf(walk.page));
        char path[MAX_PATH];
        snprintf(path, sizeof path, "%s\\%02d-%s.bmp", folder, number, scene.name);
        if (!shot.SaveBmp(path)) {
            fprintf(stderr, "screens: could not write %s\n", path);
            return 1;
        }
        printf("screens: %s\n", path);
    }
    // The restart notice is the last thing the installer shows; OK ends it.
    AnswerMessageBox(walk.page, IDOK);
    DWORD code = 0;
    if (!walk.run.WaitForEnd(PageTimeoutMs, &code)) {
        fprintf(stderr, "screens: the installer did not end after the restart notice\n");
        return 1;
    }
    return 0;
}
