// libFuzzer target for the packer's product description parser. An input is a description's
// text. The parser must never crash or read out of bounds, must answer with errors exactly when it
// refuses, and what it accepts must hold every guarantee the installer's manifest relies on. An
// accepted description then goes through the code generators, which trust those guarantees
// (AddressSanitizer catches a text that overruns its field of the manifest image).
#include <stdint.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "codegen.h"
#include "description.h"
#include "installedrecord.h"
#include "manifest.h"

namespace {

void Require(bool condition) {
    if (!condition) abort();
}

bool FitsField(const std::string& text, size_t width) {
    if (text.empty() || text.size() > width - 1) return false;
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) return false;
    }
    return true;
}

void CheckAccepted(const ProductDescription& description) {
    Require(FitsField(description.productName, sizeof(ProductInfo::productName)));
    Require(FitsField(description.version, sizeof(ProductInfo::version)));
    Require(FitsField(description.tagline, sizeof(ProductInfo::tagline)));
    Require(FitsField(description.publisher, sizeof(ProductInfo::publisher)));
    Require(FitsField(description.homePageUrl, sizeof(ProductInfo::homePageUrl)));
    Require(FitsField(description.supportEmail, SupportEmailWidth));
    const DescribedTime& time = description.fileTime;
    Require(time.year >= 1601 && time.month >= 1 && time.month <= 12 && time.day >= 1 && time.day <= 31);
    Require(time.hour < 24 && time.minute < 60 && time.second < 60 && time.milliseconds < 1000);
    Require(time.dayOfWeek == DayOfWeek(time.year, time.month, time.day));

    const size_t rows = description.rows.size();
    Require(rows >= size_t{MinimumFileCount} && rows <= INT16_MAX);
    Require(description.shortcutCount >= 0 && static_cast<size_t>(description.shortcutCount) <= rows);
    Require(description.rows[UninstallerRow].flags & FILE_TO_WINDOWS_FOLDER);
    Require(!(description.rows[ReadMeRow].flags & FILE_TO_WINDOWS_FOLDER));
    uint64_t total = 0;
    for (size_t i = 0; i < rows; ++i) {
        const DescribedRow& row = description.rows[i];
        Require(FitsField(row.fileName, sizeof(FileEntry::fileName)));
        Require(FitsField(row.shortcutName, sizeof(FileEntry::shortcutName)));
        Require(!row.resourceName.empty() && row.resourceName.size() < sizeof(FileEntry::resourceName));
        Require((row.flags & ~static_cast<uint32_t>(FILE_KNOWN_FLAGS)) == 0);
        Require(!row.source.empty());
        Require((static_cast<int>(i) < description.shortcutCount) == (row.shortcutName != "-"));
        total += row.fileSize;
    }
    Require(total <= UINT32_MAX);
}

// The text as the installer reads it back from the manifest image: up to its NUL, inside its field.
bool FieldHolds(const std::vector<uint8_t>& image, size_t offset, size_t width, const std::string& text) {
    size_t length = 0;
    while (length < width && image[offset + length] != 0) ++length;
    return length < width && text.compare(0, std::string::npos, reinterpret_cast<const char*>(&image[offset]),
                                          length) == 0;
}

void CheckImage(const ProductDescription& description, const std::vector<uint8_t>& image) {
    Require(image.size() == ManifestSize(description.rows.size()));
    Require(FieldHolds(image, 0, sizeof(ProductInfo::productName), description.productName));
    Require(FieldHolds(image, 20, sizeof(ProductInfo::version), description.version));
    Require(FieldHolds(image, 30, sizeof(ProductInfo::tagline), description.tagline));
    Require(FieldHolds(image, 90, sizeof(ProductInfo::publisher), description.publisher));
    Require(FieldHolds(image, 110, sizeof(ProductInfo::homePageUrl), description.homePageUrl));
    for (size_t i = 0; i < description.rows.size(); ++i) {
        const size_t at = sizeof(ProductInfo) + sizeof(FileEntry) * i;
        Require(FieldHolds(image, at, sizeof(FileEntry::fileName), description.rows[i].fileName));
        Require(FieldHolds(image, at + 28, sizeof(FileEntry::resourceName), description.rows[i].resourceName));
        Require(FieldHolds(image, at + 44, sizeof(FileEntry::shortcutName), description.rows[i].shortcutName));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    Diagnostics diagnostics;
    ProductDescription description;
    const bool accepted = ParseDescription(text, "fuzz.product", description, diagnostics);
    Require(accepted != diagnostics.HasErrors());
    for (const Diagnostic& diagnostic : diagnostics.items) {
        Require(!diagnostic.message.empty() && diagnostic.line >= 0);
        (void)FormatDiagnostic(diagnostic);
    }
    if (!accepted) return 0;

    CheckAccepted(description);
    std::vector<PackedRow> packed(description.rows.size(), PackedRow{1, 0});
    CheckImage(description, ManifestImage(description, packed));
    Require(ProductResource(description, packed).size() == ProductResourceSize(description.rows.size()));
    (void)ResourceScript(description, {}, "installer.manifest");
    // The uninstaller's list of what it accepts is written, and read back as the uninstaller reads it.
    std::vector<uint8_t> record;
    Diagnostics listDiagnostics;
    const std::vector<std::vector<uint8_t>> files(description.rows.size());
    const bool listed = InstalledRecord(description, files, record, listDiagnostics);
    Require(listed != listDiagnostics.HasErrors());
    static InstalledProduct list;
    Require(!listed || (ReadInstalledRecord(record.data(), record.size(), list) &&
                        list.fileCount == static_cast<int>(description.rows.size()) &&
                        list.shortcutCount == description.shortcutCount && description.productName == list.productName));
    return 0;
}
