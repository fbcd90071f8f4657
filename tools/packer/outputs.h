// Putting the packer's outputs in place without leaving a half-written set behind.
#pragma once

#include <string>
#include <vector>

#include "diagnostics.h"

struct OutputFile {
    std::string path;
    std::string content;
};

// Writes each file whose content differs from what is on disk (an unchanged file keeps its time,
// so nothing downstream rebuilds). Every changed file is first written in full under a temporary
// name beside it; only when all of them are written are they renamed over the old ones. On failure
// the temporary files are removed and the old outputs stay as they were. `changed` lists the
// paths that were replaced.
bool CommitOutputs(const std::vector<OutputFile>& files, std::vector<std::string>& changed,
                   Diagnostics& diagnostics);

// Removes the files in `folder` ending in `extension` that are not in `keep` (file names only).
void RemoveStaleFiles(const std::string& folder, const std::string& extension, const std::vector<std::string>& keep);
