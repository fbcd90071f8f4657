// The packer: what it accepts, what it refuses and where it says so, and what it leaves in the
// output folder.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "buildinstaller.h"
#include "codegen.h"
#include "crc32.h"
#include "description.h"
#include "inputs.h"
#include "lzhuf.h"
#include "manifest.h"
#include "packer.h"
#include "resourcetree.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::string Program(size_t size, char seed) {
    std::string bytes = "MZ";
    for (size_t i = 2; i < size; ++i) bytes += static_cast<char>((i * 7 + static_cast<size_t>(seed)) % 23 == 0 ? seed : 0);
    return bytes;
}

// 1-based number of the line of text that holds `needle`.
int LineOf(const std::string& text, const std::string& needle) {
    const size_t at = text.find(needle);
    EXPECT_NE(at, std::string::npos) << needle;
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

std::vector<std::string> Errors(const Diagnostics& diagnostics) {
    std::vector<std::string> errors;
    for (const Diagnostic& diagnostic : diagnostics.items) {
        if (!diagnostic.warning) errors.push_back(FormatDiagnostic(diagnostic));
    }
    return errors;
}

// True when one error reads "path:line: ..." and holds `reason`.
::testing::AssertionResult RefusedAt(const Diagnostics& diagnostics, const std::string& path, int line,
                                     const std::string& reason) {
    const std::string prefix = path + ":" + std::to_string(line) + ": ";
    for (const std::string& error : Errors(diagnostics)) {
        if (error.compare(0, prefix.size(), prefix) == 0 && error.find(reason) != std::string::npos) {
            return ::testing::AssertionSuccess();
        }
    }
    ::testing::AssertionResult failure = ::testing::AssertionFailure();
    failure << "no error \"" << prefix << "..." << reason << "...\" among:";
    for (const std::string& error : Errors(diagnostics)) failure << "\n  " << error;
    return failure;
}

const char* const DescriptionName = "test.product";

// A small product of five rows with real files in a folder of its own.
class PackerFixture : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/porvane-packer-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
        inputs = root / "inputs";
        outDir = root / "out";

        files = {
            {"Remove.exe", Program(1500, 'r')},
            {"Prog.exe", Program(3000, 'p')},
            {"Help.txt", "Help for Testprod.\r\n\r\nPress F1 for this text.\r\n"},
            {"Data.bin", "\x00\x01\xFF\x80 binary \r \n data"s},
            {"Read Me.txt", "Read me first.\r\nThen read me again.\r\n"},
        };
        for (const auto& file : files) WriteFile(inputs / file.first, file.second);
        license = "Testprod licence.\r\n\r\nUse it well.\r\n";
        WriteFile(inputs / "licence.txt", license);

        text = std::string() +
               "# A product for the tests\n"
               "[product]\n"
               "name = Testprod\n"
               "version = 1.0\n"
               "tagline = Twenty chars exactly\n"
               "publisher = Test Publisher\n"
               "homePage = http://www.test.example/prod\n"
               "supportEmail = help@test.example\n"
               "fileTime = 2006-12-18 03:02:00.000\n"
               "license = licence.txt\n"
               "licenseSize = " + std::to_string(license.size()) + "\n"
               "shortcutCount = 3\n" +
               Row("Remove.exe", "0x12", "UNINST", "Remove", "program") +
               Row("Prog.exe", "0x11", "MAIN", "Prog", "program") +
               Row("Help.txt", "0x11", "GUIDE", "Help", "text") +
               Row("Data.bin", "0x10", "DATA", "-", "data") +
               Row("Read Me.txt", "0x11", "README", "-", "text");
        descriptionPath = (root / DescriptionName).string();
    }

    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    std::string Row(const std::string& name, const std::string& flags, const std::string& resource,
                    const std::string& shortcut, const std::string& kind) {
        size_t size = 0;
        for (const auto& file : files) {
            if (file.first == name) size = file.second.size();
        }
        return "\n[file]\nname = " + name + "\nflags = " + flags + "\nresource = " + resource +
               "\nshortcut = " + shortcut + "\nsource = " + name + "\nsize = " + std::to_string(size) +
               "\nkind = " + kind + "\n";
    }

    bool Parse(const std::string& description) {
        diagnostics = Diagnostics();
        return ParseDescription(description, descriptionPath, parsed, diagnostics);
    }

    // Parses, then reads the inputs as the packer does.
    bool Load(const std::string& description) {
        if (!Parse(description)) return false;
        return LoadInputs(parsed, {inputs.string()}, loaded, diagnostics);
    }

    int Run(const std::string& description, std::string* errText = nullptr) {
        WriteFile(descriptionPath, description);
        PackerOptions options;
        options.description = descriptionPath;
        options.outDir = outDir.string();
        options.inputs = {inputs.string()};
        options.depfile = (root / "pack.d").string();
        options.stamp = (root / "pack.stamp").string();
        std::ostringstream out, err;
        const int code = RunPacker(options, out, err);
        if (errText) *errText = err.str();
        return code;
    }

    fs::path root, inputs, outDir;
    std::vector<std::pair<std::string, std::string>> files;
    std::string license;
    std::string text;
    std::string descriptionPath;
    ProductDescription parsed;
    LoadedInputs loaded;
    Diagnostics diagnostics;
};

void CopyField(char* field, size_t width, const char* text) {
    ASSERT_LT(strlen(text), width);
    memcpy(field, text, strlen(text));
}

std::vector<uint8_t> Decode(const std::vector<uint8_t>& stream, uint32_t fileSize) {
    struct Sink {
        std::vector<uint8_t> bytes;
    } sink;
    PayloadSink payloadSink{&sink,
                            [](void* context, const uint8_t* data, uint32_t count) {
                                auto& bytes = static_cast<Sink*>(context)->bytes;
                                bytes.insert(bytes.end(), data, data + count);
                                return count;
                            },
                            [](void*, uint32_t) {}};
    decodePayload(payloadSink, stream.data(), static_cast<uint32_t>(stream.size()), fileSize);
    return sink.bytes;
}

