#include "peresource.h"

#include "peimage.h"

namespace {

enum : uint32_t { HighBit = 0x80000000u, RcDataType = 10 };

// The directory entry at `directory` (an offset into the resource section's file data) whose id
// is `id` or, with `name` given, whose name is `name`. Returns the entry's target field.
bool FindEntry(const ByteReader& image, size_t sectionStart, size_t sectionSize, size_t directory, const std::string* name,
               uint32_t id, uint32_t& target) {
    uint32_t named = 0, numbered = 0;
    if (!image.U16(directory + 12, named) || !image.U16(directory + 14, numbered)) return false;
    for (uint32_t i = 0; i < named + numbered; ++i) {
        const size_t entry = directory + 16 + 8 * size_t{i};
        uint32_t key = 0, value = 0;
        if (!image.U32(entry, key) || !image.U32(entry + 4, value)) return false;
        const bool isName = (key & HighBit) != 0;
        if (name == nullptr) {
            if (!isName && key == id) {
                target = value;
                return true;
            }
            continue;
        }
        if (!isName) continue;
        // A counted UTF-16 string, stored upper case by the resource compiler for names.
        const size_t text = key & ~HighBit;
        uint32_t length = 0;
        if (text >= sectionSize || !image.U16(sectionStart + text, length) || length != name->size()) continue;
        bool same = true;
        for (uint32_t c = 0; c < length && same; ++c) {
            uint32_t unit = 0;
            same = image.U16(sectionStart + text + 2 + 2 * size_t{c}, unit) &&
                   unit == static_cast<unsigned char>((*name)[c]);
        }
        if (same) {
            target = value;
            return true;
        }
    }
    return false;
}

}  // namespace

bool FindRcDataResource(const std::vector<uint8_t>& bytes, const std::string& name, ResourceLocation& location,
                        std::string& failure) {
    const ByteReader image{bytes};
    PeHeaders headers;
    if (!ReadPeHeaders(bytes, headers, failure)) return false;
    uint32_t resourceRva = 0, resourceSize = 0;
    ReadPeDirectory(bytes, headers, PE_DIRECTORY_RESOURCE, resourceRva, resourceSize);
    if (resourceRva == 0) {
        failure = "the program has no resource directory";
        return false;
    }

    size_t root = 0;
    const PeSection* section = SectionHolding(headers, resourceRva, 16, root);
    if (section == nullptr) {
        failure = "the resource directory lies outside the sections";
        return false;
    }
    // Offsets inside the directory count from its start, within the section's raw data.
    const size_t sectionSize = section->rawSize - (resourceRva - section->virtualAddress);
    uint32_t typeTarget = 0, nameTarget = 0, languageTarget = 0;
    if (!FindEntry(image, root, sectionSize, root, nullptr, RcDataType, typeTarget) || !(typeTarget & HighBit)) {
        failure = "the program has no raw-data resources";
        return false;
    }
    const size_t names = root + (typeTarget & ~HighBit);
    if ((typeTarget & ~HighBit) >= sectionSize ||
        !FindEntry(image, root, sectionSize, names, &name, 0, nameTarget) || !(nameTarget & HighBit)) {
        failure = "no raw-data resource is named " + name;
        return false;
    }
    const size_t languages = root + (nameTarget & ~HighBit);
    uint32_t languageCount = 0, namedLanguages = 0;
    if ((nameTarget & ~HighBit) >= sectionSize || !image.U16(languages + 12, namedLanguages) ||
        !image.U16(languages + 14, languageCount) || namedLanguages + languageCount == 0 ||
        !image.U32(languages + 16 + 4, languageTarget) || (languageTarget & HighBit) ||
        languageTarget >= sectionSize) {
        failure = "the resource " + name + " has no data entry";
        return false;
    }
    uint32_t dataRva = 0, dataSize = 0;
    size_t dataOffset = 0;
    if (!image.U32(root + languageTarget, dataRva) || !image.U32(root + languageTarget + 4, dataSize) ||
        SectionHolding(headers, dataRva, dataSize, dataOffset) == nullptr) {
        failure = "the data of resource " + name + " lies outside the file";
        return false;
    }
    location = {dataOffset, dataSize};
    return true;
}
