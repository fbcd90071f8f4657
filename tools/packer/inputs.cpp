#include "inputs.h"

#include <stdio.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

std::string SearchedPlaces(const std::vector<std::string>& inputFolders, const std::string& descriptionPath) {
    const fs::path own = fs::path(descriptionPath).parent_path();
    std::string places = own.empty() ? std::string(".") : own.string();
    for (const std::string& folder : inputFolders) places += ", " + folder;
    return places;
}

uint32_t Read16(const std::vector<uint8_t>& bytes, size_t at) {
    return at + 2 <= bytes.size() ? uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 : 0;
}

uint32_t Read32(const std::vector<uint8_t>& bytes, size_t at) {
    return at + 4 <= bytes.size() ? Read16(bytes, at) | Read16(bytes, at + 2) << 16 : 0;
}

// A device-independent bitmap's header at `at` (as in a .bmp after its file header, or an icon
// image): its width, height (positive, bottom-up) and colour depth, uncompressed.
bool ReadDibHeader(const std::vector<uint8_t>& bytes, size_t at, int& width, int& height, int& bitCount,
                   std::string& reason) {
    if (at + 40 > bytes.size() || Read32(bytes, at) < 40) {
        reason = "has no bitmap header";
        return false;
    }
    width = static_cast<int32_t>(Read32(bytes, at + 4));
    height = static_cast<int32_t>(Read32(bytes, at + 8));
    bitCount = static_cast<int>(Read16(bytes, at + 14));
    if (Read16(bytes, at + 12) != 1 || Read32(bytes, at + 16) != 0) {
        reason = "is compressed or has more than one plane";
        return false;
    }
    return true;
}

std::string Shape(int width, int height, int bitCount) {
    return std::to_string(width) + " by " + std::to_string(height) + " pixels, " + std::to_string(bitCount) +
           " bits per pixel";
}

// Finds and reads one input; reports a missing or unreadable one at the line that names it.
bool ReadInput(const std::string& name, int line, const ProductDescription& description,
               const std::vector<std::string>& inputFolders, std::vector<uint8_t>& bytes, std::string& foundAt,
               Diagnostics& diagnostics) {
    foundAt = FindInput(name, inputFolders, description.path);
    if (foundAt.empty()) {
        diagnostics.Error(description.path, line,
                          "\"" + name + "\" not found (looked in " +
                              SearchedPlaces(inputFolders, description.path) + ")");
        return false;
    }
    if (!ReadWholeFile(foundAt, bytes)) {
        diagnostics.Error(description.path, line, "cannot read " + foundAt);
        return false;
    }
    return true;
}

bool CheckSize(const std::vector<uint8_t>& bytes, uint32_t expected, const std::string& foundAt, int line,
               const ProductDescription& description, Diagnostics& diagnostics) {
    if (bytes.size() == expected) return true;
    diagnostics.Error(description.path, line,
                      foundAt + " is " + std::to_string(bytes.size()) + " bytes; the description says " +
                          std::to_string(expected));
    return false;
}

}  // namespace

std::string FindInput(const std::string& name, const std::vector<std::string>& inputFolders,
                      const std::string& descriptionPath) {
    std::error_code error;
    const fs::path relative(name);
    if (relative.is_absolute()) return fs::is_regular_file(relative, error) ? relative.string() : std::string();
    const fs::path beside = fs::path(descriptionPath).parent_path() / relative;
    if (fs::is_regular_file(beside, error)) return beside.string();
    for (const std::string& folder : inputFolders) {
        const fs::path candidate = fs::path(folder) / relative;
        if (fs::is_regular_file(candidate, error)) return candidate.string();
    }
    return std::string();
}

bool CheckArt(const std::vector<uint8_t>& bytes, const ArtSlot& slot, std::string& reason) {
    const std::string wanted = Shape(slot.width, slot.height, slot.bitCount);
    int width = 0, height = 0, bitCount = 0;
    if (!slot.icon) {
        if (bytes.size() < 14 || bytes[0] != 'B' || bytes[1] != 'M') {
            reason = "is not a bitmap file (no \"BM\")";
            return false;
        }
        if (!ReadDibHeader(bytes, 14, width, height, bitCount, reason)) return false;
        if (width != slot.width || height != slot.height || bitCount != slot.bitCount) {
            reason = "is " + Shape(width, height, bitCount) + "; " + slot.key + " must be " + wanted;
            return false;
        }
        return true;
    }
    const uint32_t count = Read16(bytes, 4);
    if (bytes.size() < 6 || Read16(bytes, 0) != 0 || Read16(bytes, 2) != 1 || count == 0) {
        reason = "is not an icon file";
        return false;
    }
    // The caption and the lists show the small image, the welcome page and the shortcut page the
    // large one: both must be there, in the depth the pages are drawn for.
    const int sizes[] = {slot.width, slot.width / 2};
    for (int size : sizes) {
        bool found = false;
        for (uint32_t i = 0; i < count && !found; ++i) {
            const size_t entry = 6 + 16 * size_t(i);
            if (entry + 16 > bytes.size()) break;
            const uint32_t offset = Read32(bytes, entry + 12);
            std::string ignored;
            found = ReadDibHeader(bytes, offset, width, height, bitCount, ignored) && width == size &&
                    height == 2 * size && bitCount == slot.bitCount && offset + Read32(bytes, entry + 8) <= bytes.size();
        }
        if (!found) {
            reason = "has no " + Shape(size, size, slot.bitCount) + " image";
            return false;
        }
    }
    return true;
}

