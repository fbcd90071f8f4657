// The headers of a Windows program image: where the optional header, the data directories and the
// sections lie in the file, read with every offset checked against the file's size. Shared by the
// resource finder, the resource tree reader and the resource section writer.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

// Little-endian reads that fail instead of reading past the bytes.
struct ByteReader {
    const std::vector<uint8_t>& bytes;

    bool Has(size_t offset, size_t count) const { return offset <= bytes.size() && count <= bytes.size() - offset; }
    bool U16(size_t offset, uint32_t& value) const;
    bool U32(size_t offset, uint32_t& value) const;
};

// Little-endian writes into bytes the caller has already sized.
void PutU16(std::vector<uint8_t>& bytes, size_t offset, uint32_t value);
void PutU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value);

struct PeSection {
    size_t headerOffset;  // of its 40-byte entry in the section table
    char name[9];         // NUL-terminated copy of the 8-byte field
    uint32_t virtualSize;
    uint32_t virtualAddress;
    uint32_t rawSize;
    uint32_t rawOffset;
    uint32_t characteristics;
};

// Data directory slots this code reads or changes.
enum PeDirectory : uint32_t {
    PE_DIRECTORY_RESOURCE = 2,
    PE_DIRECTORY_CERTIFICATE = 4,  // its address is a file offset, not a relative virtual address
    PE_DIRECTORY_RELOCATION = 5,
    PE_DIRECTORY_DEBUG = 6,
};

enum : uint32_t {
    SECTION_INITIALIZED_DATA = 0x00000040,
    SECTION_DISCARDABLE = 0x02000000,
    SECTION_READ = 0x40000000,
};

struct PeHeaders {
    size_t coffOffset;      // the file header, just after the "PE\0\0" signature
    size_t optionalOffset;  // the optional header
    size_t optionalSize;
    bool pe32Plus;
    size_t directoriesOffset;
    uint32_t directoryCount;  // data directory slots that fit in the optional header
    uint32_t fileAlignment;
    uint32_t sectionAlignment;
    uint32_t sizeOfHeaders;
    std::vector<PeSection> sections;  // in table order, each one's raw data inside the file
};

// Field offsets inside the optional header (the same in PE32 and PE32+ for these).
enum : size_t {
    OPTIONAL_SIZE_OF_INITIALIZED_DATA = 8,
    OPTIONAL_SIZE_OF_IMAGE = 56,
    OPTIONAL_CHECKSUM = 64,
};

inline uint64_t AlignUp(uint64_t value, uint64_t alignment) { return (value + alignment - 1) / alignment * alignment; }

// Where a section's memory ends: its virtual size, or its raw size when that is not given.
inline uint64_t SectionEnd(const PeSection& section) {
    return uint64_t{section.virtualAddress} + (section.virtualSize != 0 ? section.virtualSize : section.rawSize);
}

// False, with the reason, when the bytes are not a PE program or its headers or section table
// point outside the file.
bool ReadPeHeaders(const std::vector<uint8_t>& image, PeHeaders& headers, std::string& failure);

// A data directory's address and size; zeros for a slot the optional header does not have.
void ReadPeDirectory(const std::vector<uint8_t>& image, const PeHeaders& headers, uint32_t slot, uint32_t& address,
                     uint32_t& size);

// The section whose raw data holds `count` bytes at relative virtual address `rva`, and their
// file offset; null when none does.
const PeSection* SectionHolding(const PeHeaders& headers, uint32_t rva, uint32_t count, size_t& fileOffset);

// The image checksum as the loader checks it: 16-bit sums with end-around carry over the whole
// file, the checksum field itself read as zero, plus the file's length.
uint32_t PeChecksum(const std::vector<uint8_t>& image, const PeHeaders& headers);
