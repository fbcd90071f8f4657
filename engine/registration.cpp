// Registry records of the installation.
#include <windows.h>
#include <string.h>

#include "copystep.h"
#include "journal.h"
#include "manifest.h"
#include "pathutil.h"
#include "registration.h"
#include "text.h"
#include "unpadded.h"

// The publisher's key and the version key below it come with the product's texts, written by the
// packer from the description's names rather than from the manifest's fields.
namespace {

const char UninstallKey[] UNPADDED = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char FileSystemKey[] UNPADDED = "System\\CurrentControlSet\\Control\\FileSystem";

// Strings are stored with their NUL counted in the size. A value whose earlier content cannot be
// recorded is not written.
void SetText(InstallJournal& journal, const char* keyPath, const char* name, const char* text) {
    (void)JournalSetValue(journal, keyPath, name, REG_SZ, text, static_cast<DWORD>(strlen(text) + 1));
}

void SetUninstallEntry(InstallJournal& journal, const char* entry, const DirectoryTable& directories,
                       const char* groupName) {
    const ProductInfo& product = Manifest.product;

    char displayVersion[1 + sizeof product.version];
    // The precision keeps the text inside the buffer whatever the field holds.
    static_assert(sizeof product.version == 10, "the precision below is the field's width - 1");
    (void)wsprintfA(displayVersion, "v%.9s", product.version);

    SetText(journal, entry, "DisplayName", product.productName);
    SetText(journal, entry, "DisplayVersion", displayVersion);
    char uninstaller[JoinedPathSize];
    // A path too long to join is left out rather than recorded cut.
    if (JoinPath(uninstaller, sizeof uninstaller, directories.paths[DirWindows],
                 Manifest.files[UninstallerRow].fileName, false)) {
        SetText(journal, entry, "UninstallString", uninstaller);
    }
    SetText(journal, entry, "Program Path", directories.paths[DirInstall]);
    SetText(journal, entry, "Program Group", groupName);
    SetText(journal, entry, "Publisher", product.publisher);
    SetText(journal, entry, "HelpLink", product.homePageUrl);
}

}  // namespace

void RegisterInstallation(const DirectoryTable& directories, const char* groupName, InstallJournal& journal) {
    if (JournalCreateKey(journal, Texts.publisherKey)) {
        SetText(journal, Texts.publisherKey, Manifest.product.productName, directories.paths[DirInstall]);
    }
    if (JournalCreateKey(journal, Texts.versionKey)) SetText(journal, Texts.versionKey, "Program Version", Manifest.product.version);
    // The system's list of programs is used only where it exists; the product's entry is made in it.
    char entry[sizeof UninstallKey + 1 + sizeof Manifest.product.productName];
    const char* const parts[] = {UninstallKey, Manifest.product.productName};
    if (MachineKeyExists(UninstallKey) && FormatText(entry, sizeof entry, "%s\\%s", parts, 2) &&
        JournalCreateKey(journal, entry)) {
        SetUninstallEntry(journal, entry, directories, groupName);
    }
    if (MachineKeyExists(FileSystemKey)) {
        // A mask with one bit per drive letter: no low-disk-space notices for any drive.
        const DWORD allDrives = 0xFFFFFFFF;
        (void)JournalSetValue(journal, FileSystemKey, "DisableLowDiskSpaceBroadcast", REG_DWORD, &allDrives,
                              sizeof allDrives);
    }
}

bool ReadPreviousInstallFolder(char* folder, size_t folderSize) {
    if (folderSize == 0) return false;
    folder[0] = '\0';
    HKEY publisher = nullptr;
    if (OpenMachineKey(Texts.publisherKey, KEY_QUERY_VALUE, &publisher) != ERROR_SUCCESS) return false;

    // Type and size first: only a string that fits, terminator included, is read.
    const DWORD limit = folderSize > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(folderSize);
    const char* name = Manifest.product.productName;
    DWORD type = 0;
    DWORD size = 0;
    bool found = RegQueryValueExA(publisher, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
                 type == REG_SZ && size > 0 && size <= limit;
    if (found) {
        found = RegQueryValueExA(publisher, name, nullptr, &type, reinterpret_cast<BYTE*>(folder),
                                 &size) == ERROR_SUCCESS &&
                type == REG_SZ && size > 0 && size <= limit && folder[size - 1] == '\0';
    }
    (void)RegCloseKey(publisher);
    if (!found) folder[0] = '\0';
    return found;
}
