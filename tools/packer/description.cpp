#include "description.h"

#include <stdio.h>

#include <fstream>
#include <sstream>

#include "manifest.h"
#include "resource.h"

namespace {

struct Setting {
    std::string key;
    std::string value;
    int line;
};

struct Section {
    std::string name;
    int line;
    std::vector<Setting> settings;
};

std::string Trim(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
    return text.substr(begin, end - begin);
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// Splits the text into sections of settings. Reports lines that are neither.
bool ReadSections(const std::string& text, const std::string& path, std::vector<Section>& sections,
                  Diagnostics& diagnostics) {
    bool good = true;
    int lineNumber = 0;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        line = Trim(line);
        if (line.empty() || line[0] == '#') continue;

        if (line[0] == '[') {
            if (line.back() != ']') {
                diagnostics.Error(path, lineNumber, "section header without its closing ']'");
                good = false;
                continue;
            }
            const std::string name = Trim(line.substr(1, line.size() - 2));
            if (name != "product" && name != "file") {
                diagnostics.Error(path, lineNumber,
                                  "unknown section [" + name + "] (expected [product] or [file])");
                good = false;
                // Its settings belong nowhere; keep them out of the previous section.
                sections.push_back({"", lineNumber, {}});
                continue;
            }
            sections.push_back({name, lineNumber, {}});
            continue;
        }

        const size_t equals = line.find('=');
        if (equals == std::string::npos) {
            diagnostics.Error(path, lineNumber, "expected \"key = value\", a [section] or a # comment");
            good = false;
            continue;
        }
        const std::string key = Trim(line.substr(0, equals));
        std::string value = Trim(line.substr(equals + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        if (key.empty()) {
            diagnostics.Error(path, lineNumber, "setting without a key");
            good = false;
            continue;
        }
        if (sections.empty()) {
            diagnostics.Error(path, lineNumber, "setting '" + key + "' before any [product] or [file]");
            good = false;
            continue;
        }
        if (sections.back().name.empty()) continue;  // inside an unknown section, already reported
        for (const Setting& earlier : sections.back().settings) {
            if (earlier.key == key) {
                diagnostics.Error(path, lineNumber,
                                  "'" + key + "' given twice (first on line " +
                                      std::to_string(earlier.line) + ")");
                good = false;
            }
        }
        sections.back().settings.push_back({key, value, lineNumber});
    }
    return good;
}

// Looks the section's settings up by key; reports unknown keys and missing ones.
class SettingTable {
public:
    SettingTable(const Section& section, const char* const* keys, size_t keyCount, const std::string& path,
                 Diagnostics& diagnostics)
        : section_(section), path_(path), diagnostics_(diagnostics) {
        for (const Setting& setting : section.settings) {
            bool known = false;
            for (size_t i = 0; i < keyCount; ++i) known = known || setting.key == keys[i];
            if (!known) {
                std::string list;
                for (size_t i = 0; i < keyCount; ++i) list += (i ? ", " : "") + std::string(keys[i]);
                diagnostics.Error(path, setting.line,
                                  "unknown key '" + setting.key + "' in [" + section.name + "] (known: " +
                                      list + ")");
                good_ = false;
            }
        }
    }

    // The setting, or nullptr when the section has none.
    const Setting* FindOptional(const char* key) const {
        for (const Setting& setting : section_.settings) {
            if (setting.key == key) return &setting;
        }
        return nullptr;
    }

    // The setting, or nullptr after reporting that it is missing.
    const Setting* Find(const char* key) {
        for (const Setting& setting : section_.settings) {
            if (setting.key == key) return &setting;
        }
        diagnostics_.Error(path_, section_.line, "[" + section_.name + "] lacks '" + key + "'");
        good_ = false;
        return nullptr;
    }

    bool good() const { return good_; }

private:
    const Section& section_;
    const std::string& path_;
    Diagnostics& diagnostics_;
    bool good_ = true;
};

bool IsPrintableAscii(const std::string& text) {
    for (char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7E) return false;
    }
    return true;
}

// A text field of the manifest: printable 7-bit characters, not empty, its NUL inside the width.
bool CheckTextField(const Setting& setting, size_t width, const std::string& path, Diagnostics& diagnostics) {
    if (setting.value.empty()) {
        diagnostics.Error(path, setting.line, "'" + setting.key + "' is empty");
        return false;
    }
    if (!IsPrintableAscii(setting.value)) {
        diagnostics.Error(path, setting.line,
                          "'" + setting.key + "' holds a character outside printable 7-bit ASCII");
        return false;
    }
    if (setting.value.size() > width - 1) {
        diagnostics.Error(path, setting.line,
                          "'" + setting.key + "' is " + std::to_string(setting.value.size()) +
                              " characters; its field holds at most " + std::to_string(width - 1) +
                              " (" + std::to_string(width) + " bytes with the NUL)");
        return false;
    }
    return true;
}

bool IsDigits(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// Decimal, or hexadecimal after 0x; false unless it fits 32 bits.
bool ParseNumber(const std::string& text, uint32_t& value) {
    uint64_t result = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        for (size_t i = 2; i < text.size(); ++i) {
            const char c = text[i];
            int digit;
            if (c >= '0' && c <= '9') digit = c - '0';
            else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
            else return false;
            result = result * 16 + static_cast<uint64_t>(digit);
            if (result > UINT32_MAX) return false;
        }
    } else {
        if (!IsDigits(text)) return false;
        for (char c : text) {
            result = result * 10 + static_cast<uint64_t>(c - '0');
            if (result > UINT32_MAX) return false;
        }
    }
    value = static_cast<uint32_t>(result);
    return true;
}

bool ParseFlags(const Setting& setting, uint32_t& flags, const std::string& path, Diagnostics& diagnostics) {
    static const struct {
        const char* name;
        uint32_t value;
    } names[] = {
        {"FILE_IN_INSTALL_FOLDER", FILE_IN_INSTALL_FOLDER},
        {"FILE_TO_WINDOWS_FOLDER", FILE_TO_WINDOWS_FOLDER},
        {"FILE_ALWAYS_OVERWRITE", FILE_ALWAYS_OVERWRITE},
    };
    flags = 0;
    std::string rest = setting.value;
    for (;;) {
        const size_t bar = rest.find('|');
        const std::string token = Trim(rest.substr(0, bar));
        uint32_t value = 0;
        bool found = ParseNumber(token, value);
        for (const auto& entry : names) {
            if (token == entry.name) {
                value = entry.value;
                found = true;
            }
        }
        if (!found) {
            diagnostics.Error(path, setting.line,
                              "flags: '" + token +
                                  "' is neither a number nor one of FILE_IN_INSTALL_FOLDER, "
                                  "FILE_TO_WINDOWS_FOLDER, FILE_ALWAYS_OVERWRITE");
            return false;
        }
        flags |= value;
        if (bar == std::string::npos) break;
        rest = rest.substr(bar + 1);
    }
    if ((flags & ~static_cast<uint32_t>(FILE_KNOWN_FLAGS)) != 0) {
        char text[16];
        snprintf(text, sizeof text, "0x%X", flags & ~static_cast<uint32_t>(FILE_KNOWN_FLAGS));
        diagnostics.Error(path, setting.line,
                          std::string("flags: bits ") + text +
                              " have no meaning (only 0x01, 0x02 and 0x10 do)");
        return false;
    }
    return true;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// "YYYY-MM-DD HH:MM:SS.mmm", each part with exactly that many digits.
bool ParseFileTime(const Setting& setting, DescribedTime& time, const std::string& path,
                   Diagnostics& diagnostics) {
    const std::string& text = setting.value;
    static const char pattern[] = "dddd-dd-dd dd:dd:dd.ddd";
    bool shaped = text.size() == sizeof pattern - 1;
    for (size_t i = 0; shaped && i < text.size(); ++i) {
        shaped = pattern[i] == 'd' ? (text[i] >= '0' && text[i] <= '9') : text[i] == pattern[i];
    }
    if (!shaped) {
        diagnostics.Error(path, setting.line, "fileTime must read YYYY-MM-DD HH:MM:SS.mmm");
        return false;
    }
    auto field = [&text](size_t at, size_t length) { return std::stoi(text.substr(at, length)); };
    const int year = field(0, 4), month = field(5, 2), day = field(8, 2);
    const int hour = field(11, 2), minute = field(14, 2), second = field(17, 2), ms = field(20, 3);
    // The system's file times start in 1601; later years up to 9999 are all it accepts here.
    if (year < 1601 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 59) {
        diagnostics.Error(path, setting.line, "fileTime " + Quoted(text) + " is not a valid date and time");
        return false;
    }
    time = {static_cast<uint16_t>(year),   static_cast<uint16_t>(month),  DayOfWeek(year, month, day),
            static_cast<uint16_t>(day),    static_cast<uint16_t>(hour),   static_cast<uint16_t>(minute),
            static_cast<uint16_t>(second), static_cast<uint16_t>(ms)};
    return true;
}

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    }
    return true;
}

// A name that Windows must accept as a file or folder name. `subject` opens each message: the
// setting and its value, and what the name becomes.
bool CheckWindowsName(const Setting& setting, const std::string& subject, const std::string& path,
                      Diagnostics& diagnostics) {
    const std::string& name = setting.value;
    if (name.find_first_of("\\/:*?\"<>|") != std::string::npos) {
        diagnostics.Error(path, setting.line,
                          subject + " holds a character that Windows refuses in a file name (\\ / : * ? \" < > |)");
        return false;
    }
    if (name.back() == '.' || name.back() == ' ') {
        diagnostics.Error(path, setting.line, subject + " ends in a dot or a space");
        return false;
    }
    static const char* const devices[] = {"CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4",
                                          "COM5", "COM6", "COM7", "COM8", "COM9", "LPT1", "LPT2", "LPT3",
                                          "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};
    const std::string stem = name.substr(0, name.find('.'));
    for (const char* device : devices) {
        if (EqualsIgnoringCase(stem, device)) {
            diagnostics.Error(path, setting.line, subject + " is a reserved device name");
            return false;
        }
    }
    return true;
}

// File names and shortcut names end up as names in a Windows folder.
bool CheckFileName(const Setting& setting, const std::string& path, Diagnostics& diagnostics) {
    return CheckWindowsName(setting, "'" + setting.key + "' " + Quoted(setting.value), path, diagnostics);
}

// The product's and the publisher's names each become a folder's name (the default install
// folder, the program group) and a registry key's name (the publisher's key, the product's keys).
bool CheckFolderAndKeyName(const Setting& setting, const std::string& path, Diagnostics& diagnostics) {
    return CheckWindowsName(setting, setting.key + " " + Quoted(setting.value) + " names a registry key and a folder: it",
                            path, diagnostics);
}

bool CheckResourceName(const Setting& setting, const std::string& path, Diagnostics& diagnostics) {
    const std::string& name = setting.value;
    if (name.empty() || name.size() > sizeof(FileEntry::resourceName) - 1) {
        diagnostics.Error(path, setting.line,
                          "resource " + Quoted(name) + " must have 1 to " +
                              std::to_string(sizeof(FileEntry::resourceName) - 1) + " characters");
        return false;
    }
    // A leading digit would let the resource compiler read a number instead of a name.
    bool shaped = name[0] >= 'A' && name[0] <= 'Z';
    for (char c : name) shaped = shaped && ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_');
    if (!shaped) {
        diagnostics.Error(path, setting.line,
                          "resource " + Quoted(name) +
                              " must be upper case: A-Z first, then A-Z, 0-9 or '_'");
        return false;
    }
    if (name == "LICENSE" || name == "PRODUCT") {
        diagnostics.Error(path, setting.line,
                          "resource name " + name + " is taken by the " +
                              (name == "LICENSE" ? "licence text" : "installer's manifest"));
        return false;
    }
    // Words the resource compiler reads as part of its own language, where the script names a
    // resource.
    static const char* const keywords[] = {
        "ACCELERATORS", "AUTO3STATE", "AUTOCHECKBOX", "AUTORADIOBUTTON", "BEGIN", "BITMAP", "BLOCK", "CAPTION",
        "CHARACTERISTICS", "CHECKBOX", "CLASS", "COMBOBOX", "CONTROL", "CTEXT", "CURSOR", "DEFPUSHBUTTON",
        "DIALOG", "DIALOGEX", "DISCARDABLE", "DLGINCLUDE", "EDITTEXT", "END", "EXSTYLE", "FILEFLAGS",
        "FILEFLAGSMASK", "FILEOS", "FILESUBTYPE", "FILETYPE", "FILEVERSION", "FIXED", "FONT", "GROUPBOX",
        "HELP", "HTML", "ICON", "IMPURE", "LANGUAGE", "LISTBOX", "LOADONCALL", "LTEXT", "MENU", "MENUBARBREAK",
        "MENUBREAK", "MENUEX", "MENUITEM", "MESSAGETABLE", "MOVEABLE", "NOINVERT", "NOT", "POPUP", "PRELOAD",
        "PRODUCTVERSION", "PURE", "PUSHBOX", "PUSHBUTTON", "RADIOBUTTON", "RCDATA", "RTEXT", "SCROLLBAR",
        "SEPARATOR", "SHIFT", "STATE3", "STRINGTABLE", "STYLE", "TOOLBAR", "USERBUTTON", "VALUE", "VERSION",
        "VERSIONINFO", "VIRTKEY", "ALT", "ASCII", "BUTTON", "CHECKED", "GRAYED", "INACTIVE"};
    for (const char* keyword : keywords) {
        if (name == keyword) {
            diagnostics.Error(path, setting.line,
                              "resource name " + name + " is a word of the resource compiler's language");
            return false;
        }
    }
    return true;
}

bool ParseKind(const Setting& setting, PayloadKind& kind, const std::string& path, Diagnostics& diagnostics) {
    if (setting.value == "program") kind = PayloadKind::Program;
    else if (setting.value == "text") kind = PayloadKind::Text;
    else if (setting.value == "data") kind = PayloadKind::Data;
    else {
        diagnostics.Error(path, setting.line,
                          "kind " + Quoted(setting.value) + " is not one of program, text, data");
        return false;
    }
    return true;
}

bool ParseSize(const Setting& setting, uint32_t& size, const std::string& path, Diagnostics& diagnostics) {
    if (!IsDigits(setting.value) || !ParseNumber(setting.value, size)) {
        diagnostics.Error(path, setting.line,
                          "'" + setting.key + "' " + Quoted(setting.value) +
                              " is not a decimal byte count below 4 GiB");
        return false;
    }
    return true;
}

bool ReadProduct(const Section& section, ProductDescription& out, int& shortcutCountLine,
                 Diagnostics& diagnostics) {
    std::vector<const char*> keys = {"name",         "version",   "tagline",     "publisher",
                                     "homePage",     "supportEmail", "fileTime", "license",
                                     "licenseSize",  "shortcutCount", "publisherHomePage",
                                     "publisherHomePageName"};
    for (size_t i = 0; i < ArtSlotCount; ++i) keys.push_back(ArtSlots[i].key);
    const std::string& path = out.path;
    SettingTable table(section, keys.data(), keys.size(), path, diagnostics);
    bool good = true;

    const struct {
        const char* key;
        size_t width;
        std::string* field;
        bool folderAndKey;  // also the name of a folder and of a registry key
    } texts[] = {
        {"name", sizeof(ProductInfo::productName), &out.productName, true},
        {"version", sizeof(ProductInfo::version), &out.version, false},
        {"tagline", sizeof(ProductInfo::tagline), &out.tagline, false},
        {"publisher", sizeof(ProductInfo::publisher), &out.publisher, true},
        {"homePage", sizeof(ProductInfo::homePageUrl), &out.homePageUrl, false},
        {"supportEmail", SupportEmailWidth, &out.supportEmail, false},
    };
    int lines[sizeof texts / sizeof texts[0]] = {};
    for (size_t i = 0; i < sizeof texts / sizeof texts[0]; ++i) {
        const Setting* setting = table.Find(texts[i].key);
        if (setting == nullptr || !CheckTextField(*setting, texts[i].width, path, diagnostics) ||
            (texts[i].folderAndKey && !CheckFolderAndKeyName(*setting, path, diagnostics))) {
            good = false;
            continue;
        }
        *texts[i].field = setting->value;
        lines[i] = setting->line;
    }
    const int versionLine = lines[1], taglineLine = lines[2], homePageLine = lines[4], emailLine = lines[5];

    // The backdrop's subtitle is laid out for a slogan of this length; another one still fits its
    // field, so it is only worth a warning.
    if (!out.tagline.empty() && out.tagline.size() != 20) {
        diagnostics.Warning(path, taglineLine,
                            "tagline is " + std::to_string(out.tagline.size()) +
                                " characters; the backdrop is laid out for 20");
    }
    if (!out.version.empty() && (out.version[0] == 'v' || out.version[0] == 'V')) {
        diagnostics.Error(path, versionLine, "version is shown after a \"v\" of its own; write it without one");
        good = false;
    }
    if (!out.homePageUrl.empty() && out.homePageUrl.compare(0, 7, "http://") != 0 &&
        out.homePageUrl.compare(0, 8, "https://") != 0) {
        diagnostics.Error(path, homePageLine, "homePage must start with http:// or https://");
        good = false;
    }
    if (!out.supportEmail.empty()) {
        const size_t at = out.supportEmail.find('@');
        if (at == std::string::npos || at == 0 || at + 1 == out.supportEmail.size() ||
            out.supportEmail.find('@', at + 1) != std::string::npos ||
            out.supportEmail.find(' ') != std::string::npos) {
            diagnostics.Error(path, emailLine,
                              "supportEmail " + Quoted(out.supportEmail) + " is not an e-mail address");
            good = false;
        }
    }

    // The note that points to the publisher's own home page; "home page" follows the name.
    out.publisherHomePage = out.homePageUrl;
    out.publisherHomePageName = out.publisher;
    if (const Setting* setting = table.FindOptional("publisherHomePage")) {
        if (CheckTextField(*setting, sizeof(ProductInfo::homePageUrl), path, diagnostics)) {
            out.publisherHomePage = setting->value;
        } else {
            good = false;
        }
    }
    if (const Setting* setting = table.FindOptional("publisherHomePageName")) {
        if (CheckTextField(*setting, sizeof(ProductInfo::publisher), path, diagnostics)) {
            out.publisherHomePageName = setting->value;
        } else {
            good = false;
        }
    }
    for (size_t i = 0; i < ArtSlotCount; ++i) {
        if (const Setting* setting = table.FindOptional(ArtSlots[i].key)) {
            if (setting->value.empty()) {
                diagnostics.Error(path, setting->line, "'" + setting->key + "' is empty");
                good = false;
            } else {
                out.art.push_back({i, setting->value, setting->line});
            }
        }
    }

    if (const Setting* setting = table.Find("fileTime")) {
        good = ParseFileTime(*setting, out.fileTime, path, diagnostics) && good;
    }
    if (const Setting* setting = table.Find("license")) {
        out.license = setting->value;
        out.licenseLine = setting->line;
        if (out.license.empty()) {
            diagnostics.Error(path, setting->line, "'license' is empty");
            good = false;
        }
    }
    if (const Setting* setting = table.Find("licenseSize")) {
        out.licenseSizeLine = setting->line;
        good = ParseSize(*setting, out.licenseSize, path, diagnostics) && good;
    }
    if (const Setting* setting = table.Find("shortcutCount")) {
        shortcutCountLine = setting->line;
        uint32_t count = 0;
        if (!IsDigits(setting->value) || !ParseNumber(setting->value, count) || count > INT16_MAX) {
            diagnostics.Error(path, setting->line,
                              "shortcutCount " + Quoted(setting->value) + " is not a count from 0 to 32767");
            good = false;
        } else {
            out.shortcutCount = static_cast<int>(count);
        }
    }
    return table.good() && good;
}

bool ReadRow(const Section& section, DescribedRow& row, const std::string& path, Diagnostics& diagnostics) {
    static const char* const keys[] = {"name", "flags", "resource", "shortcut", "source", "size", "kind"};
    SettingTable table(section, keys, sizeof keys / sizeof keys[0], path, diagnostics);
    bool good = true;
    row.line = section.line;

    if (const Setting* setting = table.Find("name")) {
        if (CheckTextField(*setting, sizeof(FileEntry::fileName), path, diagnostics) &&
            CheckFileName(*setting, path, diagnostics)) {
            row.fileName = setting->value;
        } else {
            good = false;
        }
    }
    if (const Setting* setting = table.Find("flags")) good = ParseFlags(*setting, row.flags, path, diagnostics) && good;
    if (const Setting* setting = table.Find("resource")) {
        if (CheckResourceName(*setting, path, diagnostics)) row.resourceName = setting->value;
        else good = false;
    }
    if (const Setting* setting = table.Find("shortcut")) {
        if (CheckTextField(*setting, sizeof(FileEntry::shortcutName), path, diagnostics) &&
            (setting->value == "-" || CheckFileName(*setting, path, diagnostics))) {
            row.shortcutName = setting->value;
        } else {
            good = false;
        }
    }
    if (const Setting* setting = table.Find("source")) {
        row.source = setting->value;
        row.sourceLine = setting->line;
        if (row.source.empty()) {
            diagnostics.Error(path, setting->line, "'source' is empty");
            good = false;
        }
    }
    if (const Setting* setting = table.Find("size")) {
        row.sizeLine = setting->line;
        good = ParseSize(*setting, row.fileSize, path, diagnostics) && good;
    }
    if (const Setting* setting = table.Find("kind")) good = ParseKind(*setting, row.kind, path, diagnostics) && good;
    return table.good() && good;
}

// Rules that tie the rows to each other and to the product record.
bool CheckTable(const ProductDescription& out, int productLine, int shortcutCountLine, Diagnostics& diagnostics) {
    const std::string& path = out.path;
    const size_t rows = out.rows.size();
    bool good = true;
    if (rows < size_t{MinimumFileCount}) {
        diagnostics.Error(path, productLine,
                          "the file table has " + std::to_string(rows) +
                              " rows; the installer needs at least 5 (row 0 the uninstaller, row 4 the read-me)");
        return false;
    }
    if (rows > size_t{ManifestMaxRows}) {
        diagnostics.Error(path, productLine,
                          "the file table has " + std::to_string(rows) + " rows; the installer holds at most " +
                              std::to_string(ManifestMaxRows));
        return false;
    }
    if (out.shortcutCount > static_cast<int>(rows)) {
        diagnostics.Error(path, shortcutCountLine,
                          "shortcutCount " + std::to_string(out.shortcutCount) + " exceeds the " +
                              std::to_string(rows) + " rows of the file table");
        good = false;
    }

    for (size_t i = 0; i < rows; ++i) {
        if (i != UninstallerRow && out.rows[i].source == BuiltUninstallerSource) {
            diagnostics.Error(path, out.rows[i].sourceLine,
                              std::string(BuiltUninstallerSource) + " is the uninstaller: it belongs in row 0");
            good = false;
        }
    }
    const DescribedRow& uninstaller = out.rows[UninstallerRow];
    if ((uninstaller.flags & FILE_TO_WINDOWS_FOLDER) == 0) {
        diagnostics.Error(path, uninstaller.line,
                          "row 0 is the uninstaller, registered in the Windows folder: it needs "
                          "FILE_TO_WINDOWS_FOLDER");
        good = false;
    }
    if (uninstaller.kind != PayloadKind::Program) {
        diagnostics.Error(path, uninstaller.line, "row 0 is the uninstaller: its kind must be program");
        good = false;
    }
    const DescribedRow& readMe = out.rows[ReadMeRow];
    if ((readMe.flags & FILE_TO_WINDOWS_FOLDER) != 0) {
        diagnostics.Error(path, readMe.line,
                          "row 4 is the read-me, opened from the install folder: it must not have "
                          "FILE_TO_WINDOWS_FOLDER");
        good = false;
    }
    if (readMe.kind != PayloadKind::Text) {
        diagnostics.Error(path, readMe.line, "row 4 is the read-me: its kind must be text");
        good = false;
    }

    uint64_t total = 0;
    for (size_t i = 0; i < rows; ++i) {
        const DescribedRow& row = out.rows[i];
        total += row.fileSize;
        const bool hasShortcut = static_cast<int>(i) < out.shortcutCount;
        if (hasShortcut && row.shortcutName == "-") {
            diagnostics.Error(path, row.line,
                              "row " + std::to_string(i) + " gets a shortcut (shortcutCount " +
                                  std::to_string(out.shortcutCount) + ") but its shortcut is \"-\"");
            good = false;
        }
        if (!hasShortcut && row.shortcutName != "-") {
            diagnostics.Error(path, row.line,
                              "row " + std::to_string(i) + " gets no shortcut (shortcutCount " +
                                  std::to_string(out.shortcutCount) + "): its shortcut must be \"-\"");
            good = false;
        }
        // A shortcut points into the install folder or the Windows folder by one bit, and the file
        // goes to one of them by another: only one of the two bits set keeps them together.
        const bool toInstall = (row.flags & FILE_IN_INSTALL_FOLDER) != 0;
        const bool toWindows = (row.flags & FILE_TO_WINDOWS_FOLDER) != 0;
        if (hasShortcut && toInstall == toWindows) {
            diagnostics.Error(path, row.line,
                              "row " + std::to_string(i) +
                                  ": its shortcut would point away from the file; set exactly one of "
                                  "FILE_IN_INSTALL_FOLDER and FILE_TO_WINDOWS_FOLDER");
            good = false;
        }
        for (size_t j = 0; j < i; ++j) {
            const DescribedRow& earlier = out.rows[j];
            if (!row.resourceName.empty() && row.resourceName == earlier.resourceName) {
                diagnostics.Error(path, row.line,
                                  "resource " + row.resourceName + " is already used by row " + std::to_string(j) +
                                      " (line " + std::to_string(earlier.line) + ")");
                good = false;
            }
            const bool sameFolder = ((row.flags ^ earlier.flags) & FILE_TO_WINDOWS_FOLDER) == 0;
            if (!row.fileName.empty() && sameFolder && EqualsIgnoringCase(row.fileName, earlier.fileName)) {
                diagnostics.Error(path, row.line,
                                  "file " + Quoted(row.fileName) + " would overwrite row " + std::to_string(j) +
                                      " (line " + std::to_string(earlier.line) + ") in the same folder");
                good = false;
            }
            if (hasShortcut && EqualsIgnoringCase(row.shortcutName, earlier.shortcutName)) {
                diagnostics.Error(path, row.line,
                                  "shortcut " + Quoted(row.shortcutName) + " is already used by row " +
                                      std::to_string(j) + " (line " + std::to_string(earlier.line) + ")");
                good = false;
            }
        }
    }
    if (total > UINT32_MAX) {
        diagnostics.Error(path, productLine, "the files add up to 4 GiB or more; the installer counts in 32 bits");
        good = false;
    }
    return good;
}

}  // namespace

// The installer's own art (resources/art) is what the templates and the backdrop are laid out for.
const ArtSlot ArtSlots[] = {
    {"installerIcon", "porvane.ico", IDI_PORVANE, true, 32, 32, 4},
    {"shortcutsIcon", "shortcuts.ico", IDI_SHORTCUTS, true, 32, 32, 4},
    {"pagePicture", "pagepicture.bmp", IDB_PAGE_PICTURE, false, 120, 168, 4},
    {"sidePicture", "sidepicture.bmp", IDB_SIDE_PICTURE, false, 120, 168, 4},
    {"bannerRight", "bannerright.bmp", IDB_BANNER_RIGHT, false, 334, 58, 8},
    {"bannerFill", "bannerfill.bmp", IDB_BANNER_FILL, false, 20, 58, 8},
    {"bannerRule", "bannerrule.bmp", IDB_BANNER_RULE, false, 10, 2, 8},
};
const size_t ArtSlotCount = sizeof ArtSlots / sizeof ArtSlots[0];

const char BuiltUninstallerSource[] = "@uninstaller";

std::string FormatDiagnostic(const Diagnostic& diagnostic) {
    std::string text = diagnostic.file;
    if (diagnostic.line > 0) text += ":" + std::to_string(diagnostic.line);
    text += diagnostic.warning ? ": warning: " : ": ";
    return text + diagnostic.message;
}

uint16_t DayOfWeek(int year, int month, int day) {
    // Sakamoto's method: month offsets of a year that starts in March, so that the leap day
    // falls at the end.
    static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3) year -= 1;
    return static_cast<uint16_t>((year + year / 4 - year / 100 + year / 400 + offsets[month - 1] + day) % 7);
}

