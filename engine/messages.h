// Every message the installer shows, and the caption of every message box, for the code that
// shows them and the tests that read them. Texts with "%s" are formats for FormatText.
#pragma once

#define PORVANE_CAPTION "Porvane"

// The copy step's failures, each followed by the abort notice.
inline constexpr char CreateFailedText[] = "Unable to create destination file!\r\nInstallation will now be aborted.";
inline constexpr char WriteFailedText[] = "Unable to write destination file!\r\nInstallation will now be aborted.";
// Before anything changes: a product file held by a running program (its path is the argument;
// Retry and Cancel), and a volume without room (its name, the bytes needed, the bytes free).
inline constexpr char FileInUseFormat[] =
    "%s\r\nis being used by another program.\r\n\r\nClose that program and choose Retry, or Cancel to stop.";
inline constexpr char NotEnoughSpaceFormat[] =
    "Not enough free space on %s!\r\nThe installation needs %s bytes there, %s are free.\r\nInstallation will "
    "now be aborted.";
// The journal of changes cannot be written (nothing has changed yet), and an unfinished run's
// changes that could not all be undone (the first path that stays is the argument).
inline constexpr char JournalFailedText[] =
    "Unable to keep a record of the installation's changes!\r\nInstallation will now be aborted.";
// The installation is complete but cannot be recorded as such on the disk: it is undone.
inline constexpr char CommitFailedText[] =
    "Unable to record the completed installation!\r\nInstallation will now be aborted.";
inline constexpr char UndoStuckFormat[] =
    "The changes of an unfinished installation could not all be undone:\r\n%s\r\n\r\nClose any program "
    "that uses it and start the installer again.";
// The folder inside the install folder that holds what the clean-up removed; once an installation
// completes it goes to the Recycle Bin (where the volume has one).
inline constexpr char RemovedFilesFolderName[] = "Files removed by setup";
inline constexpr char DamagedText[] = "The installer is damaged and cannot continue.\r\nPlease download it again.";

// The abort notice; its argument is the support address.
inline constexpr char AbortNoticeFormat[] =
    "Installation Aborted!\r\n\r\nIf you need assistance you can email\r\nsupport at - %s!";

// Location page: "Path Invalid!" and a blank line are the argument of each reason.
inline constexpr char PathInvalidText[] = "Path Invalid!\r\n\r\n";
inline constexpr char PathEmptyFormat[] = "%sPath may not be empty!";
inline constexpr char MissingDriveFormat[] = "%sMissing : or \\ in drive.";
inline constexpr char RootDriveFormat[] = "%sPath may not be a root drive...";
inline constexpr char PathTooLongFormat[] = "%sPath is too long.";
inline constexpr char ReservedFolderFormat[] = "%sThis folder belongs to Windows or to a user, not to one program.";
// An accepted folder (the first argument) already holds files, but no earlier installation of the
// product (the second): the copy leaves them alone. OK goes on, Cancel stays on the page.
inline constexpr char OtherFilesFormat[] =
    "%s\r\nalready holds files that are not part of %s.\r\nThey will be left as they are.\r\n\r\n"
    "Choose OK to install into this folder, or Cancel to choose another.";

// Group and shortcut pages.
inline constexpr char StartMenuMissingText[] = "Unable to locate the Start Menu!";
inline constexpr char EmptyGroupText[] = "Group may not be empty!";
// "Group Invalid!" and a blank line are the argument of each reason.
inline constexpr char GroupInvalidText[] = "Group Invalid!\r\n\r\n";
inline constexpr char BadGroupNameFormat[] =
    "%sA group name may not hold < > : \" / | ? *, begin or end with a space, or be only dots.";
inline constexpr char GroupParentMissingFormat[] = "%sThe folder to hold this group does not exist.";
inline constexpr char GroupThroughLinkFormat[] =
    "%sThis group's folder is reached through a link. Please choose another group.";
inline constexpr char ShortcutsFailedText[] = "Unable To Create Shortcuts!";

// The read-me question; its argument is the product name. The restart notice is the finish's.
inline constexpr char ReadMeQuestionFormat[] =
    "%s was successfully installed.\r\n\r\nWould you like to view the Read Me file now?";