std::vector<fs::path> FolderListing(const fs::path& folder) {
    std::vector<fs::path> listing;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) listing.push_back(entry.path());
    std::sort(listing.begin(), listing.end());
    return listing;
}

}  // namespace

// ---- The description parser ------------------------------------------------------------------

TEST_F(PackerFixture, GoodDescriptionGivesTheExactManifestBytes) {
    ASSERT_TRUE(Parse(text)) << ::testing::PrintToString(Errors(diagnostics));
    const std::vector<PackedRow> packed = {{111, 0}, {222, 0}, {33, 0}, {4, 0}, {55, 0}};
    const std::vector<uint8_t> image = ManifestImage(parsed, packed);
    ASSERT_EQ(image.size(), ManifestSize(5));

    // The same record written field by field into zeroed memory, as the compiler lays it out
    // (the five rows fill the first five slots of the installer's table).
    std::vector<uint8_t> expected(image.size(), 0);
    ProductInfo product;
    memset(&product, 0, sizeof product);
    CopyField(product.productName, sizeof product.productName, "Testprod");
    CopyField(product.version, sizeof product.version, "1.0");
    CopyField(product.tagline, sizeof product.tagline, "Twenty chars exactly");
    CopyField(product.publisher, sizeof product.publisher, "Test Publisher");
    CopyField(product.homePageUrl, sizeof product.homePageUrl, "http://www.test.example/prod");
    product.fileTime = {2006, 12, 1, 18, 3, 2, 0, 0};
    memcpy(expected.data(), &product, sizeof product);
    const struct {
        const char* name;
        uint32_t flags;
        const char* resource;
        const char* shortcut;
        uint32_t size;
    } rows[] = {{"Remove.exe", 0x12, "UNINST", "Remove", 1500},
                {"Prog.exe", 0x11, "MAIN", "Prog", 3000},
                {"Help.txt", 0x11, "GUIDE", "Help", static_cast<uint32_t>(files[2].second.size())},
                {"Data.bin", 0x10, "DATA", "-", static_cast<uint32_t>(files[3].second.size())},
                {"Read Me.txt", 0x11, "README", "-", static_cast<uint32_t>(files[4].second.size())}};
    for (size_t i = 0; i < 5; ++i) {
        FileEntry entry;
        memset(&entry, 0, sizeof entry);
        CopyField(entry.fileName, sizeof entry.fileName, rows[i].name);
        entry.flags = rows[i].flags;
        CopyField(entry.resourceName, sizeof entry.resourceName, rows[i].resource);
        CopyField(entry.shortcutName, sizeof entry.shortcutName, rows[i].shortcut);
        entry.fileSize = rows[i].size;
        entry.compressedSize = packed[i].compressedSize;
        memcpy(expected.data() + sizeof(ProductInfo) + i * sizeof(FileEntry), &entry, sizeof entry);
    }
    const int16_t counts[2] = {5, 3};
    memcpy(expected.data() + sizeof(ProductInfo) + 5 * sizeof(FileEntry), counts, sizeof counts);

    EXPECT_EQ(image, expected);
}

TEST_F(PackerFixture, FlagNamesMeanTheSameAsTheirNumbers) {
    ASSERT_TRUE(Parse(Replaced(text, "flags = 0x12", "flags = FILE_TO_WINDOWS_FOLDER | FILE_ALWAYS_OVERWRITE")));
    EXPECT_EQ(parsed.rows[0].flags, 0x12u);
    ASSERT_TRUE(Parse(Replaced(text, "flags = 0x10", "flags = 16")));
    EXPECT_EQ(parsed.rows[3].flags, 0x10u);
}

TEST_F(PackerFixture, CrLfDescriptionReadsLikeLfOne) {
    std::string crlf;
    for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    ASSERT_TRUE(Parse(crlf)) << ::testing::PrintToString(Errors(diagnostics));
    EXPECT_EQ(parsed.rows[4].fileName, "Read Me.txt");
    EXPECT_EQ(parsed.productName, "Testprod");
}

TEST_F(PackerFixture, QuotedValueKeepsItsInnerText) {
    ASSERT_TRUE(Parse(Replaced(text, "shortcut = Prog", "shortcut = \"Prog\"")));
    EXPECT_EQ(parsed.rows[1].shortcutName, "Prog");
}

TEST_F(PackerFixture, DayOfWeekIsDerivedFromTheDate) {
    ASSERT_TRUE(Parse(text));
    EXPECT_EQ(parsed.fileTime.dayOfWeek, 1);  // 2006-12-18 was a Monday
    EXPECT_EQ(DayOfWeek(2000, 2, 29), 2);     // a Tuesday, in a leap year that is one by the 400 rule
    EXPECT_EQ(DayOfWeek(2006, 1, 1), 0);      // a Sunday
    EXPECT_EQ(DayOfWeek(1601, 1, 1), 1);      // the first day of Windows file times, a Monday
}

TEST_F(PackerFixture, UnknownKeyIsRefusedAtItsLine) {
    const std::string bad = Replaced(text, "version = 1.0", "versoin = 1.0");
    EXPECT_FALSE(Parse(bad));
    EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, "version = 1.0"), "unknown key 'versoin'"));
}

TEST_F(PackerFixture, MissingKeyIsRefusedAtItsSectionHeader) {
    const std::string bad = Replaced(text, "kind = data\n", "");
    EXPECT_FALSE(Parse(bad));
    EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, "name = Data.bin") - 1, "lacks 'kind'"));
}

TEST_F(PackerFixture, RepeatedKeyIsRefusedAtItsSecondLine) {
    const std::string bad = Replaced(text, "version = 1.0\n", "version = 1.0\nversion = 1.1\n");
    EXPECT_FALSE(Parse(bad));
    EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, "version = 1.0") + 1, "given twice"));
}

TEST_F(PackerFixture, LineThatIsNoSettingIsRefused) {
    const std::string bad = Replaced(text, "version = 1.0", "version 1.0");
    EXPECT_FALSE(Parse(bad));
    EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, "version = 1.0"), "expected \"key = value\""));
}

