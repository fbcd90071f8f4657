// The copy step on real files under Wine: clean-up, folder creation, the extract decision,
// progress accounting and whole runs over the built-in payloads.
#include <windows.h>
#include <aclapi.h>
#include <shlobj.h>
#include <sddl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "../common/expected_texts.h"
#include "copystep.h"
#include "engine_fixture.h"
#include "foldersecurity.h"
#include "manifest.h"
#include "pathutil.h"
#include "resource.h"
#include "shell.h"

using namespace engine_test;

namespace {

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

// ---------------------------------------------------------------------------------------------
// Clean-up of an earlier installation

class CleanInstallFolderTest : public ScratchTree {
protected:
    void SetUp() override {
        ScratchTree::SetUp();
        MakeFolder(folder);
    }
    // The clean-up as the copy step runs it, in a journal that is then committed.
    bool Clean(const std::string& path) {
        InstallJournal journal = {};
        EXPECT_TRUE(BeginJournal(journal, Path("run.journal").c_str()));
        EXPECT_TRUE(BeginCleanUp(journal, folder.c_str()));
        const bool listed = CleanInstallFolder(path.c_str(), journal);
        CommitJournal(journal);
        return listed;
    }
    const std::string folder = Path("Vantrel");
};

TEST_F(CleanInstallFolderTest, DeletesReadOnlyHiddenAndSystemFiles) {
    WriteBytes(folder + "\\Vantrel.exe", "old program");
    WriteBytes(folder + "\\readonly.txt", "r", FILE_ATTRIBUTE_READONLY);
    WriteBytes(folder + "\\hidden.hlp", "h", FILE_ATTRIBUTE_HIDDEN);
    WriteBytes(folder + "\\system.dll", "s", FILE_ATTRIBUTE_SYSTEM);
    WriteBytes(folder + "\\everything.bin", "a", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    WriteBytes(folder + "\\noextension", "n");
    ASSERT_TRUE(GetFileAttributesA((folder + "\\readonly.txt").c_str()) & FILE_ATTRIBUTE_READONLY);

    EXPECT_TRUE(Clean(folder));

    EXPECT_EQ(ListFolder(folder), std::vector<std::string>{});
}

TEST_F(CleanInstallFolderTest, KeepsKeyDatAndLogFilesInAnyCaseAtEveryLevel) {
    const std::vector<std::string> levels = {folder, folder + "\\Data", folder + "\\Data\\Users"};
    MakeFolder(levels[1]);
    MakeFolder(levels[2]);
    const std::vector<std::string> kept = {"licence.KEY", "user.key", "Base.Dat", "state.dAt", "install.LOG",
                                           "trace.log"};
    for (const std::string& level : levels) {
        for (const std::string& name : kept) WriteBytes(level + "\\" + name, "keep");
        WriteBytes(level + "\\old.txt", "delete", FILE_ATTRIBUTE_READONLY);
        WriteBytes(level + "\\Report.Dat.txt", "delete");
    }

    EXPECT_TRUE(Clean(folder));

    EXPECT_EQ(ListFolder(levels[0]), Sorted({"Base.Dat", "Data", "install.LOG", "licence.KEY", "state.dAt",
                                             "trace.log", "user.key"}));
    EXPECT_EQ(ListFolder(levels[1]), Sorted({"Base.Dat", "Users", "install.LOG", "licence.KEY", "state.dAt",
                                             "trace.log", "user.key"}));
    EXPECT_EQ(ListFolder(levels[2]), Sorted(kept));
    EXPECT_EQ(ReadBytes(levels[2] + "\\Base.Dat"), "keep");
}

TEST_F(CleanInstallFolderTest, JudgesOnlyTheLastExtension) {
    WriteBytes(folder + "\\.log", "keep");
    WriteBytes(folder + "\\notes.txt.key", "keep");
    WriteBytes(folder + "\\data.dat.bak", "delete");
    WriteBytes(folder + "\\trailing.", "delete");
    WriteBytes(folder + "\\.profile", "delete");

    EXPECT_TRUE(Clean(folder));

    EXPECT_EQ(ListFolder(folder), Sorted({".log", "notes.txt.key"}));
}

TEST_F(CleanInstallFolderTest, KeepsEverySubfolderEvenWhenEmptied) {
    MakeFolder(folder + "\\Empty");
    MakeFolder(folder + "\\Help");
    MakeFolder(folder + "\\Help\\Pictures");
    WriteBytes(folder + "\\Help\\Pictures\\one.bmp", "x");

    EXPECT_TRUE(Clean(folder));

    EXPECT_EQ(ListFolder(folder), Sorted({"Empty", "Help"}));
    EXPECT_EQ(ListFolder(folder + "\\Help"), std::vector<std::string>{"Pictures"});
    EXPECT_EQ(ListFolder(folder + "\\Help\\Pictures"), std::vector<std::string>{});
}

TEST_F(CleanInstallFolderTest, DoesNotEnterFoldersWhoseNameBeginsWithADot) {
    MakeFolder(folder + "\\.settings");
    WriteBytes(folder + "\\.settings\\window.txt", "keep");
    MakeFolder(folder + "\\.settings\\Inner");
    WriteBytes(folder + "\\.settings\\Inner\\deep.exe", "keep");

    EXPECT_TRUE(Clean(folder));

    EXPECT_EQ(ReadBytes(folder + "\\.settings\\window.txt"), "keep");
    EXPECT_EQ(ReadBytes(folder + "\\.settings\\Inner\\deep.exe"), "keep");
}

TEST_F(CleanInstallFolderTest, DoesNotEnterAFolderThatLinksElsewhere) {
    const std::string outside = Path("Outside");
    MakeFolder(outside);
    WriteBytes(outside + "\\precious.txt", "not ours");
    WriteBytes(outside + "\\tool.exe", "not ours", FILE_ATTRIBUTE_READONLY);
    WriteBytes(folder + "\\old.txt", "ours");
    HostLink link("porvane-engine-tests/Outside", "porvane-engine-tests/Vantrel/Linked");
    ASSERT_EQ(link.status(), "ok");
    const DWORD attributes = GetFileAttributesA((folder + "\\Linked").c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    ASSERT_TRUE(attributes & FILE_ATTRIBUTE_REPARSE_POINT) << "Wine shows host symlinks as reparse points";
    ASSERT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);

    EXPECT_TRUE(Clean(folder));

    EXPECT_FALSE(Exists(folder + "\\old.txt"));
    EXPECT_EQ(ReadBytes(outside + "\\precious.txt"), "not ours");
    EXPECT_EQ(ReadBytes(outside + "\\tool.exe"), "not ours");
    EXPECT_TRUE(GetFileAttributesA((outside + "\\tool.exe").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(IsFolder(folder + "\\Linked"));
}

// An entry whose path would pass the system's limit is skipped. Cutting that path to the limit
// would name another file: here a .KEY file that must stay.
TEST_F(CleanInstallFolderTest, SkipsAnEntryWhosePathWouldBeTooLongRatherThanCuttingIt) {
    const std::string deepFolder = folder + "\\" + std::string(200 - folder.size(), 'd');
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + Widen(deepFolder)).c_str(), nullptr));
    const size_t prefixLength = deepFolder.size() + 1;
    const std::string decoyName = std::string(MAX_PATH - 1 - prefixLength - 4, 's') + ".KEY";
    const std::string longName = decoyName + std::string(30, 'z');
    ASSERT_EQ(prefixLength + decoyName.size(), static_cast<size_t>(MAX_PATH - 1));
    for (const std::string& name : {decoyName, longName}) {
        HANDLE file = CreateFileW((L"\\\\?\\" + Widen(deepFolder + "\\" + name)).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
    }
    WriteBytes(deepFolder + "\\old.txt", "delete");

    EXPECT_TRUE(Clean(folder));

    EXPECT_EQ(ListFolder(deepFolder), Sorted({decoyName, longName}));
}

// The clean-up runs only where an earlier installation is: here, a folder holding the main program
// as a file (the recorded folder is the location page's case); never through a link, nor at a root.
TEST_F(CleanInstallFolderTest, RunsOnlyWhereAnEarlierInstallationIs) {
    MakeFolder(Path("Outside"));
    MakeFolder(Path("Outside\\Inner"));
    WriteBytes(Path("Outside\\Vantrel.exe"), "MZ");
    WriteBytes(Path("Outside\\Inner\\vantrel.EXE"), "MZ");
    MakeFolder(folder + "\\Vantrel.exe");  // a folder of the program's name
    WriteBytes(folder + "\\Plendix.exe", "MZ");
    HostLink link("porvane-engine-tests/Outside", "porvane-engine-tests/Linked");
    ASSERT_EQ(link.status(), "ok");
    const std::pair<std::string, bool> cases[] = {
        {Path("Outside"), true}, {Path("outside\\Inner\\."), true}, {folder, false},
        {Path("Linked"), false}, {Path("Linked\\Inner"), false},    {"C:\\", false},
    };
    for (const auto& c : cases) EXPECT_EQ(HoldsEarlierInstallation(c.first.c_str()), c.second) << c.first;
}

TEST_F(CleanInstallFolderTest, FailsWhenThePathCannotBeListed) {
    WriteBytes(Path("NotAFolder"), "file");
    EXPECT_FALSE(Clean(Path("NotAFolder")));
    EXPECT_FALSE(Clean(Path("Missing")));
    EXPECT_EQ(ReadBytes(Path("NotAFolder")), "file");
}

// ---------------------------------------------------------------------------------------------
// Creation of a missing install folder

// Sends this program's calls of one imported function to a replacement while it lives, by
// rewriting the entry of the import table that the engine's calls go through.
class ImportHook {
public:
    ImportHook(const char* dll, const char* function, void* replacement) {
        BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
        const IMAGE_NT_HEADERS* headers =
            reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); module->Name;
             ++module) {
            if (lstrcmpiA(reinterpret_cast<const char*>(base + module->Name), dll) != 0) continue;
            auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->OriginalFirstThunk);
            auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
            for (; names->u1.AddressOfData != 0; ++names, ++slots) {
                if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
                auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                if (strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0) slot_ = &slots->u1.Function;
            }
        }
        if (slot_ != nullptr) {
            original_ = *slot_;
            Write(reinterpret_cast<decltype(original_)>(replacement));
        }
    }
    ~ImportHook() {
        if (slot_ != nullptr) Write(original_);
    }
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;
    bool installed() const { return slot_ != nullptr; }
    void* original() const { return reinterpret_cast<void*>(original_); }

