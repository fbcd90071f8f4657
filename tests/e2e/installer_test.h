// The fixture of the end-to-end tests: one installer run per test, started with its welcome page
// open, ended (by its handle) whatever the test's outcome, under a watchdog.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "installer.h"

// Generous for a loaded machine; a healthy run takes a fraction of these.
const DWORD PageTimeoutMs = 15000;
const DWORD EndTimeoutMs = 15000;
const DWORD TestWatchdogMs = 120000;

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "." + info->name();
        watchdog.reset(new Watchdog(name.c_str(), TestWatchdogMs, &run.child));
        std::string error;
        ASSERT_TRUE(run.Start(&error)) << error;
        welcome = run.WaitForWelcome(PageTimeoutMs);
        ASSERT_NE(welcome, nullptr) << "the welcome page did not appear";
    }

    void TearDown() override {
        run.End();
        watchdog.reset();
    }

    // The installer's exit code; fails the test when it does not end in time.
    DWORD ExitCode() {
        DWORD code = 0xFFFFFFFF;
        EXPECT_TRUE(run.WaitForEnd(EndTimeoutMs, &code)) << "the installer did not end";
        return code;
    }

    // Continue on the welcome page, then the licence page.
    HWND OpenLicensePage() {
        ClickButton(welcome, IDC_CONTINUE);
        return run.WaitForPage(LicenseCaption, PageTimeoutMs);
    }

    InstallerRun run;
    std::unique_ptr<Watchdog> watchdog;
    HWND welcome = nullptr;
};
