// The encoder against the decoder: every parser round-trips every kind of data, ends with the same
// adaptive tree as the decoder, writes deep symbol paths, and the optimal parse pays off.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "lzhuf.h"
#include "lzhuf_encoder.h"

// Parser names in failure messages.
static void PrintTo(LzhufParse parse, std::ostream* os) {
    *os << (parse == LzhufParse::Greedy ? "Greedy" : parse == LzhufParse::Lazy ? "Lazy" : "Optimal");
}

namespace {

struct Decoded {
    std::vector<uint8_t> bytes;
    bool ok = false;
};

Decoded Decode(const std::vector<uint8_t>& stream, size_t fileSize) {
    Decoded decoded;
    const PayloadSink sink{&decoded,
                           [](void* context, const uint8_t* data, uint32_t count) {
                               auto& bytes = static_cast<Decoded*>(context)->bytes;
                               bytes.insert(bytes.end(), data, data + count);
                               return count;
                           },
                           [](void*, uint32_t) {}};
    decoded.ok = decodePayload(sink, stream.data(), static_cast<uint32_t>(stream.size()),
                               static_cast<uint32_t>(fileSize));
    return decoded;
}

std::vector<uint8_t> ReadFile(const std::string& path, size_t limit = 1 << 20) {
    std::ifstream file(path, std::ios::binary);
    std::vector<uint8_t> bytes(limit);
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(limit));
    bytes.resize(static_cast<size_t>(file.gcount()));
    return bytes;
}

// Prose and code from this source tree.
std::vector<uint8_t> TreeText() {
    std::vector<uint8_t> text;
    for (const char* name : {"README.md", "engine/lzhuf.cpp", "tools/lzhuf_encoder.cpp", "engine/pathutil.cpp",
                             "tests/native/lzhuf_decoder_test.cpp"}) {
        const std::vector<uint8_t> part = ReadFile(std::string(PORVANE_SOURCE_DIR) + "/" + name);
        text.insert(text.end(), part.begin(), part.end());
    }
    return text;
}

std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(size);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    return bytes;
}

std::vector<uint8_t> Repetitive() {
    std::vector<uint8_t> bytes(10000, 0);                                       // one long run
    for (int period = 1; period <= 9; ++period) {                               // short patterns
        for (int i = 0; i < 700; ++i) bytes.push_back(static_cast<uint8_t>('a' + i % period));
    }
    const std::vector<uint8_t> block = RandomBytes(4096, 8);                    // repeats exactly a ring apart
    for (int round = 0; round < 3; ++round) bytes.insert(bytes.end(), block.begin(), block.end());
    const std::vector<uint8_t> near = RandomBytes(4095, 9);                     // and one byte short of it
    for (int round = 0; round < 3; ++round) bytes.insert(bytes.end(), near.begin(), near.end());
    bytes.insert(bytes.end(), 61, 'z');                                         // ends inside a run
    return bytes;
}

std::vector<uint8_t> Skewed() {
    std::mt19937 random(4);
    std::vector<uint8_t> bytes(80000);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(__builtin_ctz(random() | 0x100));
    return bytes;
}

struct Sample {
    const char* name;
    std::vector<uint8_t> (*make)();
};

const Sample Samples[] = {
    {"Empty", [] { return std::vector<uint8_t>(); }},
    {"OneByte", [] { return std::vector<uint8_t>{'Q'}; }},
    {"TwoBytes", [] { return std::vector<uint8_t>{'Q', 'Q'}; }},
    {"ThreeEqualBytes", [] { return std::vector<uint8_t>{7, 7, 7}; }},
    {"Random", [] { return RandomBytes(100000, 1); }},
    {"Text", TreeText},
    {"Binary", [] { return ReadFile("/proc/self/exe", 300000); }},
    {"Repetitive", Repetitive},
    {"Skewed", Skewed},
};

const LzhufParse Parsers[] = {LzhufParse::Greedy, LzhufParse::Lazy, LzhufParse::Optimal};

const char* ParserName(LzhufParse parse) {
    switch (parse) {
    case LzhufParse::Greedy: return "Greedy";
    case LzhufParse::Lazy: return "Lazy";
    case LzhufParse::Optimal: return "Optimal";
    }
    return "?";
}

void PrintTo(const Sample& sample, std::ostream* os) { *os << sample.name; }

class LzhufRoundTrip : public testing::TestWithParam<std::tuple<LzhufParse, Sample>> {};

