// Laying out a complete resource section from a list of resources.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "resourcetree.h"

// The bytes of a resource section for `entries` (in any order), to be placed at relative virtual
// address `rva`: the directory tables (root, then every type's, then every name's), the data
// entries, the names as counted UTF-16 strings, then each resource's data 8-byte aligned. The same
// entries give the same bytes. False, with the reason, when OrderResourceEntries refuses the
// entries or they do not fit a section's 31-bit offsets.
bool BuildResourceSection(std::vector<ResourceEntry> entries, uint32_t rva, std::vector<uint8_t>& section,
                          std::string& failure);