TEST_F(PackerFixture, SettingBeforeAnySectionIsRefused) {
    EXPECT_FALSE(Parse("name = Stray\n" + text));
    EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, 1, "before any [product] or [file]"));
}

TEST_F(PackerFixture, UnknownSectionIsRefused) {
    const std::string bad = Replaced(text, "[file]\nname = Data.bin", "[files]\nname = Data.bin");
    EXPECT_FALSE(Parse(bad));
    EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, "name = Data.bin") - 1, "unknown section [files]"));
}

TEST_F(PackerFixture, DescriptionWithoutProductIsRefused) {
    EXPECT_FALSE(Parse("# nothing\n"));
    EXPECT_NE(Errors(diagnostics).at(0).find("no [product] section"), std::string::npos);
}

TEST_F(PackerFixture, TextThatFillsItsFieldWithoutRoomForTheNulIsRefused) {
    const std::string twenty = "Abcdefghijklmnopqrst";
    EXPECT_FALSE(Parse(Replaced(text, "name = Testprod", "name = " + twenty)));
    EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, "name = Testprod"), "at most 19"));

    EXPECT_TRUE(Parse(Replaced(text, "name = Testprod", "name = " + twenty.substr(0, 19))));
}

TEST_F(PackerFixture, OverlongFileNameAndShortcutAreRefused) {
    EXPECT_FALSE(Parse(Replaced(text, "name = Prog.exe", "name = Program-with-a-long-na.exe")));
    EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, "name = Prog.exe"), "at most 23"));
    EXPECT_FALSE(Parse(Replaced(text, "shortcut = Prog", "shortcut = Twenty characters long")));
    EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, "shortcut = Prog"), "at most 19"));
}

TEST_F(PackerFixture, TextOutsidePrintableAsciiIsRefused) {
    EXPECT_FALSE(Parse(Replaced(text, "publisher = Test Publisher", "publisher = Test Publish\xC3\xA9r")));
    EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, "publisher ="), "printable 7-bit"));
}

TEST_F(PackerFixture, TaglineOfAnotherLengthIsOnlyWarnedAbout) {
    EXPECT_TRUE(Parse(Replaced(text, "tagline = Twenty chars exactly", "tagline = Short")));
    ASSERT_EQ(diagnostics.items.size(), 1u);
    EXPECT_TRUE(diagnostics.items[0].warning);
    EXPECT_EQ(diagnostics.items[0].line, LineOf(text, "tagline ="));
}

TEST_F(PackerFixture, ResourceNameOfSixteenCharactersIsRefused) {
    EXPECT_FALSE(Parse(Replaced(text, "resource = MAIN", "resource = ABCDEFGHIJKLMNOP")));
    EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, "resource = MAIN"), "1 to 15 characters"));
    EXPECT_TRUE(Parse(Replaced(text, "resource = MAIN", "resource = ABCDEFGHIJKLMNO")));
}

TEST_F(PackerFixture, ResourceNameThatIsNotUpperCaseIsRefused) {
    for (const char* name : {"Main", "MAIN-2", "2MAIN", "MA IN"}) {
        EXPECT_FALSE(Parse(Replaced(text, "resource = MAIN", std::string("resource = ") + name))) << name;
        EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, "resource = MAIN"), "upper case")) << name;
    }
}

TEST_F(PackerFixture, ResourceNameOfTheLicenceOrOfTheResourceLanguageIsRefused) {
    EXPECT_FALSE(Parse(Replaced(text, "resource = DATA", "resource = LICENSE")));
    EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, "resource = DATA"), "licence"));
    EXPECT_FALSE(Parse(Replaced(text, "resource = DATA", "resource = PRODUCT")));
    EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, "resource = DATA"), "manifest"));
    EXPECT_FALSE(Parse(Replaced(text, "resource = DATA", "resource = HELP")));
    EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, "resource = DATA"), "resource compiler"));
}

TEST_F(PackerFixture, DuplicateResourceNameIsRefusedAtTheLaterRow) {
    EXPECT_FALSE(Parse(Replaced(text, "resource = DATA", "resource = GUIDE")));
    EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, "name = Data.bin") - 1, "already used by row 2"));
}

TEST_F(PackerFixture, SameFileNameTwiceInOneFolderIsRefused) {
    EXPECT_FALSE(Parse(Replaced(text, "name = Data.bin", "name = HELP.TXT")));
    EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, "name = Data.bin") - 1, "would overwrite row 2"));
}

TEST_F(PackerFixture, SameFileNameInTheOtherFolderIsAccepted) {
    EXPECT_TRUE(Parse(Replaced(text, "name = Prog.exe", "name = Remove.exe"))) << ::testing::PrintToString(Errors(diagnostics));
}

// A file's name, and the product's and the publisher's, which name folders and registry keys.
TEST_F(PackerFixture, NameThatWindowsRefusesForAFileOrAFolderIsRefused) {
    const char* const file = "name = Prog.exe";
    const char* const product = "name = Testprod";
    const char* const publisher = "publisher = Test Publisher";
    const char* const character = "refuses in a file name";
    const char* const end = "ends in a dot or a space";
    const char* const device = "is a reserved device name";
    const struct {
        const char* line;
        const char* name;
        const char* reason;
    } cases[] = {
        {file, "Sub\\Prog.exe", character},
        {file, "Prog?.exe", character},
        {file, "Prog.", end},
        {file, "CON.txt", device},
        {product, "Test/prod", "name \"Test/prod\" names a registry key and a folder: it holds a character"},
        {product, "Testprod.", end},
        {product, "lpt1", device},
        {product, "Aux.prod", device},
        {publisher, "Test: Publisher", "publisher \"Test: Publisher\" names a registry key and a folder"},
        {publisher, "Test|Publisher", character},
        {publisher, "\"Test Publisher \"", end},
        {publisher, "COM9", device},
        {publisher, "Test\tPublisher", "printable 7-bit"},
    };
    for (const auto& bad : cases) {
        const std::string line = bad.line;
        EXPECT_FALSE(Parse(Replaced(text, line, line.substr(0, line.find('=') + 2) + bad.name))) << bad.name;
        EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, line), bad.reason)) << bad.name;
    }
    EXPECT_TRUE(Parse(Replaced(text, product, "name = Con Prod. 2"))) << ::testing::PrintToString(Errors(diagnostics));
    EXPECT_TRUE(Parse(Replaced(text, publisher, "publisher = Nul & Sons"))) << ::testing::PrintToString(Errors(diagnostics));
}