TEST_P(LzhufRoundTrip, DecodesToTheOriginalAndEndsWithTheSameTree) {
    const LzhufParse parse = std::get<0>(GetParam());
    const std::vector<uint8_t> data = std::get<1>(GetParam()).make();
    if (strcmp(std::get<1>(GetParam()).name, "Text") == 0) {
        ASSERT_GT(data.size(), 20000u);
    }

    LzhufEncodeStats encoded;
    const std::vector<uint8_t> stream = EncodeLzhuf(data.data(), data.size(), parse, &encoded);
    const Decoded decoded = Decode(stream, data.size());
    ASSERT_TRUE(decoded.ok);
    ASSERT_EQ(decoded.bytes, data);

    const LzhufDecodeStats stats = ReadDecodeStats();
    EXPECT_EQ(stats.droppedBytes, 0u) << "a match ran past the end of the input";
    EXPECT_EQ(stats.bytesPastEnd, data.empty() ? 0u : 1u);
    EXPECT_EQ(stats.rebuildCount, encoded.rebuildCount);
    EXPECT_EQ(memcmp(stats.tree.freq, encoded.freq, sizeof encoded.freq), 0);
    EXPECT_EQ(memcmp(stats.tree.child, encoded.child, sizeof encoded.child), 0);
    EXPECT_EQ(memcmp(stats.tree.parent, encoded.parent, sizeof encoded.parent), 0);
}

INSTANTIATE_TEST_SUITE_P(AllParsers, LzhufRoundTrip, testing::Combine(testing::ValuesIn(Parsers), testing::ValuesIn(Samples)),
                         [](const testing::TestParamInfo<LzhufRoundTrip::ParamType>& info) {
                             return std::string(ParserName(std::get<0>(info.param))) + "_" + std::get<1>(info.param).name;
                         });

TEST(LzhufEncoder, EmptyInputGivesAnEmptyStream) {
    for (LzhufParse parse : Parsers) EXPECT_TRUE(EncodeLzhuf(nullptr, 0, parse).empty());
}

TEST(LzhufEncoder, LeadingSpacesAreOneMatchIntoTheSpaceFilledRing) {
    const std::vector<uint8_t> spaces(40, ' ');
    for (LzhufParse parse : Parsers) {
        LzhufEncodeStats stats;
        const std::vector<uint8_t> stream = EncodeLzhuf(spaces.data(), spaces.size(), parse, &stats);
        EXPECT_EQ(stats.matchCount, 1u) << ParserName(parse);
        EXPECT_EQ(stats.literalCount, 0u) << ParserName(parse);
        EXPECT_EQ(Decode(stream, spaces.size()).bytes, spaces);
    }
}

TEST(LzhufEncoder, OptimalParseIsSmallerThanGreedyOnText) {
    const std::vector<uint8_t> text = TreeText();
    const size_t greedy = EncodeLzhuf(text.data(), text.size(), LzhufParse::Greedy).size();
    const size_t optimal = EncodeLzhuf(text.data(), text.size(), LzhufParse::Optimal).size();
    EXPECT_LT(optimal, greedy);
}

// The decoder's history before the first byte (4036 spaces), then the data: where match sources lie.
std::vector<uint8_t> WithSpaceHistory(const std::vector<uint8_t>& data) {
    std::vector<uint8_t> virtualBytes(4036, ' ');
    virtualBytes.insert(virtualBytes.end(), data.begin(), data.end());
    return virtualBytes;
}

// Bytes in common between the source d bytes back and position v, at most limit (a source that
// runs into the bytes being written repeats them, which comparing within one buffer reproduces).
int CommonLength(const std::vector<uint8_t>& bytes, size_t v, size_t d, int limit) {
    int n = 0;
    while (n < limit && bytes[v - d + n] == bytes[v + n]) ++n;
    return n;
}

