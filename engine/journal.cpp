// The installation journal: its records, the commit and the undo.
//
// A record is one line, "<tag> <crc> <field>[|<field>...]" and CR LF, where crc is the CRC-32 of
// the fields, in eight hex digits. Tags:
//   D folder                      a folder the run created
//   F path[|aside]                a file the run created; aside: where what it replaced was set
//                                 aside, while it is there the file at path is the run's own
//   M path|aside                  a file the clean-up set aside
//   R path|aside                  a file set aside to make way for a new one
//   H holding|install folder      the folder where what the run set aside ends up
//   K key                         a registry key the run created, below HKEY_LOCAL_MACHINE
//   V key|name|earlier            a registry value the run wrote, and what it held before
//   S folder|dacl                 an existing folder the run protected, and its earlier DACL
//   C completed                   the run completed
#include "journal.h"

#include <string.h>

#include "foldersecurity.h"
#include "installmarks.h"
#include "journalrecord.h"
#include "messages.h"
#include "pathprobe.h"
#include "pathutil.h"
#include "pathutil_win32.h"
#include "payloadcheck.h"
#include "text.h"
#include "unpadded.h"

void (*JournalAfterChange)(void) = nullptr;

void NoteChange(void) {
    if (JournalAfterChange != nullptr) JournalAfterChange();
}

namespace {

enum {
    // A record's line: "<tag> <crc> ", the fields (fewer than RecordSize characters), CR LF. The
    // reader's buffer holds the longest whole; a longer line is no record and is skipped.
    RecordLineSize = RecordSize + 16,
    HoldingNameSize = sizeof RemovedFilesFolderName + 4,
};

const char JournalHeader[] UNPADDED = "Porvane installation journal 2\r\n";

bool SameText(const char* a, const char* b) { return lstrcmpiA(a, b) == 0; }

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// True when the first length characters of a and b are the same but for case.
bool SameStart(const char* a, const char* b, size_t length) {
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a, static_cast<int>(length), b,
                          static_cast<int>(length)) == CSTR_EQUAL;
}

// The part of path below folder (without its separator), or nullptr when path is not below it.
const char* BelowFolder(const char* path, const char* folder) {
    const size_t length = strlen(folder);
    if (length == 0 || strlen(path) <= length || !SameStart(path, folder, length)) return nullptr;
    const char* rest = path + length;
    if (folder[length - 1] != '\\') {
        if (*rest != '\\') return nullptr;
        ++rest;
    }
    return *rest != '\0' ? rest : nullptr;
}

// Writes size bytes and forces them to the disk; false unless all of it got there.
bool WriteThrough(HANDLE file, const void* data, DWORD size) {
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size && FlushFileBuffers(file);
}

bool Append(InstallJournal& journal, char tag, const char* first, const char* second = nullptr) {
    const char* const fields[] = {first, second};
    return AppendRecord(journal, tag, fields, second != nullptr ? 2 : 1);
}

// Records the move of path to aside under tag, then makes it.
bool SetAside(InstallJournal& journal, char tag, const char* path, const char* aside) {
    if (!Append(journal, tag, path, aside) || !MoveFileExA(path, aside, MOVEFILE_COPY_ALLOWED)) return false;
    NoteChange();
    return true;
}

// Reads a journal's records in order, a buffer at a time.
struct RecordReader {
    HANDLE file;
    char data[RecordLineSize + 1];
    size_t length;
    size_t position;
    bool exhausted;
    bool skipping;  // inside a line too long for any record
};

// The next whole line, without its line end. A last line without one was torn: it is not read.
bool NextLine(RecordReader& reader, char** line) {
    for (;;) {
        char* begin = reader.data + reader.position;
        char* const limit = reader.data + reader.length;
        char* end = begin;
        while (end < limit && *end != '\n') ++end;
        if (end < limit) {
            *end = '\0';
            if (end > begin && end[-1] == '\r') end[-1] = '\0';
            reader.position = static_cast<size_t>(end + 1 - reader.data);
            if (reader.skipping) {
                reader.skipping = false;
                continue;
            }
            *line = begin;
            return true;
        }
        if (reader.exhausted) return false;
        size_t rest = reader.length - reader.position;
        if (rest == RecordLineSize) {
            reader.skipping = true;
            rest = 0;
        }
        memmove(reader.data, begin, rest);
        DWORD got = 0;
        if (!ReadFile(reader.file, reader.data + rest, static_cast<DWORD>(RecordLineSize - rest), &got, nullptr) ||
            got == 0) {
            reader.exhausted = true;
        }
        reader.length = rest + got;
        reader.position = 0;
    }
}

