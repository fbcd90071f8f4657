// What the packer compiles in for the uninstaller and for the damaged-installer check: the list of
// what an installation consists of, and the CRC-32 of every compressed stream.
#include <gtest/gtest.h>

#include <stdio.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "codegen.h"
#include "crc32.h"
#include "description.h"
#include "inputs.h"
#include "manifest_records.h"

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

// The list for a description given as text; empty after a refusal, with the errors in `errors`.
std::string ListFor(const std::string& text, std::string* errors = nullptr) {
    Diagnostics diagnostics;
    ProductDescription description;
    std::string source;
    // Empty files stand in for the sources: the built list's CRCs are checked below.
    const bool made = ParseDescription(text, DescriptionPath, description, diagnostics) &&
                      InstalledProductSource(description, std::vector<std::vector<uint8_t>>(description.rows.size()),
                                             source, diagnostics);
    if (errors != nullptr) {
        for (const Diagnostic& item : diagnostics.items) *errors += FormatDiagnostic(item) + "\n";
    }
    return made ? source : std::string();
}

TEST(InstalledProductList, NamesEveryFileWithItsFolderInRowOrder) {
    const std::string source = ListFor(ReadText(DescriptionPath));
    ASSERT_FALSE(source.empty());
    const char* const rows[] = {
        "{\"Tolvangr.exe\", true, 49152,", "{\"Plendix.exe\", false, 57344,", "{\"Vantrel.exe\", false, 212992,",
        "{\"Vantrel.hlp\", false, 41611,", "{\"Read Me.txt\", false, 5163,", "{\"Order.txt\", false, 1962,",
        "{\"RegInfo.txt\", false, 1251,",
    };
    size_t after = 0;
    for (const char* row : rows) {
        const size_t at = source.find(row, after);
        ASSERT_NE(at, std::string::npos) << row << "\n" << source;
        after = at;
    }
    EXPECT_NE(source.find("    Files,\n    7,\n"), std::string::npos) << source;
}

TEST(InstalledProductList, NamesTheShortcutsOfTheFirstRowsOnly) {
    const std::string source = ListFor(ReadText(DescriptionPath));
    EXPECT_NE(source.find("const char* const ShortcutNames[] = {\n    \"Uninstall\",\n    \"Update\",\n    "
                          "\"Vantrel\",\n    \"Help\",\n    \"Read Me\",\n};"),
              std::string::npos)
        << source;
    EXPECT_NE(source.find("    ShortcutNames,\n    5,\n"), std::string::npos);
    EXPECT_EQ(source.find("\"-\""), std::string::npos);
}

TEST(InstalledProductList, DerivesThePublisherAndVersionKeys) {
    const std::string source = ListFor(ReadText(DescriptionPath));
    EXPECT_NE(source.find("    \"Vantrel\",\n"
                          "    \"Software\\\\Quillfern Utilities\",\n"
                          "    \"Software\\\\Quillfern Utilities\\\\Programs\\\\Vantrel\\\\Current Version\",\n"),
              std::string::npos)
        << source;
}

TEST(InstalledProductList, WithoutShortcutsStillGivesAnArray) {
    std::string text = ReadText(DescriptionPath);
    text = Replaced(text, "shortcutCount = 5", "shortcutCount = 0");
    for (const char* name : {"Uninstall", "Update", "Vantrel", "Help", "Read Me"}) {
        text = Replaced(text, std::string("shortcut = ") + name + "\n", "shortcut = -\n");
    }
    const std::string source = ListFor(text);
    EXPECT_NE(source.find("const char* const ShortcutNames[] = {\n    nullptr,"), std::string::npos) << source;
    EXPECT_NE(source.find("    ShortcutNames,\n    0,\n"), std::string::npos) << source;
}

TEST(InstalledProductList, RefusesRegistryKeyNamesWithABackslash) {
    std::string errors;
    EXPECT_EQ(ListFor(Replaced(ReadText(DescriptionPath), "publisher     = Quillfern Utilities",
                               "publisher     = Quillfern\\Utilities"),
                      &errors),
              "");
    EXPECT_NE(errors.find("publisher \"Quillfern\\Utilities\" names a registry key"), std::string::npos) << errors;
}

// The win32 build's uninstaller's list holds the CRC of each file as installed, from the files the
// build packed (the streams' CRCs are the payload tests').
TEST(BuiltCrcs, AreThoseOfEachInstalledFile) {
    const fs::path generated = fs::path(PORVANE_WIN32_BUILD_DIR) / "generated";
    const std::string list = ReadText(generated / "installed_product.cpp");
    ASSERT_FALSE(list.empty()) << "build the win32 tree first (make win32)";
    Diagnostics diagnostics;
    ProductDescription description;
    ASSERT_TRUE(ReadDescription(DescriptionPath, description, diagnostics));
    const std::vector<std::string> inputs = {(fs::path(PORVANE_WIN32_BUILD_DIR) / "product" / "bin").string(),
                                             PORVANE_SOURCE_DIR};
    for (const DescribedRow& row : description.rows) {
        char line[120];
        // The uninstaller's own row has no CRC: it is compared with the running uninstaller.
        const bool itself = row.source == BuiltUninstallerSource;
        const std::string file = itself ? std::string() : ReadText(FindInput(row.source, inputs, DescriptionPath));
        snprintf(line, sizeof line, "    {\"%s\", %s, %u, 0x%08X, %s},\n", row.fileName.c_str(),
                 row.flags & FILE_TO_WINDOWS_FOLDER ? "true" : "false", row.fileSize,
                 Crc32(reinterpret_cast<const uint8_t*>(file.data()), file.size()), itself ? "true" : "false");
        EXPECT_NE(list.find(line), std::string::npos) << line << list;
    }
}

}  // namespace
