// Walks the installer page by page and saves a BMP of each state, for `make screenshots`.
//   porvane_screens.exe OUTPUT_FOLDER        (a Windows path; the files are NN-name.bmp)
// A new page is one more entry in Scenes: how to get there from the scene before, and whether
// the picture is the whole screen or the page alone.
#include <stdio.h>

#include "installer.h"

namespace {

const DWORD PageTimeoutMs = 15000;

struct Walk {
    InstallerRun run;
    HWND page = nullptr;  // the page the last scene reached
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

const Scene Scenes[] = {
    {"welcome", ReachWelcome, false},
    {"license", ReachLicense, true},
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
    walk.run.End();
    return 0;
}