TEST(LzhufEncoder, OptimalMatchesTakeTheNearestSourceForTheirLengthAndAreOftenShortened) {
    const std::vector<uint8_t> text = TreeText();
    const std::vector<LzhufToken> tokens = ParseLzhuf(text.data(), text.size(), LzhufParse::Optimal);
    const std::vector<uint8_t> bytes = WithSpaceHistory(text);
    size_t matches = 0, shortened = 0, nearerThanLongest = 0;
    size_t i = 0;
    for (const LzhufToken& token : tokens) {
        ASSERT_LT(i, text.size());
        if (token.length == 1) {
            ASSERT_EQ(token.value, text[i]) << "at " << i;
            ++i;
            continue;
        }
        const size_t v = 4036 + i, distance = token.value + 1u;
        const int limit = static_cast<int>(std::min<size_t>(60, text.size() - i));
        ASSERT_LE(token.length, limit) << "at " << i;
        ASSERT_EQ(CommonLength(bytes, v, distance, token.length), token.length) << "at " << i;
        int longest = 0;
        size_t longestDistance = 0;
        for (size_t d = 1; d <= 4096 && d <= v; ++d) {
            const int length = CommonLength(bytes, v, d, limit);
            ASSERT_FALSE(d < distance && length >= token.length)
                << "at " << i << ": " << token.length << " bytes " << d << " back, not " << distance;
            if (length > longest) {
                longest = length;
                longestDistance = d;
            }
        }
        ++matches;
        if (token.length < longest) ++shortened;
        if (distance < longestDistance) ++nearerThanLongest;
        i += token.length;
    }
    EXPECT_EQ(i, text.size());
    EXPECT_GT(matches, 1000u);
    EXPECT_GT(shortened, matches / 20) << "matches cut short to end where a better one starts";
    EXPECT_GT(nearerThanLongest, matches / 100) << "shorter matches from nearer, cheaper sources";
}

TEST(LzhufEncoder, ShortPatternRepeatsThroughOneOverlappingMatch) {
    std::vector<uint8_t> data;
    for (int k = 0; k < 21; ++k) data.insert(data.end(), {'x', 'y'});
    for (LzhufParse parse : Parsers) {
        const std::vector<LzhufToken> tokens = ParseLzhuf(data.data(), data.size(), parse);
        ASSERT_EQ(tokens.size(), 3u) << ParserName(parse);
        EXPECT_EQ(tokens[0].length, 1u);
        EXPECT_EQ(tokens[1].length, 1u);
        EXPECT_EQ(tokens[2].length, 40u) << ParserName(parse);
        EXPECT_EQ(tokens[2].value, 1u) << ParserName(parse) << ": the source starts two bytes back";
        EXPECT_EQ(Decode(EncodeLzhuf(data.data(), data.size(), parse), data.size()).bytes, data);
    }
}

TEST(LzhufEncoder, ParsedTokensCodeToTheSameStream) {
    const std::vector<uint8_t> text = TreeText();
    for (LzhufParse parse : Parsers) {
        const std::vector<LzhufToken> tokens = ParseLzhuf(text.data(), text.size(), parse);
        EXPECT_EQ(EncodeLzhufTokens(tokens.data(), tokens.size(), nullptr), EncodeLzhuf(text.data(), text.size(), parse))
            << ParserName(parse);
    }
}

TEST(LzhufEncoder, WritesAndReadsSymbolPathsDeeperThanSixteenBits) {
    // Literal counts that grow roughly like a Fibonacci series push the ~300 unused symbols (count
    // 1 each) far down a Huffman tree. Then the deepest of them is sent.
    const uint32_t counts[] = {240, 242, 394, 1067, 1457, 2308, 3914, 4064, 4417, 10887};
    std::vector<LzhufToken> tokens;
    std::vector<uint32_t> left(std::begin(counts), std::end(counts));
    for (bool any = true; any;) {
        any = false;
        for (size_t s = 0; s < left.size(); ++s) {
            if (left[s] > 1) {
                tokens.push_back(LzhufToken{1, static_cast<uint16_t>(s)});
                --left[s];
                any = true;
            }
        }
    }
    LzhufEncodeStats stats;
    EncodeLzhufTokens(tokens.data(), tokens.size(), &stats);
    uint16_t deepest = 0;
    int deepestLength = 0;
    for (uint16_t s = 0; s < 256; ++s) {
        int length = 0;
        for (unsigned n = stats.parent[627 + s]; n != 626; n = stats.parent[n]) ++length;
        if (length > deepestLength) {
            deepestLength = length;
            deepest = s;
        }
    }
    tokens.push_back(LzhufToken{1, deepest});
    tokens.push_back(LzhufToken{1, 3});

    const std::vector<uint8_t> stream = EncodeLzhufTokens(tokens.data(), tokens.size(), &stats);
    EXPECT_GT(stats.longestCode, 16u);
    std::vector<uint8_t> expected;
    for (const LzhufToken& t : tokens) expected.push_back(static_cast<uint8_t>(t.value));
    const Decoded decoded = Decode(stream, expected.size());
    EXPECT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.bytes, expected);
}

}  // namespace
