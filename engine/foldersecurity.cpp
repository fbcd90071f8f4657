// The descriptor for new program folders, built from its SDDL text by the system.
#include "foldersecurity.h"

#include <sddl.h>

// 0x1200A9 is read and execute: FILE_GENERIC_READ | FILE_GENERIC_EXECUTE.
const char ProgramFolderSddl[] =
    "D:P"
    "(A;OICI;FA;;;SY)"
    "(A;OICI;FA;;;BA)"
    "(A;OICI;0x1200a9;;;BU)"
    "(A;OICI;0x1200a9;;;AU)"
    "(A;OICIIO;GA;;;CO)";

bool BuildFolderSecurity(FolderSecurity& security) {
    security.attributes.nLength = sizeof security.attributes;
    security.attributes.bInheritHandle = FALSE;
    security.attributes.lpSecurityDescriptor = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(ProgramFolderSddl, SDDL_REVISION_1, &descriptor,
                                                              nullptr)) {
        return false;
    }
    security.attributes.lpSecurityDescriptor = descriptor;
    return true;
}

void FreeFolderSecurity(FolderSecurity& security) {
    // The system allocated the descriptor with LocalAlloc.
    if (security.attributes.lpSecurityDescriptor != nullptr) (void)LocalFree(security.attributes.lpSecurityDescriptor);
    security.attributes.lpSecurityDescriptor = nullptr;
}