TEST_F(PackerFixture, ShortcutCountAboveTheRowCountIsRefused) {
    EXPECT_FALSE(Parse(Replaced(text, "shortcutCount = 3", "shortcutCount = 6")));
    EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, "shortcutCount"), "exceeds the 5 rows"));
}

TEST_F(PackerFixture, NegativeShortcutCountIsRefused) {
    EXPECT_FALSE(Parse(Replaced(text, "shortcutCount = 3", "shortcutCount = -1")));
    EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, "shortcutCount"), "not a count"));
}

TEST_F(PackerFixture, ShortcutCountFromZeroToTheRowCountIsAccepted) {
    std::string none = Replaced(text, "shortcutCount = 3", "shortcutCount = 0");
    none = Replaced(none, "shortcut = Remove", "shortcut = -");
    none = Replaced(none, "shortcut = Prog", "shortcut = -");
    none = Replaced(none, "shortcut = Help", "shortcut = -");
    EXPECT_TRUE(Parse(none)) << ::testing::PrintToString(Errors(diagnostics));

    std::string all = Replaced(text, "shortcutCount = 3", "shortcutCount = 5");
    all = Replaced(all, "flags = 0x10", "flags = 0x11");
    all = Replaced(all, "resource = DATA\nshortcut = -", "resource = DATA\nshortcut = Data");
    all = Replaced(all, "resource = README\nshortcut = -", "resource = README\nshortcut = Read Me");
    EXPECT_TRUE(Parse(all)) << ::testing::PrintToString(Errors(diagnostics));
}

TEST_F(PackerFixture, FewerThanFiveRowsAreRefused) {
    const std::string four = text.substr(0, text.rfind("\n[file]") + 1);
    EXPECT_FALSE(Parse(four));
    EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, "[product]"), "at least 5"));
}

TEST_F(PackerFixture, FlagBitWithoutMeaningIsRefused) {
    EXPECT_FALSE(Parse(Replaced(text, "flags = 0x10", "flags = 0x14")));
    EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, "flags = 0x10"), "bits 0x4 have no meaning"));
    EXPECT_FALSE(Parse(Replaced(text, "flags = 0x10", "flags = FILE_ALWAYS_OVERWRITE | FILE_HIDDEN")));
    EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, "flags = 0x10"), "'FILE_HIDDEN'"));
}

TEST_F(PackerFixture, UninstallerOutsideTheWindowsFolderIsRefused) {
    EXPECT_FALSE(Parse(Replaced(text, "flags = 0x12", "flags = 0x11")));
    EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, "[file]"), "row 0 is the uninstaller"));
}

TEST_F(PackerFixture, ReadMeInTheWindowsFolderIsRefused) {
    std::string moved = text;
    const size_t readMe = moved.find("name = Read Me.txt");
    moved.replace(moved.find("flags = 0x11", readMe), 12, "flags = 0x12");
    EXPECT_FALSE(Parse(moved));
    EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, "name = Read Me.txt") - 1, "row 4 is the read-me"));
}

TEST_F(PackerFixture, ShortcutThatWouldPointAwayFromItsFileIsRefused) {
    EXPECT_FALSE(Parse(Replaced(text, "flags = 0x12", "flags = 0x13")));
    EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, "[file]"), "point away from the file"));
}

TEST_F(PackerFixture, ShortcutRowsNeedANameAndTheOthersADash) {
    EXPECT_FALSE(Parse(Replaced(text, "shortcut = Help", "shortcut = -")));
    EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, "name = Help.txt") - 1, "gets a shortcut"));
    EXPECT_FALSE(Parse(Replaced(text, "resource = DATA\nshortcut = -", "resource = DATA\nshortcut = Data")));
    EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, "name = Data.bin") - 1, "must be \"-\""));
}

TEST_F(PackerFixture, DateThatDoesNotExistIsRefused) {
    for (const char* when : {"2006-02-29 03:02:00.000", "2006-12-18 24:00:00.000", "1600-12-31 00:00:00.000",
                             "2006-12-18 03:02", "2006-12-18T03:02:00.000"}) {
        EXPECT_FALSE(Parse(Replaced(text, "fileTime = 2006-12-18 03:02:00.000", std::string("fileTime = ") + when)))
            << when;
        EXPECT_EQ(diagnostics.items.at(0).line, LineOf(text, "fileTime")) << when;
    }
    EXPECT_TRUE(Parse(Replaced(text, "fileTime = 2006-12-18 03:02:00.000", "fileTime = 2004-02-29 23:59:59.999")));
}

TEST_F(PackerFixture, SizeThatIsNoByteCountIsRefused) {
    for (const char* size : {"4294967296", "0x10", "12k", ""}) {
        EXPECT_FALSE(Parse(Replaced(text, "size = 1500", std::string("size = ") + size))) << size;
        EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, "size = 1500"), "byte count")) << size;
    }
}

// ---- Reading the inputs ------------------------------------------------------------------------

TEST_F(PackerFixture, GoodInputsAreReadInRowOrder) {
    ASSERT_TRUE(Load(text)) << ::testing::PrintToString(Errors(diagnostics));
    for (size_t i = 0; i < files.size(); ++i) EXPECT_EQ(loaded.files[i], Bytes(files[i].second)) << i;
    EXPECT_EQ(loaded.license, Bytes(license));
}

TEST_F(PackerFixture, MissingSourceIsRefusedAtItsSourceLine) {
    fs::remove(inputs / "Data.bin");
    EXPECT_FALSE(Load(text));
    EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, "source = Data.bin"), "not found"));
}

