// The crash-point sweep. The installer's engine runs in a child process that is stopped dead
// right after its k-th change (a journal record, a folder or file made, a file moved or removed,
// a registry key or value written), for every k; then recovery runs, and the whole system must be
// exactly as it was before the run, or, once the run's completion is recorded, exactly as after an
// uninterrupted run. Then the same for the recovery itself: stopped after each of its own changes
// and run again, it must end in the same state.
#include <stdio.h>

#include <algorithm>

#include "crash_child.h"
#include "journal.h"
#include "messages.h"
#include "reliability_helpers.h"

namespace reliability {
namespace {

using namespace installation;

const char Folder[] = "C:\\Reliability\\Crash\\Vantrel";

// One run of the child to its end or its stop: its exit code.
DWORD RunChild(const char* action, long stopAfter) {
    std::string line = std::string("\"") + PORVANE_CRASH_CHILD_PATH + "\" " + action + " " +
                       std::to_string(stopAfter) + " \"" + Folder + "\" \"" + DefaultGroup + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return CrashChildFailed;
    }
    DWORD code = CrashChildFailed;
    if (WaitForSingleObject(process.hProcess, WorkTimeoutMs) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// Everything a run may touch: the test's folders (the install folder and its parents), the
// uninstaller, the group, the registry, what the Recycle Bin holds from the run, and whatever is
// left of a journal or a replaced file in the Windows folder.
struct Picture {
    Tree folders, bin;
    SystemState system;
    std::vector<std::string> windowsLeftovers;
};

// What the Recycle Bin held from the run: the folders recycled since the sweep began.
std::vector<std::string> RecycledByTheRun(const std::vector<std::string>& earlier) {
    std::vector<std::string> paths;
    for (const std::string& path : RecycledFrom(RemovedFilesFolderName)) {
        if (std::find(earlier.begin(), earlier.end(), path) == earlier.end()) paths.push_back(path);
    }
    return paths;
}

Picture TakePicture(const std::vector<std::string>& earlierBin) {
    Picture picture;
    picture.folders = ReadTree(TestRoot);
    picture.system = ReadSystemState(Folder, DefaultGroup);
    // A link the run saved holds the moment it was made, in its times and in its bytes: two runs
    // differ there and nowhere else. The run's links are compared by kind, the others byte for byte.
    for (auto& [path, entry] : picture.system.group) {
        if (entry.content.compare(0, 4, std::string("\x4C\0\0\0", 4)) == 0) entry = Entry{false, 0, "<a saved link>"};
    }
    int index = 0;
    for (const std::string& recycled : RecycledByTheRun(earlierBin)) {
        for (const auto& [path, entry] : ReadTree(recycled)) picture.bin[std::to_string(index) + ":" + path] = entry;
        ++index;
    }
    for (const std::string& name : ListFolder(WindowsFolder())) {
        if (name.compare(0, 7, "Vantrel") == 0 || name.compare(0, 8, "Tolvangr") == 0) {
            picture.windowsLeftovers.push_back(name);
        }
    }
    return picture;
}

std::string Difference(const Picture& expected, const Picture& actual) {
    std::string lines = Difference(expected.folders, actual.folders) + Difference(expected.bin, actual.bin) +
                        Difference(expected.system, actual.system);
    if (expected.windowsLeftovers != actual.windowsLeftovers) lines += "Windows folder: product files differ\n";
    return lines;
}

// True when the journal's completion record is down: from there on a run stands.
bool JournalRecordsCompletion() {
    const std::string journal = ReadFileOrMissing(JournalFile);
    return journal.find("\r\nC ") != std::string::npos && journal.find(" completed\r\n") != std::string::npos;
}

// Gives every file below path (or path itself) one fixed time, so that each preparation of the
// system is the same to the last field.
void SetFixedTimes(const std::string& path) {
    if (IsFolder(path)) {
        for (const std::string& name : ListFolder(path)) SetFixedTimes(path + "\\" + name);
        return;
    }
    const FILETIME fixed = {0x12345678, 0x01D00000};
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    EXPECT_TRUE(SetFileTime(file, &fixed, &fixed, &fixed)) << path;
    CloseHandle(file);
}

long RecoveryChanges = 0;
void CountRecoveryChange() { ++RecoveryChanges; }

class CrashPoints : public ReliabilityTest {
protected:
    // The system before the run: clean, or with an earlier, used installation.
    void Prepare() {
        cleaner.Clean();
        for (const std::string& recycled : RecycledByTheRun(earlierBin)) RemoveTree(recycled);
        RemoveTree(TestRoot);
        MakeFolders(TestRoot);
        ASSERT_TRUE(SetRegistryValue(FileSystemKey, "DisableLowDiskSpaceBroadcast", REG_DWORD, &lowDiskBefore,
                                     sizeof lowDiskBefore));
        if (!reinstall) return;
        const std::string folder = Folder;
        MakeFolders(folder);
        for (const std::string& name : InstallFolderFiles()) {
            ASSERT_TRUE(WriteWholeFile(folder + "\\" + name, "the earlier " + name + ", edited"));
        }
        ASSERT_TRUE(WriteWholeFile(folder + "\\My notes.txt", "the user's own text"));
        ASSERT_TRUE(WriteWholeFile(folder + "\\Settings.DAT", "kept data", FILE_ATTRIBUTE_HIDDEN));
        MakeFolders(folder + "\\Letters\\2025");
        ASSERT_TRUE(WriteWholeFile(folder + "\\Letters\\draft.txt", "Dear reader", FILE_ATTRIBUTE_READONLY));
        ASSERT_TRUE(WriteWholeFile(folder + "\\Letters\\2025\\March.txt", "deep", FILE_ATTRIBUTE_HIDDEN));
        ASSERT_TRUE(WriteWholeFile(UninstallerPath(), "an earlier uninstaller"));
        const std::string group = ProgramsFolder() + "\\" + DefaultGroup;
        MakeFolders(group);
        ASSERT_TRUE(WriteWholeFile(group + "\\Help.lnk", "an earlier link"));
        ASSERT_TRUE(WriteWholeFile(group + "\\Notes.lnk", "the user's own link"));
        ASSERT_TRUE(SetRegistryValue(PublisherKey, "Vantrel", REG_SZ, Folder, sizeof Folder));
        ASSERT_TRUE(SetRegistryValue(UninstallKey, "DisplayVersion", REG_SZ, "v3.01", 6));
        for (const std::string& path : {folder, UninstallerPath(), group}) ASSERT_NO_FATAL_FAILURE(SetFixedTimes(path));
    }

    // Stops the run after change k, recovers in this process, and compares.
    void ExpectRecovered(const char* action, long k, const Picture& before, const Picture& completed) {
        ASSERT_NO_FATAL_FAILURE(Prepare());
        ASSERT_EQ(RunChild(action, k), static_cast<DWORD>(CrashChildStopped)) << "change " << k;
        const bool stands = strcmp(action, "install") == 0 && (!Exists(JournalFile) || JournalRecordsCompletion());
        char stuck[MAX_PATH] = "";
        RecoveryChanges = 0;
        JournalAfterChange = CountRecoveryChange;
        EXPECT_NE(RecoverJournal(JournalFile, stuck, sizeof stuck), JournalStuck) << stuck;
        JournalAfterChange = nullptr;
        ASSERT_EQ(Difference(stands ? completed : before, TakePicture(earlierBin)), "")
            << action << " stopped after change " << k << (stands ? " (completion recorded)" : "");
        // The recovery with the most to do in each direction is the one stopped in turn later.
        long& most = stands ? mostToCommit : mostToUndo;
        if (RecoveryChanges > (stands ? commitChanges : undoChanges)) {
            most = k;
            (stands ? commitChanges : undoChanges) = RecoveryChanges;
        }
    }

    // The run stopped after change k, then recovery stopped after each of its own changes and run
    // again: the same end. changes: the number of the recovery's own changes.
    void SweepRecovery(const char* action, long k, const Picture& expected, long* changes) {
        *changes = 0;
        if (k == 0) return;
        ASSERT_NO_FATAL_FAILURE(Prepare());
        ASSERT_EQ(RunChild(action, k), static_cast<DWORD>(CrashChildStopped));
        *changes = static_cast<long>(RunChild("recover", 0));
        ASSERT_LT(*changes, static_cast<long>(CrashChildStopped));
        for (long j = 1; j <= *changes && !HasFatalFailure(); ++j) {
            ASSERT_NO_FATAL_FAILURE(Prepare());
            ASSERT_EQ(RunChild(action, k), static_cast<DWORD>(CrashChildStopped));
            ASSERT_EQ(RunChild("recover", j), static_cast<DWORD>(CrashChildStopped)) << "recovery change " << j;
            char stuck[MAX_PATH] = "";
            EXPECT_NE(RecoverJournal(JournalFile, stuck, sizeof stuck), JournalStuck) << stuck;
            ASSERT_EQ(Difference(expected, TakePicture(earlierBin)), "")
                << action << " stopped after change " << k << ", its recovery after change " << j;
        }
    }

    void Sweep(const char* action) {
        ASSERT_NO_FATAL_FAILURE(Prepare());
        const Picture before = TakePicture(earlierBin);
        const long total = static_cast<long>(RunChild(action, 0));
        ASSERT_LT(total, static_cast<long>(CrashChildStopped));
        const Picture completed = TakePicture(earlierBin);
        // A cancelled run ends as it began; a completed one has changed the system.
        ASSERT_EQ(strcmp(action, "cancel") == 0, Difference(before, completed).empty());
        if (reinstall && strcmp(action, "install") == 0) {
            // What the run removed and replaced went to the Recycle Bin: the user's file, the
            // earlier uninstaller from the Windows folder, the earlier link from the group.
            std::map<std::string, std::string> recycled;
            for (const auto& [path, entry] : completed.bin) recycled[path.substr(path.find(':') + 1)] = entry.content;
            EXPECT_EQ(recycled["My notes.txt"], "the user's own text");
            EXPECT_EQ(recycled["Tolvangr.exe"], "an earlier uninstaller");
            EXPECT_EQ(recycled["Help.lnk"], "an earlier link");
        }
        for (long k = 1; k <= total && !HasFatalFailure(); ++k) ExpectRecovered(action, k, before, completed);
        long undoing = 0;
        long committing = 0;
        ASSERT_NO_FATAL_FAILURE(SweepRecovery(action, mostToUndo, before, &undoing));
        ASSERT_NO_FATAL_FAILURE(SweepRecovery(action, mostToCommit, completed, &committing));
        printf("[ crash points ] %s%s: %ld in the run, %ld in an undo at start, %ld in a commit at start\n",
               reinstall ? "reinstall, " : "", action, total, undoing, committing);
    }

    bool reinstall = false;
    // What other tests left in the Recycle Bin; not the sweep's to compare or remove.
    const std::vector<std::string> earlierBin = RecycledFrom(RemovedFilesFolderName);
    // The stops after which recovery had the most to undo, and the most of a commit to finish.
    long mostToUndo = 0, undoChanges = 0;
    long mostToCommit = 0, commitChanges = 0;
    const DWORD lowDiskBefore = 5;
};

TEST_F(CrashPoints, AFirstInstallationStoppedAnywhereIsUndoneOrCompleted) { Sweep("install"); }

TEST_F(CrashPoints, AReinstallationOverAUsedInstallationStoppedAnywhereIsUndoneOrCompleted) {
    reinstall = true;
    Sweep("install");
}

TEST_F(CrashPoints, AReinstallationCancelledOnTheGroupPageAndStoppedAnywhereIsUndone) {
    reinstall = true;
    Sweep("cancel");
}

}  // namespace
}  // namespace reliability
