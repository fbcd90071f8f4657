/* Every resource and dialog control identifier of the installer, named once for the resource
   script and the code. Only #define lines: the resource compiler reads this file too. */
#ifndef PORVANE_RESOURCE_H
#define PORVANE_RESOURCE_H

/* Dialog templates, one per page. */
#define IDD_WELCOME 1001
#define IDD_LICENSE 1002
#define IDD_LOCATION 1003
#define IDD_INSTALLING 1004
#define IDD_GROUP 1005
#define IDD_SHORTCUTS 1006

/* Icons: the installer's own (window classes, captions, welcome page) and the shortcut page's. */
#define IDI_PORVANE 100
#define IDI_SHORTCUTS 101

/* Bitmaps. 200 and 201 are 16-colour pictures on teal; 202 to 204 are the banner's parts. */
#define IDB_PAGE_PICTURE 200
#define IDB_SIDE_PICTURE 201
#define IDB_BANNER_RIGHT 202
#define IDB_BANNER_FILL 203
#define IDB_BANNER_RULE 204

/* The licence text: a raw-data resource with a string name. */
#define LICENSE_RESOURCE_NAME "LICENSE"

/* Controls shared by several pages. 1 and 2 are the usual continue and cancel commands. */
#define IDC_STATIC (-1)
#define IDC_CONTINUE 1
#define IDC_CANCEL 2
#define IDC_EXPLANATION 700

/* Licence page. */
#define IDC_LICENSE_TEXT 200

/* Program location page. */
#define IDC_FOLDER_EDIT 300
#define IDC_FOLDER_LIST 301
#define IDC_RESET_FOLDER 302

/* Installing page. */
#define IDC_EXTRACTING 400
#define IDC_TOTAL_SIZE 401
#define IDC_CURRENT_SIZE 402
#define IDC_TOTAL_FILES 403
#define IDC_CURRENT_FILE 404
#define IDC_PROGRESS_BAR 405
#define IDC_HOME_PAGE_NOTE 406

/* Program group page. */
#define IDC_GROUP_COMBO 500
#define IDC_GROUP_CONTINUE 501
#define IDC_RESET_GROUP 502

/* Shortcut page. */
#define IDC_SHORTCUT_NAME 600
#define IDC_SHORTCUT_PROGRESS 601

#endif
