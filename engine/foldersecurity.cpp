// The descriptor for program folders, built from its SDDL text by the system; the check of an
// existing folder against it, and the recording and restoring of the folder's own DACL.
#include "foldersecurity.h"

#include <aclapi.h>
#include <sddl.h>
#include <string.h>

#include "unpadded.h"

// 0x1200A9 is read and execute: FILE_GENERIC_READ | FILE_GENERIC_EXECUTE. The OWNER RIGHTS entry
// (OW) replaces the rights an owner has in any case (reading and rewriting the DACL): a standard
// user who made the folder before the installation stays its owner, and could otherwise take
// write access back once it is protected.
const char ProgramFolderSddl[] UNPADDED =
    "D:P"
    "(A;OICI;FA;;;SY)"
    "(A;OICI;FA;;;BA)"
    "(A;OICI;0x1200a9;;;BU)"
    "(A;OICI;0x1200a9;;;AU)"
    "(A;OICIIO;GA;;;CO)"
    "(A;OICI;0x1200a9;;;OW)";

namespace {

// Rights that let a trustee replace a program: write or add files and folders, delete what the
// folder holds, delete or rename the folder itself, change attributes (read-only) or extended
// attributes, rewrite the DACL or take ownership; the generic forms stand in inheritable entries.
const ACCESS_MASK WriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES |
                                FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

// Known SIDs as their bytes: revision, sub-authority count, six bytes of identifier authority,
// then each sub-authority in four bytes, low byte first.
const BYTE OwnerRightsSid[] = {1, 1, 0, 0, 0, 0, 0, 3, 4, 0, 0, 0};

// The trustees whose write access does not count, one SID after the other. CREATOR OWNER stands
// for whoever creates a file or folder inside; no signed-in user ever holds it. Only the system's
// module installer runs as NT SERVICE\TrustedInstaller (S-1-5-80-956008885-3418522649-1831038044-
// 1853292631-2271478464); it owns the system's program folder and has full control of every
// folder made in it.
const BYTE TrustedSids[] = {
    1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0,                 // SYSTEM
    1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0,  // Administrators
    1, 1, 0, 0, 0, 0, 0, 3, 0,  0, 0, 0,                 // CREATOR OWNER
    1, 6, 0, 0, 0, 0, 0, 5, 80, 0, 0, 0,                 // NT SERVICE\TrustedInstaller
    0xB5, 0x89, 0xFB, 0x38, 0x19, 0x84, 0xC2, 0xCB, 0x5C, 0x6C, 0x23, 0x6D,
    0x57, 0x00, 0x77, 0x6E, 0xC0, 0x02, 0x64, 0x87,
};

enum { SidHeaderSize = 8 };  // revision, sub-authority count, six bytes of authority

// sid holds at least SidHeaderSize + 4 * its count bytes. The revision is not compared.
bool IsSid(const BYTE* sid, const BYTE* known) {
    // The count comes first: once it matches, both hold as many bytes.
    for (int i = 1; i < SidHeaderSize + 4 * known[1]; ++i) {
        if (sid[i] != known[i]) return false;
    }
    return true;
}

bool IsTrusted(const BYTE* sid) {
    for (const BYTE* known = TrustedSids; known < TrustedSids + sizeof TrustedSids;
         known += SidHeaderSize + 4 * known[1]) {
        if (IsSid(sid, known)) return true;
    }
    return false;
}

// The trustee of an entry laid out as header, mask, SID (allow and deny, plain or conditional),
// when the SID lies within the entry; nullptr for any other layout.
const BYTE* PlainEntrySid(const ACE_HEADER* entry) {
    switch (entry->AceType) {
    case ACCESS_ALLOWED_ACE_TYPE:
    case ACCESS_DENIED_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_ACE_TYPE:
        break;
    default:
        return nullptr;
    }
    const size_t at = offsetof(ACCESS_ALLOWED_ACE, SidStart);
    const BYTE* sid = reinterpret_cast<const BYTE*>(entry) + at;
    if (entry->AceSize < at + SidHeaderSize || entry->AceSize < at + SidHeaderSize + 4u * sid[1]) return nullptr;
    return sid;
}

// Every kind of entry that grants: plain, conditional, object-specific and compound.
bool Allows(const ACE_HEADER* entry) {
    switch (entry->AceType) {
    case ACCESS_ALLOWED_ACE_TYPE:
    case ACCESS_ALLOWED_COMPOUND_ACE_TYPE:
    case ACCESS_ALLOWED_OBJECT_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE:
        return true;
    default:
        return false;
    }
}

// A descriptor's parts, read in either of its layouts: absolute (pointers) or self-relative
// (offsets from its start, 0 for none), the one the system hands out.
SECURITY_DESCRIPTOR_CONTROL ControlOf(PSECURITY_DESCRIPTOR descriptor) {
    return static_cast<const SECURITY_DESCRIPTOR*>(descriptor)->Control;
}

enum DescriptorPart { OwnerPart, DaclPart };

void* PartOf(PSECURITY_DESCRIPTOR descriptor, DescriptorPart part) {
    const SECURITY_DESCRIPTOR* absolute = static_cast<const SECURITY_DESCRIPTOR*>(descriptor);
    if (!(absolute->Control & SE_SELF_RELATIVE)) return part == DaclPart ? absolute->Dacl : absolute->Owner;
    const SECURITY_DESCRIPTOR_RELATIVE* relative = static_cast<const SECURITY_DESCRIPTOR_RELATIVE*>(descriptor);
    const DWORD offset = part == DaclPart ? relative->Dacl : relative->Owner;
    return offset != 0 ? static_cast<BYTE*>(descriptor) + offset : nullptr;
}

// Puts the DACL of an SDDL text on the folder and on what it holds.
bool ApplyDaclText(const char* folder, const char* text) {
    if (strlen(folder) >= MAX_PATH) return false;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(text, SDDL_REVISION_1, &descriptor, nullptr)) {
        return false;
    }
    const SECURITY_DESCRIPTOR_CONTROL control = ControlOf(descriptor);
    bool applied = false;
    // A text without a DACL would set a NULL one: full access for everyone.
    if (control & SE_DACL_PRESENT) {
        const SECURITY_INFORMATION protection =
            (control & SE_DACL_PROTECTED) ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION;
        // The system's declaration takes a writable path; it does not write it.
        applied = SetNamedSecurityInfoA(const_cast<char*>(folder), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | protection, nullptr, nullptr,
                                        static_cast<PACL>(PartOf(descriptor, DaclPart)), nullptr) == ERROR_SUCCESS;
    }
    (void)LocalFree(descriptor);
    return applied;
}

}  // namespace

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

