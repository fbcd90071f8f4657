// The fixture of the installation tests: each test starts from a prefix without the product
// (files, groups, registry records), may prepare the system before the installer starts, and
// leaves the prefix without the product again, whatever its outcome.
#pragma once

#include "install_helpers.h"
#include "installer_test.h"

class InstallationTest : public InstallerTest {
protected:
    void SetUp() override {
        cleaner.Clean();
        cleaner.programsBefore = installation::ListFolder(installation::ProgramsFolder());
        cleaner.PrepareFileSystemKey();
        PrepareSystem();
        if (HasFatalFailure()) return;
        InstallerTest::SetUp();
    }

    void TearDown() override {
        InstallerTest::TearDown();
        installation::CloseNotepads(0);
        cleaner.Clean();
        cleaner.RestoreFileSystemKey();
    }

    // Called before the installer starts.
    virtual void PrepareSystem() {}

    // Welcome and licence accepted: the location page, or null.
    HWND OpenLocationPage() {
        HWND license = installation::ContinueToLicense(run, welcome);
        return license ? installation::ContinueToLocation(run, license) : nullptr;
    }

    // Welcome, licence, location and the copy gone through with the defaults: the group page, or
    // null.
    HWND OpenGroupPage() {
        HWND location = OpenLocationPage();
        if (!location || !installation::ContinueToInstalling(run, location)) return nullptr;
        return installation::WaitForGroupPage(run);
    }

    // The abort notice comes next (owned by owner when one is given); OK ends the installer with
    // exit code 1.
    void ExpectAbortNoticeAndEnd(HWND owner = nullptr) {
        HWND notice = installation::WaitForInstallerBox(run);
        ASSERT_NE(notice, nullptr) << "no abort notice";
        if (owner) {
            EXPECT_EQ(OwnerOf(notice), owner);
        }
        EXPECT_EQ(MessageBoxText(notice), AbortNoticeText);
        ASSERT_TRUE(installation::Answer(notice, IDOK));
        EXPECT_EQ(ExitCode(), 1u);
    }

    // Every message box the installer showed during the run (caption "Porvane").
    int MessageBoxesSeen() { return run.watch.CountSeen(PageClass, MessageBoxCaption); }

    installation::SystemCleaner cleaner;
};
