// The copy step behind the installing page.
#include <windows.h>
#include <shlobj.h>
#include <string.h>

#include "copystep.h"
#include "journal.h"
#include "lzhuf.h"
#include "manifest.h"
#include "messages.h"
#include "pathutil.h"
#include "payloadcheck.h"
#include "preflight.h"
#include "pathutil_win32.h"

namespace {

int16_t StopCopy(const CopyReport& report, unsigned textId) {
    report.fail(report.context, textId, nullptr, 0);
    return -1;
}

// The decoder's output goes straight into the destination file. A block that is not written
// whole (disk full, I/O error) marks the file as failed: WriteFile may return TRUE for a short
// write, so the count written is what decides.
struct FileSink {
    HANDLE file;
    ProgressMeter* meter;
    const CopyReport* report;
    bool shortWrite;
};

uint32_t WriteBlock(void* context, const uint8_t* data, uint32_t count) {
    FileSink* sink = static_cast<FileSink*>(context);
    DWORD written = 0;
    if (!WriteFile(sink->file, data, count, &written, nullptr) || written != count) {
        sink->shortWrite = true;
    }
    return written;
}

void ReportBlock(void* context, uint32_t count) {
    const FileSink* sink = static_cast<FileSink*>(context);
    AddProgress(*sink->meter, *sink->report, count);
}

// The payload of an entry, or nullptr when the resource is missing or holds fewer bytes than the
// entry claims (the decoder must never read past it).
const uint8_t* LocatePayload(const FileEntry& entry) {
    uint32_t size = 0;
    const uint8_t* payload = FindRawResource(entry.resourceName, &size);
    return size < entry.compressedSize ? nullptr : payload;
}

// Writes one entry and closes its file. False after a write that came up short; what was
// written stays, unstamped.
bool ExtractEntry(ProgressMeter& meter, const CopyReport& report, const FileEntry& entry, HANDLE file,
                  const uint8_t* payload, const FILETIME& stamp) {
    FileSink state = {file, &meter, &report, false};
    const PayloadSink sink = {&state, WriteBlock, ReportBlock};
    const bool complete = decodePayload(sink, payload, entry.compressedSize, entry.fileSize) &&
                          !state.shortWrite;
    if (complete) (void)SetFileTime(file, &stamp, &stamp, &stamp);
    (void)CloseHandle(file);
    NoteChange();
    return complete;
}

}  // namespace

void FillSystemFolders(HWND owner, DirectoryTable& directories) {
    char* windows = directories.paths[DirWindows];
    const UINT length = GetWindowsDirectoryA(windows, DirectorySlotSize);
    if (length == 0 || length >= DirectorySlotSize) windows[0] = '\0';
    TitleCasePath(windows);

    // The shell writes up to MAX_PATH bytes, more than the slot holds: take the path through a
    // full-size buffer and keep it only when it fits.
    char* programs = directories.paths[DirPrograms];
    programs[0] = '\0';
    char path[MAX_PATH] = "";
    if (SUCCEEDED(SHGetFolderPathA(owner, CSIDL_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, path)) &&
        !CopyText(programs, DirectorySlotSize, path)) {
        programs[0] = '\0';
    }
    TitleCasePath(programs);
}

int16_t CopyAllFiles(const CopyReport& report, const DirectoryTable& directories, ProgressMeter& meter,
                     InstallJournal& journal) {
    return CopyVerifiedFiles(report, directories, meter, journal, Manifest, PayloadCrc32);
}

int16_t CopyVerifiedFiles(const CopyReport& report, const DirectoryTable& directories, ProgressMeter& meter,
                          InstallJournal& journal, const InstallManifest& manifest, const uint32_t* payloadCrcs) {
    // What can be known in advance stops the step before anything changes: a run stopped here
    // has nothing to undo.
    if (!PayloadsIntact(manifest, payloadCrcs)) return StopCopy(report, IDS_DAMAGED);
    if (!WaitUntilFilesAreFree(report, directories, manifest)) return -1;
    if (!CheckFreeSpace(report, directories, manifest)) return -1;
    return CopyManifestFiles(report, directories, meter, journal, manifest);
}

bool PayloadsIntact(const InstallManifest& manifest, const uint32_t* payloadCrcs) {
    const int16_t count = ClampedFileCount(manifest);
    for (int16_t i = 0; i < count; ++i) {
        const FileEntry& entry = manifest.files[i];
        uint32_t size = 0;
        const uint8_t* payload = FindRawResource(entry.resourceName, &size);
        if (!PayloadIntact(payload, size, entry.compressedSize, payloadCrcs[i])) return false;
    }
    return true;
}

