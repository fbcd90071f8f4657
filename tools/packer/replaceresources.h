// Writing a new resource section into a copy of a program image.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "resourcetree.h"

// `image` (a 32-bit PE program) with its resources replaced by `entries`: the resource section
// rewritten in place (or added before the base relocations when there is none), the sections
// after it moved up or down with the data directories that point into them, the section table,
// the image size, the size of initialized data, the resource directory and the checksum made
// consistent, and any certificate removed. Every other byte is kept. False, with the reason, when
// the image is not such a program or something after its resource section could not be moved
// safely: only sections the loader may discard, with nothing but the base relocations pointing in,
// no relocation aimed at them, and no debug data or symbol table behind them in the file.
bool ReplaceResources(const std::vector<uint8_t>& image, const std::vector<ResourceEntry>& entries,
                      std::vector<uint8_t>& result, std::string& failure);
