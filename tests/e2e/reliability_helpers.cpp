#include "reliability_helpers.h"

#include <stdio.h>

#include <algorithm>

#include "../common/host_command.h"
#include "pathutil.h"

namespace reliability {

using namespace installation;

namespace {

uint64_t Ticks(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

void ReadTreeInto(const std::string& root, const std::string& relative, Tree* tree) {
    const std::string path = relative.empty() ? root : root + "\\" + relative;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return;
    Entry entry;
    entry.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.attributes = data.dwFileAttributes;
    entry.creation = Ticks(data.ftCreationTime);
    entry.write = Ticks(data.ftLastWriteTime);
    if (!entry.folder) entry.content = ReadFileOrMissing(path);
    (*tree)[relative] = entry;
    if (!entry.folder) return;
    for (const std::string& name : ListFolder(path)) {
        ReadTreeInto(root, relative.empty() ? name : relative + "\\" + name, tree);
    }
}

std::string Hex(const BYTE* data, DWORD size) {
    std::string text;
    char pair[3];
    for (DWORD i = 0; i < size; ++i) {
        snprintf(pair, sizeof pair, "%02x", data[i]);
        text += pair;
    }
    return text;
}

void ReadKeyInto(const std::string& path, bool recursive, const char* onlyValue, Registry* out) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    (*out)[path + "\\"] = "key";
    for (DWORD i = 0;; ++i) {
        char name[1024];
        DWORD nameSize = sizeof name;
        BYTE data[4096];
        DWORD dataSize = sizeof data;
        DWORD type = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
        if (onlyValue && lstrcmpiA(name, onlyValue) != 0) continue;
        (*out)[path + "\\" + name] = std::to_string(type) + ":" + Hex(data, dataSize);
    }
    if (recursive) {
        std::vector<std::string> children;
        for (DWORD i = 0;; ++i) {
            char name[1024];
            DWORD nameSize = sizeof name;
            if (RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            children.push_back(name);
        }
        for (const std::string& child : children) ReadKeyInto(path + "\\" + child, true, nullptr, out);
    }
    RegCloseKey(key);
}

template <typename Map, typename Describe>
std::string MapDifference(const Map& before, const Map& after, Describe describe) {
    std::string lines;
    for (const auto& [path, entry] : before) {
        auto found = after.find(path);
        if (found == after.end()) {
            lines += "gone: " + path + "\n";
        } else {
            const std::string change = describe(entry, found->second);
            if (!change.empty()) lines += "changed: " + path + " (" + change + ")\n";
        }
    }
    for (const auto& [path, entry] : after) {
        if (before.find(path) == before.end()) lines += "new: " + path + "\n";
    }
    return lines;
}

bool StartInstaller(InstallerRun& run, const char* exePath, std::string* error) {
    if (!StartProgram(exePath, &run.child, error, true)) return false;
    run.watch.Start(run.child.processId);
    ResumeProgram(run.child);
    return true;
}

std::string DescribeEntry(const Entry& a, const Entry& b) {
    std::string what;
    if (a.folder != b.folder) what += "kind ";
    if (a.attributes != b.attributes) what += "attributes ";
    if (a.content != b.content) what += "content ";
    // A folder's write time moves with every file made or deleted in it; under Wine so does its
    // creation time, which is the host's inode change time.
    if (!a.folder && a.creation != b.creation) what += "creation-time ";
    if (!a.folder && a.write != b.write) what += "write-time ";
    return what;
}

}  // namespace

std::string WindowsFolder() {
    char path[MAX_PATH] = "";
    const UINT length = GetWindowsDirectoryA(path, sizeof path);
    if (length == 0 || length >= sizeof path) return std::string();
    TitleCasePath(path);
    return path;
}

std::string UninstallerPath() { return WindowsFolder() + "\\" + Files[0].name; }

std::vector<std::string> InstallFolderFiles() {
    std::vector<std::string> names;
    for (const ProductFile& file : Files) {
        if (!file.toWindowsFolder) names.push_back(file.name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> LinkNames() {
    std::vector<std::string> names;
    for (const ProductFile& file : Files) {
        if (file.shortcut) names.push_back(std::string(file.shortcut) + ".lnk");
    }
    std::sort(names.begin(), names.end());
    return names;
}

Tree ReadTree(const std::string& root) {
    Tree tree;
    ReadTreeInto(root, "", &tree);
    return tree;
}

std::string Difference(const Tree& before, const Tree& after) {
    return MapDifference(before, after, &DescribeEntry);
}

std::vector<std::string> Paths(const Tree& tree) {
    std::vector<std::string> paths;
    for (const auto& entry : tree) {
        if (!entry.first.empty()) paths.push_back(entry.first + (entry.second.folder ? "\\" : ""));
    }
    return paths;
}

Tree KeepOnly(const Tree& tree, const std::vector<std::string>& paths) {
    Tree part;
    for (const std::string& path : paths) {
        auto found = tree.find(path);
        if (found != tree.end()) part.insert(*found);
    }
    return part;
}

Registry ReadProductRegistry() {
    Registry registry;
    ReadKeyInto(PublisherKey, true, nullptr, &registry);
    ReadKeyInto(UninstallKey, true, nullptr, &registry);
    Registry fileSystem;
    ReadKeyInto(FileSystemKey, false, "DisableLowDiskSpaceBroadcast", &fileSystem);
    fileSystem.erase(std::string(FileSystemKey) + "\\");  // the key itself is the system's
    registry.insert(fileSystem.begin(), fileSystem.end());
    return registry;
}

std::string Difference(const Registry& before, const Registry& after) {
    return MapDifference(before, after,
                         [](const std::string& a, const std::string& b) { return a == b ? "" : a + " -> " + b; });
}

bool SetRegistryValue(const char* keyPath, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    const bool ok = RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

SystemState ReadSystemState(const std::string& installFolder, const std::string& group) {
    SystemState state;
    state.installFolder = ReadTree(installFolder);
    state.uninstaller = ReadTree(UninstallerPath());
    state.group = ReadTree(ProgramsFolder() + "\\" + group);
    state.registry = ReadProductRegistry();
    return state;
}

std::string Difference(const SystemState& before, const SystemState& after) {
    std::string lines;
    auto add = [&](const char* where, const std::string& change) {
        if (!change.empty()) lines += std::string(where) + ":\n" + change;
    };
    add("install folder", Difference(before.installFolder, after.installFolder));
    add("uninstaller", Difference(before.uninstaller, after.uninstaller));
    add("program group", Difference(before.group, after.group));
    add("registry", Difference(before.registry, after.registry));
    return lines;
}

std::string RecycleBinFolder() {
    char home[MAX_PATH] = "";
    const DWORD length = GetEnvironmentVariableA("WINEHOMEDIR", home, sizeof home);  // "\\??\\Z:\\..."
    if (length < 4 || length >= sizeof home) return "<no WINEHOMEDIR>";
    return std::string(home + 4) + "\\.local\\share\\Trash\\files";
}

std::vector<std::string> RecycledFrom(const std::string& name) {
    std::vector<std::string> paths;
    for (const std::string& entry : ListFolder(RecycleBinFolder())) {
        if (entry == name || (entry.size() == name.size() + 9 && entry.compare(0, name.size() + 1, name + "-") == 0)) {
            paths.push_back(RecycleBinFolder() + "\\" + entry);
        }
    }
    return paths;
}

std::string HostCommand(const std::string& arguments) {
    return RunHostScript(BesideSource(__FILE__, "reliability_hostfs.sh"), arguments,
                         "porvane-reliability-hostfs.status");
}

HostChange::HostChange(const std::string& upArguments, const std::string& downArguments)
    : down_(downArguments), status_(HostCommand(upArguments)) {}

HostChange::~HostChange() { EXPECT_EQ(HostCommand(down_), "ok") << "could not undo: " << down_; }

HeldFile::HeldFile(const std::string& path)
    : file_(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}

HeldFile::~HeldFile() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
}

HWND StartAtLocationPage(InstallerRun& run, std::string* why, const char* exePath) {
    if (!StartInstaller(run, exePath, why)) return nullptr;
    HWND welcome = run.WaitForWelcome(StepTimeoutMs);
    HWND license = welcome ? ContinueToLicense(run, welcome) : nullptr;
    HWND location = license ? ContinueToLocation(run, license) : nullptr;
    if (!location) *why = "the location page did not open";
    return location;
}

std::string AnswerNextBox(InstallerRun& run, int button, DWORD timeoutMs) {
    HWND box = WaitForInstallerBox(run, timeoutMs);
    if (!box) return std::string();
    const std::string text = MessageBoxText(box);
    Answer(box, button);
    return text;
}

HWND StartInstalling(InstallerRun& run, const std::string& folder, std::string* why, const char* exePath,
                     std::string* proposedFolder, std::string* otherFilesNotice) {
    HWND location = StartAtLocationPage(run, why, exePath);
    if (!location) return nullptr;
    if (proposedFolder) *proposedFolder = ItemText(location, IDC_FOLDER_EDIT);
    SetEditText(Item(location, IDC_FOLDER_EDIT), folder.c_str());
    HWND installing = ContinueToInstalling(run, location, otherFilesNotice);
    if (!installing) *why = "the installing page did not open";
    return installing;
}

bool TypeAndSettle(HWND edit, HWND shown, const std::string& text, size_t limit) {
    // The click that focuses the box may land after the selection of the old text and move the
    // caret into it: an empty box takes the keys whole wherever the caret is.
    SetEditText(edit, "");
    if (!TypeText(edit, text.c_str())) return false;
    const std::string expected = text.substr(0, limit);
    if (!WaitUntil([&] { return TextOf(shown) == expected; }, StepTimeoutMs)) return false;
    if (text.size() <= limit) return true;
    // Keys past the limit change nothing that shows, yet they may still be queued and would land
    // in whatever text comes next. A Backspace behind them shows when they are all through; the
    // last letter typed again restores the text.
    const char last = expected.back();
    if (last < 'a' || last > 'z') return false;
    HWND page = GetAncestor(edit, GA_ROOT);
    if (!PressKey(page, VK_BACK) ||
        !WaitUntil([&] { return TextOf(shown) == expected.substr(0, limit - 1); }, StepTimeoutMs)) {
        return false;
    }
    return PressKey(page, static_cast<WORD>('A' + (last - 'a'))) &&
           WaitUntil([&] { return TextOf(shown) == expected; }, StepTimeoutMs);
}

Stop AnswerStop(InstallerRun& run, DWORD timeoutMs) {
    Stop stop;
    stop.message = AnswerNextBox(run, IDOK, timeoutMs);
    stop.notice = AnswerNextBox(run, IDOK);
    if (!run.WaitForEnd(StepTimeoutMs, &stop.exitCode)) stop.exitCode = 0xFFFFFFFF;
    return stop;
}

void ExpectStoppedWith(const Stop& stop, const char* message) {
    EXPECT_EQ(stop.message, message);
    EXPECT_EQ(stop.notice, AbortNoticeText);
    EXPECT_EQ(stop.exitCode, 1u);
}

StoppedRun RunUntilStop(const std::string& folder, const char* exePath) {
    StoppedRun result;
    InstallerRun run;
    std::string why;
    HWND installing = StartInstalling(run, folder, &why, exePath, &result.proposedFolder);
    if (!installing) {
        ADD_FAILURE() << why;
        return result;
    }
    // Followed until the copy step's message stands over the page.
    result.installing = FollowInstallingPage(run, installing);
    result.stop = AnswerStop(run);
    return result;
}

bool Install(const std::string& folder, const std::string& group, Installation* result, std::string* why,
             const InstallOptions& options) {
    InstallerRun run;
    HWND installing =
        StartInstalling(run, folder, why, options.exePath, &result->proposedFolder, &result->otherFilesNotice);
    if (!installing) return false;
    result->installing = FollowInstallingPage(run, installing);
    HWND groupPage = WaitForGroupPage(run);
    if (!groupPage) {
        *why = "the group page did not open";
        return false;
    }
    HWND combo = Item(groupPage, IDC_GROUP_COMBO);
    if (options.typeGroup) {
        HWND edit = FindWindowExA(combo, nullptr, "Edit", nullptr);
        if (!edit || !TypeAndSettle(edit, combo, group, GroupNameLimit)) {
            *why = "could not type into the group box: it shows '" + TextOf(combo) + "'";
            return false;
        }
    } else {
        SetEditText(combo, group.c_str());
    }
    result->groupAccepted = TextOf(combo);
    ClickButton(groupPage, IDC_GROUP_CONTINUE);

    HWND box = WaitForInstallerBox(run, WorkTimeoutMs);
    std::string question = box ? MessageBoxText(box) : std::string();
    if (question.rfind(GroupInvalidText, 0) == 0 && !options.fallbackGroup.empty()) {
        result->groupRefusal = question;
        Answer(box, IDOK);
        SetEditText(combo, options.fallbackGroup.c_str());
        ClickButton(groupPage, IDC_GROUP_CONTINUE);
        box = WaitForInstallerBox(run, WorkTimeoutMs);
        question = box ? MessageBoxText(box) : std::string();
    }
    if (box) Answer(box, options.readMe ? IDYES : IDNO);
    if (question != ReadMeQuestionText) {
        *why = "expected the read-me question, got: '" + question + "'";
        return false;
    }
    if (options.readMe) {
        // The installer waits for the Notepad it started.
        result->notepadSeen =
            WaitUntil([&] { return FindWindowOfOtherProcess("Notepad", run.child.processId) != nullptr; },
                      StepTimeoutMs);
        CloseNotepads(run.child.processId);
    }
    const std::string notice = AnswerNextBox(run, IDOK);
    if (notice != RestartNoticeText) {
        *why = "expected the restart notice, got: '" + notice + "'";
        return false;
    }
    if (!run.WaitForEnd(StepTimeoutMs, &result->exitCode)) {
        *why = "the installer did not end";
        return false;
    }
    result->boxes = run.watch.CountSeen(PageClass, MessageBoxCaption);
    return true;
}

bool Uninstall(Uninstallation* result, std::string* why, bool killAtClosing) {
    ChildProgram child;
    const std::string path = UninstallerPath();
    if (!StartProgram(path.c_str(), &child, why)) return false;
    HWND question = WaitForMessageBox(child.processId, nullptr, MessageBoxCaption, StepTimeoutMs);
    if (!question) {
        *why = "no question from the uninstaller";
        EndProgram(&child);
        return false;
    }
    result->question = MessageBoxText(question);
    Answer(question, IDYES);
    HWND closing = WaitForMessageBox(child.processId, nullptr, MessageBoxCaption, WorkTimeoutMs);
    if (!closing) {
        *why = "no closing message from the uninstaller";
        EndProgram(&child);
        return false;
    }
    result->closing = MessageBoxText(closing);
    if (killAtClosing) {  // as the task manager would end it, its message still open
        EndProgram(&child);
        return true;
    }
    AnswerMessageBox(closing, IDOK);
    const bool ended = WaitForExit(&child, StepTimeoutMs, &result->exitCode);
    EndProgram(&child);
    if (!ended) *why = "the uninstaller did not end";
    return ended;
}

void ReliabilityTest::SetUp() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = std::string(info->test_suite_name()) + "." + info->name();
    watchdog_.reset(new Watchdog(name.c_str(), TestWatchdogMs, nullptr));
    // A run that was ended from outside may have left a fault in place.
    HostCommand("programs-restore");
    HostCommand("unmount Reliability/Full");
    HostCommand("unmount Reliability/ReadOnly");
    HostCommand("drive-unmap d");
    ASSERT_FALSE(ProgramsFolder().empty());
    ASSERT_FALSE(WindowsFolder().empty());
    cleaner.extraFolders = {TestRoot};
    cleaner.Clean();
    cleaner.programsBefore = ListFolder(ProgramsFolder());
    cleaner.PrepareFileSystemKey();
    MakeFolders(TestRoot);
    ASSERT_TRUE(IsFolder(TestRoot));
}

void ReliabilityTest::TearDown() {
    CloseNotepads(0);
    HostCommand("drive-unmap d");
    cleaner.Clean();
    cleaner.RestoreFileSystemKey();
    watchdog_.reset();
}

}  // namespace reliability
