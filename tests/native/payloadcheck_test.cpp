// The payload check's CRC-32 and its decision, shared by the packer (which computes the table)
// and the installer (which checks every payload against it).
#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "payloadcheck.h"

namespace {

// The bit-at-a-time definition the table-driven routine must agree with.
uint32_t BitwiseCrc32(const uint8_t* data, size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1u) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return ~crc;
}

std::vector<uint8_t> Stream(size_t size) {
    std::vector<uint8_t> bytes(size);
    uint32_t state = 12345;
    for (uint8_t& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(state >> 16);
    }
    return bytes;
}

TEST(PayloadCrc32, MatchesTheBitwiseDefinitionOnEveryLength) {
    const std::vector<uint8_t> bytes = Stream(1031);
    for (size_t size = 0; size <= bytes.size(); size += 17) {
        EXPECT_EQ(Crc32(bytes.data(), size), BitwiseCrc32(bytes.data(), size)) << size;
    }
    const uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(Crc32(check, sizeof check), 0xCBF43926u);
}

TEST(PayloadIntact, AcceptsTheWholeStreamWithItsCrc) {
    const std::vector<uint8_t> stream = Stream(500);
    EXPECT_TRUE(PayloadIntact(stream.data(), stream.size(), 500, Crc32(stream.data(), 500)));
}

TEST(PayloadIntact, RefusesAStreamWithAnyOneByteChanged) {
    std::vector<uint8_t> stream = Stream(300);
    const uint32_t crc = Crc32(stream.data(), stream.size());
    for (size_t at = 0; at < stream.size(); ++at) {
        stream[at] ^= 0xFF;
        EXPECT_FALSE(PayloadIntact(stream.data(), stream.size(), 300, crc)) << at;
        stream[at] ^= 0xFF;
    }
}

TEST(PayloadIntact, RefusesAResourceShorterThanTheStream) {
    const std::vector<uint8_t> stream = Stream(300);
    const uint32_t crc = Crc32(stream.data(), 300);
    EXPECT_FALSE(PayloadIntact(stream.data(), 299, 300, crc));
    EXPECT_FALSE(PayloadIntact(nullptr, 0, 300, crc));
}

TEST(PayloadIntact, IgnoresBytesAfterTheStream) {
    const std::vector<uint8_t> resource = Stream(304);  // aligned resource: the stream and 4 more bytes
    EXPECT_TRUE(PayloadIntact(resource.data(), resource.size(), 300, Crc32(resource.data(), 300)));
}

}  // namespace
