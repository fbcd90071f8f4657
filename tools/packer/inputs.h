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
    std::vector<std::vector<uint8_t>> art;  // one per DescribedArt, in the description's order
    std::vector<std::string> artPaths;
};

// Where a relative path of the description is looked for: the description's own folder, then
// each of inputFolders in order. An absolute path is taken as it is. Empty when nothing is there.
std::string FindInput(const std::string& name, const std::vector<std::string>& inputFolders,
                      const std::string& descriptionPath);

// What to do with a row whose source is BuiltUninstallerSource.
enum class BuiltUninstallerRow {
    Required,  // it must be read from builtUninstaller
    Skipped,   // it is not built yet: its entry of files stays empty
};

// Reads every row's source, the licence text and the art; checks sizes, kinds and the art's
// shapes. A row 0 whose source is BuiltUninstallerSource reads builtUninstaller, the project's
// uninstaller as built for this description, unless builtRow skips it. False when anything is refused.
bool LoadInputs(const ProductDescription& description, const std::vector<std::string>& inputFolders,
                LoadedInputs& out, Diagnostics& diagnostics, const std::string& builtUninstaller = std::string(),
                BuiltUninstallerRow builtRow = BuiltUninstallerRow::Required);

// Reads and checks every row's source as LoadInputs does, into files and filePaths only.
bool LoadRowFiles(const ProductDescription& description, const std::vector<std::string>& inputFolders,
                  LoadedInputs& out, Diagnostics& diagnostics, const std::string& builtUninstaller,
                  BuiltUninstallerRow builtRow);

// A bitmap or icon that can stand in for the installer's art of that slot; the reason otherwise.
bool CheckArt(const std::vector<uint8_t>& bytes, const ArtSlot& slot, std::string& reason);

// 7-bit text whose lines all end in CR LF, the last one included; reports the first fault found
// at its line of `file`.
bool CheckCrLfText(const std::vector<uint8_t>& bytes, const std::string& file, Diagnostics& diagnostics);
