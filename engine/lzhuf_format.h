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

// Prefix code of a position's upper 6 bits, looked up by the next 8 stream bits. Derived from the
// code table: upper bits 0 have the 3-bit code 000, 1-3 the 4-bit codes 0010-0100, 4-11 the
// 5-bit codes 01010-10001, 12-23 the 6-bit codes 100100-101111, 24-47 the 7-bit codes
// 1100000-1110111, 48-63 the 8-bit codes 11110000-11111111; every byte whose top bits equal a
// code maps to that code's value and length. The encoder reads a value's code back from the
// first byte that maps to it.
inline constexpr uint8_t POSITION_HIGH[256] = {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
    2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2,
    3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3,
    4, 4, 4, 4, 4, 4, 4, 4, 5, 5, 5, 5, 5, 5, 5, 5,
    6, 6, 6, 6, 6, 6, 6, 6, 7, 7, 7, 7, 7, 7, 7, 7,
    8, 8, 8, 8, 8, 8, 8, 8, 9, 9, 9, 9, 9, 9, 9, 9,
    10, 10, 10, 10, 10, 10, 10, 10, 11, 11, 11, 11, 11, 11, 11, 11,
    12, 12, 12, 12, 13, 13, 13, 13, 14, 14, 14, 14, 15, 15, 15, 15,
    16, 16, 16, 16, 17, 17, 17, 17, 18, 18, 18, 18, 19, 19, 19, 19,
    20, 20, 20, 20, 21, 21, 21, 21, 22, 22, 22, 22, 23, 23, 23, 23,
    24, 24, 25, 25, 26, 26, 27, 27, 28, 28, 29, 29, 30, 30, 31, 31,
    32, 32, 33, 33, 34, 34, 35, 35, 36, 36, 37, 37, 38, 38, 39, 39,
    40, 40, 41, 41, 42, 42, 43, 43, 44, 44, 45, 45, 46, 46, 47, 47,
    48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63,
};
inline constexpr uint8_t POSITION_CODE_LENGTH[256] = {
    3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3,
    3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3,
    4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4,
    4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4,
    4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4,
    5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5,
    5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5,
    5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5,
    5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5,
    6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6,
    6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6,
    6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6,
    7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7,
    7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7,
    7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7,
    8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8,
};
