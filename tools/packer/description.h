// The product description: the one human-edited file that says what the installer carries.
//
// Line-based text. Blank lines and lines whose first non-blank character is '#' are ignored.
// "[product]" opens the product record (exactly once); each "[file]" opens one row of the file
// table, rows in the order given. Inside a section every line is "key = value"; spaces around
// the key and the value are dropped, and a value may be wrapped in double quotes. Every key is
// required, none may repeat, and an unknown key is an error.
//
//   [product]  name, version, tagline, publisher, homePage, supportEmail,
//              fileTime (YYYY-MM-DD HH:MM:SS.mmm, local time; the day of week is derived),
//              license (path of the licence text), licenseSize, shortcutCount;
//              optional: publisherHomePage (default homePage), publisherHomePageName (default
//              publisher), and the art keys of ArtSlots (default: the installer's own art)
//   [file]     name, flags (a number or FILE_* names joined by '|'), resource, shortcut ("-" for
//              none), source (path of the payload file, or @uninstaller in row 0), size (bytes
//              the source must have), kind (program, text or data)
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "diagnostics.h"

struct DescribedTime {
    uint16_t year, month, dayOfWeek, day, hour, minute, second, milliseconds;
};

enum class PayloadKind {
    Program,  // a Windows program: must start with "MZ"
    Text,     // 7-bit text with CR LF line ends, ending in CR LF
    Data,     // any bytes
};

struct DescribedRow {
    int line;  // of its [file] header
    std::string fileName;
    uint32_t flags;
    std::string resourceName;
    std::string shortcutName;
    std::string source;
    int sourceLine;
    uint32_t fileSize;
    int sizeLine;
    PayloadKind kind;
};

// A bitmap or icon of the installer's resources that a description may replace, and what a
// replacement must be like to fit where the pages and the backdrop show it.
struct ArtSlot {
    const char* key;       // in [product]
    const char* fileName;  // of the installer's own art, and of the copy the packer writes
    uint16_t resourceId;   // the installer's bitmap, or its icon group (resource.h)
    bool icon;             // an icon file with a 32 by 32 and a 16 by 16 image; else a bitmap
    int width, height;     // of a bitmap
    int bitCount;          // colour depth of the bitmap or of both icon images
};
extern const ArtSlot ArtSlots[];
extern const size_t ArtSlotCount;

struct DescribedArt {
    size_t slot;  // index into ArtSlots
    std::string path;
    int line;
};

// The source that names the project's own uninstaller, built for the described product.
extern const char BuiltUninstallerSource[];

struct ProductDescription {
    std::string path;  // the description file, as named to the parser
    std::string productName;
    std::string version;
    std::string tagline;
    std::string publisher;
    std::string homePageUrl;
    std::string supportEmail;
    std::string publisherHomePage;      // named on the installing page and in the restart notice
    std::string publisherHomePageName;  // the publisher as that note names it
    DescribedTime fileTime;
    std::string license;
    int licenseLine;
    uint32_t licenseSize;
    int licenseSizeLine;
    int shortcutCount;
    std::vector<DescribedRow> rows;
    std::vector<DescribedArt> art;
};

// Room for the support address, NUL included; the installer formats it into fixed-size texts.
enum : size_t { SupportEmailWidth = 60 };

// Parses and checks a description held in text; `path` names it in messages and is the folder
// that relative paths fall back to. Returns false (with errors in diagnostics) when it is refused.
bool ParseDescription(const std::string& text, const std::string& path, ProductDescription& out,
                      Diagnostics& diagnostics);

// Reads the file, then as ParseDescription.
bool ReadDescription(const std::string& path, ProductDescription& out, Diagnostics& diagnostics);

// Day of week (0 = Sunday) of a Gregorian date.
uint16_t DayOfWeek(int year, int month, int day);
