#include "builduninstaller.h"

#include <fstream>
#include <iterator>

#include "embedded.h"
#include "codegen.h"
#include "installedrecord.h"
#include "manifest_records.h"
#include "peimage.h"
#include "replaceresources.h"
#include "resourcetree.h"

namespace {

// The application manifest is resource 1 of its type.
const uint16_t ManifestResource = 1;
// The uninstaller speaks in message boxes only: a dialog template is an installer's page.
const uint16_t DialogType = 5;

// The base's resources with the product's list added and its application manifest replaced.
// False, with the reason, when the base already holds a list (or any raw data), has dialogs (an
// installer) or has no manifest.
bool UninstallerEntries(const std::vector<ResourceEntry>& base, const ProductDescription& description,
                        const std::vector<uint8_t>& record, std::vector<ResourceEntry>& entries,
                        std::string& failure) {
    const std::string manifest = UninstallerManifest(description);
    bool hadManifest = false;
    entries.clear();
    for (const ResourceEntry& entry : base) {
        if (entry.type == ResourceId::Number(RESOURCE_RAW_DATA)) {
            failure = "already holds a product";
            return false;
        }
        if (entry.type == ResourceId::Number(DialogType)) {
            failure = "it has dialogs, as the installer has";
            return false;
        }
        if (entry.type == ResourceId::Number(RESOURCE_MANIFEST) && entry.name == ResourceId::Number(ManifestResource)) {
            hadManifest = true;
            continue;
        }
        entries.push_back(entry);
    }
    if (!hadManifest) {
        failure = "it has no application manifest";
        return false;
    }
    entries.push_back({ResourceId::Number(RESOURCE_MANIFEST), ResourceId::Number(ManifestResource), ProductLanguage,
                       0, std::vector<uint8_t>(manifest.begin(), manifest.end())});
    entries.push_back({ResourceId::Number(RESOURCE_RAW_DATA), ResourceId::Text(InstalledResourceName),
                       ProductLanguage, 0, record});
    return OrderResourceEntries(entries, failure);
}

}  // namespace

bool BuildUninstaller(const ProductDescription& description, const std::vector<std::vector<uint8_t>>& files,
                      const std::string& basePath, std::vector<uint8_t>& uninstaller, Diagnostics& diagnostics) {
    std::vector<uint8_t> record;
    if (!InstalledRecord(description, files, record, diagnostics)) return false;

    std::vector<uint8_t> base;
    const std::string baseName = basePath.empty() ? "the packer's own product-free uninstaller" : basePath;
    if (basePath.empty()) {
        const EmbeddedProgram carried = EmbeddedUninstallerBase();
        base.assign(carried.bytes, carried.bytes + carried.size);
    } else {
        std::ifstream file(basePath, std::ios::binary);
        base.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        if (!file.is_open() || file.bad()) {
            diagnostics.Error(basePath, 0, "cannot be read");
            return false;
        }
    }
    std::vector<ResourceEntry> baseEntries, entries;
    std::string failure;
    if (!ReadResourceTree(base, baseEntries, failure) ||
        !UninstallerEntries(baseEntries, description, record, entries, failure) ||
        !ReplaceResources(base, entries, uninstaller, failure)) {
        diagnostics.Error(baseName, 0, "not a product-free uninstaller: " + failure);
        return false;
    }

    const DescribedRow& row = description.rows[UninstallerRow];
    if (uninstaller.size() > row.fileSize) {
        diagnostics.Error(description.path, row.sizeLine,
                          baseName + " with the product written into it is " + std::to_string(uninstaller.size()) +
                              " bytes, more than the " + std::to_string(row.fileSize) + " bytes of " + row.fileName);
        return false;
    }
    // Zero bytes after the image are an overlay, which the loader ignores; the checksum counts them.
    uninstaller.resize(row.fileSize, 0);
    PeHeaders headers;
    if (!ReadPeHeaders(uninstaller, headers, failure)) {
        diagnostics.Error(baseName, 0, failure);
        return false;
    }
    PutU32(uninstaller, headers.optionalOffset + OPTIONAL_CHECKSUM, PeChecksum(uninstaller, headers));
    return true;
}