int16_t CopyManifestFiles(const CopyReport& report, const DirectoryTable& directories, ProgressMeter& meter,
                          InstallJournal& journal, const InstallManifest& manifest) {
    const char* installFolder = directories.paths[DirInstall];

    // Every change from here on is recorded first, so that a run that does not complete can be
    // undone, now or at the next start.
    char journalPath[JournalPathSize];
    if (!JournalPath(journalPath, sizeof journalPath, directories.paths[DirWindows], manifest.product) ||
        !BeginJournal(journal, journalPath)) {
        return StopCopy(report, IDS_JOURNAL_FAILED);
    }
    // Whatever the run replaces, in the install folder or elsewhere, ends up beside the
    // installation; the name of that holding folder is chosen and recorded before anything moves.
    const bool canSetAside = BeginCleanUp(journal, installFolder);

    if (PathExists(installFolder)) {
        // A folder that others may write into would let them replace the programs later: it gets
        // the protection of a new one (its own recorded, for an undo).
        const DWORD attributes = GetFileAttributesA(installFolder);
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !JournalProtectFolder(journal, installFolder)) {
            return StopCopy(report, IDS_CREATE_FAILED);
        }
        // Only an earlier installation's folder is cleaned; any other keeps what it holds.
        if (canSetAside && HoldsEarlierInstallation(installFolder)) (void)CleanInstallFolder(installFolder, journal);
    } else {
        CreateFolderChain(installFolder, journal);
    }

    static_assert(sizeof(SYSTEMTIME) == sizeof(ManifestTime), "ManifestTime mirrors SYSTEMTIME");
    SYSTEMTIME localTime;
    memcpy(&localTime, &manifest.product.fileTime, sizeof localTime);
    // The bias in force now decides the UTC stamp, not the one on the stamp's own date.
    FILETIME localStamp = {0, 0};
    FILETIME stamp = {0, 0};
    (void)SystemTimeToFileTime(&localTime, &localStamp);
    (void)LocalFileTimeToFileTime(&localStamp, &stamp);

    const int16_t count = ClampedFileCount(manifest);

    for (int16_t i = 0; i < count; ++i) meter.total += manifest.files[i].fileSize;
    report.showTotals(report.context, meter.total, static_cast<uint32_t>(count));

    for (int16_t i = 0; i < count; ++i) {
        const FileEntry& entry = manifest.files[i];
        char destination[JoinedPathSize];
        const bool fits = EntryDestination(directories, entry, destination);
        report.showFile(report.context, destination, static_cast<uint32_t>(i) + 1);
        report.pause(report.context, 500);

        // A destination too long for the system's paths cannot be created; a cut one would be
        // some other file.
        if (!fits) return StopCopy(report, IDS_CREATE_FAILED);

        if (!MustExtractEntry(destination, entry)) {
            AddProgress(meter, report, entry.fileSize);
            continue;
        }

        const uint8_t* payload = LocatePayload(entry);
        if (payload == nullptr) return StopCopy(report, IDS_WRITE_FAILED);

        // A file already there (one the clean-up keeps, or in the Windows folder) is set aside first.
        if (!JournalNewFile(journal, destination)) return StopCopy(report, IDS_CREATE_FAILED);
        HANDLE file = OpenPath(destination, GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN);
        if (file == INVALID_HANDLE_VALUE) return StopCopy(report, IDS_CREATE_FAILED);
        NoteChange();

        if (!ExtractEntry(meter, report, entry, file, payload, stamp)) return StopCopy(report, IDS_WRITE_FAILED);
    }
    return 1;
}

int16_t ClampedFileCount(const InstallManifest& manifest) {
    int16_t count = manifest.fileCount;
    if (count < 0) count = 0;
    if (count > ManifestMaxRows) count = ManifestMaxRows;
    return count;
}

bool EntryDestination(const DirectoryTable& directories, const FileEntry& entry, char (&path)[JoinedPathSize]) {
    const int slot = (entry.flags & FILE_TO_WINDOWS_FOLDER) ? DirWindows : DirInstall;
    return JoinPath(path, sizeof path, directories.paths[slot], entry.fileName, false);
}

bool MustExtract(const char* destination, int16_t entry) {
    if (entry < 0 || entry >= ManifestMaxRows) return true;
    return MustExtractEntry(destination, Manifest.files[entry]);
}

bool MustExtractEntry(const char* destination, const FileEntry& entry) {
    if (entry.flags & FILE_ALWAYS_OVERWRITE) return true;
    HANDLE file = OpenPath(destination, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN);
    if (file == INVALID_HANDLE_VALUE) return true;
    (void)CloseHandle(file);
    return false;
}

void AddProgress(ProgressMeter& meter, const CopyReport& report, uint32_t bytes) {
    // Never past the total, in 32 bits: done + bytes may not fit them.
    meter.done = meter.done >= meter.total || bytes > meter.total - meter.done ? meter.total : meter.done + bytes;
    if (meter.done == 0) return;

    // done * 200 / total, which needs up to 40 bits, found bit by bit: a 32-bit target multiplies
    // 64-bit numbers inline but would divide them with a library routine. Unsigned factors keep
    // each product one multiplication.
    const uint64_t scaled = static_cast<uint64_t>(meter.done) * 200;
    uint32_t value = 0;
    for (uint32_t step = 128; step != 0; step >>= 1) {
        if (static_cast<uint64_t>(value + step) * meter.total <= scaled) value += step;
    }
    if (value != meter.value) {
        meter.value = static_cast<uint16_t>(value);
        report.repaintBar(report.context, meter);
        report.pause(report.context, 10);
    }
    report.showDone(report.context, meter.done);
}
