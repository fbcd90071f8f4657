// What the reliability tests add to the installation helpers: precise pictures of what a run may
// change (trees with times and attributes, the product's registry), host-side faults that are
// undone whatever the outcome, files held open by another process, whole runs of an installer
// program at any path and of the uninstaller, and a fixture that leaves the Wine prefix as it
// found it.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "install_helpers.h"

namespace reliability {

// A run of several installations takes a minute, the crash-point sweep's hundreds of processes
// several on a machine busy with other tests; the watchdog is for a run that hangs.
const DWORD TestWatchdogMs = 580000;

// Everything the tests make lives below this folder (or in the product's own places).
const char TestRoot[] = "C:\\Reliability";

// What the location page's edit box and the group box take by typing.
const size_t FolderTextLimit = 259;
const size_t GroupNameLimit = 40;

// The Windows folder as the installer records it: the system's, title-cased.
std::string WindowsFolder();
std::string UninstallerPath();
// The rows that land in the install folder, and the group's links, by name, sorted.
std::vector<std::string> InstallFolderFiles();
std::vector<std::string> LinkNames();

// A whole tree as the tests compare it: every file's bytes, attributes and times, every folder.
struct Entry {
    bool folder = false;
    DWORD attributes = 0;
    std::string content;
    uint64_t creation = 0, write = 0;
};
using Tree = std::map<std::string, Entry>;  // by path relative to the root, "" for the root itself
Tree ReadTree(const std::string& root);     // empty when the root is missing
// What differs, one line per path; empty when the two are the same. Access times are left out:
// reading a file for the comparison moves them.
std::string Difference(const Tree& before, const Tree& after);
// Relative paths, folders with a trailing backslash, the root left out.
std::vector<std::string> Paths(const Tree& tree);
// The entries of the tree with the given relative paths.
Tree KeepOnly(const Tree& tree, const std::vector<std::string>& paths);

// The registry that the product owns or touches: the publisher key's whole tree, the uninstall
// entry and the file-system setting. "key\\value" -> "type:hex data"; "key\\" for a key.
using Registry = std::map<std::string, std::string>;
Registry ReadProductRegistry();
std::string Difference(const Registry& before, const Registry& after);
// Writes one value below HKLM, creating the key; the data is stored exactly as given.
bool SetRegistryValue(const char* key, const char* name, DWORD type, const void* data, DWORD size);

// Everything the product may leave: files, links, registry, as one picture of "the system".
struct SystemState {
    Tree installFolder;
    Tree uninstaller;  // the uninstaller file alone, as a tree of one entry
    Tree group;
    Registry registry;
};
SystemState ReadSystemState(const std::string& installFolder, const std::string& group);
std::string Difference(const SystemState& before, const SystemState& after);

// The desktop's Recycle Bin as Wine keeps it (the trash folder of the harness's home). A folder
// sent there keeps its name while the bin holds none of that name, and is kept as
// "<name>-<eight hex digits>" after that: the paths of those made from name.
std::string RecycleBinFolder();
std::vector<std::string> RecycledFrom(const std::string& name);

// Runs reliability_hostfs.sh on the host with the arguments; its answer ("ok" or the reason).
std::string HostCommand(const std::string& arguments);
// A host-side change made through reliability_hostfs.sh and undone when the object goes.
class HostChange {
public:
    HostChange(const std::string& upArguments, const std::string& downArguments);
    ~HostChange();
    HostChange(const HostChange&) = delete;
    HostChange& operator=(const HostChange&) = delete;
    const std::string& status() const { return status_; }  // "ok" once made

private:
    std::string down_;
    std::string status_;
};

// A file held open without sharing by this process (the installer's view: another program has it
// open), released when the object goes.
class HeldFile {
public:
    explicit HeldFile(const std::string& path);
    ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    bool held() const { return file_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE file_;
};

// Starts the installer at exePath (a copy elsewhere, the damaged build), its windows watched from
// its first instruction, and accepts welcome and licence: the location page, or null
// with the reason.
HWND StartAtLocationPage(InstallerRun& run, std::string* why, const char* exePath = PORVANE_EXE_PATH);
// The installer's next message box: its text, then the button is pressed and the box gone.
// Empty when none came in time.
std::string AnswerNextBox(InstallerRun& run, int button, DWORD timeoutMs = installation::StepTimeoutMs);

// Starts the installer, accepts welcome and licence and continues on the location page with
// folder set at once, as a paste: the installing page, or null with the reason. The location
// page's proposal is kept when asked for.
// A notice that the folder holds other files is answered as by ContinueToInstalling.
HWND StartInstalling(InstallerRun& run, const std::string& folder, std::string* why,
                     const char* exePath = PORVANE_EXE_PATH, std::string* proposedFolder = nullptr,
                     std::string* otherFilesNotice = nullptr);

// Types text key by key into edit and waits until `shown` (the edit, or the combo box that holds
// it) shows it, cut at limit, with every key through: the keys arrive through the input queue,
// after a button pressed at once would. A text longer than limit must end in a lower-case
// letter. False when the keys did not all arrive.
bool TypeAndSettle(HWND edit, HWND shown, const std::string& text, size_t limit);

// How a run that stops with an error ends: its message, the abort notice and the exit code.
struct Stop {
    std::string message, notice;
    DWORD exitCode = 0xFFFFFFFF;
};
Stop AnswerStop(InstallerRun& run, DWORD timeoutMs = installation::WorkTimeoutMs);
void ExpectStoppedWith(const Stop& stop, const char* message);

// A run into folder that the copy step stops: what the installing page showed up to the
// message, and how the run ended. A page that does not come fails the test.
struct StoppedRun {
    std::string proposedFolder;
    installation::InstallingRecord installing;
    Stop stop;
};
StoppedRun RunUntilStop(const std::string& folder, const char* exePath = PORVANE_EXE_PATH);

// A whole installation into folder with group: every page, the read-me shown (Notepad closed
// once it is up) or not.
struct InstallOptions {
    bool readMe = false;
    bool typeGroup = false;  // typed key by key into the group box (else set at once, as a paste)
    std::string fallbackGroup;  // set and continued with when the page refuses the group
    const char* exePath = PORVANE_EXE_PATH;
};
struct Installation {
    std::string proposedFolder;  // the location page's edit text when it opened
    std::string otherFilesNotice;  // its notice of a folder holding other files, answered OK
    std::string groupAccepted;   // the group box's text when Continue was pressed
    std::string groupRefusal;    // the page's message when it refused that text
    installation::InstallingRecord installing;
    bool notepadSeen = false;
    int boxes = 0;  // message boxes the installer showed
    DWORD exitCode = 0xFFFFFFFF;
};
bool Install(const std::string& folder, const std::string& group, Installation* result, std::string* why,
             const InstallOptions& options = InstallOptions());

// Runs the uninstaller from the Windows folder with Yes to its question: the question, its closing
// message and its exit code (none when killed while its closing message shows). False when a step
// did not come.
struct Uninstallation {
    std::string question, closing;
    DWORD exitCode = 0xFFFFFFFF;
};
bool Uninstall(Uninstallation* result, std::string* why, bool killAtClosing = false);

// Starts from a system without the product, with no host fault left from an interrupted run, and
// leaves the system so, whatever the outcome.
class ReliabilityTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    installation::SystemCleaner cleaner;

private:
    std::unique_ptr<Watchdog> watchdog_;
};

}  // namespace reliability
