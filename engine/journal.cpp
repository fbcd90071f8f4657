// The installation journal: its records, the commit and the undo.
//
// A record is one line, "<tag> <crc> <path>[|<second path>]" and CR LF, where crc is the CRC-32
// of what follows it, in eight hex digits ('|' cannot be part of a Windows path). Tags:
//   D  a folder the run created            F  a file the run created
//   M  a file the clean-up set aside       R  a file set aside to make way for a new one
//   H  the holding folder                  C  the run completed
#include "journal.h"

#include <shellapi.h>
#include <string.h>

#include "foldersecurity.h"
#include "messages.h"
#include "pathutil.h"
#include "payloadcheck.h"
#include "text.h"

namespace {

enum {
    RecordSize = 2 * MAX_PATH + 16,  // tag, crc, two paths, separators and CR LF
    ReadBufferSize = 2 * RecordSize,
    HoldingNameSize = sizeof RemovedFilesFolderName + 4,
};

const char JournalHeader[] = "Porvane installation journal 1\r\n";

bool SameText(const char* a, const char* b) { return lstrcmpiA(a, b) == 0; }

// Writes one record and forces it to the disk before the change it announces is made.
bool Append(InstallJournal& journal, char tag, const char* first, const char* second) {
    if (journal.file == nullptr) return false;
    char payload[RecordSize];
    const char* const args[] = {first, second};
    if (!FormatText(payload, sizeof payload, second ? "%s|%s" : "%s", args, second ? 2 : 1)) return false;
    char record[RecordSize + 16];
    const size_t length = strlen(payload);
    const int head = wsprintfA(record, "%c %08lX ", tag,
                               static_cast<unsigned long>(Crc32(reinterpret_cast<const uint8_t*>(payload), length)));
    memcpy(record + head, payload, length);
    memcpy(record + head + length, "\r\n", 2);
    const DWORD size = static_cast<DWORD>(head + length + 2);
    DWORD written = 0;
    return WriteFile(journal.file, record, size, &written, nullptr) && written == size &&
           FlushFileBuffers(journal.file);
}

// Reads a journal's records in order, a buffer at a time.
struct RecordReader {
    HANDLE file;
    char data[ReadBufferSize + 1];
    size_t length;
    size_t position;
    bool exhausted;
    bool skipping;  // inside a line too long for any record
};

// The next whole line, without its line end. A last line without one was torn: it is not read.
bool NextLine(RecordReader& reader, char** line) {
    for (;;) {
        char* begin = reader.data + reader.position;
        char* end = static_cast<char*>(memchr(begin, '\n', reader.length - reader.position));
        if (end != nullptr) {
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
        if (rest == ReadBufferSize) {
            reader.skipping = true;
            rest = 0;
        }
        memmove(reader.data, begin, rest);
        DWORD got = 0;
        if (!ReadFile(reader.file, reader.data + rest, static_cast<DWORD>(ReadBufferSize - rest), &got, nullptr) ||
            got == 0) {
            reader.exhausted = true;
        }
        reader.length = rest + got;
        reader.position = 0;
    }
}

struct Record {
    char tag;
    const char* first;
    const char* second;  // empty for records of one path
};

// Splits a line into a record; false for the header, a torn or a damaged line.
bool ParseRecord(char* line, Record& record) {
    const size_t length = strlen(line);
    if (length < 12 || line[1] != ' ' || line[10] != ' ') return false;
    uint32_t crc = 0;
    for (int i = 2; i < 10; ++i) {
        const char c = line[i];
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0) return false;
        crc = crc << 4 | static_cast<uint32_t>(digit);
    }
    char* payload = line + 11;
    if (Crc32(reinterpret_cast<const uint8_t*>(payload), length - 11) != crc) return false;
    record.tag = line[0];
    record.first = payload;
    char* bar = strchr(payload, '|');
    if (bar != nullptr) *bar = '\0';
    record.second = bar != nullptr ? bar + 1 : "";
    return true;
}

// True once nothing is at path: a file that was never made (its name may be one no file can
// have) counts as removed.
bool RemoveFile(const char* path) {
    (void)SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    return DeleteFileA(path) || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES;
}

// The holding folder goes to the Recycle Bin when its volume has one; otherwise it stays where
// it is, under its plain name, for the user to look through.
void DisposeOfHolding(const char* holding) {
    char root[MAX_PATH];
    if (!GetVolumePathNameA(holding, root, sizeof root)) return;
    SHQUERYRBINFO bin;
    bin.cbSize = sizeof bin;
    if (FAILED(SHQueryRecycleBinA(root, &bin))) return;
    char from[MAX_PATH + 1];  // a list of one path, ended by a second NUL
    if (!CopyText(from, sizeof from - 1, holding)) return;
    from[strlen(from) + 1] = '\0';
    SHFILEOPSTRUCTA operation;
    ZeroMemory(&operation, sizeof operation);
    operation.wFunc = FO_DELETE;
    operation.pFrom = from;
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    (void)SHFileOperationA(&operation);
}

// The passes over a journal. Undoing takes three: new files first, so that every set-aside file
// finds its place free; then the set-aside files; then the folders, deepest first, by repeating
// the pass while any is removed.
enum Pass { FindCompletion, Commit, RemoveNewFiles, PutBack, RemoveFolders };

struct PassState {
    bool completed;  // a C record was found
    bool stuck;      // something could not be put back
    bool removed;    // a folder was removed in this pass
    char* stuckPath;
    size_t stuckSize;
};

void NoteStuck(PassState& state, const char* path) {
    if (!state.stuck) (void)CopyText(state.stuckPath, state.stuckSize, path);
    state.stuck = true;
}

void Visit(Pass pass, const Record& record, PassState& state) {
    switch (pass) {
        case FindCompletion:
            if (record.tag == 'C') state.completed = true;
            break;
        case Commit:
            if (record.tag == 'R') (void)RemoveFile(record.second);
            if (record.tag == 'H') DisposeOfHolding(record.first);
            break;
        case RemoveNewFiles:
            if (record.tag == 'F' && !RemoveFile(record.first)) NoteStuck(state, record.first);
            break;
        case PutBack:
            // An aside that is not there was never moved.
            if ((record.tag == 'M' || record.tag == 'R') &&
                GetFileAttributesA(record.second) != INVALID_FILE_ATTRIBUTES &&
                !MoveFileA(record.second, record.first)) {
                NoteStuck(state, record.first);
            }
            break;
        case RemoveFolders:
            if (record.tag == 'D' && RemoveDirectoryA(record.first)) state.removed = true;
            break;
    }
}

// One pass over every sound record of the journal at path; false when it cannot be read.
bool RunPass(const char* path, Pass pass, PassState& state) {
    RecordReader reader;
    reader.file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                              nullptr);
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

// The second half of a commit, also run at start for a run that was killed while committing.
void FinishCommit(const char* path, PassState& state) {
    (void)RunPass(path, Commit, state);
    (void)DeleteFileA(path);
}

JournalOutcome Undo(const char* path, PassState& state) {
    (void)RunPass(path, RemoveNewFiles, state);
    (void)RunPass(path, PutBack, state);
    do {
        state.removed = false;
        (void)RunPass(path, RemoveFolders, state);
    } while (state.removed);
    if (state.stuck) return JournalStuck;
    (void)DeleteFileA(path);
    return JournalUndone;
}

void CloseJournal(InstallJournal& journal) {
    if (journal.file != nullptr) (void)CloseHandle(journal.file);
    journal.file = nullptr;
    journal.holding[0] = '\0';
}

}  // namespace

