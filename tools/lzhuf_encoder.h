// LZHUF encoder: the exact mirror of the installer's decoder (engine/lzhuf.h).
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <vector>

#include "lzhuf_format.h"

enum class LzhufParse {
    Greedy,   // longest match at every position (the baseline the benchmarks compare against)
    Lazy,     // defers a match when the next position has a longer one
    Optimal,  // minimum-cost parse priced with the adaptive code lengths
};

// Compresses size bytes of data into a stream that decodePayload turns back into the same bytes.
std::vector<uint8_t> EncodeLzhuf(const uint8_t* data, size_t size, LzhufParse parse = LzhufParse::Optimal);

// One step of a parse: a literal (length 1, value = the byte) or a match of 3 to 60 bytes whose
// value is the position code p: the match starts p + 1 bytes before the current ring index.
struct LzhufToken {
    uint16_t length;
    uint16_t value;
};

// The literals and matches that EncodeLzhuf sends for data with this parser, in order.
std::vector<LzhufToken> ParseLzhuf(const uint8_t* data, size_t size, LzhufParse parse);

// What an encoding did, and the adaptive tree it ended with (which the decoder of the same stream
// must end with too).
struct LzhufEncodeStats {
    uint32_t literalCount;
    uint32_t matchCount;
    uint32_t rebuildCount;
    uint32_t longestCode;  // deepest symbol path written, in bits
    uint16_t freq[NODE_COUNT + 1];
    uint16_t child[NODE_COUNT];
    uint16_t parent[NODE_COUNT + SYMBOL_COUNT];
};

std::vector<uint8_t> EncodeLzhuf(const uint8_t* data, size_t size, LzhufParse parse,
                                 LzhufEncodeStats* stats);

// Codes a given parse as it stands (no check that the matches agree with any data). Returns an
// empty stream when a token is neither a literal byte nor a match of 3 to 60 with p below 4096.
std::vector<uint8_t> EncodeLzhufTokens(const LzhufToken* tokens, size_t count, LzhufEncodeStats* stats);