private:
    void Write(decltype(IMAGE_THUNK_DATA::u1.Function) value) {
        DWORD protection = 0;
        VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &protection);
        *slot_ = value;
        VirtualProtect(slot_, sizeof *slot_, protection, &protection);
    }
    decltype(IMAGE_THUNK_DATA::u1.Function)* slot_ = nullptr;
    decltype(IMAGE_THUNK_DATA::u1.Function) original_ = 0;
};

// A descriptor's DACL as text: whether it is protected from inheritance, then each entry as
// type, SID, access mask and inheritance flags.
std::string DescribeDacl(PSECURITY_DESCRIPTOR descriptor) {
    if (descriptor == nullptr) return "no descriptor";
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorControl(descriptor, &control, &revision) ||
        !GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present || dacl == nullptr) {
        return "no DACL";
    }
    std::string text = (control & SE_DACL_PROTECTED) ? "protected" : "inherited";
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        char* sid = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void**>(&ace)) || !ConvertSidToStringSidA(&ace->SidStart, &sid)) {
            return text + " (unreadable entry)";
        }
        char entry[128];
        snprintf(entry, sizeof entry, "; %s %s %lx %x", ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE ? "allow" : "other",
                 sid, static_cast<unsigned long>(ace->Mask), ace->Header.AceFlags);
        LocalFree(sid);
        text += entry;
    }
    return text;
}

// SYSTEM and Administrators: FILE_ALL_ACCESS; Users and Authenticated Users: read and execute, no
// write of any kind; creator owner: GENERIC_ALL on what is made inside, not on the folder; owner
// rights: read and execute. Every entry reaches subfolders and files (OI|CI).
const char ProgramFolderProtection[] =
    "protected; allow S-1-5-18 1f01ff 3; allow S-1-5-32-544 1f01ff 3; allow S-1-5-32-545 1200a9 3; "
    "allow S-1-5-11 1200a9 3; allow S-1-3-0 10000000 b; allow S-1-3-4 1200a9 3";

