// The LZHUF stream format: the numbers and the position code that the decoder (engine/lzhuf.cpp)
// and the encoder (tools/lzhuf_encoder.cpp) must agree on. Portable, no code.
#pragma once

#include <stdint.h>

enum : int {
    RING_SIZE = 4096,               // history ring; positions are 12-bit values
    RING_MASK = RING_SIZE - 1,
    MAX_MATCH = 60,                 // longest match (the look-ahead)
    MIN_MATCH = 3,                  // shortest match: 2 bytes or fewer always go as literals
    RING_START = RING_SIZE - MAX_MATCH,  // first ring index written; the ones below start as spaces
    SYMBOL_COUNT = 256 + MAX_MATCH - MIN_MATCH + 1,  // literal bytes, then match lengths 3..60: 314
    MATCH_SYMBOL_BASE = 256 - MIN_MATCH,  // symbol = MATCH_SYMBOL_BASE + match length
    NODE_COUNT = 2 * SYMBOL_COUNT - 1,    // nodes of the adaptive tree: 627
    ROOT = NODE_COUNT - 1,
    POSITION_LOW_BITS = 6,          // the lower bits of a position, sent as they are
};

// Root count at which the adaptive tree is rebuilt with halved counts.
const unsigned FREQ_LIMIT = 0x8000;

// Prefix code of a position's upper 6 bits, read from the next 8 stream bits: upper bits 0 have
// the 3-bit code 000, 1-3 the 4-bit codes 0010-0100, 4-11 the 5-bit codes 01010-10001, 12-23 the
// 6-bit codes 100100-101111, 24-47 the 7-bit codes 1100000-1110111, 48-63 the 8-bit codes
// 11110000-11111111. Within a length the codes count up with the values, so a value is its code
// less the first code of that length, plus the first value of that length.
constexpr unsigned positionCodeLength(unsigned byte) {
    return byte < 0x20 ? 3 : byte < 0x50 ? 4 : byte < 0x90 ? 5 : byte < 0xC0 ? 6 : byte < 0xF0 ? 7 : 8;
}
// For each length from 3 to 8: its first code less its first value.
inline constexpr uint8_t POSITION_CODE_OFFSET[6] = {0, 2 - 1, 10 - 4, 36 - 12, 96 - 24, 240 - 48};
constexpr unsigned positionHigh(unsigned byte, unsigned length) {
    return (byte >> (8 - length)) - POSITION_CODE_OFFSET[length - 3];
}
