#include "peimage.h"

#include <string.h>

bool ByteReader::U16(size_t offset, uint32_t& value) const {
    if (!Has(offset, 2)) return false;
    value = bytes[offset] | uint32_t(bytes[offset + 1]) << 8;
    return true;
}

bool ByteReader::U32(size_t offset, uint32_t& value) const {
    if (!Has(offset, 4)) return false;
    value = bytes[offset] | uint32_t(bytes[offset + 1]) << 8 | uint32_t(bytes[offset + 2]) << 16 |
            uint32_t(bytes[offset + 3]) << 24;
    return true;
}

void PutU16(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    bytes[offset] = static_cast<uint8_t>(value);
    bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void PutU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    PutU16(bytes, offset, value & 0xFFFF);
    PutU16(bytes, offset + 2, value >> 16);
}

bool ReadPeHeaders(const std::vector<uint8_t>& bytes, PeHeaders& headers, std::string& failure) {
    const ByteReader image{bytes};
    uint32_t peOffset = 0, signature = 0, magic = 0;
    if (!image.U16(0, magic) || magic != 0x5A4D || !image.U32(0x3C, peOffset) || !image.U32(peOffset, signature) ||
        signature != 0x00004550) {
        failure = "not a Windows program (no MZ and PE headers)";
        return false;
    }
    headers = PeHeaders{};
    headers.coffOffset = size_t{peOffset} + 4;
    headers.optionalOffset = headers.coffOffset + 20;
    uint32_t sectionCount = 0, optionalSize = 0, optionalMagic = 0;
    if (!image.U16(headers.coffOffset + 2, sectionCount) || !image.U16(headers.coffOffset + 16, optionalSize) ||
        !image.U16(headers.optionalOffset, optionalMagic) || !image.Has(headers.optionalOffset, optionalSize)) {
        failure = "the PE header is cut short";
        return false;
    }
    headers.optionalSize = optionalSize;
    headers.pe32Plus = optionalMagic == 0x20B;
    // The data directories start at 96 in PE32 and at 112 in PE32+, after their count.
    const size_t directories = headers.pe32Plus ? 112 : 96;
    uint32_t declared = 0;
    if ((optionalMagic != 0x10B && optionalMagic != 0x20B) || optionalSize < directories ||
        !image.U32(headers.optionalOffset + directories - 4, declared) ||
        !image.U32(headers.optionalOffset + 32, headers.sectionAlignment) ||
        !image.U32(headers.optionalOffset + 36, headers.fileAlignment) ||
        !image.U32(headers.optionalOffset + 60, headers.sizeOfHeaders)) {
        failure = "the optional header is not one of a 32- or 64-bit program";
        return false;
    }
    headers.directoriesOffset = headers.optionalOffset + directories;
    const uint32_t fitting = static_cast<uint32_t>((optionalSize - directories) / 8);
    headers.directoryCount = declared < fitting ? declared : fitting;

    const size_t table = headers.optionalOffset + optionalSize;
    for (uint32_t i = 0; i < sectionCount; ++i) {
        PeSection section = {};
        section.headerOffset = table + 40 * size_t{i};
        const size_t at = section.headerOffset;
        if (!image.U32(at + 8, section.virtualSize) || !image.U32(at + 12, section.virtualAddress) ||
            !image.U32(at + 16, section.rawSize) || !image.U32(at + 20, section.rawOffset) ||
            !image.U32(at + 36, section.characteristics) || !image.Has(section.rawOffset, section.rawSize)) {
            failure = "the section table is cut short or points outside the file";
            return false;
        }
        memcpy(section.name, &bytes[at], 8);
        headers.sections.push_back(section);
    }
    return true;
}

void ReadPeDirectory(const std::vector<uint8_t>& bytes, const PeHeaders& headers, uint32_t slot, uint32_t& address,
                     uint32_t& size) {
    const ByteReader image{bytes};
    address = size = 0;
    if (slot >= headers.directoryCount || !image.U32(headers.directoriesOffset + 8 * slot, address) ||
        !image.U32(headers.directoriesOffset + 8 * slot + 4, size)) {
        address = size = 0;
    }
}

const PeSection* SectionHolding(const PeHeaders& headers, uint32_t rva, uint32_t count, size_t& fileOffset) {
    for (const PeSection& section : headers.sections) {
        const uint64_t start = section.virtualAddress;
        const uint64_t end = start + section.rawSize;
        if (rva >= start && uint64_t{rva} + count <= end) {
            fileOffset = size_t{section.rawOffset} + (rva - section.virtualAddress);
            return &section;
        }
    }
    return nullptr;
}

uint32_t PeChecksum(const std::vector<uint8_t>& bytes, const PeHeaders& headers) {
    const size_t field = headers.optionalOffset + OPTIONAL_CHECKSUM;
    const auto at = [&](size_t i) -> uint32_t {
        return i >= bytes.size() || (i >= field && i < field + 4) ? 0 : bytes[i];
    };
    uint64_t sum = 0;
    for (size_t i = 0; i < bytes.size(); i += 2) {
        sum += at(i) | at(i + 1) << 8;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint32_t>(sum + bytes.size());
}
