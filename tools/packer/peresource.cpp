#include "peresource.h"

namespace {

// Little-endian reads that fail instead of reading past the image.
struct Image {
    const std::vector<uint8_t>& bytes;

    bool Has(size_t offset, size_t count) const { return offset <= bytes.size() && count <= bytes.size() - offset; }
    bool U16(size_t offset, uint32_t& value) const {
        if (!Has(offset, 2)) return false;
        value = bytes[offset] | uint32_t(bytes[offset + 1]) << 8;
        return true;
    }
    bool U32(size_t offset, uint32_t& value) const {
        if (!Has(offset, 4)) return false;
        value = bytes[offset] | uint32_t(bytes[offset + 1]) << 8 | uint32_t(bytes[offset + 2]) << 16 |
                uint32_t(bytes[offset + 3]) << 24;
        return true;
    }
};

struct Section {
    uint32_t virtualAddress;
    uint32_t virtualSize;
    uint32_t rawSize;
    uint32_t rawOffset;
};

// File offset of `count` bytes at a relative virtual address, inside the raw data of one section.
bool RvaToOffset(const std::vector<Section>& sections, uint32_t rva, uint32_t count, size_t& offset) {
    for (const Section& section : sections) {
        const uint64_t start = section.virtualAddress;
        const uint64_t end = start + section.rawSize;
        if (rva >= start && uint64_t{rva} + count <= end) {
            offset = size_t{section.rawOffset} + (rva - section.virtualAddress);
            return true;
        }
    }
    return false;
}

enum : uint32_t { HighBit = 0x80000000u, RcDataType = 10 };

// The directory entry at `directory` (an offset into the resource section's file data) whose id
// is `id` or, with `name` given, whose name is `name`. Returns the entry's target field.
bool FindEntry(const Image& image, size_t sectionStart, size_t sectionSize, size_t directory, const std::string* name,
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
    const Image image{bytes};
    uint32_t peOffset = 0, signature = 0, magic = 0;
    if (!image.U16(0, magic) || magic != 0x5A4D || !image.U32(0x3C, peOffset) || !image.U32(peOffset, signature) ||
        signature != 0x00004550) {
        failure = "not a Windows program (no MZ and PE headers)";
        return false;
    }
    const size_t coff = size_t{peOffset} + 4;
    uint32_t sectionCount = 0, optionalSize = 0, optionalMagic = 0;
    if (!image.U16(coff + 2, sectionCount) || !image.U16(coff + 16, optionalSize) ||
        !image.U16(coff + 20, optionalMagic)) {
        failure = "the PE header is cut short";
        return false;
    }
    const size_t optional = coff + 20;
    // The data directories start at 96 in PE32 and at 112 in PE32+; entry 2 is the resources.
    const size_t directories = optional + (optionalMagic == 0x20B ? 112 : 96);
    uint32_t resourceRva = 0, resourceSize = 0, directoryCount = 0;
    if ((optionalMagic != 0x10B && optionalMagic != 0x20B) ||
        !image.U32(directories - 4, directoryCount) || directoryCount < 3 ||
        directories + 3 * 8 > optional + optionalSize || !image.U32(directories + 16, resourceRva) ||
        !image.U32(directories + 20, resourceSize) || resourceRva == 0) {
        failure = "the program has no resource directory";
        return false;
    }

    std::vector<Section> sections;
    const size_t table = optional + optionalSize;
    for (uint32_t i = 0; i < sectionCount; ++i) {
        const size_t at = table + 40 * size_t{i};
        Section section = {};
        if (!image.U32(at + 8, section.virtualSize) || !image.U32(at + 12, section.virtualAddress) ||
            !image.U32(at + 16, section.rawSize) || !image.U32(at + 20, section.rawOffset) ||
            !image.Has(section.rawOffset, section.rawSize)) {
            failure = "the section table is cut short or points outside the file";
            return false;
        }
        sections.push_back(section);
    }

    size_t root = 0;
    if (!RvaToOffset(sections, resourceRva, 16, root)) {
        failure = "the resource directory lies outside the sections";
        return false;
    }
    // Offsets inside the directory count from its start, within the section's raw data.
    size_t sectionSize = 0;
    for (const Section& section : sections) {
        if (resourceRva >= section.virtualAddress && resourceRva - section.virtualAddress < section.rawSize) {
            sectionSize = section.rawSize - (resourceRva - section.virtualAddress);
        }
    }
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
        !RvaToOffset(sections, dataRva, dataSize, dataOffset)) {
        failure = "the data of resource " + name + " lies outside the file";
        return false;
    }
    location = {dataOffset, dataSize};
    return true;
}