struct Record {
    char tag;
    const char* fields[RecordFieldLimit];  // missing fields are empty texts
};

// Splits a line into a record; false for the header, a torn or a damaged line.
bool ParseRecord(char* line, Record& record) {
    const size_t length = strlen(line);
    if (length < 12 || line[1] != ' ' || line[10] != ' ') return false;
    uint32_t crc = 0;
    if (!ReadHex(line + 2, 8, crc)) return false;
    char* payload = line + 11;
    if (Crc32(reinterpret_cast<const uint8_t*>(payload), length - 11) != crc) return false;
    record.tag = line[0];
    for (int i = 0; i < RecordFieldLimit; ++i) {
        record.fields[i] = payload != nullptr ? payload : "";
        char* bar = payload != nullptr ? strchr(payload, '|') : nullptr;
        if (bar != nullptr) *bar = '\0';
        payload = bar != nullptr ? bar + 1 : nullptr;
    }
    return true;
}

// True once nothing is at path: a file that was never made (its name may be one no file can
// have) counts as removed, one out of reach does not.
bool RemoveFile(const char* path) {
    const PathPresence presence = ProbePath(path);
    if (presence != PathPresent) return presence == PathAbsent;
    (void)SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileA(path)) return ProbePath(path) == PathAbsent;
    NoteChange();
    return true;
}

// Makes every missing folder above the file at path (outside the journal: for the commit, which
// is never undone).
void MakeParentFolders(const char* path) {
    char work[MAX_PATH];
    if (!CopyText(work, sizeof work, path)) return;
    for (char* p = work; *p; ++p) {
        if (*p != '\\' || p == work || p[-1] == ':') continue;
        *p = '\0';
        if (!Exists(work) && CreateDirectoryA(work, nullptr)) NoteChange();
        *p = '\\';
    }
}

// The passes over a journal. Undoing takes several: new files first, so that every set-aside file
// finds its place free; then the set-aside files; the registry values, then the keys; last the
// folders, deepest first, by repeating a pass while any is removed. Each step looks first, so a
// pass can be run again after a stop anywhere. The undo's passes are listed in the order it runs
// them, from RemoveNewFiles to RemoveFolders.
enum Pass {
    FindCompletion,
    FlushFiles,
    Commit,
    RemoveNewFiles,
    PutBack,
    RestoreValues,
    RemoveKeys,
    RestoreProtection,
    RemoveFolders
};

struct PassState {
    bool completed;  // a C record was found
    bool stuck;      // something could not be put back, or the journal could not be read
    bool removed;    // a key or folder was removed in this pass
    bool unflushed;  // a file the run wrote could not be forced to the disk
    char* stuckPath;
    size_t stuckSize;
    char holding[MAX_PATH];  // from the H record
    char installFolder[MAX_PATH];
};

void NoteStuck(PassState& state, const char* path) {
    if (!state.stuck && state.stuckSize > 0) (void)CopyText(state.stuckPath, state.stuckSize, path);
    state.stuck = true;
}

// A file the run wrote, forced to the disk. One that cannot be opened for writing is not the
// run's to flush (a held link, say): only a flush that fails counts, or a file out of reach.
void FlushFile(const char* path, PassState& state) {
    HANDLE file = OpenPath(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL);
    if (file == INVALID_HANDLE_VALUE) {
        if (ProbePath(path) == PathUnreachable) state.unflushed = true;
        return;
    }
    if (!FlushFileBuffers(file)) state.unflushed = true;
    (void)CloseHandle(file);
}

