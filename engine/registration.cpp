// Registry records of the installation.
#include <windows.h>
#include <string.h>

#include "copystep.h"
#include "manifest.h"
#include "pathutil.h"
#include "product_texts.h"
#include "registration.h"

// The publisher's key carries the publisher's name as fixed text, not the manifest's field; the
// version key below it names the product as fixed text too.
#define PUBLISHER_KEY PUBLISHER_KEY_PATH

namespace {

const char VersionKey[] = VERSION_KEY_PATH;
const char UninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char FileSystemKey[] = "System\\CurrentControlSet\\Control\\FileSystem";

HKEY CreateKey(HKEY parent, const char* path) {
    char noClass[] = "";
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(parent, path, 0, noClass, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &key, &disposition) != ERROR_SUCCESS) {
        return nullptr;
    }
    return key;
}

HKEY OpenKey(HKEY parent, const char* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return nullptr;
    return key;
}

// Strings are stored with their NUL counted in the size.
void SetText(HKEY key, const char* name, const char* text) {
    (void)RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                         static_cast<DWORD>(strlen(text) + 1));
}

void SetUninstallEntry(HKEY entry, const DirectoryTable& directories, const char* groupName) {
    const ProductInfo& product = Manifest.product;

    char displayVersion[1 + sizeof product.version];
    // The precision keeps the text inside the buffer whatever the field holds.
    static_assert(sizeof product.version == 10, "the precision below is the field's width - 1");
    (void)wsprintfA(displayVersion, "v%.9s", product.version);

    SetText(entry, "DisplayName", product.productName);
    SetText(entry, "DisplayVersion", displayVersion);
    char uninstaller[JoinedPathSize];
    // A path too long to join is left out rather than recorded cut.
    if (JoinPath(uninstaller, sizeof uninstaller, directories.paths[DirWindows],
                 Manifest.files[UninstallerRow].fileName, false)) {
        SetText(entry, "UninstallString", uninstaller);
    }
    SetText(entry, "Program Path", directories.paths[DirInstall]);
    SetText(entry, "Program Group", groupName);
    SetText(entry, "Publisher", product.publisher);
    SetText(entry, "HelpLink", product.homePageUrl);
}

}  // namespace

void RegisterInstallation(const DirectoryTable& directories, const char* groupName) {
    if (HKEY publisher = CreateKey(HKEY_LOCAL_MACHINE, PUBLISHER_KEY)) {
        SetText(publisher, Manifest.product.productName, directories.paths[DirInstall]);
        (void)RegCloseKey(publisher);
    }
    if (HKEY version = CreateKey(HKEY_LOCAL_MACHINE, VersionKey)) {
        SetText(version, "Program Version", Manifest.product.version);
        (void)RegCloseKey(version);
    }
    if (HKEY uninstall = OpenKey(HKEY_LOCAL_MACHINE, UninstallKey)) {
        if (HKEY entry = CreateKey(uninstall, Manifest.product.productName)) {
            SetUninstallEntry(entry, directories, groupName);
            (void)RegCloseKey(entry);
        }
        (void)RegCloseKey(uninstall);
    }
    if (HKEY fileSystem = OpenKey(HKEY_LOCAL_MACHINE, FileSystemKey)) {
        // A mask with one bit per drive letter: no low-disk-space notices for any drive.
        const DWORD allDrives = 0xFFFFFFFF;
        (void)RegSetValueExA(fileSystem, "DisableLowDiskSpaceBroadcast", 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&allDrives), sizeof allDrives);
        (void)RegCloseKey(fileSystem);
    }
}

bool ReadPreviousInstallFolder(char* folder, size_t folderSize) {
    if (folderSize == 0) return false;
    folder[0] = '\0';
    HKEY publisher = OpenKey(HKEY_LOCAL_MACHINE, PUBLISHER_KEY);
    if (publisher == nullptr) return false;

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