TEST(FolderSecurity, IsTheProtectionOfTheSystemsProgramFolder) {
    FolderSecurity security;
    ASSERT_TRUE(BuildFolderSecurity(security));
    EXPECT_EQ(DescribeDacl(security.attributes.lpSecurityDescriptor), ProgramFolderProtection);
    FreeFolderSecurity(security);
    EXPECT_EQ(security.attributes.lpSecurityDescriptor, nullptr);
}

using Descriptor = std::unique_ptr<void, HLOCAL(WINAPI*)(HLOCAL)>;
Descriptor FromSddl(const std::string& sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    (void)ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr);
    return Descriptor(descriptor, &LocalFree);
}

// A descriptor in the absolute layout, its parts in buffers of its own.
struct AbsoluteDescriptor {
    SECURITY_DESCRIPTOR descriptor;
    BYTE dacl[1024], sacl[256], owner[SECURITY_MAX_SID_SIZE], group[SECURITY_MAX_SID_SIZE];
};
bool MakeAbsolute(PSECURITY_DESCRIPTOR relative, AbsoluteDescriptor& out) {
    DWORD sizes[] = {sizeof out.descriptor, sizeof out.dacl, sizeof out.sacl, sizeof out.owner, sizeof out.group};
    return MakeAbsoluteSD(relative, &out.descriptor, &sizes[0], reinterpret_cast<PACL>(out.dacl), &sizes[1],
                          reinterpret_cast<PACL>(out.sacl), &sizes[2], out.owner, &sizes[3], out.group, &sizes[4]);
}

TEST(FolderSecurity, AnExistingFolderNeedsProtectionWhenAnyoneElseMayChangeWhatItHolds) {
    const std::string user = "S-1-5-21-1004336348-1177238915-682003330-1001";
    const std::string installer = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
    const struct {
        std::string sddl;
        bool needs;
    } cases[] = {
        {ProgramFolderSddl, false},
        {"O:" + user + ProgramFolderSddl, false},  // made by a user, then protected: its owner only reads
        {"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICIIO;GA;;;CO)(A;IO;FA;;;BU)", false},  // the last: for nothing
        // A folder made in the system's program folder.
        {"O:BAD:AI(A;ID;FA;;;" + installer + ")(A;CIIOID;GA;;;" + installer + ")(A;ID;0x1301bf;;;SY)" +
             "(A;OICIIOID;GA;;;SY)(A;ID;0x1301bf;;;BA)(A;OICIIOID;GA;;;BA)(A;ID;0x1200a9;;;BU)(A;OICIIOID;GXGR;;;BU)",
         false},
        {"D:(A;OICI;FA;;;BU)", true},
        {"D:(A;OICI;0x1301bf;;;AU)", true},  // modify
        {"D:(A;OICI;FW;;;WD)", true},
        {"D:(A;;SD;;;BU)", true},        // the folder itself renamed away
        {"D:(A;OICIIO;GW;;;BU)", true},  // the files made in it writable
        {"O:" + user + "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", true},  // the owner may rewrite the DACL
        {"O:BA", true},  // no DACL
    };
    for (const auto& row : cases) {
        const Descriptor parsed = FromSddl(row.sddl);
        ASSERT_NE(parsed, nullptr) << row.sddl;
        EXPECT_EQ(GrantsWriteToOthers(parsed.get()), row.needs) << row.sddl;
        AbsoluteDescriptor absolute;  // the same answer from the other layout
        ASSERT_TRUE(MakeAbsolute(parsed.get(), absolute)) << row.sddl;
        EXPECT_EQ(GrantsWriteToOthers(&absolute.descriptor), row.needs) << row.sddl;
    }
    // A NULL DACL, built by hand: Wine reads "D:NO_ACCESS_CONTROL" as an empty one.
    SECURITY_DESCRIPTOR nullDacl;
    InitializeSecurityDescriptor(&nullDacl, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&nullDacl, TRUE, nullptr, FALSE);
    EXPECT_TRUE(GrantsWriteToOthers(&nullDacl));
    EXPECT_TRUE(FolderNeedsProtection(Path("Missing").c_str()));  // unreadable: not shown to be safe
}

// What the engine asks SetNamedSecurityInfoA to set, as "<object>: <DACL>[ (unprotected)]"; passed on.
std::vector<std::string> daclChanges;
ImportHook* daclHook = nullptr;
DWORD WINAPI RecordDaclChange(LPSTR name, SE_OBJECT_TYPE type, SECURITY_INFORMATION information, PSID owner,
                              PSID group, PACL dacl, PACL sacl) {
    SECURITY_DESCRIPTOR asked;
    InitializeSecurityDescriptor(&asked, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&asked, TRUE, dacl, FALSE);
    const bool protect = (information & PROTECTED_DACL_SECURITY_INFORMATION) != 0;
    SetSecurityDescriptorControl(&asked, SE_DACL_PROTECTED, protect ? SE_DACL_PROTECTED : 0);
    const bool unprotected = (information & UNPROTECTED_DACL_SECURITY_INFORMATION) != 0;
    daclChanges.push_back(std::string(name) + ": " + DescribeDacl(&asked) + (unprotected ? " (unprotected)" : ""));
    return reinterpret_cast<decltype(&SetNamedSecurityInfoA)>(daclHook->original())(name, type, information, owner,
                                                                                   group, dacl, sacl);
}

class ExistingFolderSecurityTest : public ScratchTree {};

