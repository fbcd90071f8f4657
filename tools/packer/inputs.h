// Finding and reading the files that a description names, and checking them against it.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "description.h"

struct LoadedInputs {
    std::vector<std::vector<uint8_t>> files;  // one per row, in row order
    std::vector<std::string> filePaths;       // where each was found
    std::vector<uint8_t> license;
    std::string licensePath;
};

// Where a relative path of the description is looked for: each of inputFolders in order, then
// the description's own folder. An absolute path is taken as it is. Empty when nothing is there.
std::string FindInput(const std::string& name, const std::vector<std::string>& inputFolders,
                      const std::string& descriptionPath);

// Reads every row's source and the licence text; checks sizes and kinds. False when any is refused.
bool LoadInputs(const ProductDescription& description, const std::vector<std::string>& inputFolders,
                LoadedInputs& out, Diagnostics& diagnostics);

// 7-bit text whose lines all end in CR LF, the last one included; reports the first fault found
// at its line of `file`.
bool CheckCrLfText(const std::vector<uint8_t>& bytes, const std::string& file, Diagnostics& diagnostics);
