// The payload decoder: known streams, block reporting, the adaptive tree, damaged and truncated
// streams, short writes, and reads that must stay inside the payload.
#include <gtest/gtest.h>

#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

#include "lzhuf.h"
#include "lzhuf_encoder.h"

namespace {

// Records what the decoder hands out. A write can be made to come up short.
struct Recorder {
    std::vector<uint8_t> bytes;
    std::vector<uint32_t> writes;    // counts asked for
    std::vector<uint32_t> progress;  // counts reported
    size_t shortWrite = SIZE_MAX;    // index of the write that writes `shortCount` bytes
    uint32_t shortCount = 0;
};

uint32_t RecordWrite(void* context, const uint8_t* data, uint32_t count) {
    Recorder& r = *static_cast<Recorder*>(context);
    const uint32_t written = r.writes.size() == r.shortWrite ? r.shortCount : count;
    r.writes.push_back(count);
    r.bytes.insert(r.bytes.end(), data, data + written);
    return written;
}

void RecordProgress(void* context, uint32_t count) { static_cast<Recorder*>(context)->progress.push_back(count); }

bool DecodeInto(Recorder& recorder, const uint8_t* stream, size_t streamSize, uint32_t fileSize) {
    const PayloadSink sink{&recorder, RecordWrite, RecordProgress};
    return decodePayload(sink, stream, static_cast<uint32_t>(streamSize), fileSize);
}

Recorder Decode(const std::vector<uint8_t>& stream, uint32_t fileSize) {
    Recorder recorder;
    EXPECT_TRUE(DecodeInto(recorder, stream.data(), stream.size(), fileSize));
    return recorder;
}

std::string Text(const Recorder& r) { return std::string(r.bytes.begin(), r.bytes.end()); }

LzhufToken Literal(uint8_t byte) { return LzhufToken{1, byte}; }
LzhufToken Match(uint16_t length, uint16_t position) { return LzhufToken{length, position}; }

std::vector<uint8_t> Stream(const std::vector<LzhufToken>& tokens, LzhufEncodeStats* stats = nullptr) {
    return EncodeLzhufTokens(tokens.data(), tokens.size(), stats);
}

// What the tokens stand for, worked out on the output itself (every match here reaches back into
// bytes of the same output, never into the space-filled start).
std::vector<uint8_t> Expand(const std::vector<LzhufToken>& tokens) {
    std::vector<uint8_t> out;
    for (const LzhufToken& t : tokens) {
        if (t.length == 1) {
            out.push_back(static_cast<uint8_t>(t.value));
            continue;
        }
        for (int k = 0; k < t.length; ++k) out.push_back(out.at(out.size() - t.value - 1));
    }
    return out;
}

std::vector<LzhufToken> RandomLiterals(size_t count, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<LzhufToken> tokens;
    for (size_t i = 0; i < count; ++i) tokens.push_back(Literal(static_cast<uint8_t>(random())));
    return tokens;
}

std::vector<uint8_t> SampleText(size_t size) {
    static const char* const words[] = {"the ", "installer ", "copies ", "each ", "file ", "into ", "its ",
                                        "folder, ", "and ", "shows ", "progress ", "while ", "it ", "works. ",
                                        "Vantrel ", "reads ", "your ", "notes\r\n"};
    std::mt19937 random(7);
    std::vector<uint8_t> text;
    while (text.size() < size) {
        const char* word = words[random() % (sizeof words / sizeof words[0])];
        text.insert(text.end(), word, word + strlen(word));
    }
    text.resize(size);
    return text;
}

// Bytes placed so that the last one is the last readable byte before an inaccessible page, with
// another inaccessible page before the readable ones: any read outside them faults.
class GuardedBytes {
public:
    explicit GuardedBytes(const std::vector<uint8_t>& bytes) {
        page_ = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        span_ = (bytes.size() + page_ - 1) / page_ * page_ + page_;
        base_ = static_cast<uint8_t*>(mmap(nullptr, span_ + 2 * page_, PROT_READ | PROT_WRITE,
                                           MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        EXPECT_NE(base_, MAP_FAILED);
        end_ = base_ + page_ + span_;
        data_ = end_ - bytes.size();
        if (!bytes.empty()) memcpy(data_, bytes.data(), bytes.size());
        EXPECT_EQ(mprotect(base_, page_, PROT_NONE), 0);
        EXPECT_EQ(mprotect(base_ + page_, span_, PROT_READ), 0);
        EXPECT_EQ(mprotect(end_, page_, PROT_NONE), 0);
    }
    ~GuardedBytes() { munmap(base_, span_ + 2 * page_); }
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    const uint8_t* data() const { return data_; }
    const uint8_t* pastEnd() const { return end_; }  // the first byte of the inaccessible page

private:
    size_t page_ = 0, span_ = 0;
    uint8_t* base_ = nullptr;
    uint8_t* data_ = nullptr;
    uint8_t* end_ = nullptr;
};

void ExpectWellFormedTree(const LzhufTreeView& tree) {
    EXPECT_EQ(tree.freq[NODE_COUNT], 0xFFFF);
    EXPECT_EQ(tree.parent[ROOT], 0);
    std::vector<int> holders(SYMBOL_COUNT, 0);
    for (uint32_t n = 0; n < NODE_COUNT; ++n) {
        if (n < ROOT) {
            EXPECT_LE(tree.freq[n], tree.freq[n + 1]) << "node " << n;
        }
        const uint32_t c = tree.child[n];
        if (c >= NODE_COUNT) {
            ASSERT_LT(c - NODE_COUNT, uint32_t{SYMBOL_COUNT});
            ++holders[c - NODE_COUNT];
            EXPECT_EQ(tree.parent[c], n) << "leaf link of symbol " << c - NODE_COUNT;
            EXPECT_GE(tree.freq[n], 1);
        } else {
            EXPECT_EQ(c % 2, 0u) << "node " << n;
            EXPECT_LT(c, n);
            EXPECT_EQ(tree.freq[n], tree.freq[c] + tree.freq[c + 1]) << "node " << n;
            EXPECT_EQ(tree.parent[c], n);
            EXPECT_EQ(tree.parent[c + 1], n);
        }
    }
    for (int s = 0; s < SYMBOL_COUNT; ++s) EXPECT_EQ(holders[s], 1) << "symbol " << s;
}

TEST(LzhufDecoder, DecodesThreeLiterals) {
    EXPECT_EQ(Text(Decode({0xF6, 0xFB, 0xBD, 0xE0}, 3)), "abc");
}

TEST(LzhufDecoder, DecodesAMatchThatRepeatsWhatItWrites) {
    EXPECT_EQ(Text(Decode({0xF6, 0xFB, 0xBD, 0xF1, 0xE0, 0x20}, 9)), "abcabcabc");
}

TEST(LzhufDecoder, DecodesARunOfSpacesFromTheSpaceFilledRing) {
    EXPECT_EQ(Text(Decode({0x8E, 0x00, 0x00}, 5)), "     ");
}

TEST(LzhufDecoder, MatchesReachDeepIntoTheSpaceFilledRing) {
    // From the write index 4036, position 4000 starts the copy at ring index 35.
    const Recorder r = Decode(Stream({Match(7, 4000), Literal('x'), Match(3, 100)}), 11);
    EXPECT_EQ(Text(r), "       x   ");
}

TEST(LzhufDecoder, ReportsFiveFullBlocksThenTheRest) {
    const std::vector<uint8_t> text = SampleText(5163);
    const Recorder r = Decode(EncodeLzhuf(text.data(), text.size()), 5163);
    EXPECT_EQ(r.bytes, text);
    EXPECT_EQ(r.writes, (std::vector<uint32_t>{1024, 1024, 1024, 1024, 1024, 43}));
    EXPECT_EQ(r.progress, r.writes);
}

TEST(LzhufDecoder, AWholeNumberOfBlocksEndsWithoutAnEmptyWrite) {
    const std::vector<uint8_t> text = SampleText(49152);
    const Recorder r = Decode(EncodeLzhuf(text.data(), text.size()), 49152);
    EXPECT_EQ(r.bytes, text);
    EXPECT_EQ(r.writes, std::vector<uint32_t>(48, 1024));
    EXPECT_EQ(r.progress, std::vector<uint32_t>(48, 1024));
}

TEST(LzhufDecoder, ZeroFileSizeWritesNothingAndReadsNothing) {
    GuardedBytes nothing({});
    Recorder r;
    // The view points at the inaccessible page: reading any byte of it would fault.
    EXPECT_TRUE(DecodeInto(r, nothing.pastEnd(), 64, 0));
    EXPECT_TRUE(r.writes.empty());
    EXPECT_TRUE(r.progress.empty());
    EXPECT_EQ(ReadDecodeStats().bitsRead, 0u);
}

TEST(LzhufDecoder, NeverReadsOutsideThePayload) {
    const std::vector<uint8_t> text = SampleText(20000);
    const std::vector<uint8_t> stream = EncodeLzhuf(text.data(), text.size());
    {
        GuardedBytes guarded(stream);
        Recorder r;
        EXPECT_TRUE(DecodeInto(r, guarded.data(), stream.size(), 20000));
        EXPECT_EQ(r.bytes, text);
    }
    std::mt19937 random(3);
    for (size_t cut : {size_t(0), size_t(1), size_t(2), size_t(7), size_t(8), size_t(9), stream.size() / 2}) {
        std::vector<uint8_t> part(stream.begin(), stream.begin() + cut);
        GuardedBytes guarded(part);
        Recorder r;
        EXPECT_TRUE(DecodeInto(r, guarded.data(), part.size(), 20000));
        EXPECT_EQ(r.bytes.size(), 20000u);
    }
    for (int round = 0; round < 20; ++round) {
        std::vector<uint8_t> noise(random() % 40);
        for (uint8_t& b : noise) b = static_cast<uint8_t>(random());
        GuardedBytes guarded(noise);
        Recorder r;
        EXPECT_TRUE(DecodeInto(r, guarded.data(), noise.size(), 5000));
        EXPECT_EQ(r.bytes.size(), 5000u);
    }
}

TEST(LzhufDecoder, EncoderStreamsAskForOneBytePastTheirEnd) {
    for (size_t size : {size_t(1), size_t(3), size_t(100), size_t(5163), size_t(70000)}) {
        const std::vector<uint8_t> text = SampleText(size);
        const std::vector<uint8_t> stream = EncodeLzhuf(text.data(), text.size());
        Decode(stream, static_cast<uint32_t>(size));
        const LzhufDecodeStats stats = ReadDecodeStats();
        EXPECT_EQ(stats.bytesPastEnd, 1u) << size;
        // The last byte holds the last code's final bit, and its unused bits are zero.
        EXPECT_EQ((stats.bitsRead + 7) / 8, stream.size()) << size;
        const unsigned filler = static_cast<unsigned>(stream.size() * 8 - stats.bitsRead);
        EXPECT_EQ(stream.back() & ((1u << filler) - 1), 0u) << size;
    }
}

TEST(LzhufDecoder, MatchCopiesAsIfOneByteAtATime) {
    // Sources behind, overlapping, far back, just ahead in the ring (4095 back), and the very
    // cell being written (4096 back), with short and long lengths.
    std::vector<LzhufToken> tokens = RandomLiterals(4200, 11);
    for (uint16_t position : {0, 1, 2, 4, 6, 7, 8, 9, 15, 60, 300, 4000, 4093, 4094, 4095}) {
        for (uint16_t length : {3, 5, 7, 8, 9, 16, 17, 33, 60}) {
            tokens.push_back(Match(length, position));
            tokens.push_back(Literal(static_cast<uint8_t>(position + length)));
        }
    }
    const std::vector<uint8_t> expected = Expand(tokens);
    const Recorder r = Decode(Stream(tokens), static_cast<uint32_t>(expected.size()));
    EXPECT_EQ(r.bytes, expected);
}

TEST(LzhufDecoder, MatchesWrapAroundTheRingEndWithoutASeam) {
    // Writing starts at ring index 4036: after 55 literals a 10-byte match writes indexes
    // 4091..4095 and 0..4; then a match reads indexes 4093..4095 and 0..2.
    std::vector<LzhufToken> tokens = RandomLiterals(55, 5);
    tokens.push_back(Match(10, 54));
    tokens.push_back(Match(6, 7));
    tokens.push_back(Match(60, 20));
    const std::vector<uint8_t> expected = Expand(tokens);
    const Recorder r = Decode(Stream(tokens), static_cast<uint32_t>(expected.size()));
    EXPECT_EQ(r.bytes, expected);
}

TEST(LzhufDecoder, RingTailKeepsWhatThePreviousPayloadLeft) {
    std::vector<LzhufToken> first = RandomLiterals(60, 9);  // fills ring indexes 4036..4095
    const Recorder earlier = Decode(Stream(first), 60);
    // A damaged stream that reads index 4036 onwards before writing it sees those bytes.
    const Recorder later = Decode(Stream({Match(5, 4095)}), 5);
    EXPECT_EQ(later.bytes, std::vector<uint8_t>(earlier.bytes.begin(), earlier.bytes.begin() + 5));
}

TEST(LzhufDecoder, RebuildsAtTheSymbolThatFindsTheRootCountAtTheLimit) {
    // The root starts at 314 and counts every symbol: 32454 symbols bring it to 0x8000, and the
    // next symbol's update rebuilds first.
    const std::vector<LzhufToken> exact = RandomLiterals(32454, 1);
    LzhufEncodeStats encoded;
    Decode(Stream(exact, &encoded), 32454);
    EXPECT_EQ(ReadDecodeStats().rebuildCount, 0u);
    EXPECT_EQ(encoded.rebuildCount, 0u);
    EXPECT_EQ(ReadDecodeStats().tree.freq[ROOT], 0x8000);

    const std::vector<LzhufToken> oneMore = RandomLiterals(32455, 1);
    const Recorder r = Decode(Stream(oneMore, &encoded), 32455);
    EXPECT_EQ(r.bytes, Expand(oneMore));
    EXPECT_EQ(ReadDecodeStats().rebuildCount, 1u);
    EXPECT_EQ(encoded.rebuildCount, 1u);
}

TEST(LzhufDecoder, LongInputsRebuildTheTreeAndKeepItWellFormed) {
    const std::vector<uint8_t> text = SampleText(1200000);
    LzhufEncodeStats encoded;
    const std::vector<uint8_t> stream = EncodeLzhuf(text.data(), text.size(), LzhufParse::Optimal, &encoded);
    const Recorder r = Decode(stream, static_cast<uint32_t>(text.size()));
    ASSERT_EQ(r.bytes, text);
    const LzhufDecodeStats stats = ReadDecodeStats();
    EXPECT_GE(stats.rebuildCount, 4u);
    EXPECT_EQ(stats.rebuildCount, encoded.rebuildCount);
    ExpectWellFormedTree(stats.tree);
}

TEST(LzhufDecoder, DamagedStreamsYieldExactlyFileSizeBytes) {
    const std::vector<uint8_t> text = SampleText(30000);
    const std::vector<uint8_t> good = EncodeLzhuf(text.data(), text.size());
    std::mt19937 random(21);
    for (int round = 0; round < 60; ++round) {
        std::vector<uint8_t> stream = good;
        if (round % 3 == 0) stream.resize(random() % stream.size());
        if (round % 3 == 1) {
            for (int flips = 0; flips < 5; ++flips) stream[random() % stream.size()] ^= static_cast<uint8_t>(1u << (random() % 8));
        }
        if (round % 3 == 2) {
            stream.resize(random() % 3000);
            for (uint8_t& b : stream) b = static_cast<uint8_t>(random());
        }
        const uint32_t fileSize = random() % 70000;
        Recorder r;
        EXPECT_TRUE(DecodeInto(r, stream.data(), stream.size(), fileSize));
        ASSERT_EQ(r.bytes.size(), fileSize) << "round " << round;
        for (size_t i = 0; i + 1 < r.writes.size(); ++i) ASSERT_EQ(r.writes[i], 1024u);
        ExpectWellFormedTree(ReadDecodeStats().tree);
    }
}

TEST(LzhufDecoder, AMatchRunningPastFileSizeStopsThere) {
    const Recorder r = Decode(Stream({Literal('a'), Match(60, 0), Literal('b')}), 10);
    EXPECT_EQ(Text(r), "aaaaaaaaaa");
    EXPECT_EQ(ReadDecodeStats().droppedBytes, 51u);
    EXPECT_EQ(r.progress, std::vector<uint32_t>{10});
}

TEST(LzhufDecoder, AShortWriteStopsDecodingAndFails) {
    const std::vector<uint8_t> text = SampleText(10000);
    const std::vector<uint8_t> stream = EncodeLzhuf(text.data(), text.size());
    Recorder r;
    r.shortWrite = 2;
    r.shortCount = 1000;
    EXPECT_FALSE(DecodeInto(r, stream.data(), stream.size(), 10000));
    EXPECT_EQ(r.writes, (std::vector<uint32_t>{1024, 1024, 1024}));
    EXPECT_EQ(r.progress, (std::vector<uint32_t>{1024, 1024, 1000}));
}

TEST(LzhufDecoder, AFailedLastWriteIsReportedAsZeroAndFails) {
    const std::vector<uint8_t> text = SampleText(1500);
    const std::vector<uint8_t> stream = EncodeLzhuf(text.data(), text.size());
    Recorder r;
    r.shortWrite = 1;
    r.shortCount = 0;
    EXPECT_FALSE(DecodeInto(r, stream.data(), stream.size(), 1500));
    EXPECT_EQ(r.writes, (std::vector<uint32_t>{1024, 476}));
    EXPECT_EQ(r.progress, (std::vector<uint32_t>{1024, 0}));
}

}  // namespace
