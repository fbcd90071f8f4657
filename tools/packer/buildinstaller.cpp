#include "buildinstaller.h"

#include <stdio.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "builduninstaller.h"
#include "crc32.h"
#include "embedded.h"
#include "installedrecord.h"
#include "manifest.h"
#include "outputs.h"
#include "packer.h"
#include "replaceresources.h"
#include "resourceencode.h"

namespace {

// Resource types the packer writes or replaces.
enum : uint16_t {
    RESOURCE_ICON = 3,
    RESOURCE_BITMAP = 2,
    RESOURCE_DIALOG = 5,
    RESOURCE_GROUP_ICON = 14,
};

// The welcome page's template: every installer has it.
const uint16_t WelcomeDialog = 1001;
// The application manifest and the version information are resource 1 of their types.
const uint16_t ProgramResource = 1;
// A bitmap file's header, which a bitmap resource leaves out.
const size_t BitmapFileHeaderSize = 14;

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

ResourceEntry Entry(uint16_t type, const ResourceId& name, std::vector<uint8_t> data) {
    return {ResourceId::Number(type), name, ProductLanguage, 0, std::move(data)};
}

bool Is(const ResourceEntry& entry, uint16_t type, uint16_t name) {
    return entry.type == ResourceId::Number(type) && entry.name == ResourceId::Number(name);
}

uint32_t Read16(const std::vector<uint8_t>& data, size_t at) { return data[at] | data[at + 1] << 8; }

uint32_t Read32(const std::vector<uint8_t>& data, size_t at) {
    return Read16(data, at) | static_cast<uint32_t>(Read16(data, at + 2)) << 16;
}

// An icon file as the resource compiler stores it: one RT_ICON per image, numbered from
// firstImage, and the group that lists them with the planes and colour depth they declare.
bool IconEntries(const std::vector<uint8_t>& file, uint16_t group, uint16_t firstImage,
                 std::vector<ResourceEntry>& entries, std::string& failure) {
    const size_t headerSize = 6, fileEntrySize = 16, groupEntrySize = 14;
    const size_t count = file.size() >= headerSize ? Read16(file, 4) : 0;
    if (count == 0 || file.size() < headerSize + fileEntrySize * count || firstImage + count > 0xFFFF) {
        failure = "the icon's directory is cut short";
        return false;
    }
    std::vector<uint8_t> directory(file.begin(), file.begin() + headerSize);
    for (size_t i = 0; i < count; ++i) {
        const size_t at = headerSize + fileEntrySize * i;
        const uint32_t size = Read32(file, at + 8), offset = Read32(file, at + 12);
        if (offset > file.size() || size > file.size() - offset) {
            failure = "an image of the icon lies outside the file";
            return false;
        }
        const uint16_t id = static_cast<uint16_t>(firstImage + i);
        entries.push_back(Entry(RESOURCE_ICON, ResourceId::Number(id),
                                std::vector<uint8_t>(file.begin() + offset, file.begin() + offset + size)));
        // Width, height, colours, reserved, planes, bit count and size as the file has them; a
        // plane count of 0 counts as 1, a bit count of 0 follows from the colours.
        std::vector<uint8_t> item(file.begin() + at, file.begin() + at + groupEntrySize);
        item[3] = 0;
        if (Read16(item, 4) == 0) item[4] = 1;
        if (Read16(item, 6) == 0) {
            uint32_t bits = 0;
            while ((1u << bits) < item[2]) ++bits;
            item[6] = static_cast<uint8_t>(bits);
        }
        item[12] = static_cast<uint8_t>(id);
        item[13] = static_cast<uint8_t>(id >> 8);
        directory.insert(directory.end(), item.begin(), item.end());
    }
    entries.push_back(Entry(RESOURCE_GROUP_ICON, ResourceId::Number(group), std::move(directory)));
    return true;
}

// The images an icon group lists (none when the group is malformed).
std::vector<uint16_t> GroupImages(const std::vector<uint8_t>& group) {
    std::vector<uint16_t> images;
    const size_t count = group.size() >= 6 ? Read16(group, 4) : 0;
    for (size_t i = 0; i < count && 6 + 14 * (i + 1) <= group.size(); ++i) {
        images.push_back(static_cast<uint16_t>(Read16(group, 6 + 14 * i + 12)));
    }
    return images;
}

std::vector<uint8_t> ReadWholeFile(const std::string& path, bool& good) {
    std::ifstream file(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    good = file.is_open() && !file.bad();
    return bytes;
}

// Every file the run read, as a depfile for the installer: a change to any of them makes it again.
std::string BuildDependencies(const BuildOptions& options, const LoadedInputs& inputs) {
    std::error_code error;
    std::vector<std::string> read{std::filesystem::absolute(options.description, error).string()};
    // Row 0's path names the product-free uninstaller it was made from, or says it is the carried one.
    for (const std::string& path : inputs.filePaths) {
        if (std::filesystem::exists(path, error)) read.push_back(std::filesystem::absolute(path, error).string());
    }
    read.push_back(std::filesystem::absolute(inputs.licensePath, error).string());
    for (const std::string& path : inputs.artPaths) read.push_back(std::filesystem::absolute(path, error).string());
    if (!options.base.empty()) read.push_back(std::filesystem::absolute(options.base, error).string());
    return DependencyFile(std::filesystem::absolute(options.output, error).string(), read);
}

double Seconds(std::chrono::steady_clock::duration duration) {
    return std::chrono::duration_cast<std::chrono::duration<double>>(duration).count();
}

}  // namespace

bool ProductEntries(const ProductDescription& description, const LoadedInputs& inputs,
                    const std::vector<std::vector<uint8_t>>& streams, const std::vector<uint8_t>& product,
                    std::vector<ResourceEntry>& entries, std::string& failure) {
    entries.clear();
    for (size_t i = 0; i < description.rows.size(); ++i) {
        entries.push_back(Entry(RESOURCE_RAW_DATA, ResourceId::Text(description.rows[i].resourceName), streams[i]));
    }
    entries.push_back(Entry(RESOURCE_RAW_DATA, ResourceId::Text("LICENSE"), inputs.license));
    entries.push_back(Entry(RESOURCE_RAW_DATA, ResourceId::Text("PRODUCT"), product));
    std::vector<uint8_t> version;
    if (!EncodeStringTable(InstallerTexts(description), ProductLanguage, entries, failure) ||
        !EncodeVersionInfo(InstallerVersionInfo(description), version, failure)) {
        return false;
    }
    entries.push_back(Entry(RESOURCE_VERSION, ResourceId::Number(ProgramResource), std::move(version)));
    entries.push_back(Entry(RESOURCE_MANIFEST, ResourceId::Number(ProgramResource), Bytes(InstallerManifest(description))));
    return true;
}

bool InstallerEntries(const std::vector<ResourceEntry>& base, const ProductDescription& description,
                      const LoadedInputs& inputs, const std::vector<ResourceEntry>& product,
                      std::vector<ResourceEntry>& entries, std::string& failure) {
    const uint16_t productBlock = IDS_PRODUCT_SUPPORT_EMAIL / 16 + 1;
    bool installer = false;
    for (const ResourceEntry& entry : base) {
        if (entry.type == ResourceId::Number(RESOURCE_RAW_DATA) || Is(entry, RESOURCE_STRING, productBlock)) {
            failure = "already holds a product";
            return false;
        }
        installer = installer || Is(entry, RESOURCE_DIALOG, WelcomeDialog);
    }
    if (!installer) {
        failure = "not an installer (it has no welcome page)";
        return false;
    }

    // What the product replaces: the application manifest, the version information, the art it names.
    std::vector<std::pair<uint16_t, uint16_t>> replaced = {{RESOURCE_MANIFEST, ProgramResource},
                                                           {RESOURCE_VERSION, ProgramResource}};
    for (const DescribedArt& art : description.art) {
        const ArtSlot& slot = ArtSlots[art.slot];
        replaced.push_back({slot.icon ? RESOURCE_GROUP_ICON : RESOURCE_BITMAP, slot.resourceId});
        for (const ResourceEntry& entry : base) {
            if (!slot.icon || !Is(entry, RESOURCE_GROUP_ICON, slot.resourceId)) continue;
            for (uint16_t image : GroupImages(entry.data)) replaced.push_back({RESOURCE_ICON, image});
        }
    }
    entries.clear();
    uint32_t lastImage = 0;
    for (const ResourceEntry& entry : base) {
        const bool dropped = std::any_of(replaced.begin(), replaced.end(), [&](const auto& r) {
            return Is(entry, r.first, r.second);
        });
        if (dropped) continue;
        entries.push_back(entry);
        if (entry.type == ResourceId::Number(RESOURCE_ICON) && !entry.name.IsText()) {
            lastImage = std::max<uint32_t>(lastImage, entry.name.number);
        }
    }

    for (size_t i = 0; i < description.art.size(); ++i) {
        const ArtSlot& slot = ArtSlots[description.art[i].slot];
        const std::vector<uint8_t>& file = inputs.art[i];
        if (slot.icon) {
            const size_t before = entries.size();
            if (!IconEntries(file, slot.resourceId, static_cast<uint16_t>(lastImage + 1), entries, failure)) {
                failure = inputs.artPaths[i] + ": " + failure;
                return false;
            }
            lastImage += static_cast<uint32_t>(entries.size() - before - 1);
        } else {
            // CheckArt has made sure of the bitmap file's header.
            entries.push_back(Entry(RESOURCE_BITMAP, ResourceId::Number(slot.resourceId),
                                    std::vector<uint8_t>(file.begin() + BitmapFileHeaderSize, file.end())));
        }
    }
    entries.insert(entries.end(), product.begin(), product.end());
    return OrderResourceEntries(entries, failure);
}

int RunBuild(const BuildOptions& options, std::ostream& out, std::ostream& err) {
    const auto started = std::chrono::steady_clock::now();
    Diagnostics diagnostics;
    ProductDescription description;
    LoadedInputs inputs;
    std::vector<uint8_t> base;
    std::vector<ResourceEntry> baseEntries, product, entries;
    std::vector<std::vector<uint8_t>> streams;
    std::vector<PackedRow> packed;
    std::vector<uint8_t> installer;
    std::string failure;
    std::chrono::steady_clock::duration compressing{};

    // Row 0 is made from a product-free uninstaller: the one named, or else, when no finished
    // uninstaller is named either, the one this packer carries.
    const bool fromBase = !options.uninstallerBase.empty() ||
                          (options.uninstaller.empty() && EmbeddedUninstallerBase().bytes != nullptr);
    bool good = ReadDescription(options.description, description, diagnostics) &&
                LoadInputs(description, options.inputs, inputs, diagnostics, options.uninstaller,
                           fromBase ? BuiltUninstallerRow::Skipped : BuiltUninstallerRow::Required);
    const bool builtUninstaller = good && description.rows[UninstallerRow].source == BuiltUninstallerSource;
    std::vector<uint8_t> list;
    if (builtUninstaller && options.installedList) {
        good = InstalledRecord(description, inputs.files, list, diagnostics);
    } else if (good && options.installedList) {
        diagnostics.Error(description.path, description.rows[UninstallerRow].sourceLine,
                          "the list is the uninstaller's: row 0's source must be " + std::string(BuiltUninstallerSource));
        good = false;
    }
    if (good && builtUninstaller && fromBase) {
        std::vector<uint8_t> uninstaller;
        good = BuildUninstaller(description, inputs.files, options.uninstallerBase, uninstaller, diagnostics);
        inputs.files[UninstallerRow] = std::move(uninstaller);
        inputs.filePaths[UninstallerRow] =
            options.uninstallerBase.empty() ? "the packer's own product-free uninstaller" : options.uninstallerBase;
    }
    if (good && !options.uninstallerOutput.empty() && !builtUninstaller) {
        diagnostics.Error(options.uninstallerOutput, 0, "row 0 is no uninstaller that the packer makes");
        good = false;
    }
    if (good && !options.base.empty()) {
        base = ReadWholeFile(options.base, good);
        if (!good) diagnostics.Error(options.base, 0, "cannot be read");
    } else if (good) {
        const EmbeddedProgram carried = EmbeddedInstallerBase();
        base.assign(carried.bytes, carried.bytes + carried.size);
        if (base.empty()) {
            diagnostics.Error(options.output, 0, "this packer carries no product-free installer: name one with --base");
            good = false;
        }
    }
    if (good && !(ReadResourceTree(base, baseEntries, failure) && InstallerEntries(baseEntries, description, inputs, {},
                                                                                    entries, failure))) {
        diagnostics.Error(options.base, 0, "not a product-free installer: " + failure);
        good = false;
    }
    if (good) {
        const auto compressStart = std::chrono::steady_clock::now();
        good = CompressRows(description, inputs, streams, packed, diagnostics);
        compressing = std::chrono::steady_clock::now() - compressStart;
    }
    if (good) {
        good = ProductEntries(description, inputs, streams, ProductResource(description, packed), product, failure);
        if (good && !list.empty()) {
            product.push_back(Entry(RESOURCE_RAW_DATA, ResourceId::Text(InstalledResourceName), list));
        }
        good = good && InstallerEntries(baseEntries, description, inputs, product, entries, failure) &&
               ReplaceResources(base, entries, installer, failure);
        if (!good) diagnostics.Error(options.output, 0, failure);
    }
    std::vector<OutputFile> outputs;
    if (good) {
        outputs.push_back({options.output, std::string(installer.begin(), installer.end())});
        const std::vector<uint8_t>& uninstaller = inputs.files[UninstallerRow];
        if (!options.uninstallerOutput.empty()) {
            outputs.push_back({options.uninstallerOutput, std::string(uninstaller.begin(), uninstaller.end())});
        }
        if (!options.depfile.empty()) outputs.push_back({options.depfile, BuildDependencies(options, inputs)});
    }
    std::vector<std::string> changed;
    good = good && CommitOutputs(outputs, changed, diagnostics);
    for (const Diagnostic& diagnostic : diagnostics.items) err << FormatDiagnostic(diagnostic) << "\n";
    if (!good) return 1;

    PrintSizes(description, inputs, packed, out);
    const double total = Seconds(std::chrono::steady_clock::now() - started);
    char line[160];
    snprintf(line, sizeof line, "  %zu bytes written to %s in %.1f ms, %.1f ms of it compressing\n",
             installer.size(), options.output.c_str(), 1000 * total, 1000 * Seconds(compressing));
    out << line;
    return 0;
}