// Wine reports a made-up DACL for every folder, never protected: the recorded text is checked on
// descriptors, and the changes as they are asked of the system.
TEST_F(ExistingFolderSecurityTest, RecordsTheDaclAndPutsItBackWithItsProtection) {
    const std::string dacl = "D:PAI(A;OICI;FA;;;BA)(A;OICIIO;GW;;;BU)";
    char text[512];
    ASSERT_TRUE(DescriptorDaclText(FromSddl("O:BA" + dacl).get(), text, sizeof text));
    EXPECT_EQ(text, dacl);  // without the owner
    EXPECT_FALSE(DescriptorDaclText(FromSddl("O:BA").get(), text, sizeof text));
    const std::string folder = Path("Vantrel");
    MakeFolder(folder);
    char recorded[512];
    ASSERT_TRUE(ReadFolderDaclText(folder.c_str(), recorded, sizeof recorded));
    EXPECT_FALSE(ReadFolderDaclText(folder.c_str(), text, strlen(recorded)));  // one byte short
    EXPECT_EQ(text, std::string());
    ImportHook hook("advapi32.dll", "SetNamedSecurityInfoA", reinterpret_cast<void*>(&RecordDaclChange));
    ASSERT_TRUE(hook.installed());
    daclHook = &hook;
    EXPECT_TRUE(ProtectExistingFolder(folder.c_str()));
    EXPECT_TRUE(RestoreFolderDaclText(folder.c_str(), recorded));
    EXPECT_TRUE(RestoreFolderDaclText(folder.c_str(), dacl.c_str()));
    EXPECT_FALSE(RestoreFolderDaclText(folder.c_str(), "O:BA"));  // no DACL to put back: never a NULL one
    EXPECT_EQ(daclChanges, (std::vector<std::string>{
                               folder + ": " + ProgramFolderProtection,
                               folder + ": " + DescribeDacl(FromSddl(recorded).get()) + " (unprotected)",
                               folder + ": protected; allow S-1-5-32-544 1f01ff 3; allow S-1-5-32-545 40000000 b"}));
}

// Records every folder the engine asks for, in order, with the protection it asks for and whether
// a folder was made, and passes the call on.
class FolderCreationRecorder {
public:
    FolderCreationRecorder() : hook_("kernel32.dll", "CreateDirectoryA", reinterpret_cast<void*>(&Record)) {
        self() = this;
    }
    ~FolderCreationRecorder() { self() = nullptr; }
    bool installed() const { return hook_.installed(); }
    const std::vector<std::string>& calls() const { return calls_; }
    const std::vector<std::string>& protections() const { return protections_; }
    const std::vector<bool>& made() const { return made_; }

private:
    static FolderCreationRecorder*& self() {
        static FolderCreationRecorder* current = nullptr;
        return current;
    }
    static BOOL WINAPI Record(LPCSTR path, LPSECURITY_ATTRIBUTES security) {
        FolderCreationRecorder* recorder = self();
        recorder->calls_.push_back(path);
        recorder->protections_.push_back(DescribeDacl(security ? security->lpSecurityDescriptor : nullptr));
        const BOOL made = reinterpret_cast<decltype(&CreateDirectoryA)>(recorder->hook_.original())(path, security);
        recorder->made_.push_back(made != FALSE);
        return made;
    }
    ImportHook hook_;
    std::vector<std::string> calls_;
    std::vector<std::string> protections_;
    std::vector<bool> made_;
};

class CreateFolderChainTest : public ScratchTree {
protected:
    void SetUp() override {
        ScratchTree::SetUp();
        ResetSession();
        BeginScratchJournal();
    }
    void TearDown() override {
        EndJournal(true);
        ScratchTree::TearDown();
    }
};

// Every level below the drive root is asked for, from the top down; the ones there already
// simply fail.
TEST_F(CreateFolderChainTest, CreatesEveryLevelFromTheTopDown) {
    FolderCreationRecorder recorder;
    ASSERT_TRUE(recorder.installed());
    CreateFolderChain(Path("A\\B\\C").c_str(), Session.journal);

    EXPECT_EQ(recorder.calls(), (std::vector<std::string>{Path("A"), Path("A\\B"), Path("A\\B\\C")}));
    EXPECT_EQ(recorder.protections(), std::vector<std::string>(3, ProgramFolderProtection));
    EXPECT_TRUE(IsFolder(Path("A\\B\\C")));
    // Every level it made is recorded, and goes again when the run is undone.
    EndJournal(false);
    EXPECT_FALSE(Exists(Path("A")));
}

TEST_F(CreateFolderChainTest, CreatesTheSameLevelsWhenThePathEndsInABackslash) {
    FolderCreationRecorder recorder;
    ASSERT_TRUE(recorder.installed());
    CreateFolderChain(Path("A\\B\\C\\").c_str(), Session.journal);

    EXPECT_EQ(recorder.calls(), (std::vector<std::string>{Path("A"), Path("A\\B"), Path("A\\B\\C")}));
    EXPECT_TRUE(IsFolder(Path("A\\B\\C")));
}

TEST_F(CreateFolderChainTest, KeepsExistingLevelsAndAddsTheMissingOnes) {
    MakeFolder(Path("A"));
    WriteBytes(Path("A\\kept.txt"), "kept");

    FolderCreationRecorder recorder;
    ASSERT_TRUE(recorder.installed());
    CreateFolderChain(Path("A\\B\\C").c_str(), Session.journal);

    // Only the new levels are made, so only they get the protection; A keeps its own.
    EXPECT_EQ(recorder.calls(), (std::vector<std::string>{Path("A\\B"), Path("A\\B\\C")}));
    EXPECT_EQ(recorder.made(), (std::vector<bool>{true, true}));
    EXPECT_TRUE(IsFolder(Path("A\\B\\C")));
    EndJournal(false);
    EXPECT_EQ(ListFolder(Path("A")), std::vector<std::string>{"kept.txt"});
    EXPECT_EQ(ReadBytes(Path("A\\kept.txt")), "kept");
}

TEST_F(CreateFolderChainTest, GoesOnPastAFileInTheWayWithoutHarm) {
    MakeFolder(Path("A"));
    WriteBytes(Path("A\\B"), "in the way");

    FolderCreationRecorder recorder;
    ASSERT_TRUE(recorder.installed());
    CreateFolderChain(Path("A\\B\\C\\D").c_str(), Session.journal);

    EXPECT_EQ(recorder.calls().size(), 2u);
    EXPECT_EQ(ReadBytes(Path("A\\B")), "in the way");
    EXPECT_EQ(ListFolder(Path("A")), std::vector<std::string>{"B"});
}

TEST_F(CreateFolderChainTest, SkipsAPathLongerThanTheSystemAllowsRatherThanCuttingIt) {
    std::string path = Path("Chain");
    while (path.size() < 300) path += "\\level";

    FolderCreationRecorder recorder;
    ASSERT_TRUE(recorder.installed());
    CreateFolderChain(path.c_str(), Session.journal);

    EXPECT_TRUE(recorder.calls().empty());
    EXPECT_FALSE(Exists(Path("Chain")));
}