TEST_F(PackerFixture, SourceOfAnotherSizeIsRefusedAtItsSizeLine) {
    WriteFile(inputs / "Prog.exe", Program(3001, 'p'));
    EXPECT_FALSE(Load(text));
    EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, "size = 3000"), "is 3001 bytes"));
}

TEST_F(PackerFixture, DescriptionsFolderIsSearchedFirstThenTheInputFoldersInOrder) {
    const fs::path first = root / "first";
    WriteFile(first / "Prog.exe", Program(3000, 'q'));
    WriteFile(root / "Data.bin", std::string(files[3].second.size(), 'd'));  // beside it, and in inputs
    ASSERT_TRUE(Parse(text));
    ASSERT_TRUE(LoadInputs(parsed, {first.string(), inputs.string()}, loaded, diagnostics))
        << ::testing::PrintToString(Errors(diagnostics));
    EXPECT_EQ(loaded.files[1], Bytes(Program(3000, 'q')));
    EXPECT_EQ(loaded.files[0], Bytes(files[0].second));
    EXPECT_EQ(loaded.files[3], Bytes(std::string(files[3].second.size(), 'd')));
}

TEST_F(PackerFixture, ProgramWithoutMzIsRefused) {
    std::string program = Program(1500, 'r');
    program[0] = 'Z';
    WriteFile(inputs / "Remove.exe", program);
    EXPECT_FALSE(Load(text));
    EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, "source = Remove.exe"), "\"MZ\""));
}

TEST_F(PackerFixture, TextPayloadWithBareLineFeedIsRefusedAtThatLine) {
    WriteFile(inputs / "Help.txt", std::string("Help for Testprod.\r\n\nPress F1 for this text.\r\n"));
    const std::string bad = Replaced(text, "size = " + std::to_string(files[2].second.size()),
                                     "size = " + std::to_string(files[2].second.size() - 1));
    EXPECT_FALSE(Load(bad));
    EXPECT_TRUE(RefusedAt(diagnostics, (inputs / "Help.txt").string(), 2, "LF without a CR"));
}

TEST_F(PackerFixture, LicenceOfAnotherSizeIsRefused) {
    EXPECT_FALSE(Load(Replaced(text, "licenseSize = " + std::to_string(license.size()), "licenseSize = 5321")));
    EXPECT_TRUE(RefusedAt(diagnostics, descriptionPath, LineOf(text, "licenseSize"), "says 5321"));
}

TEST_F(PackerFixture, LicenceThatIsNotCrLfSevenBitTextIsRefused) {
    const struct {
        std::string text;
        int line;
        const char* reason;
    } cases[] = {
        {"Testprod licence.\r\n\r\nUse it well.\n\r\n", 3, "LF without a CR"},
        {"Testprod licence.\r\n\r\nUse it well.\r\r\n", 3, "CR without its LF"},
        {"Testprod licence.\r\n\r\nUse it well.\r\n\r", 4, "CR without its LF"},
        {"Testprod licence.\r\n\r\nUse it w\xE9ll.\r\n", 3, "0xE9"},
        {"Testprod licence.\r\n\r\nUse it well\x00\r\n"s, 3, "0x00"},
        {"Testprod licence.\r\n\r\nUse it well.\r\nEnd", 4, "does not end in CR LF"},
    };
    for (const auto& bad : cases) {
        const std::string& contents = bad.text;
        WriteFile(inputs / "licence.txt", contents);
        EXPECT_FALSE(Load(Replaced(text, "licenseSize = " + std::to_string(license.size()),
                                   "licenseSize = " + std::to_string(contents.size()))));
        EXPECT_TRUE(RefusedAt(diagnostics, (inputs / "licence.txt").string(), bad.line, bad.reason)) << bad.reason;
    }
}

// ---- The whole run ----------------------------------------------------------------------------

TEST_F(PackerFixture, PackedPayloadsDecodeToTheirSources) {
    ASSERT_EQ(Run(text), 0);
    for (const char* resource : {"UNINST", "MAIN", "GUIDE", "DATA", "README"}) {
        EXPECT_TRUE(fs::exists(outDir / "payloads" / (std::string(resource) + ".lzh"))) << resource;
    }
    const std::string image = ReadFile(outDir / "manifest.bin");
    ASSERT_EQ(image.size(), ManifestSize(5));
    const char* const names[] = {"UNINST", "MAIN", "GUIDE", "DATA", "README"};
    for (size_t i = 0; i < 5; ++i) {
        const std::vector<uint8_t> stream = Bytes(ReadFile(outDir / "payloads" / (std::string(names[i]) + ".lzh")));
        uint32_t fileSize = 0, compressedSize = 0;
        memcpy(&fileSize, image.data() + 188 + 72 * i + 64, 4);
        memcpy(&compressedSize, image.data() + 188 + 72 * i + 68, 4);
        EXPECT_EQ(compressedSize, stream.size()) << names[i];
        EXPECT_EQ(Decode(stream, fileSize), Bytes(files[i].second)) << names[i];
    }
    EXPECT_EQ(ReadFile(outDir / "payloads" / "LICENSE.txt"), license);
}

TEST_F(PackerFixture, ProductResourceHoldsTheManifestAndTheStreamCrcs) {
    ASSERT_EQ(Run(text), 0);
    const std::string image = ReadFile(outDir / "manifest.bin");
    const std::string product = ReadFile(outDir / "product.bin");
    ASSERT_EQ(product.size(), ProductResourceSize(5));
    EXPECT_EQ(product.substr(0, image.size()), image);
    // The table holds the CRC of the stream the resource carries, not of the file it decodes to.
    const std::string help = ReadFile(outDir / "payloads" / "GUIDE.lzh");
    uint32_t crc = 0;
    memcpy(&crc, product.data() + image.size() + 4 * 2, 4);
    EXPECT_EQ(crc, Crc32(reinterpret_cast<const uint8_t*>(help.data()), help.size()));
    memcpy(&crc, product.data() + product.size() - 4, 4);
    EXPECT_EQ(crc, Crc32(reinterpret_cast<const uint8_t*>(product.data()), product.size() - 4));
}