bool ParseDescription(const std::string& text, const std::string& path, ProductDescription& out,
                      Diagnostics& diagnostics) {
    out = ProductDescription();
    out.path = path;
    std::vector<Section> sections;
    bool good = ReadSections(text, path, sections, diagnostics);

    int productLine = 0;
    int shortcutCountLine = 0;
    for (const Section& section : sections) {
        if (section.name == "product") {
            if (productLine != 0) {
                diagnostics.Error(path, section.line,
                                  "a second [product] (the first is on line " + std::to_string(productLine) + ")");
                good = false;
                continue;
            }
            productLine = section.line;
            good = ReadProduct(section, out, shortcutCountLine, diagnostics) && good;
        } else if (section.name == "file") {
            DescribedRow row = DescribedRow();
            good = ReadRow(section, row, path, diagnostics) && good;
            out.rows.push_back(row);
        }
    }
    if (productLine == 0) {
        diagnostics.Error(path, 0, "no [product] section");
        return false;
    }
    // The table rules compare rows; with broken rows they would only repeat earlier errors.
    if (!good) return false;
    return CheckTable(out, productLine, shortcutCountLine, diagnostics);
}

bool ReadDescription(const std::string& path, ProductDescription& out, Diagnostics& diagnostics) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        diagnostics.Error(path, 0, "cannot open the description");
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return ParseDescription(text.str(), path, out, diagnostics);
}