// ---------------------------------------------------------------------------------------------
// The extract decision

class MustExtractTest : public ScratchTree {
protected:
    FileEntry Entry(uint32_t flags) {
        FileEntry entry = {};
        strcpy(entry.fileName, "Order.txt");
        entry.flags = flags;
        return entry;
    }
};

TEST_F(MustExtractTest, ExtractsEveryBuiltInEntryEvenOverAnExistingFile) {
    const std::string existing = Path("existing.txt");
    WriteBytes(existing, "already there");
    for (int16_t row = 0; row < Manifest.fileCount; ++row) {
        EXPECT_TRUE(Manifest.files[row].flags & FILE_ALWAYS_OVERWRITE) << row;
        EXPECT_TRUE(MustExtract(existing.c_str(), row)) << row;
    }
}

TEST_F(MustExtractTest, AlwaysOverwriteEntryIsExtractedOverAnExistingFile) {
    const std::string existing = Path("existing.txt");
    WriteBytes(existing, "already there");
    EXPECT_TRUE(MustExtractEntry(existing.c_str(), Entry(FILE_ALWAYS_OVERWRITE | FILE_IN_INSTALL_FOLDER)));
}

TEST_F(MustExtractTest, EntryWithoutOverwriteIsLeftAloneWhenItsDestinationOpens) {
    const std::string existing = Path("existing.txt");
    WriteBytes(existing, "already there", FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(MustExtractEntry(existing.c_str(), Entry(FILE_IN_INSTALL_FOLDER)));
    EXPECT_EQ(ReadBytes(existing), "already there");
}

TEST_F(MustExtractTest, EntryWithoutOverwriteIsExtractedWhenItsDestinationCannotBeOpened) {
    const FileEntry entry = Entry(FILE_IN_INSTALL_FOLDER | FILE_TO_WINDOWS_FOLDER);
    EXPECT_TRUE(MustExtractEntry(Path("missing.txt").c_str(), entry));

    MakeFolder(Path("folder.txt"));
    EXPECT_TRUE(MustExtractEntry(Path("folder.txt").c_str(), entry));

    const std::string locked = Path("locked.txt");
    WriteBytes(locked, "locked");
    HANDLE holder = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(MustExtractEntry(locked.c_str(), entry));
    CloseHandle(holder);
}

// ---------------------------------------------------------------------------------------------
// Progress accounting

class AddProgressTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSession(page.bar());
        SetDlgItemTextA(page.window(), 402, "untouched");
    }
    void Start(uint32_t total) { Session.progress.total = total; }
    TestPage page;
};

TEST_F(AddProgressTest, NothingDoneMeansNoRepaintAndNoLabel) {
    Start(1000);
    AddProgress(Session.progress, page.report(), 0);
    EXPECT_EQ(page.barPaints(), 0);
    EXPECT_EQ(page.Label(402), "untouched");
    EXPECT_EQ(Session.progress.value, 0);
    EXPECT_EQ(Session.progress.done, 0u);
}

TEST_F(AddProgressTest, RepaintsTheBarOnlyWhenTheHalfPercentValueChanges) {
    Start(1000);
    AddProgress(Session.progress, page.report(), 4);  // 0.8 steps: still 0
    EXPECT_EQ(Session.progress.value, 0);
    EXPECT_EQ(page.barPaints(), 0);
    EXPECT_EQ(page.Label(402), "4");

    AddProgress(Session.progress, page.report(), 1);
    EXPECT_EQ(Session.progress.value, 1);
    EXPECT_EQ(page.barPaints(), 1);
    EXPECT_EQ(page.Label(402), "5");

    AddProgress(Session.progress, page.report(), 4);
    EXPECT_EQ(Session.progress.value, 1);
    EXPECT_EQ(page.barPaints(), 1);
    EXPECT_EQ(page.Label(402), "9");

    AddProgress(Session.progress, page.report(), 1);
    EXPECT_EQ(Session.progress.value, 2);
    EXPECT_EQ(page.barPaints(), 2);
}

TEST_F(AddProgressTest, DoneNeverPassesTotal) {
    Start(1000);
    AddProgress(Session.progress, page.report(), 600);
    AddProgress(Session.progress, page.report(), 600);
    EXPECT_EQ(Session.progress.done, 1000u);
    EXPECT_EQ(Session.progress.value, 200);
    EXPECT_EQ(page.Label(402), "1,000");
    EXPECT_EQ(page.barPaints(), 2);

    AddProgress(Session.progress, page.report(), 5);
    EXPECT_EQ(Session.progress.done, 1000u);
    EXPECT_EQ(page.barPaints(), 2);
}

TEST_F(AddProgressTest, LargeTotalsNeitherOverflowNorStopShortOf200) {
    Start(4000000000u);
    AddProgress(Session.progress, page.report(), 3000000000u);  // 3e9 * 200 needs 40 bits
    EXPECT_EQ(Session.progress.value, 150);
    EXPECT_EQ(page.Label(402), "3,000,000,000");

    AddProgress(Session.progress, page.report(), 3000000000u);  // the sum passes 32 bits before it is clamped
    EXPECT_EQ(Session.progress.done, 4000000000u);
    EXPECT_EQ(Session.progress.value, 200);
    EXPECT_EQ(page.Label(402), "4,000,000,000");
}

TEST_F(AddProgressTest, Reaches200ExactlyWhenTheLastBlockIsDone) {
    Start(369475);
    uint32_t left = 369475;
    while (left > 1024) {
        AddProgress(Session.progress, page.report(), 1024);
        left -= 1024;
        ASSERT_LT(Session.progress.value, 200);
    }
    AddProgress(Session.progress, page.report(), left);
    EXPECT_EQ(Session.progress.value, 200);
    EXPECT_EQ(page.Label(402), "369,475");
}

// ---------------------------------------------------------------------------------------------
// System folders

