// libFuzzer target for the packer's resource tree reader and what it feeds. An input is a program
// image. Reading its tree must never crash and must give a reason when it refuses. A tree it
// accepts must lay out as a section, and when the image lets its resources be replaced, the copy
// must read back as the same tree, every raw-data resource must be where the finder the build
// uses looks for it, and replacing them again must give the same bytes.
#include <stdint.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "peresource.h"
#include "replaceresources.h"
#include "resourcesection.h"
#include "resourcetree.h"

namespace {

void Require(bool condition) {
    if (!condition) abort();
}

// The finder compares names byte for byte and takes a name's first language.
void CheckFound(const std::vector<uint8_t>& image, const std::vector<ResourceEntry>& entries) {
    const ResourceEntry* previous = nullptr;
    for (const ResourceEntry& entry : entries) {
        const bool first = previous == nullptr || !(previous->type == entry.type && previous->name == entry.name);
        previous = &entry;
        if (!first || !(entry.type == ResourceId::Number(RESOURCE_RAW_DATA)) || !entry.name.IsText()) continue;
        ResourceLocation location = {};
        std::string failure;
        Require(FindRcDataResource(image, std::string(entry.name.text.begin(), entry.name.text.end()), location,
                                   failure));
        Require(location.size == entry.data.size() &&
                std::equal(entry.data.begin(), entry.data.end(), image.begin() + static_cast<std::ptrdiff_t>(location.fileOffset)));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> image(data, data + size);
    std::vector<ResourceEntry> entries;
    std::string failure;
    if (!ReadResourceTree(image, entries, failure)) {
        Require(!failure.empty() && entries.empty());
        return 0;
    }
    std::vector<uint8_t> section;
    Require(BuildResourceSection(entries, 0x1000, section, failure));

    std::vector<uint8_t> copy, again;
    std::vector<ResourceEntry> reread;
    if (!ReplaceResources(image, entries, copy, failure)) {
        Require(!failure.empty());
        return 0;
    }
    Require(ReadResourceTree(copy, reread, failure) && reread == entries);
    CheckFound(copy, entries);
    Require(ReplaceResources(copy, entries, again, failure) && again == copy);
    return 0;
}