// True when the folder's DACL reads as the recorded one: its protection was never changed (the
// change failed, or the run stopped before it), or has been put back already.
bool HoldsDacl(const char* folder, const char* recorded) {
    char present[RecordSize];
    return ReadFolderDaclText(folder, present, sizeof present) && strcmp(present, recorded) == 0;
}

// A replaced file goes into the holding folder: under its place in the install folder, or by its
// name when it lay elsewhere (the Windows folder, the program group). Where that place is taken
// or cannot be made, it stays where it was set aside: kept, never deleted. An aside out of reach
// holds up the commit until it can be gathered.
void GatherReplaced(const char* path, const char* aside, PassState& state) {
    if (state.holding[0] == '\0') return;
    const PathPresence presence = ProbePath(aside);
    if (presence != PathPresent) {
        if (presence == PathUnreachable) NoteStuck(state, path);
        return;
    }
    const char* relative = BelowFolder(path, state.installFolder);
    if (relative == nullptr) {
        const char* slash = strrchr(path, '\\');
        relative = slash != nullptr ? slash + 1 : path;
    }
    char destination[MAX_PATH];
    if (!JoinPath(destination, sizeof destination, state.holding, relative, false) || Exists(destination)) return;
    MakeParentFolders(destination);
    // Across volumes the move is a copy whose source goes only once the copy is whole.
    if (MoveFileExA(aside, destination, MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH)) NoteChange();
}

void Visit(Pass pass, const Record& record, PassState& state) {
    const char* first = record.fields[0];
    const char* second = record.fields[1];
    switch (pass) {
        case FindCompletion:
            if (record.tag == 'C') state.completed = true;
            if (record.tag == 'H') {
                (void)CopyText(state.holding, sizeof state.holding, first);
                (void)CopyText(state.installFolder, sizeof state.installFolder, second);
            }
            break;
        case FlushFiles:
            if (record.tag == 'F') FlushFile(first, state);
            break;
        case Commit:
            if (record.tag == 'R') GatherReplaced(first, second, state);
            break;
        case RemoveNewFiles:
            // Once what it replaced has been put back, the file at path is no longer the run's.
            if (record.tag == 'F') {
                const PathPresence aside = second[0] == '\0' ? PathPresent : ProbePath(second);
                if (aside == PathUnreachable || (aside == PathPresent && !RemoveFile(first))) NoteStuck(state, first);
            }
            break;
        case PutBack:
            // An aside that is not there was never moved, or is back already.
            if (record.tag == 'M' || record.tag == 'R') {
                const PathPresence aside = ProbePath(second);
                if (aside == PathUnreachable || (aside == PathPresent && !MoveFileExA(second, first, MOVEFILE_COPY_ALLOWED))) {
                    NoteStuck(state, first);
                } else if (aside == PathPresent) {
                    NoteChange();
                }
            }
            break;
        case RestoreValues:
            if (record.tag == 'V' && !RestoreValue(first, second, record.fields[2])) NoteStuck(state, first);
            break;
        case RemoveKeys:
            if (record.tag == 'K' && RemoveCreatedKey(first)) state.removed = true;
            break;
        case RestoreProtection:
            if (record.tag == 'S' && !HoldsDacl(first, second)) {
                if (RestoreFolderDaclText(first, second)) {
                    NoteChange();
                } else if (ProbePath(first) != PathAbsent) {
                    NoteStuck(state, first);
                }
            }
            break;
        case RemoveFolders:
            // A folder that stays holds what is not the run's; one out of reach is not done.
            if (record.tag == 'D') {
                if (RemoveDirectoryA(first)) {
                    NoteChange();
                    state.removed = true;
                } else if (ProbePath(first) == PathUnreachable) {
                    NoteStuck(state, first);
                }
            }
            break;
    }
}

// One pass over every sound record of the journal at path; false when it cannot be read. The
// journal may still be open for records (a commit reads it before it closes it).
bool RunPass(const char* path, Pass pass, PassState& state) {
    RecordReader reader;
    reader.file =
        OpenPath(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN);
    if (reader.file == INVALID_HANDLE_VALUE) return false;
    reader.length = reader.position = 0;
    reader.exhausted = reader.skipping = false;
    char* line = nullptr;
    Record record;
    while (NextLine(reader, &line)) {
        if (ParseRecord(line, record)) Visit(pass, record, state);
    }
    (void)CloseHandle(reader.file);
    return true;
}