TEST(FillSystemFoldersTest, FillsTheWindowsAndProgramsFoldersTitleCased) {
    ResetSession();
    FillSystemFolders(nullptr, Session.directories);

    char windows[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryA(windows, sizeof windows), 0u);
    TitleCasePath(windows);
    EXPECT_STREQ(Session.directories.paths[DirWindows], windows);
    EXPECT_STREQ(Session.directories.paths[DirWindows], "C:\\Windows");

    char programs[MAX_PATH];
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, 0, programs)));
    TitleCasePath(programs);
    EXPECT_STREQ(Session.directories.paths[DirPrograms], programs);
    EXPECT_TRUE(IsFolder(Session.directories.paths[DirPrograms]));
    EXPECT_EQ(std::string(Session.directories.paths[DirPrograms]).rfind("\\Start Menu\\Programs"),
              strlen(programs) - strlen("\\Start Menu\\Programs"));
}

// ---------------------------------------------------------------------------------------------
// Whole runs over the built-in payloads

// The file the packer took a row from: a text of the source tree, or a product program linked
// in this build tree (found above the test program).
std::string PayloadSource(const FileEntry& entry) {
    std::string here = __FILE__;
    std::string text = "Z:" + here.substr(0, here.rfind("/tests/win32/")) + "/product/text/" + entry.fileName;
    for (char& c : text) {
        if (c == '/') c = '\\';
    }
    if (Exists(text)) return text;
    char program[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, program, sizeof program);
    std::string folder = program;
    for (size_t cut = folder.rfind('\\'); cut != std::string::npos; cut = folder.rfind('\\')) {
        folder.resize(cut);
        const std::string candidate = folder + "\\product\\bin\\" + entry.fileName;
        if (Exists(candidate)) return candidate;
    }
    return "<no source for " + std::string(entry.fileName) + ">";
}

// The manifest's local time as UTC with the zone's bias in force now, worked out from the zone
// record rather than through the local-file-time conversion the copy step uses.
uint64_t StampNowInUtc(int* utcHour) {
    SYSTEMTIME local = {2006, 12, 1, 18, 3, 2, 0, 0};
    FILETIME plain;
    EXPECT_TRUE(SystemTimeToFileTime(&local, &plain));
    TIME_ZONE_INFORMATION zone;
    const DWORD which = GetTimeZoneInformation(&zone);
    const LONG bias = zone.Bias + (which == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias : zone.StandardBias);
    const uint64_t utc = Ticks(plain) + static_cast<int64_t>(bias) * 60 * 10000000;
    FILETIME asFileTime = {static_cast<DWORD>(utc), static_cast<DWORD>(utc >> 32)};
    SYSTEMTIME shown;
    FileTimeToSystemTime(&asFileTime, &shown);
    *utcHour = shown.wHour;
    return utc;
}

class CopyStepTest : public ScratchTree {
protected:
    void SetUp() override {
        ScratchTree::SetUp();
        page = std::make_unique<TestPage>();
        ResetSession(page->bar());
        MakeFolder(windowsFolder);
        SetDirectory(DirWindows, windowsFolder);
        SetDirectory(DirInstall, installFolder);
    }
    void TearDown() override {
        page.reset();
        ScratchTree::TearDown();
    }

    // Runs the step with every message box answered; the boxes seen go to `boxes`.
    int16_t Run(const InstallManifest* manifest = nullptr) {
        MessageBoxCatcher catcher;
        const int16_t result =
            manifest ? CopyManifestFiles(page->report(), Session.directories, Session.progress, Session.journal,
                                         *manifest)
                     : CopyAllFiles(page->report(), Session.directories, Session.progress, Session.journal);
        boxes = catcher.Stop();
        // What the wizard then does: a completed step stands, a failed one is undone.
        EndJournal(result == 1);
        return result;
    }

    std::string Destination(int row) const {
        const FileEntry& entry = Manifest.files[row];
        return ((entry.flags & FILE_TO_WINDOWS_FOLDER) ? windowsFolder : installFolder) + "\\" + entry.fileName;
    }

    const std::string windowsFolder = Path("Windows");
    const std::string installFolder = Path("Apps\\Vantrel");
    std::unique_ptr<TestPage> page;
    std::vector<SeenBox> boxes;
};

TEST_F(CopyStepTest, WritesEveryFileByteForByteIntoANewInstallFolder) {
    ASSERT_FALSE(Exists(Path("Apps")));

    EXPECT_EQ(Run(), 1);

    EXPECT_TRUE(boxes.empty());
    for (int row = 0; row < Manifest.fileCount; ++row) {
        const std::string source = ReadBytes(PayloadSource(Manifest.files[row]));
        ASSERT_EQ(source.size(), Manifest.files[row].fileSize) << PayloadSource(Manifest.files[row]);
        EXPECT_TRUE(ReadBytes(Destination(row)) == source) << Destination(row);
    }
    EXPECT_EQ(ListFolder(windowsFolder), std::vector<std::string>{"Tolvangr.exe"});
    EXPECT_EQ(ListFolder(installFolder).size(), InstallFolderFileCount());
}

TEST_F(CopyStepTest, StampsEveryWrittenFileWithTheManifestTimeInTheZoneInForceNow) {
    int utcHour = 0;
    const uint64_t expected = StampNowInUtc(&utcHour);
    TIME_ZONE_INFORMATION zone;
    const DWORD which = GetTimeZoneInformation(&zone);
    ASSERT_EQ(zone.Bias, -60) << "the tests run in Europe/Berlin";
    EXPECT_EQ(utcHour, which == TIME_ZONE_ID_DAYLIGHT ? 1 : 2);  // Berlin is UTC+2 in summer, UTC+1 else

    EXPECT_EQ(Run(), 1);

    for (int row = 0; row < Manifest.fileCount; ++row) {
        const FileTimes times = TimesOf(Destination(row));
        EXPECT_EQ(times.creation, expected) << Destination(row);
        EXPECT_EQ(times.access, expected) << Destination(row);
        EXPECT_EQ(times.write, expected) << Destination(row);
    }
}