bool JournalPath(char* out, size_t outSize, const char* windowsFolder, const ProductInfo& product) {
    char productName[sizeof product.productName + 1];
    ManifestText(productName, product.productName);
    char name[MAX_PATH];
    const char* const args[] = {productName};
    return FormatText(name, sizeof name, "%s installation.journal", args, 1) &&
           JoinPath(out, outSize, windowsFolder, name, false);
}

bool BeginJournal(InstallJournal& journal, const char* path) {
    if (journal.file != nullptr) return false;  // one run at a time
    journal.holding[0] = '\0';
    // Written whole under a scratch name first, so that no start ever finds half a journal.
    char fresh[JournalPathSize];
    const size_t length = strlen(path);
    if (length + sizeof ".new" > sizeof fresh || !CopyText(journal.path, sizeof journal.path, path) ||
        GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    memcpy(fresh, path, length);
    memcpy(fresh + length, ".new", sizeof ".new");

    HANDLE file = CreateFileA(fresh, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool whole = WriteFile(file, JournalHeader, sizeof JournalHeader - 1, &written, nullptr) &&
                       written == sizeof JournalHeader - 1 && FlushFileBuffers(file);
    (void)CloseHandle(file);
    if (!whole || !MoveFileExA(fresh, path, MOVEFILE_WRITE_THROUGH)) {
        (void)DeleteFileA(fresh);
        return false;
    }
    // Write access (not only append) so that every record can be flushed.
    file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE || SetFilePointer(file, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER) {
        if (file != INVALID_HANDLE_VALUE) (void)CloseHandle(file);
        (void)DeleteFileA(path);
        return false;
    }
    journal.file = file;
    return true;
}

bool JournalCreateFolder(InstallJournal& journal, const char* path, SECURITY_ATTRIBUTES* security) {
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return true;
    if (!Append(journal, 'D', path, nullptr)) return false;
    (void)CreateDirectoryA(path, security);
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

bool JournalNewFile(InstallJournal& journal, const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    // A folder in the way is not the earlier file: the new one cannot be made.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        char aside[JournalPathSize];
        const size_t length = strlen(path);
        if (length + 4 > sizeof aside) return false;
        memcpy(aside, path, length);
        memcpy(aside + length, ".~0", 4);
        // A name still free beside it; one left by another program is not touched.
        while (GetFileAttributesA(aside) != INVALID_FILE_ATTRIBUTES) {
            if (aside[length + 2] == '9') return false;
            ++aside[length + 2];
        }
        if (!Append(journal, 'R', path, aside) || !MoveFileA(path, aside)) return false;
    }
    return Append(journal, 'F', path, nullptr);
}

bool BeginCleanUp(InstallJournal& journal, const char* installFolder) {
    // The holding folder's name: the plain one, or the first of "… 2" to "… 9" not in use (an
    // earlier one may have been brought back from the Recycle Bin).
    char name[HoldingNameSize];
    const char* const args[] = {RemovedFilesFolderName};
    (void)FormatText(name, sizeof name, "%s", args, 1);
    const size_t base = strlen(name);
    journal.installLength = strlen(installFolder);
    for (char number = '1'; number <= '9'; ++number) {
        if (number > '1') {
            name[base] = ' ';
            name[base + 1] = number;
            name[base + 2] = '\0';
        }
        if (!JoinPath(journal.holding, sizeof journal.holding, installFolder, name, false)) return false;
        if (GetFileAttributesA(journal.holding) == INVALID_FILE_ATTRIBUTES) return true;
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

    // The holding folder is recorded as such when it is made, so that a commit finds it.
    if (GetFileAttributesA(journal.holding) == INVALID_FILE_ATTRIBUTES) {
        CreateFolderChain(journal.holding, journal);
        if (!Append(journal, 'H', journal.holding, nullptr)) return false;
    }
    char parent[JournalPathSize];
    (void)CopyText(parent, sizeof parent, aside);
    *strrchr(parent, '\\') = '\0';
    CreateFolderChain(parent, journal);
    return Append(journal, 'M', path, aside) && MoveFileA(path, aside);
}

void CommitJournal(InstallJournal& journal) {
    if (journal.file == nullptr) return;
    // Once this record is down, a start after a crash finishes the commit instead of undoing.
    const bool recorded = Append(journal, 'C', "completed", nullptr);
    CloseJournal(journal);
    PassState state = {};
    if (recorded) FinishCommit(journal.path, state);
}

JournalOutcome RollBackJournal(InstallJournal& journal, char* stuckPath, size_t stuckSize) {
    if (journal.file == nullptr) return JournalAbsent;
    CloseJournal(journal);
    PassState state = {false, false, false, stuckPath, stuckSize};
    return Undo(journal.path, state);
}

JournalOutcome RecoverJournal(const char* path, char* stuckPath, size_t stuckSize) {
    PassState state = {false, false, false, stuckPath, stuckSize};
    if (!RunPass(path, FindCompletion, state)) {
        if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return JournalAbsent;
        (void)CopyText(stuckPath, stuckSize, path);
        return JournalStuck;
    }
    if (!state.completed) return Undo(path, state);
    FinishCommit(path, state);
    return JournalCompleted;
}