// A pass that must read the journal: one that cannot is stuck, and the journal stays.
void RunRequiredPass(const char* path, Pass pass, PassState& state) {
    if (!RunPass(path, pass, state)) NoteStuck(state, path);
}

void RemoveJournal(const char* path) {
    if (DeleteFileA(path)) NoteChange();
}

// The second half of a commit, also run at start for a run that was killed while committing.
JournalOutcome FinishCommit(const char* path, PassState& state) {
    RunRequiredPass(path, Commit, state);
    if (state.holding[0] != '\0' && ProbePath(state.holding) == PathUnreachable) NoteStuck(state, state.holding);
    if (state.stuck) return JournalStuck;
    if (state.holding[0] != '\0') RecycleHoldingFolder(state.holding);
    RemoveJournal(path);
    return JournalCompleted;
}

JournalOutcome Undo(const char* path, PassState& state) {
    // The undo's passes in the order of the enum; only the key and folder passes remove anything,
    // and they run again while they do.
    for (int pass = RemoveNewFiles; pass <= RemoveFolders; ++pass) {
        do {
            state.removed = false;
            RunRequiredPass(path, static_cast<Pass>(pass), state);
        } while (state.removed);
    }
    if (state.stuck) return JournalStuck;
    RemoveJournal(path);
    return JournalUndone;
}

// Reads the H record (and whether the run completed) into state; false when unreadable.
bool ReadSummary(const char* path, PassState& state) { return RunPass(path, FindCompletion, state); }

void CloseJournal(InstallJournal& journal) {
    if (journal.file != nullptr) (void)CloseHandle(journal.file);
    journal.file = nullptr;
    journal.holding[0] = '\0';
}

PassState NewPassState(char* stuckPath, size_t stuckSize) {
    PassState state;
    ZeroMemory(&state, sizeof state);
    state.stuckPath = stuckPath;
    state.stuckSize = stuckSize;
    if (stuckSize > 0) stuckPath[0] = '\0';
    return state;
}

}  // namespace

void WriteHex(char* out, uint32_t value, int digits) {
    for (int i = digits - 1; i >= 0; --i, value >>= 4) out[i] = "0123456789ABCDEF"[value & 15];
}

bool ReadHex(const char* text, int digits, uint32_t& value) {
    value = 0;
    for (int i = 0; i < digits; ++i) {
        const char c = text[i];
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0) return false;
        value = value << 4 | static_cast<uint32_t>(digit);
    }
    return true;
}

bool AppendRecord(InstallJournal& journal, char tag, const char* const* fields, int count) {
    if (journal.file == nullptr) return false;
    char record[RecordLineSize];
    enum { Head = 11 };
    char* const payload = record + Head;
    size_t length = 0;
    for (int i = 0; i < count; ++i) {
        const size_t fieldLength = strlen(fields[i]);
        if (strchr(fields[i], '|') != nullptr || length + fieldLength + 1 >= RecordSize) return false;
        if (i > 0) payload[length++] = '|';
        memcpy(payload + length, fields[i], fieldLength);
        length += fieldLength;
    }
    record[0] = tag;
    record[1] = ' ';
    WriteHex(record + 2, Crc32(reinterpret_cast<const uint8_t*>(payload), length), 8);
    record[10] = ' ';
    memcpy(payload + length, "\r\n", 2);
    const DWORD size = static_cast<DWORD>(Head + length + 2);
    if (!WriteThrough(journal.file, record, size)) return false;
    NoteChange();
    return true;
}

bool JournalPath(char* out, size_t outSize, const char* windowsFolder, const ProductInfo& product) {
    char name[MAX_PATH];
    const char* const args[] = {product.productName};
    return FormatText(name, sizeof name, JournalFileNameFormat, args, 1) &&
           JoinPath(out, outSize, windowsFolder, name, false);
}

