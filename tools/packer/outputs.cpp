#include "outputs.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

bool SameContent(const std::string& path, const std::string& content) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    const std::string existing((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return existing == content;
}

bool WriteWholeFile(const std::string& path, const std::string& content) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) return false;
    file.write(content.data(), static_cast<std::streamsize>(content.size()));
    file.close();
    return !file.fail();
}

}  // namespace

bool CommitOutputs(const std::vector<OutputFile>& files, std::vector<std::string>& changed,
                   Diagnostics& diagnostics) {
    const std::string suffix = ".tmp" + std::to_string(getpid());
    std::vector<const OutputFile*> pending;
    for (const OutputFile& file : files) {
        if (!SameContent(file.path, file.content)) pending.push_back(&file);
    }

    std::error_code error;
    std::vector<std::string> written;
    bool good = true;
    for (const OutputFile* file : pending) {
        const fs::path folder = fs::path(file->path).parent_path();
        if (!folder.empty()) fs::create_directories(folder, error);
        const std::string temporary = file->path + suffix;
        if (!WriteWholeFile(temporary, file->content)) {
            diagnostics.Error(temporary, 0, "cannot write");
            fs::remove(temporary, error);
            good = false;
            break;
        }
        written.push_back(temporary);
    }
    if (!good) {
        for (const std::string& temporary : written) fs::remove(temporary, error);
        return false;
    }

    changed.clear();
    for (const OutputFile* file : pending) {
        fs::rename(file->path + suffix, file->path, error);
        if (error) {
            diagnostics.Error(file->path, 0, "cannot replace: " + error.message());
            good = false;
            break;
        }
        changed.push_back(file->path);
    }
    if (!good) {
        for (const OutputFile* file : pending) fs::remove(file->path + suffix, error);
    }
    return good;
}

void RemoveStaleFiles(const std::string& folder, const std::string& extension, const std::vector<std::string>& keep) {
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.size() < extension.size() || name.compare(name.size() - extension.size(), extension.size(), extension) != 0)
            continue;
        if (std::find(keep.begin(), keep.end(), name) != keep.end()) continue;
        std::error_code ignored;
        fs::remove(it->path(), ignored);
    }
}
