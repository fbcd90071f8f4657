// The packer's outputs: the manifest image, the product resource, the resource script, the
// uninstaller's list, the texts and application manifests.
#pragma once

#include <stdint.h>

#include <map>
#include <string>
#include <vector>

#include "description.h"
#include "resourceencode.h"

// What the packer learned about each row by compressing it.
struct PackedRow {
    uint32_t compressedSize;
    uint32_t crc32;  // of the compressed stream, as the resource holds it
};

// The manifest exactly as the installer lays it out in memory (little-endian).
std::vector<uint8_t> ManifestImage(const ProductDescription& description, const std::vector<PackedRow>& packed);

// The resource PRODUCT: the manifest image, the CRC-32 of each row's compressed stream, and the
// CRC-32 of everything before it (the layout of ProductResourceSize in manifest.h).
std::vector<uint8_t> ProductResource(const ProductDescription& description, const std::vector<PackedRow>& packed);

// One raw-data resource of the script, with what its file holds (named in a comment, so that the
// script changes whenever a payload does and the resource compiler runs again).
struct ScriptResource {
    std::string name;
    std::string file;  // absolute, '/' separated
    uint32_t size;
    uint32_t crc32;    // of the file's bytes
};

// The uninstaller's list (installedrecord.h): the product's name, its publisher and version keys,
// every installed file with its folder, size and CRC-32 (from files, one per row as LoadRowFiles
// reads them), and the shortcut names. A row built as the uninstaller itself has no CRC of its
// own bytes: it is marked for comparison with the running uninstaller instead. False, with the
// reason in diagnostics, without a file for every row or with a name the list cannot hold.
bool InstalledRecord(const ProductDescription& description, const std::vector<std::vector<uint8_t>>& files,
                     std::vector<uint8_t>& record, Diagnostics& diagnostics);

// installed.rc: the record, in the file recordFile (absolute, '/' separated), as the uninstaller's
// resource; its size and CRC-32 in a comment, so that the script changes whenever the record does.
std::string InstalledResourceScript(const std::string& recordFile, const std::vector<uint8_t>& record);

// The installer's and the uninstaller's application manifests: their identities and descriptions
// name the product.
std::string InstallerManifest(const ProductDescription& description);
std::string UninstallerManifest(const ProductDescription& description);

// The product-free installer's application manifest: the installer's, with an identity and a
// description that name no product.
std::string ProductFreeInstallerManifest();

// The product-free uninstaller's: the uninstaller's, naming no product.
std::string ProductFreeUninstallerManifest();

// The version as the four numbers of a version resource: its leading dot-separated numbers
// ("3.02" gives 3, 2, 0, 0); what does not read as a number counts 0.
std::vector<uint16_t> VersionNumbers(const std::string& version);

// The language of every resource the packer writes: U.S. English, the resource compiler's default.
enum : uint16_t { ProductLanguage = 0x409 };

// The product's texts in the installer's string table, by id (IDS_PRODUCT_* in manifest.h).
std::map<uint16_t, std::string> InstallerTexts(const ProductDescription& description);

// The installer's version information: the product's version, name and publisher.
VersionInfo InstallerVersionInfo(const ProductDescription& description);

// payloads.rc: the product's resources for the installer: resources (the payloads, the licence,
// PRODUCT), the product's texts as a string table, the version information, and
// installerManifest (a path) as the application manifest.
std::string ResourceScript(const ProductDescription& description, const std::vector<ScriptResource>& resources,
                           const std::string& installerManifest);

// A make-style dependency file: target, then every input, spaces escaped.
std::string DependencyFile(const std::string& target, const std::vector<std::string>& inputs);

// A C string literal holding text (printable ASCII only reaches here).
std::string CLiteral(const std::string& text);