bool CheckCrLfText(const std::vector<uint8_t>& bytes, const std::string& file, Diagnostics& diagnostics) {
    if (bytes.empty()) {
        diagnostics.Error(file, 0, "is empty");
        return false;
    }
    int line = 1;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const uint8_t byte = bytes[i];
        if (byte == '\r') {
            if (i + 1 == bytes.size() || bytes[i + 1] != '\n') {
                diagnostics.Error(file, line, "CR without its LF (lines end in CR LF)");
                return false;
            }
            ++i;
            ++line;
            continue;
        }
        if (byte == '\n') {
            diagnostics.Error(file, line, "LF without a CR before it (lines end in CR LF)");
            return false;
        }
        // Tabs and form feeds are ordinary in plain text; any other control byte or a byte above
        // 127 would show differently from one code page to the next.
        if (byte != '\t' && byte != '\f' && (byte < 0x20 || byte > 0x7E)) {
            char text[64];
            snprintf(text, sizeof text, "byte 0x%02X is not printable 7-bit text", byte);
            diagnostics.Error(file, line, text);
            return false;
        }
    }
    if (bytes.size() < 2 || bytes[bytes.size() - 2] != '\r' || bytes.back() != '\n') {
        diagnostics.Error(file, line, "the last line does not end in CR LF");
        return false;
    }
    return true;
}

bool LoadRowFiles(const ProductDescription& description, const std::vector<std::string>& inputFolders,
                  LoadedInputs& out, Diagnostics& diagnostics, const std::string& builtUninstaller,
                  BuiltUninstallerRow builtRow) {
    bool good = true;
    out.files.assign(description.rows.size(), {});
    out.filePaths.assign(description.rows.size(), {});
    for (size_t i = 0; i < description.rows.size(); ++i) {
        const DescribedRow& row = description.rows[i];
        std::vector<uint8_t>& bytes = out.files[i];
        std::string& foundAt = out.filePaths[i];
        const bool built = row.source == BuiltUninstallerSource;
        if (built && builtRow == BuiltUninstallerRow::Skipped) continue;
        if (built && builtUninstaller.empty()) {
            diagnostics.Error(description.path, row.sourceLine,
                              std::string(BuiltUninstallerSource) + ": the packer was not told where the built "
                              "uninstaller is (--uninstaller)");
            good = false;
            continue;
        }
        const std::string source = built ? fs::absolute(builtUninstaller).string() : row.source;
        if (!ReadInput(source, row.sourceLine, description, inputFolders, bytes, foundAt, diagnostics) ||
            !CheckSize(bytes, row.fileSize, foundAt, row.sizeLine, description, diagnostics)) {
            good = false;
            continue;
        }
        if (row.kind == PayloadKind::Text) {
            good = CheckCrLfText(bytes, foundAt, diagnostics) && good;
        } else if (row.kind == PayloadKind::Program && (bytes.size() < 2 || bytes[0] != 'M' || bytes[1] != 'Z')) {
            diagnostics.Error(description.path, row.sourceLine,
                              foundAt + " is of kind program but does not start with \"MZ\"");
            good = false;
        }
    }
    return good;
}

bool LoadInputs(const ProductDescription& description, const std::vector<std::string>& inputFolders,
                LoadedInputs& out, Diagnostics& diagnostics, const std::string& builtUninstaller,
                BuiltUninstallerRow builtRow) {
    bool good = LoadRowFiles(description, inputFolders, out, diagnostics, builtUninstaller, builtRow);
    if (ReadInput(description.license, description.licenseLine, description, inputFolders, out.license,
                  out.licensePath, diagnostics) &&
        CheckSize(out.license, description.licenseSize, out.licensePath, description.licenseSizeLine, description,
                  diagnostics)) {
        good = CheckCrLfText(out.license, out.licensePath, diagnostics) && good;
    } else {
        good = false;
    }
    out.art.assign(description.art.size(), {});
    out.artPaths.assign(description.art.size(), {});
    for (size_t i = 0; i < description.art.size(); ++i) {
        const DescribedArt& art = description.art[i];
        std::string reason;
        if (!ReadInput(art.path, art.line, description, inputFolders, out.art[i], out.artPaths[i], diagnostics)) {
            good = false;
        } else if (!CheckArt(out.art[i], ArtSlots[art.slot], reason)) {
            diagnostics.Error(description.path, art.line, out.artPaths[i] + " " + reason);
            good = false;
        }
    }
    return good;
}
