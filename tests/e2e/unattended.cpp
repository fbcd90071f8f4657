// One whole default installation driven without a person, for `make run` on a machine without a
// display, for the installation timing of `make bench` and for the signed installer's test.
//   porvane_unattended.exe [SHOT_FOLDER] answers every page with its default, saves a BMP of each
//                                        page into the folder (a Windows path) when one is given,
//                                        then prints what landed where: files, registry rows, links
//   porvane_unattended.exe --bench       answers each page the moment it appears, takes no
//                                        pictures and prints the time from start to end, and the
//                                        time of each step: from the answer to one page (or the
//                                        start) until the next page or box appears
//   --installer PROGRAM (a Windows path, before the rest) runs that copy of the installer instead
//   of the build's own
// Exit status: 0 when every page came and the installer ended, 1 when a page did not come or an
// installed file is missing, 2 for a wrong command line. The installer's own exit code is 1 on
// every path, so it tells nothing about success; it is printed, not judged.
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "install_helpers.h"

namespace {

using namespace installation;

struct Options {
    bool bench = false;
    std::string shotFolder;  // empty: no pictures
    std::string installer;   // empty: the build's own
};

// One step of the run: from the answer to the page before (or the start) until its page came.
struct StepTime {
    const char* name;
    double ms;
};

// What the run learnt on its way, for the report at the end.
struct RunNotes {
    std::string installFolder;
    std::string groupName;
    std::vector<std::string> shots;
    std::vector<StepTime> steps;
    double stepStart = 0;
    DWORD exitCode = 0;
    double wallMs = 0;
};

double NowMs() {
    static LARGE_INTEGER frequency = {};
    if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

// The step that ends now, when its page has come; the next one starts with the answer.
void EndStep(RunNotes& notes, const char* name) { notes.steps.push_back(StepTime{name, NowMs() - notes.stepStart}); }
void StartStep(RunNotes& notes) { notes.stepStart = NowMs(); }

int Fail(const char* what, const char* detail = "") {
    fprintf(stderr, "unattended: %s%s\n", what, detail);
    return 1;
}

// The page by its caption, or null when the installer showed a message box or ended first; such
// a box is printed, since it says why the page did not come.
HWND WaitForPageOrStop(InstallerRun& run, const char* caption, DWORD timeoutMs) {
    HWND page = nullptr;
    HWND box = nullptr;
    WaitUntil(
        [&] {
            page = run.WaitForPage(caption, 0);
            if (!page) box = WaitForInstallerBox(run, 0);
            return page || box || !run.Running();
        },
        timeoutMs);
    if (box) fprintf(stderr, "unattended: the installer said: %s\n", MessageBoxText(box).c_str());
    if (!page && !box && !run.Running()) fprintf(stderr, "unattended: the installer ended early\n");
    return page;
}

// A picture of the whole screen (or of one window) once its paint has finished. A picture that
// cannot be taken is reported and the run goes on: the installation is what counts.
void Shoot(const Options& options, RunNotes& notes, const char* name, HWND cropTo = nullptr) {
    if (options.shotFolder.empty()) return;
    Screenshot shot;
    if (!CaptureSteadyScreen(&shot, 1500) && shot.pixels.empty()) {
        fprintf(stderr, "unattended: no picture of the %s page\n", name);
        return;
    }
    if (cropTo) shot = shot.Crop(WindowRectOf(cropTo));
    char path[MAX_PATH];
    snprintf(path, sizeof path, "%s\\%02d-%s.bmp", options.shotFolder.c_str(),
             (int)notes.shots.size() + 1, name);
    if (!shot.SaveBmp(path)) {
        fprintf(stderr, "unattended: could not write %s\n", path);
        return;
    }
    notes.shots.push_back(path);
}

// The installing page at 100 %: the last file's number is shown and the bytes done equal the
// total. The page stays a second like that before it closes itself.
bool InstallingPageFinished(HWND page) {
    std::string total = ItemText(page, IDC_TOTAL_SIZE);
    return ItemText(page, IDC_CURRENT_FILE) == std::to_string(FileCount) && !total.empty() &&
           ItemText(page, IDC_CURRENT_SIZE) == total;
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool ShortcutPagePast(HWND page, int position) {
    LRESULT value = 0;
    return SendQuery(Item(page, IDC_SHORTCUT_PROGRESS), PBM_GETPOS, 0, 0, &value) &&
           value >= position;
}

// Waits for the page to reach a state; gives up early when the page goes or a box covers it.
template <typename Condition>
bool WaitWhileUp(InstallerRun& run, HWND page, Condition reached) {
    bool stopped = false;
    WaitUntil(
        [&] {
            if (reached()) return true;
            stopped = !IsWindow(page) || !IsWindowVisible(page) || WaitForInstallerBox(run, 0);
            return stopped;
        },
        WorkTimeoutMs);
    return !stopped && reached();
}

// Welcome to restart notice with every default; 0 when the installer ended after the notice.
int DriveInstallation(const Options& options, RunNotes& notes) {
    const bool shots = !options.shotFolder.empty();
    const bool report = !options.bench;  // notes what the report needs on the way
    InstallerRun run;
    if (!options.installer.empty()) run.program = options.installer.c_str();
    // A timing run stands for a person, who asks the system nothing while waiting: no window
    // watch, and a look at the windows every 50 ms instead of every 5 (each look lists all the
    // desktop's windows through the wine server). So that the answer still follows each page at
    // once, a new window of the installer wakes the waits.
    run.watchWindows = !options.bench;
    run.wakeOnNewWindows = options.bench;
    if (options.bench) PollIntervalMs = 50;
    Watchdog watchdog("unattended installation", 180000, &run.child);
    std::string error;
    double start = NowMs();
    StartStep(notes);
    if (!run.Start(&error)) return Fail("the installer did not start: ", error.c_str());

    HWND welcome = run.WaitForWelcome(StepTimeoutMs);
    if (!welcome) return Fail("the welcome page did not come");
    EndStep(notes, "start to welcome page");
    Shoot(options, notes, "welcome", welcome);
    StartStep(notes);
    ClickButton(welcome, IDC_CONTINUE);

    HWND license = WaitForPageOrStop(run, LicenseCaption, StepTimeoutMs);
    if (!license) return Fail("the licence page did not come");
    EndStep(notes, "backdrop and licence page");
    Shoot(options, notes, "license");
    StartStep(notes);
    ClickButton(license, IDC_CONTINUE);  // "I Agree"

    HWND location = WaitForPageOrStop(run, LocationCaption, StepTimeoutMs);
    if (!location) return Fail("the location page did not come");
    EndStep(notes, "location page");
    Shoot(options, notes, "location");
    StartStep(notes);
    ClickButton(location, IDC_CONTINUE);

    HWND installing = WaitForPageOrStop(run, InstallingCaption, StepTimeoutMs);
    if (!installing) return Fail("the installing page did not come");
    EndStep(notes, "installing page");
    StartStep(notes);
    if (report) {
        // The edit of the location page holds what was typed, which may still get the product's
        // name appended; the last path the installing page shows is where the files went.
        if (WaitWhileUp(run, installing, [&] { return InstallingPageFinished(installing); })) {
            notes.installFolder = FolderOf(ItemText(installing, IDC_EXTRACTING));
            Shoot(options, notes, "installing");
        } else
            fprintf(stderr, "unattended: the installing page was not seen at 100 %%\n");
    }

    HWND group = WaitForPageOrStop(run, GroupCaption, WorkTimeoutMs);
    if (!group) return Fail("the program group page did not come");
    EndStep(notes, "files copied, program group page");
    if (report) {
        notes.groupName = TextOf(Item(group, IDC_GROUP_COMBO));
        Shoot(options, notes, "group");
    }
    StartStep(notes);
    ClickButton(group, IDC_GROUP_CONTINUE);

    HWND shortcuts = WaitForPageOrStop(run, ShortcutsCaption, StepTimeoutMs);
    if (!shortcuts) return Fail("the shortcut page did not come");
    EndStep(notes, "shortcut page");
    StartStep(notes);
    if (shots) {
        // Half-way, so that a shortcut's name is on the page.
        if (WaitWhileUp(run, shortcuts, [&] { return ShortcutPagePast(shortcuts, 3); }))
            Shoot(options, notes, "shortcuts");
        else
            fprintf(stderr, "unattended: the shortcut page's bar was not seen moving\n");
    }

    HWND question = WaitForInstallerBox(run, WorkTimeoutMs);
    if (!question || MessageBoxText(question) != ReadMeQuestionText)
        return Fail("the read-me question did not come");
    EndStep(notes, "shortcuts made, read-me question");
    Shoot(options, notes, "readme-question");
    StartStep(notes);
    if (!Answer(question, IDNO)) return Fail("the read-me question did not take the answer No");

    HWND notice = WaitForInstallerBox(run, StepTimeoutMs);
    if (!notice || MessageBoxText(notice) != RestartNoticeText)
        return Fail("the restart notice did not come");
    EndStep(notes, "restart notice");
    Shoot(options, notes, "restart-notice");
    StartStep(notes);
    AnswerMessageBox(notice, IDOK);

    if (!run.WaitForEnd(StepTimeoutMs, &notes.exitCode))
        return Fail("the installer did not end after the restart notice");
    EndStep(notes, "end");
    notes.wallMs = NowMs() - start;
    return 0;
}

std::string LocalTime(const FILETIME& time) {
    FILETIME local;
    SYSTEMTIME t;
    if (!FileTimeToLocalFileTime(&time, &local) || !FileTimeToSystemTime(&local, &t))
        return "<invalid time>";
    char text[32];
    snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay,
             t.wHour, t.wMinute, t.wSecond);
    return text;
}

std::string WindowsFolder() {
    char folder[MAX_PATH] = "";
    UINT length = GetWindowsDirectoryA(folder, sizeof folder);
    return length > 0 && length < sizeof folder ? folder : "C:\\Windows";
}

// Every file of the product with its size and times; false when one is missing.
bool PrintFiles(const RunNotes& notes) {
    const FILETIME stamp = ExpectedFileTime();
    const std::string windows = WindowsFolder();
    bool allThere = true;
    std::string lastFolder;
    printf("\nFiles (the stamp every file should carry: %s local time, %s)\n",
           LocalTime(stamp).c_str(), FormatFileTime(stamp).c_str());
    for (const ProductFile& file : Files) {
        const std::string folder = file.toWindowsFolder ? windows : notes.installFolder;
        if (folder != lastFolder) printf("  in %s\n", folder.c_str());
        lastFolder = folder;
        const std::string path = folder + "\\" + file.name;
        WIN32_FILE_ATTRIBUTE_DATA data;
        FileTimes times;
        if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
            !ReadFileTimes(path, &times)) {
            printf("    %-14s MISSING\n", file.name);
            allThere = false;
            continue;
        }
        const bool stamped = SameTime(times.creation, stamp) && SameTime(times.access, stamp) &&
                             SameTime(times.write, stamp);
        printf("    %-14s %9lu bytes  %s%s\n", file.name, (unsigned long)data.nFileSizeLow,
               LocalTime(times.write).c_str(),
               stamped ? "" : "  (created, accessed and written times differ from the stamp)");
    }
    return allThere;
}

std::string RegistryData(DWORD type, const BYTE* data, DWORD size) {
    char text[600];
    if ((type == REG_SZ || type == REG_EXPAND_SZ) && size > 0)
        snprintf(text, sizeof text, "\"%.*s\"", (int)strnlen((const char*)data, size), data);
    else if (type == REG_DWORD && size == 4)
        snprintf(text, sizeof text, "0x%08lX", *(const unsigned long*)data);
    else
        snprintf(text, sizeof text, "%lu bytes", (unsigned long)size);
    return text;
}

const char* TypeName(DWORD type) {
    switch (type) {
        case REG_SZ: return "REG_SZ";
        case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
        case REG_DWORD: return "REG_DWORD";
        case REG_BINARY: return "REG_BINARY";
        default: return "other";
    }
}

// The values of one key below HKLM; only the named value when `onlyName` is given.
int PrintKey(const char* key, const char* onlyName = nullptr) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) {
        // The installer writes its file-system setting only into a key that exists already.
        printf("  HKLM\\%s: no such key%s\n", key, onlyName ? ", so no setting" : "");
        return 0;
    }
    int rows = 0;
    for (DWORD index = 0;; ++index) {
        char name[256];
        BYTE data[512];
        DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
        LONG status = RegEnumValueA(handle, index, name, &nameSize, nullptr, &type, data, &dataSize);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) continue;
        if (onlyName && _stricmp(name, onlyName) != 0) continue;
        if (rows == 0) printf("  HKLM\\%s\n", key);
        printf("      %-30s %-9s %s\n", name[0] ? name : "(default)", TypeName(type),
               RegistryData(type, data, dataSize).c_str());
        ++rows;
    }
    RegCloseKey(handle);
    if (rows == 0 && onlyName) printf("  HKLM\\%s\n      %-30s not written\n", key, onlyName);
    if (rows == 0 && !onlyName) printf("  HKLM\\%s\n      no values\n", key);
    return rows;
}

