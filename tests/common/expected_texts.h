// The installer's messages exactly as a user reads them, for the tests of every level to compare
// against. Written out here on purpose, not taken from the installer's sources: a changed message
// must fail a test.
#pragma once

const char AbortNoticeText[] =
    "Installation Aborted!\r\n\r\nIf you need assistance you can email\r\n"
    "support at - support@quillfern.example!";
const char CreateFailedText[] = "Unable to create destination file!\r\nInstallation will now be aborted.";
const char WriteFailedText[] = "Unable to write destination file!\r\nInstallation will now be aborted.";
const char DamagedText[] = "The installer is damaged and cannot continue.\r\nPlease download it again.";
const char StartMenuMissingText[] = "Unable to locate the Start Menu!";
const char EmptyGroupText[] = "Group may not be empty!";
const char ReadMeQuestionText[] =
    "Vantrel was successfully installed.\r\n\r\nWould you like to view the Read Me file now?";
const char RestartNoticeText[] =
    "Before using Vantrel for the first time you will\r\n"
    "need to restart your computer. Do it now!\r\n\r\n"
    "For other great software utilities be sure to\r\n"
    "stop by Quillfern Utiltites home page at\r\n"
    "http://www.quillfern.example/\r\n\r\n"
    "If you have any questions or comments you can\r\n"
    "email support at support@quillfern.example!";
