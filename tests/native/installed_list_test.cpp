// What the packer writes for the uninstaller: the list of what an installation consists of, as the
// uninstaller reads it back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "codegen.h"
#include "crc32.h"
#include "description.h"
#include "inputs.h"
#include "installedrecord.h"
#include "manifest_records.h"
#include "peresource.h"

namespace fs = std::filesystem;

namespace {

std::string ReadText(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

const std::string DescriptionPath = std::string(PORVANE_SOURCE_DIR) + "/resources/vantrel.product";

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// The list for a description given as text, as the uninstaller reads it back: a line per text,
// file and link; empty after a refusal, with the errors in `errors`. Empty files stand in for the
// sources: the built list's CRCs are checked below.
std::string ListFor(const std::string& text, std::string* errors = nullptr) {
    Diagnostics diagnostics;
    ProductDescription description;
    std::vector<uint8_t> record;
    const bool made = ParseDescription(text, DescriptionPath, description, diagnostics) &&
                      InstalledRecord(description, std::vector<std::vector<uint8_t>>(description.rows.size()),
                                      record, diagnostics);
    for (const Diagnostic& item : diagnostics.items) {
        if (errors != nullptr) *errors += FormatDiagnostic(item) + "\n";
    }
    auto list = std::make_unique<InstalledProduct>();
    EXPECT_EQ(ReadInstalledRecord(record.data(), record.size(), *list), made);
    std::string s = made ? std::string(list->productName) + "\n" + list->publisherKey + "\n" + list->versionKey + "\n" : "";
    for (int i = 0; i < list->fileCount; ++i) {
        const InstalledFile& file = list->files[i];
        s += std::string(file.fileName) + (file.inWindowsFolder ? " windows " : " folder ") +
             std::to_string(file.fileSize) + (file.isUninstaller ? " uninstaller\n" : "\n");
    }
    for (int i = 0; i < list->shortcutCount; ++i) s += std::string("link ") + list->shortcutNames[i] + "\n";
    return s;
}

// The keys derived from the publisher and the product, every file with its folder in row order,
// and the links of the first rows only (none without shortcuts).
TEST(InstalledProductList, NamesTheKeysEveryFileAndTheLinksOfTheFirstRows) {
    const std::string keysAndFiles =
        "Vantrel\nSoftware\\Quillfern Utilities\nSoftware\\Quillfern Utilities\\Programs\\Vantrel\\Current Version\n"
        "Tolvangr.exe windows 49152 uninstaller\nPlendix.exe folder 57344\nVantrel.exe folder 212992\n"
        "Vantrel.hlp folder 41611\nRead Me.txt folder 5163\nOrder.txt folder 1962\nRegInfo.txt folder 1251\n";
    std::string text = ReadText(DescriptionPath);
    EXPECT_EQ(ListFor(text), keysAndFiles + "link Uninstall\nlink Update\nlink Vantrel\nlink Help\nlink Read Me\n");
    text = Replaced(text, "shortcutCount = 5", "shortcutCount = 0");
    for (const char* name : {"Uninstall", "Update", "Vantrel", "Help", "Read Me"}) {
        text = Replaced(text, std::string("shortcut = ") + name + "\n", "shortcut = -\n");
    }
    EXPECT_EQ(ListFor(text), keysAndFiles);
}

TEST(InstalledProductList, RefusesRegistryKeyNamesWithABackslash) {
    std::string errors;
    EXPECT_EQ(ListFor(Replaced(ReadText(DescriptionPath), "publisher     = Quillfern Utilities",
                               "publisher     = Quillfern\\Utilities"),
                      &errors),
              "");
    EXPECT_NE(errors.find("publisher \"Quillfern\\Utilities\" names a registry key"), std::string::npos) << errors;
}

void Put(std::vector<uint8_t>& record, size_t at, uint32_t value, size_t bytes) {
    for (size_t i = 0; i < bytes; ++i) record[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// The size and the CRC-32 of a record changed on purpose, as the packer would write them.
void Reseal(std::vector<uint8_t>& r, size_t size) {
    Put(r, 12, static_cast<uint32_t>(size), 4);
    Put(r, InstalledCrcOffset, Crc32Continue(Crc32(r.data(), 16), r.data() + 20, size - 20), 4);
}

// Vantrel's record (7 files; the product name at 20; the links, "Read Me" last, in its last 38
// bytes), changed by each row: only a whole, undamaged record whose counts and texts fit is read.
TEST(InstalledRecordReader, RefusesEveryDamagedOrUnfittingRecord) {
    Diagnostics diagnostics;
    ProductDescription description;
    ASSERT_TRUE(ReadDescription(DescriptionPath, description, diagnostics));
    std::vector<uint8_t> vantrel;
    ASSERT_TRUE(InstalledRecord(description, std::vector<std::vector<uint8_t>>(7), vantrel, diagnostics));
    const size_t n = vantrel.size(), firstFlags = std::string(vantrel.begin(), vantrel.end()).find("Tolvangr.exe") + 12;
    auto files = [](std::vector<uint8_t>& r, uint32_t count) {
        const uint8_t row[] = {1, 'a', 0, 0, 0, 0, 0, 0, 0, 0, 0};
        for (uint32_t i = 7; i < count; ++i) r.insert(r.end() - 38, row, row + sizeof row);
        Put(r, 6, count, 2), Reseal(r, r.size());
    };
    using R = std::vector<uint8_t>&;
    const struct {
        const char* what;
        std::function<void(R)> change;
        bool read;
    } rows[] = {
        {"as written", [](R) {}, true},
        {"resource alignment after it", [](R r) { r.resize(r.size() + 3); }, true},
        {"as many files as a list holds", [&](R r) { files(r, InstalledMaxFiles); }, true},
        {"more files than a list holds", [&](R r) { files(r, InstalledMaxFiles + 1); }, false},
        {"shorter than a header", [](R r) { r.resize(19); }, false},
        {"a byte inverted", [&](R r) { r[n / 2] ^= 0xFF; }, false},
        {"another tag", [&](R r) { r[0] = 'X', Reseal(r, n); }, false},
        {"another format", [&](R r) { r[4] = 2, Reseal(r, n); }, false},
        {"reserved bits", [&](R r) { r[10] = 1, Reseal(r, n); }, false},
        {"more links than files", [&](R r) { r.insert(r.end(), 12, 3), Put(r, 8, 8, 2), Reseal(r, n + 12); }, false},
        {"a size past the bytes", [&](R r) { Put(r, 12, static_cast<uint32_t>(n + 1), 4); }, false},
        {"bytes left after the rows", [&](R r) { r.push_back('x'), Reseal(r, n + 1); }, false},
        {"a text past the end", [&](R r) { r[n - 8] = 8, Reseal(r, n); }, false},
        {"an empty name", [&](R r) { r[n - 8] = 0, r.resize(n - 7), Reseal(r, n - 7); }, false},
        {"a NUL in a name", [&](R r) { r[22] = 0, Reseal(r, n); }, false},
        {"unknown flags", [&](R r) { r[firstFlags] |= 4, Reseal(r, n); }, false},
        {"a name too long for its buffer",
         [&](R r) { r[20] = InstalledProductNameSize, r.insert(r.begin() + 28, 13, 'x'), Reseal(r, n + 13); }, false},
    };
    for (const auto& row : rows) {
        std::vector<uint8_t> record = vantrel;
        row.change(record);
        auto list = std::make_unique<InstalledProduct>();
        EXPECT_EQ(ReadInstalledRecord(record.data(), record.size(), *list), row.read) << row.what;
        EXPECT_EQ(list->fileCount, row.read ? record[6] | record[7] << 8 : 0) << row.what;
        EXPECT_EQ(list->productName[0] == '\0', !row.read) << row.what;
    }
}

// The list in the win32 build's uninstaller holds the CRC of each file as installed, from the files
// the build packed (the streams' CRCs are the payload tests').
TEST(BuiltCrcs, AreThoseOfEachInstalledFile) {
    const std::string uninstaller = ReadText(fs::path(PORVANE_WIN32_BUILD_DIR) / "product" / "bin" / "Tolvangr.exe");
    ResourceLocation location = {};
    std::string failure;
    ASSERT_TRUE(FindRcDataResource(std::vector<uint8_t>(uninstaller.begin(), uninstaller.end()), InstalledResourceName,
                                   location, failure))
        << failure << ": build the win32 tree first (make win32)";
    const std::string record = uninstaller.substr(location.fileOffset, location.size);
    auto list = std::make_unique<InstalledProduct>();
    ASSERT_TRUE(ReadInstalledRecord(reinterpret_cast<const uint8_t*>(record.data()), record.size(), *list));
    ASSERT_EQ(list->fileCount, 7);
    Diagnostics diagnostics;
    ProductDescription description;
    ASSERT_TRUE(ReadDescription(DescriptionPath, description, diagnostics));
    const std::vector<std::string> inputs = {(fs::path(PORVANE_WIN32_BUILD_DIR) / "product" / "bin").string(),
                                             PORVANE_SOURCE_DIR};
    for (size_t i = 0; i < description.rows.size(); ++i) {
        const DescribedRow& row = description.rows[i];
        // The uninstaller's own row has no CRC: it is compared with the running uninstaller.
        const bool itself = row.source == BuiltUninstallerSource;
        const std::string file = itself ? std::string() : ReadText(FindInput(row.source, inputs, DescriptionPath));
        const InstalledFile& built = list->files[i];
        EXPECT_STREQ(built.fileName, row.fileName.c_str());
        EXPECT_EQ(built.inWindowsFolder, (row.flags & FILE_TO_WINDOWS_FOLDER) != 0) << row.fileName;
        EXPECT_EQ(built.fileSize, row.fileSize) << row.fileName;
        EXPECT_EQ(built.isUninstaller, itself) << row.fileName;
        EXPECT_EQ(built.crc32, Crc32(reinterpret_cast<const uint8_t*>(file.data()), file.size())) << row.fileName;
    }
}

}  // namespace
