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
    std::string places;
    for (const std::string& folder : inputFolders) places += folder + ", ";
    const fs::path own = fs::path(descriptionPath).parent_path();
    return places + (own.empty() ? std::string(".") : own.string());
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
    for (const std::string& folder : inputFolders) {
        const fs::path candidate = fs::path(folder) / relative;
        if (fs::is_regular_file(candidate, error)) return candidate.string();
    }
    const fs::path candidate = fs::path(descriptionPath).parent_path() / relative;
    return fs::is_regular_file(candidate, error) ? candidate.string() : std::string();
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

bool LoadInputs(const ProductDescription& description, const std::vector<std::string>& inputFolders,
                LoadedInputs& out, Diagnostics& diagnostics) {
    bool good = true;
    out.files.assign(description.rows.size(), {});
    out.filePaths.assign(description.rows.size(), {});
    for (size_t i = 0; i < description.rows.size(); ++i) {
        const DescribedRow& row = description.rows[i];
        std::vector<uint8_t>& bytes = out.files[i];
        std::string& foundAt = out.filePaths[i];
        if (!ReadInput(row.source, row.sourceLine, description, inputFolders, bytes, foundAt, diagnostics) ||
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
    if (ReadInput(description.license, description.licenseLine, description, inputFolders, out.license,
                  out.licensePath, diagnostics) &&
        CheckSize(out.license, description.licenseSize, out.licensePath, description.licenseSizeLine, description,
                  diagnostics)) {
        good = CheckCrLfText(out.license, out.licensePath, diagnostics) && good;
    } else {
        good = false;
    }
    return good;
}