TEST_F(PackerFixture, ResourceScriptNamesEveryPayloadAndTheLicenceByAbsolutePath) {
    ASSERT_EQ(Run(text), 0);
    const std::string script = ReadFile(outDir / "payloads.rc");
    for (const char* resource : {"UNINST", "MAIN", "GUIDE", "DATA", "README"}) {
        const std::string line = std::string(resource) + " RCDATA \"" +
                                 fs::absolute(outDir / "payloads" / (std::string(resource) + ".lzh")).generic_string() +
                                 "\"\n";
        EXPECT_NE(script.find(line), std::string::npos) << line << script;
    }
    EXPECT_NE(script.find("LICENSE RCDATA \"" + fs::absolute(outDir / "payloads" / "LICENSE.txt").generic_string() + "\"\n"),
              std::string::npos);
    EXPECT_NE(script.find("PRODUCT RCDATA \"" + fs::absolute(outDir / "product.bin").generic_string() + "\"\n"),
              std::string::npos);
    // The texts the installer reads with the product, its version and its application manifest.
    for (const std::string& line : {std::to_string(IDS_PRODUCT_SUPPORT_EMAIL) + ", \"help@test.example\"\n",
                                   std::to_string(IDS_PRODUCT_PUBLISHER_KEY) + ", \"Software\\\\Test Publisher\"\n",
                                   std::string("FILEVERSION 1, 0, 0, 0\n"),
                                   "1 24 \"" + fs::absolute(outDir / "installer.manifest").generic_string() + "\"\n"}) {
        EXPECT_NE(script.find(line), std::string::npos) << line << script;
    }
}

TEST_F(PackerFixture, RefusedDescriptionLeavesTheOutputFolderAsItWas) {
    ASSERT_EQ(Run(text), 0);
    const std::vector<fs::path> before = FolderListing(outDir);
    const std::string manifestBefore = ReadFile(outDir / "product.bin");

    WriteFile(inputs / "Prog.exe", Program(3000, 'z'));  // a change that would rewrite outputs...
    std::string err;
    EXPECT_EQ(Run(Replaced(text, "resource = DATA", "resource = data"), &err), 1);  // ...in a refused run
    EXPECT_EQ(FolderListing(outDir), before);
    EXPECT_EQ(ReadFile(outDir / "product.bin"), manifestBefore);
    EXPECT_NE(err.find(descriptionPath + ":" + std::to_string(LineOf(text, "resource = DATA")) + ": "),
              std::string::npos)
        << err;
}

TEST_F(PackerFixture, RefusedFirstRunCreatesNoOutputFolder) {
    EXPECT_EQ(Run(Replaced(text, "size = 1500", "size = 1501")), 1);
    EXPECT_FALSE(fs::exists(outDir));
    EXPECT_FALSE(fs::exists(root / "pack.stamp"));
}

TEST_F(PackerFixture, OnlyOutputsWhoseContentChangesAreRewritten) {
    ASSERT_EQ(Run(text), 0);
    const auto past = fs::file_time_type::clock::now() - std::chrono::hours(24);
    std::vector<std::pair<fs::path, std::string>> before;
    for (const fs::path& path : FolderListing(outDir)) {
        if (fs::is_directory(path)) continue;
        before.push_back({path, ReadFile(path)});
        fs::last_write_time(path, past);
    }

    WriteFile(inputs / "Help.txt", "Help for Testprod!\r\n\r\nPress F1 for this text.\r\n");  // same size
    ASSERT_EQ(Run(text), 0);
    size_t rewritten = 0;
    for (const auto& file : before) {
        const bool changed = ReadFile(file.first) != file.second;
        EXPECT_EQ(fs::last_write_time(file.first) != past, changed) << file.first;
        rewritten += changed;
    }
    EXPECT_GE(rewritten, 2u);  // at least the help text's stream and its CRC in the manifest source
    EXPECT_LT(rewritten, before.size());
}

TEST_F(PackerFixture, PayloadOfARowNoLongerDescribedIsRemoved) {
    ASSERT_EQ(Run(text), 0);
    ASSERT_EQ(Run(Replaced(text, "resource = DATA", "resource = BINARY")), 0);
    EXPECT_TRUE(fs::exists(outDir / "payloads" / "BINARY.lzh"));
    EXPECT_FALSE(fs::exists(outDir / "payloads" / "DATA.lzh"));
}

// A bitmap file of that shape, its pixels left zero.
std::string Bitmap(int width, int height, int bitCount) {
    std::string bytes(54 + 1024 + static_cast<size_t>((width * bitCount + 31) / 32 * 4 * height), '\0');
    auto put = [&bytes](size_t at, uint32_t value, int size) {
        for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
    };
    bytes[0] = 'B', bytes[1] = 'M';
    put(2, static_cast<uint32_t>(bytes.size()), 4), put(10, 54 + 1024, 4), put(14, 40, 4);
    put(18, static_cast<uint32_t>(width), 4), put(22, static_cast<uint32_t>(height), 4), put(26, 1, 2);
    put(28, static_cast<uint32_t>(bitCount), 2);
    return bytes;
}

TEST_F(PackerFixture, ArtOfTheShapeItsPlaceNeedsIsWrittenForTheResourceCompilerElseRefused) {
    const std::string described = Replaced(text, "shortcutCount = 3\n", "shortcutCount = 3\nsidePicture = side.bmp\n");
    WriteFile(inputs / "side.bmp", Bitmap(120, 168, 8));
    std::string err;
    EXPECT_EQ(Run(described, &err), 1);
    EXPECT_NE(err.find(descriptionPath + ":" + std::to_string(LineOf(described, "sidePicture")) + ": " +
                       (inputs / "side.bmp").string() + " is 120 by 168 pixels, 8 bits per pixel; sidePicture must "
                       "be 120 by 168 pixels, 4 bits per pixel"),
              std::string::npos)
        << err;
    EXPECT_FALSE(fs::exists(outDir));

    WriteFile(inputs / "side.bmp", Bitmap(120, 168, 4));
    ASSERT_EQ(Run(described, &err), 0) << err;
    EXPECT_EQ(ReadFile(outDir / "art" / "sidepicture.bmp"), Bitmap(120, 168, 4));
    ASSERT_EQ(Run(text), 0);
    EXPECT_FALSE(fs::exists(outDir / "art" / "sidepicture.bmp"));  // the installer's own again
}

