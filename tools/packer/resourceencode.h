// Encoding texts as the resources that carry them: string tables and version information. Texts
// are Windows-1252, as the product description holds them.
#pragma once

#include <stdint.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "resourcetree.h"

// The UTF-16 text of a Windows-1252 string (0x80-0x9F are that code page's characters; its five
// unassigned bytes keep their own values, as the system's conversion does).
std::u16string Cp1252ToUtf16(const std::string& text);

// RT_STRING resources holding `strings` (id -> text) in `language`: one block of 16 counted UTF-16
// strings for every 16 ids in use, named id / 16 + 1. False, with the reason, for a text longer
// than a counted string can hold.
bool EncodeStringTable(const std::map<uint16_t, std::string>& strings, uint16_t language,
                       std::vector<ResourceEntry>& entries, std::string& failure);

struct VersionInfo {
    uint16_t fileVersion[4];
    uint16_t productVersion[4];
    uint16_t language;   // of the string table and the translation, e.g. 0x0409
    uint16_t codePage;   // e.g. 1252
    uint32_t fileFlagsMask;
    uint32_t fileFlags;
    uint32_t fileOs;     // e.g. 0x40004, Windows NT 32-bit
    uint32_t fileType;   // e.g. 1, an application
    uint32_t fileSubtype;
    std::vector<std::pair<std::string, std::string>> strings;  // key, value; in this order
};

// The data of an RT_VERSION resource: the fixed file information, a StringFileInfo with one table
// for the language and code page, and a VarFileInfo naming that translation. False, with the reason,
// when the whole would be larger than its 16-bit length fields allow.
bool EncodeVersionInfo(const VersionInfo& info, std::vector<uint8_t>& data, std::string& failure);