TEST_F(CopyStepTest, ShowsEveryEntryAndTheByteCountsInTheLabels) {
    EXPECT_EQ(Run(), 1);

    std::vector<std::string> paths;
    std::vector<std::string> numbers;
    for (int row = 0; row < Manifest.fileCount; ++row) {
        paths.push_back(Destination(row));
        numbers.push_back(std::to_string(row + 1));
    }
    EXPECT_EQ(page->LabelHistory(IDC_EXTRACTING), paths);
    EXPECT_EQ(page->LabelHistory(IDC_CURRENT_FILE), numbers);
    EXPECT_EQ(page->LabelHistory(IDC_TOTAL_SIZE), std::vector<std::string>{TotalSizeText});
    EXPECT_EQ(page->LabelHistory(IDC_TOTAL_FILES), std::vector<std::string>{TotalFilesText});
    ASSERT_FALSE(page->LabelHistory(IDC_CURRENT_SIZE).empty());
    EXPECT_EQ(page->LabelHistory(IDC_CURRENT_SIZE).front(), "1,024");
    EXPECT_EQ(page->Label(IDC_CURRENT_SIZE), TotalSizeText);
    EXPECT_EQ(Session.progress.done, ManifestTotalSize());
    EXPECT_EQ(Session.progress.value, 200);
}

TEST_F(CopyStepTest, ReplacesAnEarlierInstallationButKeepsItsDataFiles) {
    MakeFolder(Path("Apps"));
    MakeFolder(installFolder);
    MakeFolder(installFolder + "\\Notes");
    WriteBytes(installFolder + "\\Vantrel.exe", "an older program", FILE_ATTRIBUTE_READONLY);
    WriteBytes(installFolder + "\\Notes\\draft.tmp", "old");
    WriteBytes(installFolder + "\\Notes\\notes.DAT", "the user's notes");
    WriteBytes(installFolder + "\\Vantrel.key", "licence");

    EXPECT_EQ(Run(), 1);

    EXPECT_TRUE(ReadBytes(installFolder + "\\Vantrel.exe") == ReadBytes(PayloadSource(Manifest.files[2])));
    EXPECT_EQ(ListFolder(installFolder + "\\Notes"), std::vector<std::string>{"notes.DAT"});
    EXPECT_EQ(ReadBytes(installFolder + "\\Notes\\notes.DAT"), "the user's notes");
    EXPECT_EQ(ReadBytes(installFolder + "\\Vantrel.key"), "licence");
}

// Where the volume has no Recycle Bin (here: Wine without the home's .local folder, in which it
// would make its trash), what the clean-up removed stays in its plainly named folder inside the
// install folder.
TEST_F(CopyStepTest, WithoutARecycleBinTheRemovedFilesStayBesideTheInstallation) {
    char home[MAX_PATH] = "";
    ASSERT_GT(GetEnvironmentVariableA("WINEHOMEDIR", home, sizeof home), 4u);
    const std::string trash = std::string(home + 4) + "\\.local";
    ASSERT_TRUE(MoveFileA(trash.c_str(), (trash + ".away").c_str()));
    MakeFolder(Path("Apps"));
    MakeFolder(installFolder);
    MakeFolder(installFolder + "\\Letters");
    WriteBytes(installFolder + "\\Letters\\draft.txt", "Dear reader", FILE_ATTRIBUTE_READONLY);
    WriteBytes(installFolder + "\\Vantrel.exe", "an earlier program");
    const DWORD attributes = GetFileAttributesA((installFolder + "\\Letters\\draft.txt").c_str());

    const int16_t result = Run();
    EXPECT_TRUE(MoveFileA((trash + ".away").c_str(), trash.c_str()));

    EXPECT_EQ(result, 1);
    const std::string kept = installFolder + "\\" + RemovedFilesFolderName + "\\Letters\\draft.txt";
    EXPECT_EQ(ReadBytes(kept), "Dear reader");
    EXPECT_EQ(GetFileAttributesA(kept.c_str()), attributes);
}

// A folder without an earlier installation (here: the user's own letters) is not cleaned.
TEST_F(CopyStepTest, KeepsTheFilesOfAFolderThatHoldsNoEarlierInstallation) {
    MakeFolder(Path("Apps"));
    MakeFolder(installFolder);
    MakeFolder(installFolder + "\\Letters");
    WriteBytes(installFolder + "\\Letters\\draft.txt", "Dear reader", FILE_ATTRIBUTE_HIDDEN);

    EXPECT_EQ(Run(), 1);

    EXPECT_EQ(ReadBytes(installFolder + "\\Letters\\draft.txt"), "Dear reader");
    EXPECT_EQ(ListFolder(installFolder).size(), InstallFolderFileCount() + 1);
}

TEST_F(CopyStepTest, LeavesAKeptFileOfAnEntryWithoutOverwriteAndCountsItAsDone) {
    InstallManifest manifest = Manifest;
    FileEntry& order = manifest.files[5];
    strcpy(order.fileName, "Orders.dat");
    order.flags = FILE_IN_INSTALL_FOLDER;
    MakeFolder(Path("Apps"));
    MakeFolder(installFolder);
    const std::string kept = installFolder + "\\Orders.dat";
    WriteBytes(kept, "orders taken so far");
    const uint64_t longAgo = 127000000000000000ull;  // 2003
    SetTimes(kept, longAgo);

    EXPECT_EQ(Run(&manifest), 1);

    EXPECT_EQ(ReadBytes(kept), "orders taken so far");
    const FileTimes times = TimesOf(kept);
    EXPECT_EQ(times.write, longAgo);
    EXPECT_EQ(times.creation, longAgo);
    EXPECT_EQ(Session.progress.done, Session.progress.total);
    EXPECT_EQ(Session.progress.value, 200);
    EXPECT_EQ(page->Label(IDC_CURRENT_SIZE), TotalSizeText);
}

TEST_F(CopyStepTest, StopsWithOneMessageAtAFileThatCannotBeCreated) {
    MakeFolder(Path("Apps"));
    MakeFolder(installFolder);
    MakeFolder(Destination(2));  // a folder where Vantrel.exe goes

    EXPECT_EQ(Run(), -1);

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Porvane");
    EXPECT_EQ(boxes[0].text, CreateFailedText);
    EXPECT_TRUE(boxes[0].errorIcon);
    // The two files written before are gone again.
    EXPECT_EQ(ListFolder(windowsFolder), std::vector<std::string>{});
    EXPECT_TRUE(IsFolder(Destination(2)));
    EXPECT_EQ(ListFolder(installFolder), std::vector<std::string>{"Vantrel.exe"});
    EXPECT_EQ(page->LabelHistory(IDC_CURRENT_FILE), (std::vector<std::string>{"1", "2", "3"}));
}