bool BeginJournal(InstallJournal& journal, const char* path) {
    if (journal.file != nullptr) return false;  // one run at a time
    journal.holding[0] = '\0';
    // Written whole under a scratch name first, so that no start ever finds half a journal.
    char fresh[JournalPathSize];
    const size_t length = strlen(path);
    if (length + sizeof ".new" > sizeof fresh || !CopyText(journal.path, sizeof journal.path, path) ||
        Exists(path)) {
        return false;
    }
    memcpy(fresh, path, length);
    memcpy(fresh + length, ".new", sizeof ".new");

    HANDLE file = OpenPath(fresh, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool whole = WriteThrough(file, JournalHeader, sizeof JournalHeader - 1);
    (void)CloseHandle(file);
    if (!whole || !MoveFileExA(fresh, path, MOVEFILE_WRITE_THROUGH)) {
        (void)DeleteFileA(fresh);
        return false;
    }
    NoteChange();
    // Write access (not only append) so that every record can be flushed.
    file = OpenPath(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    if (file == INVALID_HANDLE_VALUE || SetFilePointer(file, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER) {
        if (file != INVALID_HANDLE_VALUE) (void)CloseHandle(file);
        (void)DeleteFileA(path);
        return false;
    }
    journal.file = file;
    return true;
}

bool JournalCreateFolder(InstallJournal& journal, const char* path, SECURITY_ATTRIBUTES* security) {
    if (Exists(path)) return true;
    if (!Append(journal, 'D', path)) return false;
    if (CreateDirectoryA(path, security)) NoteChange();
    return true;
}

void CreateFolderChain(const char* path, InstallJournal& journal) {
    char work[MAX_PATH];
    if (!CopyText(work, sizeof work, path)) return;  // over MAX_PATH - 1 characters: skipped
    size_t length = strlen(work);
    if (length > 0 && work[length - 1] == '\\') work[--length] = '\0';

    // Without the protection a new folder would be open to every user: better none at all (the
    // first file then cannot be created, and the installation stops there).
    FolderSecurity security;
    if (!BuildFolderSecurity(security)) return;

    // Cut the text at every separator below the drive root; each cut is one level to create.
    for (size_t i = length; i-- > 1;) {
        if (work[i] != '\\') continue;
        if (work[i - 1] == ':') break;
        work[i] = '\0';
    }
    // Top level first, then put the separators back one at a time. Existing levels keep the
    // protection they have; a level that cannot be recorded is not made, nor any below it.
    bool recorded = JournalCreateFolder(journal, work, &security.attributes);
    for (size_t i = 0; recorded && i < length; ++i) {
        if (work[i] != '\0') continue;
        work[i] = '\\';
        recorded = JournalCreateFolder(journal, work, &security.attributes);
    }
    FreeFolderSecurity(security);
}

bool JournalProtectFolder(InstallJournal& journal, const char* folder) {
    // A volume that keeps no permissions (FAT, say) has nothing to protect or put back.
    char root[MAX_PATH];
    DWORD flags = 0;
    VolumeOf(folder, root);
    if (root[0] == '\0' ||
        !GetVolumeInformationA(root, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) ||
        !(flags & FS_PERSISTENT_ACLS) || !FolderNeedsProtection(folder)) {
        return true;
    }
    char dacl[RecordSize - MAX_PATH];
    if (!ReadFolderDaclText(folder, dacl, sizeof dacl) || !Append(journal, 'S', folder, dacl) ||
        !ProtectExistingFolder(folder)) {
        return false;
    }
    NoteChange();
    return true;
}

bool JournalNewFile(InstallJournal& journal, const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    // A folder in the way is not the earlier file: the new one cannot be made.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    char aside[JournalPathSize] = "";
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        const size_t length = strlen(path);
        if (length + 4 > sizeof aside) return false;
        memcpy(aside, path, length);
        memcpy(aside + length, ".~0", 4);
        // A name still free beside it; one left by another program is not touched.
        while (Exists(aside)) {
            if (aside[length + 2] == '9') return false;
            ++aside[length + 2];
        }
        if (!SetAside(journal, 'R', path, aside)) return false;
    } else if (journal.holding[0] != '\0') {
        // The clean-up may have set an earlier file of this name aside: the new file replaces it.
        const size_t base = journal.installLength;
        const bool below = strlen(path) > base + 1 && path[base] == '\\' && SameStart(path, journal.holding, base);
        if (!below || !JoinPath(aside, sizeof aside, journal.holding, path + base + 1, false) || !Exists(aside)) {
            aside[0] = '\0';
        }
    }
    return Append(journal, 'F', path, aside[0] != '\0' ? aside : nullptr);
}

bool BeginCleanUp(InstallJournal& journal, const char* installFolder) {
    if (journal.holding[0] != '\0') return true;  // chosen already for this run
    // The holding folder's name: the plain one, or the first of "… 2" to "… 9" not in use (an
    // earlier one may have been kept, or brought back from the Recycle Bin).
    char name[HoldingNameSize];
    const char* const args[] = {RemovedFilesFolderName};
    (void)FormatText(name, sizeof name, "%s", args, 1);
    const size_t base = strlen(name);
    journal.installLength = strlen(installFolder);
    if (journal.installLength > 0 && installFolder[journal.installLength - 1] == '\\') --journal.installLength;
    for (char number = '1'; number <= '9'; ++number) {
        if (number > '1') {
            name[base] = ' ';
            name[base + 1] = number;
            name[base + 2] = '\0';
        }
        if (!JoinPath(journal.holding, sizeof journal.holding, installFolder, name, false)) break;
        if (!Exists(journal.holding)) {
            if (Append(journal, 'H', journal.holding, installFolder)) return true;
            break;
        }
    }
    journal.holding[0] = '\0';
    return false;
}

bool IsHoldingFolder(const InstallJournal& journal, const char* path) {
    return journal.holding[0] != '\0' && SameText(journal.holding, path);
}

bool JournalSetAside(InstallJournal& journal, const char* path) {
    if (journal.holding[0] == '\0') return false;
    const char* relative = path + journal.installLength;
    if (*relative == '\\') ++relative;
    char aside[JournalPathSize];
    if (!JoinPath(aside, sizeof aside, journal.holding, relative, false)) return false;

    // Its folder: the text cut at the last separator for the while.
    char* cut = strrchr(aside, '\\');
    *cut = '\0';
    CreateFolderChain(aside, journal);
    *cut = '\\';
    return SetAside(journal, 'M', path, aside);
}

bool CommitJournal(InstallJournal& journal) {
    if (journal.file == nullptr) return false;
    // What the run wrote reaches the disk before the record that says it stands.
    PassState state = NewPassState(nullptr, 0);
    if (!RunPass(journal.path, FlushFiles, state) || state.unflushed ||
        RegFlushKey(HKEY_LOCAL_MACHINE) != ERROR_SUCCESS) {
        return false;
    }
    // Once this record is down, a start after a crash finishes the commit instead of undoing.
    const DWORD before = SetFilePointer(journal.file, 0, nullptr, FILE_CURRENT);
    if (!Append(journal, 'C', "completed")) {
        // Whatever part of the record got out must not pass for a completion later.
        if (before != INVALID_SET_FILE_POINTER &&
            SetFilePointer(journal.file, static_cast<LONG>(before), nullptr, FILE_BEGIN) == before) {
            (void)SetEndOfFile(journal.file);
            (void)FlushFileBuffers(journal.file);
        }
        return false;
    }
    CloseJournal(journal);
    if (ReadSummary(journal.path, state)) (void)FinishCommit(journal.path, state);
    return true;
}

JournalOutcome RollBackJournal(InstallJournal& journal, char* stuckPath, size_t stuckSize) {
    if (journal.file == nullptr) return JournalAbsent;
    CloseJournal(journal);
    PassState state = NewPassState(stuckPath, stuckSize);
    return Undo(journal.path, state);
}

JournalOutcome RecoverJournal(const char* path, char* stuckPath, size_t stuckSize) {
    PassState state = NewPassState(stuckPath, stuckSize);
    if (!ReadSummary(path, state)) {
        if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND) {
            return JournalAbsent;
        }
        NoteStuck(state, path);
        return JournalStuck;
    }
    if (!state.completed) return Undo(path, state);
    return FinishCommit(path, state);
}
