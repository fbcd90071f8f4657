// The journal's registry records: keys the run creates, values it writes with what they held
// before, and the steps that put them back. Every key is below HKEY_LOCAL_MACHINE.
//
// A value's earlier content is recorded as "-" when there was none, otherwise as its type in
// eight hex digits, ':' and its data in hex.
#include <windows.h>
#include <string.h>

#include "journal.h"
#include "journalrecord.h"

namespace {

enum { EarlierTextSize = 9 + 2 * RecordedValueLimit + 1 };

const char Absent[] = "-";

// The value's present content as recorded text; false when it cannot be read or is too big to
// keep (then the value is not changed at all).
bool DescribeValue(const char* keyPath, const char* name, char (&out)[EarlierTextSize]) {
    HKEY key = nullptr;
    const LONG opened = OpenMachineKey(keyPath, KEY_QUERY_VALUE, &key);
    if (opened == ERROR_FILE_NOT_FOUND) {
        memcpy(out, Absent, sizeof Absent);
        return true;
    }
    if (opened != ERROR_SUCCESS) return false;
    BYTE data[RecordedValueLimit];
    DWORD type = 0;
    DWORD size = sizeof data;
    const LONG read = RegQueryValueExA(key, name, nullptr, &type, data, &size);
    (void)RegCloseKey(key);
    if (read == ERROR_FILE_NOT_FOUND) {
        memcpy(out, Absent, sizeof Absent);
        return true;
    }
    if (read != ERROR_SUCCESS || size > sizeof data) return false;
    WriteHex(out, type, 8);
    out[8] = ':';
    for (DWORD i = 0; i < size; ++i) WriteHex(out + 9 + 2 * i, data[i], 2);
    out[9 + 2 * size] = '\0';
    return true;
}

bool CreateOneKey(const char* keyPath) {
    HKEY key = nullptr;
    if (CreateMachineKey(keyPath, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    (void)RegCloseKey(key);
    NoteChange();
    return true;
}

}  // namespace

LONG OpenMachineKey(const char* keyPath, REGSAM access, HKEY* key) {
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, access, key);
}

LONG CreateMachineKey(const char* keyPath, REGSAM access, HKEY* key) {
    return RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, key,
                           nullptr);
}

bool MachineKeyExists(const char* keyPath) {
    HKEY key = nullptr;
    if (OpenMachineKey(keyPath, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    (void)RegCloseKey(key);
    return true;
}

bool JournalCreateKey(InstallJournal& journal, const char* keyPath) {
    char work[MAX_PATH];
    const size_t length = strlen(keyPath);
    if (length == 0 || length >= sizeof work) return false;
    memcpy(work, keyPath, length + 1);
    // Each missing level from the top down, so that an undo removes exactly the levels made.
    for (size_t i = 0; i <= length; ++i) {
        if (work[i] != '\\' && work[i] != '\0') continue;
        work[i] = '\0';
        if (!MachineKeyExists(work)) {
            const char* const fields[] = {work};
            if (!AppendRecord(journal, 'K', fields, 1) || !CreateOneKey(work)) return false;
        }
        if (i < length) work[i] = '\\';
    }
    return true;
}

bool JournalSetValue(InstallJournal& journal, const char* keyPath, const char* name, DWORD type,
                     const void* data, DWORD size) {
    char earlier[EarlierTextSize];
    if (!DescribeValue(keyPath, name, earlier)) return false;
    const char* const fields[] = {keyPath, name, earlier};
    if (!AppendRecord(journal, 'V', fields, 3)) return false;
    HKEY key = nullptr;
    if (OpenMachineKey(keyPath, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return false;
    const bool written = RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
    (void)RegCloseKey(key);
    if (written) NoteChange();
    return written;
}

bool RestoreValue(const char* keyPath, const char* name, const char* earlier) {
    HKEY key = nullptr;
    if (strcmp(earlier, Absent) == 0) {
        const LONG opened = OpenMachineKey(keyPath, KEY_SET_VALUE, &key);
        if (opened == ERROR_FILE_NOT_FOUND) return true;
        if (opened != ERROR_SUCCESS) return false;
        const LONG removed = RegDeleteValueA(key, name);
        (void)RegCloseKey(key);
        if (removed == ERROR_SUCCESS) NoteChange();
        return removed == ERROR_SUCCESS || removed == ERROR_FILE_NOT_FOUND;
    }
    // "TTTTTTTT:" and pairs of hex digits; anything else was not written by this journal.
    const size_t length = strlen(earlier);
    if (length < 9 || earlier[8] != ':' || (length - 9) % 2 != 0 || (length - 9) / 2 > RecordedValueLimit) {
        return false;
    }
    uint32_t type = 0;
    if (!ReadHex(earlier, 8, type)) return false;
    BYTE data[RecordedValueLimit];
    const DWORD size = static_cast<DWORD>((length - 9) / 2);
    for (DWORD i = 0; i < size; ++i) {
        uint32_t byte = 0;
        if (!ReadHex(earlier + 9 + 2 * i, 2, byte)) return false;
        data[i] = static_cast<BYTE>(byte);
    }
    if (CreateMachineKey(keyPath, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return false;
    const bool written = RegSetValueExA(key, name, 0, type, data, size) == ERROR_SUCCESS;
    (void)RegCloseKey(key);
    if (written) NoteChange();
    return written;
}

bool RemoveCreatedKey(const char* keyPath) {
    HKEY key = nullptr;
    if (OpenMachineKey(keyPath, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    DWORD subkeys = 0;
    DWORD values = 0;
    const bool empty = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                        nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
                       subkeys == 0 && values == 0;
    (void)RegCloseKey(key);
    // A key that holds anything now holds someone else's data too.
    if (!empty || RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath) != ERROR_SUCCESS) return false;
    NoteChange();
    return true;
}