void PrintRegistry() {
    printf("\nRegistry rows (key, name, type, data)\n");
    int rows = PrintKey(PublisherKey);
    rows += PrintKey(VersionKey);
    rows += PrintKey(UninstallKey);
    rows += PrintKey(FileSystemKey, "DisableLowDiskSpaceBroadcast");
    printf("  %d rows\n", rows);
}

void PrintLinks(const RunNotes& notes) {
    const std::string group = ProgramsFolder() + "\\" + notes.groupName;
    printf("\nLinks in %s\n", group.c_str());
    std::vector<std::string> names = ListFolder(group);
    if (names.empty()) printf("  none\n");
    for (const std::string& name : names) {
        LinkContents link = ReadLink(group + "\\" + name);
        if (!link.loaded) {
            printf("  %-16s (not a readable link)\n", name.c_str());
            continue;
        }
        printf("  %-16s -> %s\n  %-16s    working folder %s\n", name.c_str(), link.target.c_str(),
               "", link.workingFolder.c_str());
    }
}

bool ParseOptions(int argc, char** argv, Options* options) {
    int next = 1;
    if (next + 1 < argc && strcmp(argv[next], "--installer") == 0) {
        options->installer = argv[next + 1];
        next += 2;
    }
    if (next == argc) return true;
    if (next + 1 != argc) return false;
    if (strcmp(argv[next], "--bench") == 0)
        options->bench = true;
    else if (argv[next][0] != '-')
        options->shotFolder = argv[next];
    else
        return false;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        fprintf(stderr, "usage: porvane_unattended.exe [--installer PROGRAM] [SHOT_FOLDER | --bench]\n");
        return 2;
    }
    setvbuf(stdout, nullptr, _IONBF, 0);
    RunNotes notes;
    if (DriveInstallation(options, notes) != 0) return 1;

    if (options.bench) {
        printf("installation: %.0f ms from start to end\n", notes.wallMs);
        for (const StepTime& step : notes.steps) printf("step: %.0f ms %s\n", step.ms, step.name);
        return 0;
    }
    printf("The installation completed: every page came, from the welcome page to the restart "
           "notice.\nPorvane.exe exited with code %lu (it ends with 1 on every path, finished or "
           "not).\nDefault answers: Continue, I Agree, folder %s, group \"%s\", read-me No.\n",
           (unsigned long)notes.exitCode, notes.installFolder.c_str(), notes.groupName.c_str());
    if (notes.installFolder.empty()) {
        // The installing page was not caught at its end: the folder the installer recorded.
        RegistryValue recorded = ReadRegistryValue(PublisherKey, "Vantrel");
        if (recorded.present) notes.installFolder = recorded.data.c_str();
    }
    bool allThere = PrintFiles(notes);
    PrintRegistry();
    PrintLinks(notes);
    if (!allThere) return Fail("files of the product are missing");
    return 0;
}
