// LZHUF encoder: the exact mirror of the installer's decoder (engine/lzhuf.h).
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <vector>

enum class LzhufParse {
    Greedy,   // longest match at every position (the baseline the benchmarks compare against)
    Lazy,     // defers a match when the next position has a longer one
    Optimal,  // minimum-cost parse priced with the adaptive code lengths
};

// Compresses size bytes of data into a stream that decodePayload turns back into the same bytes.
std::vector<uint8_t> EncodeLzhuf(const uint8_t* data, size_t size, LzhufParse parse = LzhufParse::Optimal);
