// Every message the installer shows, and the caption of every message box, for the code that
// shows them and the tests that read them. Texts with "%s" are formats for FormatText. The wizard
// shows the ones of messagetexts.h from its string table; the copy step names them by their ids.
#pragma once

#include "messagetexts.h"

#define PORVANE_CAPTION "Porvane"

// The copy step's failures, each followed by the abort notice.
inline constexpr char CreateFailedText[] = TEXT_CREATE_FAILED;
inline constexpr char WriteFailedText[] = TEXT_WRITE_FAILED;
// Before anything changes: a product file held by a running program (its path is the argument;
// Retry and Cancel), and a volume without room (its name, the bytes needed, the bytes free).
inline constexpr char FileInUseFormat[] = TEXT_FILE_IN_USE;
inline constexpr char NotEnoughSpaceFormat[] = TEXT_NOT_ENOUGH_SPACE;
// The journal of changes cannot be written (nothing has changed yet), and an unfinished run's
// changes that could not all be undone (the first path that stays is the argument).
inline constexpr char JournalFailedText[] = TEXT_JOURNAL_FAILED;
// The installation is complete but cannot be recorded as such on the disk: it is undone.
inline constexpr char CommitFailedText[] = TEXT_COMMIT_FAILED;
inline constexpr char UndoStuckFormat[] = TEXT_UNDO_STUCK;
// The folder inside the install folder that holds what the clean-up removed; once an installation
// completes it goes to the Recycle Bin (where the volume has one).
inline constexpr char RemovedFilesFolderName[] = "Files removed by setup";
inline constexpr char DamagedText[] = TEXT_DAMAGED;
inline constexpr char NoProductText[] = TEXT_NO_PRODUCT;

// The abort notice; its argument is the support address.
inline constexpr char AbortNoticeFormat[] = TEXT_ABORT_NOTICE;

// Location page: "Path Invalid!" and a blank line are the argument of each reason.
inline constexpr char PathInvalidText[] = TEXT_PATH_INVALID;
inline constexpr char PathEmptyFormat[] = TEXT_PATH_EMPTY;
inline constexpr char MissingDriveFormat[] = TEXT_MISSING_DRIVE;
inline constexpr char RootDriveFormat[] = TEXT_ROOT_DRIVE;
inline constexpr char PathTooLongFormat[] = TEXT_PATH_TOO_LONG;
inline constexpr char ReservedFolderFormat[] = TEXT_RESERVED_FOLDER;
// An accepted folder (the first argument) already holds files, but no earlier installation of the
// product (the second): the copy leaves them alone. OK goes on, Cancel stays on the page.
inline constexpr char OtherFilesFormat[] = TEXT_OTHER_FILES;

// Group and shortcut pages.
inline constexpr char StartMenuMissingText[] = TEXT_START_MENU_MISSING;
inline constexpr char EmptyGroupText[] = TEXT_EMPTY_GROUP;
// "Group Invalid!" and a blank line are the argument of each reason.
inline constexpr char GroupInvalidText[] = TEXT_GROUP_INVALID;
inline constexpr char BadGroupNameFormat[] = TEXT_BAD_GROUP_NAME;
inline constexpr char GroupParentMissingFormat[] = TEXT_GROUP_PARENT_MISSING;
inline constexpr char GroupThroughLinkFormat[] = TEXT_GROUP_THROUGH_LINK;
inline constexpr char ShortcutsFailedText[] = TEXT_SHORTCUTS_FAILED;

// The read-me question; its argument is the product name. The restart notice is the finish's.
inline constexpr char ReadMeQuestionFormat[] = TEXT_READ_ME_QUESTION;