bool GrantsWriteToOthers(PSECURITY_DESCRIPTOR descriptor) {
    // No DACL, or a NULL one: everyone has full access.
    if (descriptor == nullptr || !(ControlOf(descriptor) & SE_DACL_PRESENT)) return true;
    const ACL* dacl = static_cast<const ACL*>(PartOf(descriptor, DaclPart));
    if (dacl == nullptr || !IsValidAcl(const_cast<ACL*>(dacl))) return true;
    bool ownerRightsSet = false;
    // The entries follow the ACL's header, each as long as its size says; a valid ACL holds them
    // all within its own size.
    const ACE_HEADER* entry = reinterpret_cast<const ACE_HEADER*>(dacl + 1);
    for (DWORD i = 0; i < dacl->AceCount;
         ++i, entry = reinterpret_cast<const ACE_HEADER*>(reinterpret_cast<const BYTE*>(entry) + entry->AceSize)) {
        // An inherit-only entry does not apply to the folder, but the files and folders made in it
        // later get it as their own: the installer's program files would, so it counts as much as
        // one on the folder. Only an inherit-only entry that nothing inherits applies to nothing.
        const BYTE flags = entry->AceFlags;
        const bool inheritOnly = (flags & INHERIT_ONLY_ACE) != 0;
        if (inheritOnly && (flags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)) == 0) continue;
        const BYTE* trustee = PlainEntrySid(entry);
        if (trustee != nullptr && !inheritOnly && IsSid(trustee, OwnerRightsSid)) ownerRightsSet = true;
        if (!Allows(entry) || entry->AceSize < sizeof(ACE_HEADER) + sizeof(ACCESS_MASK)) continue;
        ACCESS_MASK mask;
        memcpy(&mask, entry + 1, sizeof mask);
        // Deny entries are not weighed against these: telling whether one covers a given user
        // needs that user's groups. An object or compound entry's trustee is not read: it counts
        // as someone else.
        if ((mask & WriteRights) != 0 && (trustee == nullptr || !IsTrusted(trustee))) return true;
    }
    // The owner may always read and rewrite the DACL, unless an OWNER RIGHTS entry on the folder
    // says what owners may do (which the loop above has weighed like any other).
    if (ownerRightsSet) return false;
    PSID owner = PartOf(descriptor, OwnerPart);
    if (owner == nullptr) return false;
    // A valid SID: revision 1 and no more sub-authorities than a SID can have.
    const SID* sid = static_cast<const SID*>(owner);
    return sid->Revision != SID_REVISION || sid->SubAuthorityCount > SID_MAX_SUB_AUTHORITIES ||
           !IsTrusted(static_cast<const BYTE*>(owner));
}

bool FolderNeedsProtection(const char* folder) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoA(folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
        return true;
    }
    const bool grants = GrantsWriteToOthers(descriptor);
    (void)LocalFree(descriptor);
    return grants;
}

bool DescriptorDaclText(PSECURITY_DESCRIPTOR descriptor, char* text, size_t textSize) {
    if (textSize == 0) return false;
    text[0] = '\0';
    // Without a DACL the text would be empty, and putting it back would set a NULL DACL.
    if (!(ControlOf(descriptor) & SE_DACL_PRESENT)) return false;
    char* converted = nullptr;
    if (!ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                              &converted, nullptr)) {
        return false;
    }
    const size_t length = strlen(converted);
    const bool fits = length < textSize;
    if (fits) memcpy(text, converted, length + 1);
    (void)LocalFree(converted);
    return fits;
}

bool ReadFolderDaclText(const char* folder, char* text, size_t textSize) {
    if (textSize > 0) text[0] = '\0';
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoA(folder, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr,
                              &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    const bool written = DescriptorDaclText(descriptor, text, textSize);
    (void)LocalFree(descriptor);
    return written;
}

bool ProtectExistingFolder(const char* folder) { return ApplyDaclText(folder, ProgramFolderSddl); }

bool RestoreFolderDaclText(const char* folder, const char* text) { return ApplyDaclText(folder, text); }