// porvane-pack build reports what it refuses at its place, with the reason, and writes nothing;
// what it accepts, it writes with the art the description names in place of the installer's.
TEST_F(PackerFixture, BuildRefusesWithTheReasonElseWritesTheProductAndItsArtIntoTheBase) {
    const fs::path build = PORVANE_WIN32_BUILD_DIR, art = fs::path(PORVANE_SOURCE_DIR) / "resources" / "art";
    const std::string base = (build / "wizard" / "PorvaneBase.exe").string(), output = (root / "Setup.exe").string();
    const std::string withArt = Replaced(text, "shortcutCount = 3\n", "shortcutCount = 3\ninstallerIcon = " +
                                         (art / "shortcuts.ico").string() + "\nsidePicture = " +
                                         (art / "pagepicture.bmp").string() + "\n");
    const std::string missingSource = Replaced(text, "source = Prog.exe", "source = Gone.exe");
    const struct {
        std::string description, base, diagnostic;
        bool list = false;                 // --installed-list
        std::string madeUninstaller = {};  // --uninstaller-out
    } rows[] = {
        {text + "bogus\n", base, descriptionPath + ":" + std::to_string(LineOf(text + "bogus\n", "bogus")) + ": "},
        {missingSource, base, descriptionPath + ":" + std::to_string(LineOf(missingSource, "Gone.exe")) +
                                  ": \"Gone.exe\" not found"},
        {text, (root / "none.exe").string(), (root / "none.exe").string() + ": cannot be read"},
        {text, descriptionPath, descriptionPath + ": not a product-free installer: not a Windows program"},
        {text, (build / "wizard" / "Porvane.exe").string(),
         (build / "wizard" / "Porvane.exe").string() + ": not a product-free installer: already holds a product"},
        {text, base, descriptionPath + ":" + std::to_string(LineOf(text, "source = Remove.exe")) +
                         ": the list is the uninstaller's: row 0's source must be @uninstaller", true},
        {text, base, (root / "Un.exe").string() + ": row 0 is no uninstaller that the packer makes", false,
         (root / "Un.exe").string()},
        {withArt, base, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.diagnostic);
        WriteFile(descriptionPath, row.description);
        std::ostringstream out, err;
        const std::vector<fs::path> before = FolderListing(root);
        const std::string depfile = (root / "Setup.d").string();
        const int code = RunBuild({descriptionPath, output, {inputs.string()}, row.base, "", "", row.madeUninstaller,
                                   depfile, row.list},
                                  out, err);
        if (!row.diagnostic.empty()) {
            EXPECT_EQ(code, 1);
            EXPECT_EQ(err.str().find(row.diagnostic), 0u) << err.str();
            EXPECT_TRUE(FolderListing(root) == before);
            continue;
        }
        ASSERT_EQ(code, 0) << err.str();
        // The depfile names the installer, then every file read: the description, the art, the base.
        const std::string deps = ReadFile(depfile);
        EXPECT_EQ(deps.find(fs::absolute(output).string() + ":"), 0u) << deps;
        for (const fs::path& read : {fs::path(descriptionPath), art / "shortcuts.ico", fs::path(base)}) {
            EXPECT_NE(deps.find(fs::absolute(read).string()), std::string::npos) << read << " in " << deps;
        }
        std::vector<ResourceEntry> entries;
        std::string failure;
        ASSERT_TRUE(ReadResourceTree(Bytes(ReadFile(output)), entries, failure)) << failure;
        const auto find = [&](uint16_t type, uint16_t name) {
            const auto at = std::find_if(entries.begin(), entries.end(), [&](const ResourceEntry& entry) {
                return entry.type == ResourceId::Number(type) && entry.name == ResourceId::Number(name);
            });
            return at == entries.end() ? std::vector<uint8_t>() : at->data;
        };
        EXPECT_TRUE(find(2, 201) == Bytes(ReadFile(art / "pagepicture.bmp").substr(14)));
        // The group lists the icon file's images, each held whole under the id the group gives it.
        const std::vector<uint8_t> icon = Bytes(ReadFile(art / "shortcuts.ico")), group = find(14, 100);
        ASSERT_EQ(group.size(), 6u + 14u * icon[4]);
        size_t images = 0;
        for (size_t i = 0; i < icon[4]; ++i) {
            const uint8_t* item = &icon[6 + 16 * i];
            const uint32_t size = item[8] | item[9] << 8 | item[10] << 16, offset = item[12] | item[13] << 8;
            EXPECT_TRUE(std::equal(item, item + 12, group.begin() + 6 + 14 * i));
            const std::vector<uint8_t> image = find(3, group[6 + 14 * i + 12] | group[6 + 14 * i + 13] << 8);
            EXPECT_TRUE(image == std::vector<uint8_t>(icon.begin() + offset, icon.begin() + offset + size)) << i;
        }
        for (const ResourceEntry& entry : entries) images += entry.type == ResourceId::Number(3) ? 1 : 0;
        EXPECT_EQ(images, 2u * icon[4]) << "the replaced icon's images are gone";
    }
}

TEST_F(PackerFixture, DependencyFileListsEveryInputForTheStamp) {
    ASSERT_EQ(Run(text), 0);
    const std::string deps = ReadFile(root / "pack.d");
    EXPECT_EQ(deps.find(fs::absolute(root / "pack.stamp").string() + ":"), 0u) << deps;
    EXPECT_NE(deps.find(fs::absolute(descriptionPath).string()), std::string::npos);
    EXPECT_NE(deps.find((inputs / "Read\\ Me.txt").string()), std::string::npos) << deps;
    EXPECT_NE(deps.find((inputs / "licence.txt").string()), std::string::npos);
    EXPECT_TRUE(fs::exists(root / "pack.stamp"));
}

