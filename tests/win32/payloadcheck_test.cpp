// The damaged-installer check: every payload resource against the packer's CRC table, before the
// copy step touches the disk.
#include <windows.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "../common/expected_texts.h"
#include "copystep.h"
#include "engine_fixture.h"
#include "manifest.h"
#include "payloadcheck.h"
#include "resource.h"
#include "shell.h"

using namespace engine_test;

namespace {


std::vector<uint32_t> BuiltCrcs() { return std::vector<uint32_t>(PayloadCrc32, PayloadCrc32 + Manifest.fileCount); }

class PayloadsIntactTest : public ::testing::Test {
protected:
    InstallManifest manifest = Manifest;
    std::vector<uint32_t> crcs = BuiltCrcs();
};

TEST_F(PayloadsIntactTest, TheBuiltPayloadsMatchTheirTable) {
    EXPECT_TRUE(PayloadsIntact(manifest, crcs.data()));
}

TEST_F(PayloadsIntactTest, TheTableHoldsTheCrcOfEachStreamAsTheResourceCarriesIt) {
    for (int row = 0; row < Manifest.fileCount; ++row) {
        const FileEntry& entry = Manifest.files[row];
        HRSRC resource = FindResourceA(nullptr, entry.resourceName, MAKEINTRESOURCEA(10));
        ASSERT_NE(resource, nullptr) << entry.resourceName;
        const uint8_t* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(nullptr, resource)));
        ASSERT_NE(bytes, nullptr);
        EXPECT_EQ(Crc32(bytes, entry.compressedSize), PayloadCrc32[row]) << entry.resourceName;
    }
}

TEST_F(PayloadsIntactTest, AWrongCrcInAnyRowFailsTheCheck) {
    for (int row = 0; row < Manifest.fileCount; ++row) {
        std::vector<uint32_t> damaged = crcs;
        damaged[row] ^= 0x00010000u;
        EXPECT_FALSE(PayloadsIntact(manifest, damaged.data())) << "row " << row;
    }
}

TEST_F(PayloadsIntactTest, AMissingResourceFailsTheCheck) {
    strcpy(manifest.files[3].resourceName, "NOSUCHPAYLOAD");
    EXPECT_FALSE(PayloadsIntact(manifest, crcs.data()));
}

TEST_F(PayloadsIntactTest, AResourceShorterThanItsStreamFailsTheCheck) {
    manifest.files[2].compressedSize += 1;
    EXPECT_FALSE(PayloadsIntact(manifest, crcs.data()));
}

TEST_F(PayloadsIntactTest, OnlyTheRowsOfTheTableAreChecked) {
    manifest.fileCount = 2;
    strcpy(manifest.files[5].resourceName, "NOSUCHPAYLOAD");
    EXPECT_TRUE(PayloadsIntact(manifest, crcs.data()));
}

// The whole copy step over a damaged payload: one message, -1, and nothing changed on disk.
class DamagedCopyTest : public ScratchTree {
protected:
    void SetUp() override {
        ScratchTree::SetUp();
        page = std::make_unique<TestPage>();
        ResetSession(page->bar());
        MakeFolder(windowsFolder);
        SetDirectory(DirWindows, windowsFolder);
        SetDirectory(DirInstall, installFolder);
        crcs[4] ^= 1;  // the read-me's stream
    }
    void TearDown() override {
        page.reset();
        ScratchTree::TearDown();
    }

    int16_t Run() {
        MessageBoxCatcher catcher;
        const int16_t result =
            CopyVerifiedFiles(page->report(), Session.directories, Session.progress, Session.journal, manifest,
                              crcs.data());
        boxes = catcher.Stop();
        EndJournal(result == 1);
        return result;
    }

    const std::string windowsFolder = Path("Windows");
    const std::string installFolder = Path("Apps\\Vantrel");
    InstallManifest manifest = Manifest;
    std::vector<uint32_t> crcs = BuiltCrcs();
    std::unique_ptr<TestPage> page;
    std::vector<SeenBox> boxes;
};

TEST_F(DamagedCopyTest, ShowsOneStopMessageAndFails) {
    EXPECT_EQ(Run(), -1);

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Porvane");
    EXPECT_EQ(boxes[0].text, DamagedText);
    EXPECT_TRUE(boxes[0].errorIcon);
}

TEST_F(DamagedCopyTest, LeavesAnEarlierInstallationUncleaned) {
    MakeFolder(Path("Apps"));
    MakeFolder(installFolder);
    WriteBytes(installFolder + "\\Vantrel.exe", "the old program");
    WriteBytes(installFolder + "\\notes.txt", "removable by the clean-up");
    WriteBytes(windowsFolder + "\\Tolvangr.exe", "the old uninstaller");

    EXPECT_EQ(Run(), -1);

    EXPECT_EQ(ListFolder(installFolder), (std::vector<std::string>{"Vantrel.exe", "notes.txt"}));
    EXPECT_EQ(ReadBytes(installFolder + "\\Vantrel.exe"), "the old program");
    EXPECT_EQ(ReadBytes(windowsFolder + "\\Tolvangr.exe"), "the old uninstaller");
}

TEST_F(DamagedCopyTest, CreatesNoInstallFolderAndWritesNoFile) {
    EXPECT_EQ(Run(), -1);

    EXPECT_FALSE(Exists(Path("Apps")));
    EXPECT_EQ(ListFolder(windowsFolder), std::vector<std::string>{});
    EXPECT_EQ(Session.progress.total, 0u);
    EXPECT_TRUE(page->LabelHistory(IDC_TOTAL_SIZE).empty());
    EXPECT_TRUE(page->LabelHistory(IDC_EXTRACTING).empty());
}

TEST_F(DamagedCopyTest, ATruncatedPayloadStopsTheStepTheSameWay) {
    crcs = BuiltCrcs();
    manifest.files[6].compressedSize += 4096;

    EXPECT_EQ(Run(), -1);

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, DamagedText);
    EXPECT_FALSE(Exists(Path("Apps")));
}

TEST_F(DamagedCopyTest, IntactPayloadsGoOnToTheCopy) {
    crcs = BuiltCrcs();

    EXPECT_EQ(Run(), 1);

    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(ListFolder(windowsFolder), std::vector<std::string>{"Tolvangr.exe"});
    EXPECT_EQ(ListFolder(installFolder).size(), InstallFolderFileCount());
}

}  // namespace