TEST_F(CopyStepTest, AnInstallPathThatNamesAFileFailsAtItsFirstEntry) {
    WriteBytes(Path("Apps"), "not a folder");
    SetDirectory(DirInstall, Path("Apps"));

    EXPECT_EQ(Run(), -1);

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, CreateFailedText);
    EXPECT_EQ(ReadBytes(Path("Apps")), "not a folder");
    EXPECT_EQ(ListFolder(windowsFolder), std::vector<std::string>{});
}

TEST_F(CopyStepTest, StopsRatherThanWriteUnderACutPathWhenADestinationIsTooLong) {
    const std::string longFolder = Path(std::string(250 - strlen(TestRoot) - 1, 'p'));
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + Widen(longFolder)).c_str(), nullptr));
    SetDirectory(DirInstall, longFolder);

    EXPECT_EQ(Run(), -1);

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, CreateFailedText);
    EXPECT_EQ(ListFolder(longFolder), std::vector<std::string>{});
    EXPECT_EQ(ListFolder(windowsFolder), std::vector<std::string>{});
}

TEST_F(CopyStepTest, StopsWhenAPayloadIsMissing) {
    InstallManifest manifest = Manifest;
    strcpy(manifest.files[1].resourceName, "NOSUCHPAYLOAD");

    EXPECT_EQ(Run(&manifest), -1);

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, WriteFailedText);
    EXPECT_FALSE(Exists(Path("Apps")));  // the folders it made are gone too
    EXPECT_EQ(ListFolder(windowsFolder), std::vector<std::string>{});
}

TEST_F(CopyStepTest, WithNoEntriesOnlyPreparesTheFolder) {
    InstallManifest manifest = Manifest;
    manifest.fileCount = 0;

    EXPECT_EQ(Run(&manifest), 1);

    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(IsFolder(installFolder));
    EXPECT_EQ(page->Label(IDC_TOTAL_SIZE), "0");
    EXPECT_EQ(page->Label(IDC_TOTAL_FILES), "0");
    EXPECT_TRUE(page->LabelHistory(IDC_CURRENT_SIZE).empty());
    EXPECT_EQ(page->barPaints(), 0);
}

// A drive that fills up: a 64 KiB tmpfs mounted on the host and linked as drive F:. The
// updater (56 KiB) fits; the program does not.
class CopyStepFullDiskTest : public CopyStepTest {
protected:
    void SetUp() override {
        CopyStepTest::SetUp();
        ASSERT_EQ(HostCommand("fulldisk-up f 64k"), "ok");
        ULARGE_INTEGER available, total, free;
        ASSERT_TRUE(GetDiskFreeSpaceExA("F:\\", &available, &total, &free));
        ASSERT_EQ(total.QuadPart, 65536u);
        SetDirectory(DirInstall, "F:\\Vantrel");
    }
    // Always, whatever SetUp got to: taking down a drive that is not there is no error.
    void TearDown() override {
        EXPECT_EQ(HostCommand("fulldisk-down f"), "ok");
        CopyStepTest::TearDown();
    }
};

// The installer finds the shortfall before it writes anything: the volume, both numbers.
TEST_F(CopyStepFullDiskTest, TooLittleRoomIsToldBeforeAnythingChanges) {
    ULARGE_INTEGER available;
    ASSERT_TRUE(GetDiskFreeSpaceExA("F:\\", &available, nullptr, nullptr));
    const uint32_t needed = ManifestTotalSize() - Manifest.files[UninstallerRow].fileSize;

    EXPECT_EQ(Run(), -1);

    ASSERT_EQ(boxes.size(), 1u);
    const std::string neededText = GroupedNumber(needed);
    const std::string availableText = GroupedNumber(static_cast<uint32_t>(available.QuadPart));
    const char* const args[] = {"F:\\", neededText.c_str(), availableText.c_str()};
    char expected[512];
    FormatText(expected, sizeof expected, NotEnoughSpaceFormat, args, 3);
    EXPECT_EQ(boxes[0].text, expected);
    EXPECT_TRUE(boxes[0].errorIcon);
    EXPECT_FALSE(Exists("F:\\Vantrel"));
    EXPECT_EQ(ListFolder(windowsFolder), std::vector<std::string>{});
}

// Past that check (a drive that fills up while the installer writes, say), the copy itself.
TEST_F(CopyStepFullDiskTest, AWriteThatComesUpShortStopsTheStepWithAMessage) {
    InstallManifest manifest = Manifest;
    EXPECT_EQ(Run(&manifest), -1);

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Porvane");
    EXPECT_EQ(boxes[0].text, WriteFailedText);
    EXPECT_TRUE(boxes[0].errorIcon);
    // The part written is closed (else it could not be removed), and goes with everything else.
    EXPECT_FALSE(Exists("F:\\Vantrel"));
    EXPECT_EQ(ListFolder(windowsFolder), std::vector<std::string>{});
    EXPECT_LT(Session.progress.done, Session.progress.total);
    EXPECT_LT(Session.progress.value, 200);
}

// A completion record that cannot be written (here the journal's handle takes no writes, as a
// failing disk would) is no completion: the commit says so and the run can still be undone.
using CommitTest = ScratchTree;
TEST_F(CommitTest, ACompletionThatCannotBeWrittenIsNoCompletion) {
    const std::string journal = Path("run.journal");
    InstallJournal run = {};
    ASSERT_TRUE(BeginJournal(run, journal.c_str()));
    ASSERT_TRUE(JournalCreateFolder(run, Path("Made").c_str(), nullptr));
    CloseHandle(run.file);
    run.file = CreateFileA(journal.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);

    EXPECT_FALSE(CommitJournal(run));
    EXPECT_EQ(ReadBytes(journal).find("completed"), std::string::npos);
    char stuck[MAX_PATH] = "";
    EXPECT_EQ(RollBackJournal(run, stuck, sizeof stuck), JournalUndone) << stuck;
    EXPECT_EQ(ListFolder(TestRoot), std::vector<std::string>{});
}

}  // namespace