// ---- Pieces ------------------------------------------------------------------------------------

TEST(PackerCodegen, TextWithQuotesAndBackslashesBecomesAnEquivalentLiteral) {
    EXPECT_EQ(CLiteral("Say \"hi\" \\ now??"), "\"Say \\\"hi\\\" \\\\ now\\?\\?\"");
}

TEST(PackerCrc32, MatchesTheStandardCheckValue) {
    const char* check = "123456789";
    EXPECT_EQ(Crc32(reinterpret_cast<const uint8_t*>(check), 9), 0xCBF43926u);
    EXPECT_EQ(Crc32(nullptr, 0), 0u);
}

TEST(PackerRoundTrip, PackPayloadAcceptsWhatTheDecoderGivesBack) {
    std::vector<uint8_t> data;
    for (uint32_t i = 0; i < 70000; ++i) data.push_back(static_cast<uint8_t>((i * i) >> 5));
    std::vector<uint8_t> stream;
    std::string failure;
    EXPECT_TRUE(PackPayload(data, stream, failure)) << failure;
    EXPECT_FALSE(stream.empty());
}

// ---- This build's description ------------------------------------------------------------------

class ThisBuildsDescription : public ::testing::Test {
protected:
    void SetUp() override {
        path = std::string(PORVANE_SOURCE_DIR) + "/resources/vantrel.product";
        ASSERT_TRUE(ReadDescription(path, description, diagnostics)) << ::testing::PrintToString(Errors(diagnostics));
    }
    std::string path;
    ProductDescription description;
    Diagnostics diagnostics;
};

TEST_F(ThisBuildsDescription, GivesTheProductRecordAndFileTable) {
    EXPECT_TRUE(diagnostics.items.empty()) << FormatDiagnostic(diagnostics.items.at(0));
    ASSERT_EQ(description.rows.size(), 7u);
    const std::vector<uint8_t> image = ManifestImage(description, std::vector<PackedRow>(7, {1, 0}));
    ASSERT_EQ(image.size(), ManifestSize(7));
    InstallManifest manifest = {};
    memcpy(&manifest, image.data(), ManifestSize(7) - 4);
    memcpy(&manifest.fileCount, image.data() + ManifestSize(7) - 4, 4);

    EXPECT_STREQ(manifest.product.productName, "Vantrel");
    EXPECT_STREQ(manifest.product.version, "3.02");
    EXPECT_EQ(strlen(manifest.product.tagline), 20u);
    EXPECT_STREQ(manifest.product.publisher, "Quillfern Utilities");
    EXPECT_NE(strstr(manifest.product.homePageUrl, ".example/"), nullptr) << manifest.product.homePageUrl;
    const ManifestTime& time = manifest.product.fileTime;
    EXPECT_EQ(time.year, 2006);
    EXPECT_EQ(time.month, 12);
    EXPECT_EQ(time.dayOfWeek, 1);
    EXPECT_EQ(time.day, 18);
    EXPECT_EQ(time.hour, 3);
    EXPECT_EQ(time.minute, 2);
    EXPECT_EQ(time.second, 0);
    EXPECT_EQ(time.milliseconds, 0);
    EXPECT_EQ(manifest.product.padding, 0);

    const struct {
        const char* fileName;
        uint32_t flags;
        const char* resourceName;
        const char* shortcutName;
        uint32_t fileSize;
    } table[] = {
        {"Tolvangr.exe", 0x12, "UINSTALL", "Uninstall", 49152}, {"Plendix.exe", 0x11, "UPDATER", "Update", 57344},
        {"Vantrel.exe", 0x11, "PROGRAM", "Vantrel", 212992},    {"Vantrel.hlp", 0x11, "HELPFILE", "Help", 41611},
        {"Read Me.txt", 0x11, "README", "Read Me", 5163},       {"Order.txt", 0x11, "ORDER", "-", 1962},
        {"RegInfo.txt", 0x11, "REGINFO", "-", 1251},
    };
    uint32_t total = 0;
    for (int i = 0; i < 7; ++i) {
        const FileEntry& entry = manifest.files[i];
        EXPECT_STREQ(entry.fileName, table[i].fileName) << i;
        EXPECT_EQ(entry.flags, table[i].flags) << i;
        EXPECT_STREQ(entry.resourceName, table[i].resourceName) << i;
        EXPECT_STREQ(entry.shortcutName, table[i].shortcutName) << i;
        EXPECT_EQ(entry.fileSize, table[i].fileSize) << i;
        total += entry.fileSize;
    }
    EXPECT_EQ(total, 369475u);
    EXPECT_EQ(manifest.fileCount, 7);
    EXPECT_EQ(manifest.shortcutCount, 5);
    EXPECT_EQ(description.supportEmail.substr(description.supportEmail.size() - 8), ".example");
    EXPECT_EQ(description.licenseSize, 5321u);
}

TEST_F(ThisBuildsDescription, TextFilesAndLicenceAreCrLfTextOfTheirSizes) {
    // The programs come from the win32 build; the texts are in the source tree.
    const std::vector<std::string> folders = {PORVANE_SOURCE_DIR};
    for (const DescribedRow& row : description.rows) {
        if (row.kind != PayloadKind::Text) continue;
        const std::string found = FindInput(row.source, folders, path);
        ASSERT_FALSE(found.empty()) << row.source;
        const std::vector<uint8_t> bytes = Bytes(ReadFile(found));
        EXPECT_EQ(bytes.size(), row.fileSize) << row.source;
        EXPECT_TRUE(CheckCrLfText(bytes, found, diagnostics)) << FormatDiagnostic(diagnostics.items.back());
    }
    const std::string license = FindInput(description.license, folders, path);
    ASSERT_FALSE(license.empty());
    const std::vector<uint8_t> bytes = Bytes(ReadFile(license));
    EXPECT_EQ(bytes.size(), 5321u);
    EXPECT_TRUE(CheckCrLfText(bytes, license, diagnostics)) << FormatDiagnostic(diagnostics.items.back());
}
