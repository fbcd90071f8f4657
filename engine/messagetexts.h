// The messages the wizard shows from its string table: an id and a text each. Only #define lines,
// so that the resource script (resources/messages.rc) reads the same texts as messages.h gives the
// code and the tests. Texts with "%s" are formats for FormatText; a double quote is written \x22,
// which both compilers read alike.
#ifndef PORVANE_MESSAGE_TEXTS_H
#define PORVANE_MESSAGE_TEXTS_H

#define IDS_CREATE_FAILED 2021
#define TEXT_CREATE_FAILED "Unable to create destination file!\r\nInstallation will now be aborted."
#define IDS_WRITE_FAILED 2022
#define TEXT_WRITE_FAILED "Unable to write destination file!\r\nInstallation will now be aborted."
#define IDS_NOT_ENOUGH_SPACE 2023
#define TEXT_NOT_ENOUGH_SPACE \
    "Not enough free space on %s!\r\nThe installation needs %s bytes there, %s are free.\r\nInstallation will " \
    "now be aborted."
#define IDS_JOURNAL_FAILED 2024
#define TEXT_JOURNAL_FAILED \
    "Unable to keep a record of the installation's changes!\r\nInstallation will now be aborted."
#define IDS_DAMAGED 2025
#define TEXT_DAMAGED "The installer is damaged and cannot continue.\r\nPlease download it again."
// Shown before anything else when the program carries no product description, or a damaged one.
#define IDS_NO_PRODUCT 2026
#define TEXT_NO_PRODUCT \
    "This installer holds no product it can install: it was built without one, or it is damaged.\r\n" \
    "Nothing was changed."
#define IDS_PATH_INVALID 2001
#define TEXT_PATH_INVALID "Path Invalid!\r\n\r\n"
#define IDS_PATH_EMPTY 2002
#define TEXT_PATH_EMPTY "%sPath may not be empty!"
#define IDS_MISSING_DRIVE 2003
#define TEXT_MISSING_DRIVE "%sMissing : or \\ in drive."
#define IDS_ROOT_DRIVE 2004
#define TEXT_ROOT_DRIVE "%sPath may not be a root drive..."
#define IDS_PATH_TOO_LONG 2005
#define TEXT_PATH_TOO_LONG "%sPath is too long."
#define IDS_RESERVED_FOLDER 2006
#define TEXT_RESERVED_FOLDER "%sThis folder belongs to Windows or to a user, not to one program."
#define IDS_OTHER_FILES 2007
#define TEXT_OTHER_FILES \
    "%s\r\nalready holds files that are not part of %s.\r\nThey will be left as they are.\r\n\r\n" \
    "Choose OK to install into this folder, or Cancel to choose another."
#define IDS_START_MENU_MISSING 2008
#define TEXT_START_MENU_MISSING "Unable to locate the Start Menu!"
#define IDS_EMPTY_GROUP 2009
#define TEXT_EMPTY_GROUP "Group may not be empty!"
#define IDS_GROUP_INVALID 2010
#define TEXT_GROUP_INVALID "Group Invalid!\r\n\r\n"
#define IDS_BAD_GROUP_NAME 2011
#define TEXT_BAD_GROUP_NAME \
    "%sA group name may not hold < > : \x22 / | ? *, begin or end with a space, or be only dots."
#define IDS_GROUP_PARENT_MISSING 2012
#define TEXT_GROUP_PARENT_MISSING "%sThe folder to hold this group does not exist."
#define IDS_GROUP_THROUGH_LINK 2013
#define TEXT_GROUP_THROUGH_LINK \
    "%sThis group's folder is reached through a link. Please choose another group."
#define IDS_SHORTCUTS_FAILED 2014
#define TEXT_SHORTCUTS_FAILED "Unable To Create Shortcuts!"
#define IDS_READ_ME_QUESTION 2015
#define TEXT_READ_ME_QUESTION \
    "%s was successfully installed.\r\n\r\nWould you like to view the Read Me file now?"
#define IDS_ABORT_NOTICE 2016
#define TEXT_ABORT_NOTICE \
    "Installation Aborted!\r\n\r\nIf you need assistance you can email\r\nsupport at - %s!"
#define IDS_FILE_IN_USE 2017
#define TEXT_FILE_IN_USE \
    "%s\r\nis being used by another program.\r\n\r\nClose that program and choose Retry, or Cancel to stop."
#define IDS_UNDO_STUCK 2018
#define TEXT_UNDO_STUCK \
    "The changes of an unfinished installation could not all be undone:\r\n%s\r\n\r\nClose any program " \
    "that uses it and start the installer again."
#define IDS_COMMIT_FAILED 2019
#define TEXT_COMMIT_FAILED \
    "Unable to record the completed installation!\r\nInstallation will now be aborted."
// The restart notice of the finish; its arguments are the product name, the name the note gives
// the publisher's home page, that page, and the support address.
#define IDS_RESTART_NOTICE 2020
#define TEXT_RESTART_NOTICE \
    "Before using %s for the first time you will\r\n" \
    "need to restart your computer. Do it now!\r\n\r\n" \
    "For other great software utilities be sure to\r\n" \
    "stop by %s home page at\r\n%s" \
    "\r\n\r\nIf you have any questions or comments you can\r\n" \
    "email support at %s!"
// The installing page's note; its arguments are the home page's name and the page.
#define IDS_HOME_PAGE_NOTE 2027
#define TEXT_HOME_PAGE_NOTE "For other great software utilities be sure to\r\nstop by %s home page at\r\n%s"

// The backdrop's step list, one label per wizard step in their order, under consecutive ids.
#define IDS_STEP_LICENSE 2030
#define TEXT_STEP_LICENSE "- License Agreement"
#define IDS_STEP_LOCATION 2031
#define TEXT_STEP_LOCATION "- Program Location"
#define IDS_STEP_FILES 2032
#define TEXT_STEP_FILES "- Installing Files"
#define IDS_STEP_GROUP 2033
#define TEXT_STEP_GROUP "- Program Group"
#define IDS_STEP_SHORTCUTS 2034
#define TEXT_STEP_SHORTCUTS "- Creating Shortcuts"
#define IDS_STEP_READ_ME 2035
#define TEXT_STEP_READ_ME "- View Read Me"
#define IDS_STEP_FINISHED 2036
#define TEXT_STEP_FINISHED "- Finished"

#endif
