// Install, reinstall over it, uninstall and install again with the real programs: what each run
// leaves on disk and in the registry, path by path.
#include "reliability_helpers.h"

#include <objbase.h>

#include <algorithm>

#include "shortcuts.h"

namespace reliability {
namespace {

using namespace installation;

const char Folder[] = "C:\\Reliability\\Apps\\Vantrel";
const char Group[] = "Vantrel";

std::string InFolder(const std::string& name) { return std::string(Folder) + "\\" + name; }
std::string GroupFolder() { return ProgramsFolder() + "\\" + Group; }

// The user's files beside the program: kept kinds by extension (any letter case, any depth, any
// attributes), and a text of the user's that only the uninstaller must spare.
const char* const KeptFiles[] = {"License.KEY", "Notes.DAT", "session.log", "Archive\\Old.Dat"};
const char OwnText[] = "My notes.txt";

void WriteUserFiles() {
    ASSERT_TRUE(WriteWholeFile(InFolder("License.KEY"), "licence key 1234"));
    ASSERT_TRUE(WriteWholeFile(InFolder("Notes.DAT"), std::string(3000, 'n'), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(WriteWholeFile(InFolder("session.log"), "started\r\nstopped\r\n", FILE_ATTRIBUTE_HIDDEN));
    MakeFolders(InFolder("Archive"));
    ASSERT_TRUE(WriteWholeFile(InFolder("Archive\\Old.Dat"), "archived data"));
    ASSERT_TRUE(WriteWholeFile(InFolder(OwnText), "the user's own text"));
}

std::vector<std::string> KeptPaths() {
    std::vector<std::string> paths(std::begin(KeptFiles), std::end(KeptFiles));
    paths.push_back("Archive");
    return paths;
}

std::vector<std::string> Sorted(std::vector<std::string> items) {
    std::sort(items.begin(), items.end());
    return items;
}

// The installing page's labels: one total, every entry counted from 1 with its path, the done
// count ending at the total.
void ExpectInstallingLabels(const InstallingRecord& record) {
    EXPECT_EQ(record.totalSize, std::vector<std::string>{TotalSizeText});
    EXPECT_EQ(record.totalFiles, std::vector<std::string>{TotalFilesText});
    EXPECT_EQ(record.currentFile, FileNumberTexts());
    std::vector<std::string> paths;
    for (const ProductFile& file : Files) {
        paths.push_back((file.toWindowsFolder ? WindowsFolder() : std::string(Folder)) + "\\" + file.name);
    }
    EXPECT_EQ(record.extracting, paths);
    ASSERT_FALSE(record.currentSize.empty());
    EXPECT_EQ(record.currentSize.back(), TotalSizeText);
    EXPECT_TRUE(record.closed) << "the page closes by itself";
}

// Every product file in place with the bytes it is built from, the five links, and the records.
void ExpectInstalled() {
    for (const ProductFile& file : Files) {
        const std::string path = file.toWindowsFolder ? UninstallerPath() : InFolder(file.name);
        const std::string content = ReadFileOrMissing(path);
        EXPECT_EQ(content.size(), file.size) << path;
        EXPECT_TRUE(content == ReadFileOrMissing(file.source)) << path << " differs from " << file.source;
    }
    EXPECT_EQ(ListFolder(GroupFolder()), LinkNames());
    EXPECT_EQ(ReadRegistryValue(PublisherKey, "Vantrel").data, std::string(Folder) + '\0');
    EXPECT_EQ(ReadRegistryValue(UninstallKey, "Program Path").data, std::string(Folder) + '\0');
    EXPECT_EQ(ReadRegistryValue(UninstallKey, "Program Group").data, std::string(Group) + '\0');
    EXPECT_EQ(ReadRegistryValue(UninstallKey, "UninstallString").data, UninstallerPath() + '\0');
}

using ReliabilityLifecycle = ReliabilityTest;

// First installation into a new folder; the user adds files and damages the program; a second
// installation proposes the recorded folder, keeps the .KEY/.DAT/.LOG files as they were (bytes,
// attributes, times), sends the user's other files and the damaged program to the Recycle Bin
// (the clean-up's job) and writes every program file afresh; the uninstaller then removes exactly what the installations made and
// leaves the user's files; a third installation proposes the default folder again, says that the
// folder holds files that are not the product's, and installs beside them, leaving them as they are.
TEST_F(ReliabilityLifecycle, InstallReinstallUninstallAndInstallAgainKeepTheUsersFiles) {
    std::string why;
    Installation first;
    ASSERT_TRUE(Install(Folder, Group, &first, &why)) << why;
    EXPECT_EQ(first.proposedFolder, DefaultFolder);
    EXPECT_EQ(first.exitCode, 1u);
    ExpectInstallingLabels(first.installing);
    ExpectInstalled();
    const Registry registryAfterFirst = ReadProductRegistry();
    const Tree groupAfterFirst = ReadTree(GroupFolder());

    WriteUserFiles();
    ASSERT_TRUE(WriteWholeFile(InFolder("Vantrel.exe"), "damaged by some accident"));
    const Tree kept = KeepOnly(ReadTree(Folder), KeptPaths());
    ASSERT_EQ(kept.size(), KeptPaths().size());
    const std::vector<std::string> recycledBefore = RecycledFrom(RemovedFilesFolderName);

    Installation second;
    ASSERT_TRUE(Install(Folder, Group, &second, &why)) << why;
    EXPECT_EQ(second.proposedFolder, Folder) << "the recorded folder is proposed";
    EXPECT_EQ(second.exitCode, 1u);
    ExpectInstallingLabels(second.installing);
    ExpectInstalled();
    Tree afterSecond = ReadTree(Folder);
    EXPECT_EQ(Difference(kept, KeepOnly(afterSecond, KeptPaths())), "") << "kept files changed";
    std::vector<std::string> expected = InstallFolderFiles();
    for (const char* name : KeptFiles) expected.push_back(name);
    expected.push_back("Archive\\");
    EXPECT_EQ(Paths(afterSecond), Sorted(expected)) << OwnText << " goes with the clean-up";
    std::vector<std::string> recycled;
    for (const std::string& path : RecycledFrom(RemovedFilesFolderName)) {
        if (std::find(recycledBefore.begin(), recycledBefore.end(), path) == recycledBefore.end()) recycled.push_back(path);
    }
    ASSERT_EQ(recycled.size(), 1u) << "in the Recycle Bin: " << Join(ListFolder(RecycleBinFolder()));
    EXPECT_EQ(ReadFileOrMissing(recycled[0] + "\\" + OwnText), "the user's own text");
    EXPECT_EQ(ReadFileOrMissing(recycled[0] + "\\Vantrel.exe"), "damaged by some accident");
    EXPECT_EQ(Difference(registryAfterFirst, ReadProductRegistry()), "") << "the same records again";
    EXPECT_EQ(Paths(ReadTree(GroupFolder())), Paths(groupAfterFirst));

    ASSERT_TRUE(WriteWholeFile(InFolder(OwnText), "the user's own text"));
    const Tree userFiles = KeepOnly(ReadTree(Folder), [] {
        std::vector<std::string> paths = KeptPaths();
        paths.push_back(OwnText);
        return paths;
    }());
    // Another product installed into the same group has put a Help link of its own there.
    const std::string othersHelp = GroupFolder() + "\\Help.lnk";
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    ASSERT_TRUE(CreateShellLink("C:\\Oxbow Works\\Brindle\\Guide.txt", "C:\\Oxbow Works\\Brindle", othersHelp.c_str(), "Help"));
    CoUninitialize();
    Uninstallation removal;
    ASSERT_TRUE(Uninstall(&removal, &why)) << why;
    EXPECT_EQ(removal.question, "Remove Vantrel and all of its components?");
    EXPECT_EQ(removal.closing, "Vantrel was removed, except for the following:\r\n\r\n" + othersHelp +
                                   ": not this installation's link, kept\r\n" + GroupFolder() +
                                   ": kept, it still holds other files\r\n" + Folder +
                                   ": kept, it still holds other files\r\n");
    EXPECT_EQ(removal.exitCode, 3u) << "removed, with items left behind";
    Tree afterRemoval = ReadTree(Folder);
    afterRemoval.erase("");
    EXPECT_EQ(Difference(userFiles, afterRemoval), "") << "exactly the user's files are left, unchanged";
    EXPECT_TRUE(IsFolder("C:\\Reliability\\Apps"));
    EXPECT_EQ(ListFolder(GroupFolder()), std::vector<std::string>{"Help.lnk"}) << "the product's links go";
    for (const auto& entry : ReadProductRegistry()) {
        EXPECT_EQ(entry.first.rfind(FileSystemKey, 0), 0u) << "left in the registry: " << entry.first;
    }
    EXPECT_TRUE(WaitUntil([] { return !Exists(UninstallerPath()); }, 20000))
        << "the uninstaller's own file is still there";

    Installation third;
    ASSERT_TRUE(Install(Folder, Group, &third, &why)) << why;
    EXPECT_EQ(third.proposedFolder, DefaultFolder) << "no recorded folder after the removal";
    EXPECT_EQ(third.otherFilesNotice, OtherFilesText(Folder));
    EXPECT_EQ(ReadFileOrMissing(InFolder(OwnText)), "the user's own text");
    ExpectInstallingLabels(third.installing);
    ExpectInstalled();
    EXPECT_EQ(Difference(kept, KeepOnly(ReadTree(Folder), KeptPaths())), "");

    // Ended while its closing message shows: a second run finds nothing to remove, and still
    // removes its own file.
    Uninstallation killed, rerun;
    ASSERT_TRUE(Uninstall(&killed, &why, true)) << why;
    ASSERT_TRUE(Uninstall(&rerun, &why)) << why;
    EXPECT_EQ(rerun.closing, "Vantrel is not installed, or it has already been removed.");
    EXPECT_EQ(rerun.exitCode, 2u);
    EXPECT_TRUE(WaitUntil([] { return !Exists(UninstallerPath()); }, 20000)) << "the uninstaller is still there";
}

// On a volume of its own, the Recycle Bin may not keep what a completed reinstallation removed
// (under Wine it cannot take a folder from another file system): whatever it does not keep stays
// in the holding folder beside the installation. Nothing is gone.
TEST_F(ReliabilityLifecycle, OnAVolumeOfItsOwnWhatTheCleanUpRemovedIsKept) {
    HostChange volume("tmpfs-up Reliability/Volume 16m", "unmount Reliability/Volume");
    ASSERT_EQ(volume.status(), "ok");
    const std::string folder = std::string(TestRoot) + "\\Volume\\Vantrel";
    std::string why;
    Installation first, second;
    ASSERT_TRUE(Install(folder, Group, &first, &why)) << why;
    ASSERT_TRUE(WriteWholeFile(folder + "\\" + OwnText, "the user's own text"));
    const std::vector<std::string> recycledBefore = RecycledFrom(RemovedFilesFolderName);
    ASSERT_TRUE(Install(folder, Group, &second, &why)) << why;

    std::vector<std::string> places;
    for (const std::string& path : RecycledFrom(RemovedFilesFolderName)) {
        if (std::find(recycledBefore.begin(), recycledBefore.end(), path) == recycledBefore.end()) places.push_back(path);
    }
    places.push_back(folder + "\\" + RemovedFilesFolderName);
    int found = 0;
    for (const std::string& place : places) found += ReadFileOrMissing(place + "\\" + OwnText) == "the user's own text";
    EXPECT_GE(found, 1) << OwnText << " is neither in the Recycle Bin nor beside the installation";
}

// A recorded folder that points at the user's own documents: files there named like the product's
// (the read-me with one letter changed) stay as they were, each named in the closing message.
TEST_F(ReliabilityLifecycle, UninstallKeepsTheUsersFilesNamedLikeProductFilesInARecordedFolder) {
    std::string why;
    Installation installed;
    ASSERT_TRUE(Install(Folder, Group, &installed, &why)) << why;
    const std::string documents = std::string(TestRoot) + "\\Documents";
    std::string readMe = ReadFileOrMissing(InFolder("Read Me.txt"));
    readMe[0] ^= 0x20;
    MakeFolders(documents);
    ASSERT_TRUE(WriteWholeFile(documents + "\\Read Me.txt", readMe) &&
                WriteWholeFile(documents + "\\Order.txt", "mine") &&
                WriteWholeFile(documents + "\\Vantrel.exe", "MZ mine", FILE_ATTRIBUTE_READONLY) &&
                WriteRegistryString(UninstallKey, "Program Path", documents));
    const Tree before = ReadTree(documents);

    Uninstallation removal;
    ASSERT_TRUE(Uninstall(&removal, &why)) << why;

    EXPECT_EQ(Difference(before, ReadTree(documents)), "") << "the user's files changed";
    const std::string kept = ": changed since installation, kept\r\n";
    // The links lead into the folder that was installed, not the recorded one: not provably the product's.
    std::string links;
    for (const char* name : {"Update", "Vantrel", "Help", "Read Me"}) {
        links += GroupFolder() + "\\" + name + ".lnk: not this installation's link, kept\r\n";
    }
    EXPECT_EQ(removal.closing, "Vantrel was removed, except for the following:\r\n\r\n" + documents + "\\Vantrel.exe" +
                                   kept + documents + "\\Read Me.txt" + kept + documents + "\\Order.txt" + kept + links +
                                   GroupFolder() + ": kept, it still holds other files\r\n" + documents +
                                   ": kept, it still holds other files\r\n");
}

}  // namespace
}  // namespace reliability
