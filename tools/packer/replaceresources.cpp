#include "replaceresources.h"

#include <string.h>

#include <algorithm>

#include "peimage.h"
#include "resourcesection.h"

namespace {

enum : uint32_t {
    MaximumSections = 96,  // the loader's limit
    DirectorySlots = 16,
    SectionHeaderSize = 40,
};

bool IsPowerOfTwo(uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

struct Directories {
    uint32_t address[DirectorySlots];
    uint32_t size[DirectorySlots];
    uint32_t count;

    // True when a directory other than `except` (and the certificate's, a file offset) points into
    // the memory of `section`.
    bool PointsInto(const PeSection& section, uint32_t except) const {
        for (uint32_t slot = 0; slot < count; ++slot) {
            if (slot == except || slot == PE_DIRECTORY_CERTIFICATE || address[slot] == 0) continue;
            if (address[slot] >= section.virtualAddress && address[slot] < SectionEnd(section)) return true;
        }
        return false;
    }
};

// The base relocations must aim below `limit`: a fix-up of an address in a moved section would
// land on the wrong bytes.
bool RelocationsStayBelow(const std::vector<uint8_t>& image, const PeHeaders& headers, const Directories& directories,
                          uint32_t limit, std::string& failure) {
    const uint32_t rva = directories.address[PE_DIRECTORY_RELOCATION];
    const uint32_t size = directories.size[PE_DIRECTORY_RELOCATION];
    if (rva == 0) return true;
    const ByteReader reader{image};
    size_t at = 0;
    failure = "the base relocations cannot be read";
    if (SectionHolding(headers, rva, size, at) == nullptr) return false;
    for (size_t block = 0; block < size;) {
        uint32_t page = 0, blockSize = 0;
        if (size - block < 8 || !reader.U32(at + block, page) || !reader.U32(at + block + 4, blockSize) ||
            blockSize < 8 || blockSize % 2 != 0 || blockSize > size - block) {
            return false;
        }
        for (size_t entry = 8; entry < blockSize; entry += 2) {
            uint32_t value = 0;
            reader.U16(at + block + entry, value);
            if ((value >> 12) != 0 && uint64_t{page} + (value & 0xFFF) >= limit) {
                failure = "a base relocation is aimed at a section that would move";
                return false;
            }
        }
        block += blockSize;
    }
    return true;
}

// Debug data of a section that stays must not lie in the part of the file that is rewritten.
bool DebugDataStaysBefore(const std::vector<uint8_t>& image, const PeHeaders& headers, const Directories& directories,
                          uint64_t limit, std::string& failure) {
    const uint32_t rva = directories.address[PE_DIRECTORY_DEBUG];
    const uint32_t size = directories.size[PE_DIRECTORY_DEBUG];
    if (rva == 0) return true;
    const ByteReader reader{image};
    size_t at = 0;
    if (SectionHolding(headers, rva, size, at) == nullptr) {
        failure = "the debug directory cannot be read";
        return false;
    }
    for (size_t entry = 0; entry + 28 <= size; entry += 28) {
        uint32_t dataSize = 0, dataOffset = 0;
        reader.U32(at + entry + 16, dataSize);
        reader.U32(at + entry + 24, dataOffset);
        if (dataSize != 0 && uint64_t{dataOffset} + dataSize > limit) {
            failure = "debug data lies behind the resources in the file";
            return false;
        }
    }
    return true;
}

}  // namespace

bool ReplaceResources(const std::vector<uint8_t>& image, const std::vector<ResourceEntry>& entries,
                      std::vector<uint8_t>& result, std::string& failure) {
    const auto fail = [&failure](const std::string& reason) {
        failure = reason;
        return false;
    };
    PeHeaders headers;
    if (!ReadPeHeaders(image, headers, failure)) return false;
    if (headers.pe32Plus) return fail("only a 32-bit program's resources can be replaced");
    if (headers.directoryCount <= PE_DIRECTORY_DEBUG) return fail("the program has too few data directories");
    if (!IsPowerOfTwo(headers.fileAlignment) || headers.fileAlignment < 512 ||
        headers.fileAlignment > 0x10000 || !IsPowerOfTwo(headers.sectionAlignment) || headers.sectionAlignment < 4096 ||
        headers.sectionAlignment < headers.fileAlignment) {
        return fail("the program's section or file alignment is not one whose sections can be moved");
    }
    const ByteReader reader{image};
    uint32_t symbols = 0;
    if (!reader.U32(headers.coffOffset + 8, symbols) || symbols != 0) {
        return fail("the program carries a symbol table");
    }
    std::vector<PeSection>& sections = headers.sections;
    const size_t count = sections.size();
    const size_t tableStart = headers.optionalOffset + headers.optionalSize;
    if (tableStart + SectionHeaderSize * count > headers.sizeOfHeaders || headers.sizeOfHeaders > image.size()) {
        return fail("the section table does not lie in the headers");
    }
    // Memory after the headers, where the first section may start; never address 0, which in a
    // data directory means none.
    const uint64_t headersEnd = AlignUp(headers.sizeOfHeaders != 0 ? headers.sizeOfHeaders : 1, headers.sectionAlignment);
    for (size_t i = 0; i < count; ++i) {
        if (sections[i].virtualAddress % headers.sectionAlignment != 0 || sections[i].virtualAddress < headersEnd ||
            SectionEnd(sections[i]) == sections[i].virtualAddress || SectionEnd(sections[i]) > 0xFFFFFFFFu ||
            (i > 0 && sections[i].virtualAddress < SectionEnd(sections[i - 1]))) {
            return fail("the program's sections are not aligned, in address order and each of some size");
        }
    }
    Directories directories = {};
    directories.count = headers.directoryCount < DirectorySlots ? headers.directoryCount : DirectorySlots;
    for (uint32_t slot = 0; slot < directories.count; ++slot) {
        ReadPeDirectory(image, headers, slot, directories.address[slot], directories.size[slot]);
    }

    // The resource section, or where a new one goes: before the trailing sections that can move.
    const uint32_t oldResources = directories.address[PE_DIRECTORY_RESOURCE];
    const auto movable = [&](const PeSection& section) {
        return (section.characteristics & SECTION_DISCARDABLE) &&
               !directories.PointsInto(section, PE_DIRECTORY_RELOCATION);
    };
    size_t resourceIndex = count;
    const bool adding = oldResources == 0;
    if (adding) {
        while (resourceIndex > 0 && movable(sections[resourceIndex - 1])) --resourceIndex;
    } else {
        for (resourceIndex = 0; resourceIndex < count; ++resourceIndex) {
            if (sections[resourceIndex].virtualAddress == oldResources) break;
        }
        if (resourceIndex == count) return fail("the resource directory does not start a section");
        if (directories.PointsInto(sections[resourceIndex], PE_DIRECTORY_RESOURCE)) {
            return fail("another data directory points into the resource section");
        }
    }
    const size_t firstMoved = adding ? resourceIndex : resourceIndex + 1;
    for (size_t i = firstMoved; i < count; ++i) {
        if (!movable(sections[i])) {
            return fail("the section " + std::string(sections[i].name) + " after the resources cannot be moved");
        }
    }

    // The rewritten part starts after the raw data of every section that stays.
    uint64_t keptEnd = headers.sizeOfHeaders, rawEnd = headers.sizeOfHeaders;
    for (size_t i = 0; i < count; ++i) {
        const uint64_t end = sections[i].rawSize != 0 ? uint64_t{sections[i].rawOffset} + sections[i].rawSize : 0;
        if (i < resourceIndex && end > keptEnd) keptEnd = end;
        if (end > rawEnd) rawEnd = end;
    }
    const uint64_t regionRaw = AlignUp(keptEnd, headers.fileAlignment);
    for (size_t i = resourceIndex; i < count; ++i) {
        if (sections[i].rawSize != 0 && sections[i].rawOffset < regionRaw) {
            return fail("the program's sections are not in file order");
        }
    }
    uint64_t regionVa = resourceIndex < count ? sections[resourceIndex].virtualAddress
                        : count > 0           ? AlignUp(SectionEnd(sections[count - 1]), headers.sectionAlignment)
                                              : headersEnd;
    if (regionVa >= 0xFFFFFFFFu) return fail("the program would be larger than 4 GB");
    // Nothing but the base relocations, in a section that moves, may point at the rewritten part.
    for (uint32_t slot = 0; slot < directories.count; ++slot) {
        const uint32_t address = directories.address[slot];
        if (slot == PE_DIRECTORY_CERTIFICATE || slot == PE_DIRECTORY_RESOURCE || address < regionVa) continue;
        bool inMoved = false;
        for (size_t i = firstMoved; i < count; ++i) {
            inMoved = inMoved || (address >= sections[i].virtualAddress && address < SectionEnd(sections[i]));
        }
        if (slot != PE_DIRECTORY_RELOCATION || !inMoved) {
            return fail("data directory " + std::to_string(slot) + " points at or after the resources");
        }
    }
    if (!RelocationsStayBelow(image, headers, directories, static_cast<uint32_t>(regionVa), failure) ||
        !DebugDataStaysBefore(image, headers, directories, regionRaw, failure)) {
        return false;
    }

    // What follows the sections in the file is kept, up to a certificate, which must end the file.
    const uint32_t certificate = directories.address[PE_DIRECTORY_CERTIFICATE];
    const uint32_t certificateSize = directories.size[PE_DIRECTORY_CERTIFICATE];
    uint64_t overlayEnd = image.size();
    if (certificateSize != 0) {
        if (certificate < rawEnd || uint64_t{certificate} + certificateSize > image.size()) {
            return fail("the certificate does not follow the sections in the file");
        }
        for (size_t i = certificate + size_t{certificateSize}; i < image.size(); ++i) {
            if (image[i] != 0) return fail("data follows the certificate");
        }
        overlayEnd = certificate;
    }
    // A section's raw data reaches to the file alignment, as the loader reads it; the padding of
    // an unaligned last section is its own, not what follows the sections.
    rawEnd = std::min<uint64_t>(AlignUp(rawEnd, headers.fileAlignment), overlayEnd);

    std::vector<uint8_t> resources;
    if (!BuildResourceSection(entries, static_cast<uint32_t>(regionVa), resources, failure)) return false;

    // The new section table, the resource section's entry new or rewritten.
    uint32_t initializedData = 0;
    reader.U32(headers.optionalOffset + OPTIONAL_SIZE_OF_INITIALIZED_DATA, initializedData);
    std::vector<PeSection> moved(sections.begin() + static_cast<std::ptrdiff_t>(firstMoved), sections.end());
    PeSection resource = {};
    if (adding) {
        if (count + 1 > MaximumSections) return fail("the program has too many sections to add one");
        const size_t tableEnd = tableStart + SectionHeaderSize * count;
        bool room = tableEnd + SectionHeaderSize <= headers.sizeOfHeaders;
        for (const PeSection& section : sections) room = room && (section.rawSize == 0 || tableEnd + SectionHeaderSize <= section.rawOffset);
        for (size_t i = 0; room && i < SectionHeaderSize; ++i) room = image[tableEnd + i] == 0;
        if (!room) return fail("there is no room in the headers for another section");
        memcpy(resource.name, ".rsrc", 6);
        resource.characteristics = SECTION_INITIALIZED_DATA | SECTION_READ;
    } else {
        resource = sections[resourceIndex];
        // The linker may leave the last sections' raw sizes unaligned; the total counts them aligned.
        if (resource.characteristics & SECTION_INITIALIZED_DATA) {
            initializedData -= static_cast<uint32_t>(AlignUp(resource.rawSize, headers.fileAlignment));
        }
    }
    resource.virtualAddress = static_cast<uint32_t>(regionVa);
    resource.virtualSize = static_cast<uint32_t>(resources.size());
    resource.rawOffset = static_cast<uint32_t>(regionRaw);
    resource.rawSize = static_cast<uint32_t>(AlignUp(resources.size(), headers.fileAlignment));
    if (resource.characteristics & SECTION_INITIALIZED_DATA) initializedData += resource.rawSize;

    // The moved sections, each right after the one before it, with the directories into them.
    uint64_t nextVa = AlignUp(SectionEnd(resource), headers.sectionAlignment);
    uint64_t nextRaw = uint64_t{resource.rawOffset} + resource.rawSize;
    std::vector<uint32_t> sourceOffsets;
    uint32_t newAddress[DirectorySlots];
    memcpy(newAddress, directories.address, sizeof newAddress);
    for (PeSection& section : moved) {
        for (uint32_t slot = 0; slot < directories.count; ++slot) {
            const uint32_t address = directories.address[slot];
            if (slot != PE_DIRECTORY_CERTIFICATE && address != 0 && address >= section.virtualAddress &&
                address < SectionEnd(section)) {
                newAddress[slot] = static_cast<uint32_t>(address - section.virtualAddress + nextVa);
            }
        }
        section.virtualAddress = static_cast<uint32_t>(nextVa);
        nextVa = AlignUp(SectionEnd(section), headers.sectionAlignment);
        sourceOffsets.push_back(section.rawOffset);
        // A section with nothing in the file points nowhere, rather than where it pointed before.
        section.rawOffset = section.rawSize != 0 ? static_cast<uint32_t>(nextRaw) : 0;
        nextRaw += AlignUp(section.rawSize, headers.fileAlignment);
    }
    const uint64_t overlay = overlayEnd - rawEnd;
    if (nextVa > 0xFFFFFFFFu || nextRaw + overlay > 0xFFFFFFFFu) return fail("the program would be larger than 4 GB");

    // The file: everything before the rewritten part, the resources, the moved sections, the rest.
    // (The file may end before the alignment does.)
    result.assign(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(std::min<uint64_t>(regionRaw, image.size())));
    result.resize(static_cast<size_t>(nextRaw + overlay), 0);
    std::copy(resources.begin(), resources.end(), result.begin() + static_cast<std::ptrdiff_t>(regionRaw));
    for (size_t i = 0; i < moved.size(); ++i) {
        if (moved[i].rawSize == 0) continue;
        const auto from = image.begin() + static_cast<std::ptrdiff_t>(sourceOffsets[i]);
        const size_t extent = std::min<size_t>(AlignUp(moved[i].rawSize, headers.fileAlignment), rawEnd - sourceOffsets[i]);
        std::copy(from, from + static_cast<std::ptrdiff_t>(extent), result.begin() + static_cast<std::ptrdiff_t>(moved[i].rawOffset));
    }
    std::copy(image.begin() + static_cast<std::ptrdiff_t>(rawEnd), image.begin() + static_cast<std::ptrdiff_t>(overlayEnd),
              result.begin() + static_cast<std::ptrdiff_t>(nextRaw));

    // The headers: each rewritten entry of the section table keeps its other fields.
    std::vector<uint8_t> entriesAfter(image.begin() + static_cast<std::ptrdiff_t>(tableStart + SectionHeaderSize * firstMoved),
                                      image.begin() + static_cast<std::ptrdiff_t>(tableStart + SectionHeaderSize * count));
    const auto putSection = [&](size_t index, const PeSection& section) {
        const size_t at = tableStart + SectionHeaderSize * index;
        memcpy(&result[at], section.name, 8);
        PutU32(result, at + 8, section.virtualSize);
        PutU32(result, at + 12, section.virtualAddress);
        PutU32(result, at + 16, section.rawSize);
        PutU32(result, at + 20, section.rawOffset);
        PutU32(result, at + 36, section.characteristics);
    };
    for (size_t i = 0; i < moved.size(); ++i) {
        const size_t index = resourceIndex + 1 + i;
        std::copy(entriesAfter.begin() + static_cast<std::ptrdiff_t>(SectionHeaderSize * i),
                  entriesAfter.begin() + static_cast<std::ptrdiff_t>(SectionHeaderSize * (i + 1)),
                  result.begin() + static_cast<std::ptrdiff_t>(tableStart + SectionHeaderSize * index));
        putSection(index, moved[i]);
    }
    if (adding) memset(&result[tableStart + SectionHeaderSize * resourceIndex], 0, SectionHeaderSize);
    putSection(resourceIndex, resource);
    PutU16(result, headers.coffOffset + 2, static_cast<uint32_t>(count + (adding ? 1 : 0)));

    newAddress[PE_DIRECTORY_RESOURCE] = resource.virtualAddress;
    newAddress[PE_DIRECTORY_CERTIFICATE] = 0;
    for (uint32_t slot = 0; slot < directories.count; ++slot) {
        const uint32_t size = slot == PE_DIRECTORY_RESOURCE      ? resource.virtualSize
                              : slot == PE_DIRECTORY_CERTIFICATE ? 0
                                                                 : directories.size[slot];
        PutU32(result, headers.directoriesOffset + 8 * slot, newAddress[slot]);
        PutU32(result, headers.directoriesOffset + 8 * slot + 4, size);
    }
    PutU32(result, headers.optionalOffset + OPTIONAL_SIZE_OF_INITIALIZED_DATA, initializedData);
    PutU32(result, headers.optionalOffset + OPTIONAL_SIZE_OF_IMAGE, static_cast<uint32_t>(nextVa));
    PutU32(result, headers.optionalOffset + OPTIONAL_CHECKSUM, PeChecksum(result, headers));
    return true;
}
