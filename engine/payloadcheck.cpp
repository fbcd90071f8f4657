#include "payloadcheck.h"

namespace {

// Entry n is the CRC register after shifting the byte n through it bit by bit: the byte-at-a-time
// form of the reflected polynomial. Built on first use rather than stored, which keeps its
// kilobyte out of the installer; entry 0 is 0, entry 1 never is.
uint32_t Table[256];

void FillTable() {
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t crc = n;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        Table[n] = crc;
    }
}

}  // namespace

uint32_t Crc32(const uint8_t* data, size_t size) { return Crc32Continue(0, data, size); }

uint32_t Crc32Continue(uint32_t crc, const uint8_t* data, size_t size) {
    // The finished value is the register inverted: undoing that resumes where the last block ended.
    if (Table[1] == 0) FillTable();
    uint32_t reg = ~crc;
    for (size_t i = 0; i < size; ++i) reg = (reg >> 8) ^ Table[(reg ^ data[i]) & 0xFFu];
    return ~reg;
}

bool PayloadIntact(const uint8_t* resource, size_t available, uint32_t compressedSize, uint32_t expectedCrc) {
    if (resource == nullptr || available < compressedSize) return false;
    return Crc32(resource, compressedSize) == expectedCrc;
}
