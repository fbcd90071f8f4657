// LZHUF decoder. The adaptive tree, the ring and the output block are process-wide records; the
// bit reader and the output counters live in locals of the main loop so that they stay in
// registers (every ring store is a byte store, which would otherwise force them back to memory).
#include "lzhuf.h"

#include "lzhuf_format.h"

#include <string.h>

namespace {

// The decoder's output block: the progress display advances in steps of this size.
enum : int { BLOCK_SIZE = 1024 };

#if defined(__GNUC__)
#define NOINLINE __attribute__((noinline))
#else
#define NOINLINE
#endif

// Slack behind the ring: a short match is copied with one 8-byte load and store that may reach
// past the last ring byte. The slack is never part of the ring's contents.
const int RING_SLACK = 8;

// The deepest possible code: every leaf count is at least 1 and the root count is at most
// FREQ_LIMIT when a code is read, and a tree with the sibling property is a Huffman tree, so a
// path of length D needs a root count of at least Fibonacci(D + 2); Fibonacci(23) = 28657 is the
// largest that fits, so D <= 21. A position code takes at most 8 + 6 bits. With this many bits
// in the buffer a whole code is read without a refill.
const int MAX_CODE_BITS = 21 + 14;

// Node indexes and symbols are never negative, so links are kept unsigned: loops then index the
// arrays without sign extensions.
struct LzhufTree {
    uint16_t freq[NODE_COUNT + 1];  // the last entry is the 0xFFFF sentinel of the upward scan
    uint16_t child[NODE_COUNT];
    uint16_t parent[NODE_COUNT + SYMBOL_COUNT];
};

// The next payload bytes; `left` never goes below 0, and `next` never past the payload.
struct PayloadSource {
    const uint8_t* next;
    uint32_t left;
    uint64_t pastEnd;  // zero bytes handed out after the last payload byte
};

// The unread bits sit left-aligned in bitBuffer, followed by a single 1 (the end mark) and zeros,
// so the number of valid bits is 63 minus the count of trailing zeros. Reading a code is then
// nothing but shifting, however many bits its path takes.
struct BitReader {
    uint64_t bitBuffer;
    PayloadSource source;
};

// Decoded bytes go into the ring; each time a block's worth (or the last of the file) is there,
// it is copied into the block and written in one go.
struct OutputBlock {
    uint8_t bytes[BLOCK_SIZE];
    const PayloadSink* sink;
    uint32_t fileSize;
    uint32_t flushed;  // bytes written so far
    bool failed;       // a write came up short
};

struct LzhufDecoder {
    LzhufTree tree;
    uint8_t ring[RING_SIZE + RING_SLACK];
    OutputBlock output;
    uint32_t rebuildCount;
    uint32_t droppedBytes;
    uint32_t bytesPastEnd;
    uint64_t bitsRead;
};

LzhufDecoder Decoder;

void initTree(LzhufTree& t) {
    for (unsigned s = 0; s < SYMBOL_COUNT; ++s) {
        t.freq[s] = 1;
        t.child[s] = static_cast<uint16_t>(NODE_COUNT + s);
        t.parent[NODE_COUNT + s] = static_cast<uint16_t>(s);
    }
    for (unsigned i = 0, j = SYMBOL_COUNT; j < NODE_COUNT; i += 2, ++j) {
        t.freq[j] = static_cast<uint16_t>(t.freq[i] + t.freq[i + 1]);
        t.child[j] = static_cast<uint16_t>(i);
        t.parent[i] = t.parent[i + 1] = static_cast<uint16_t>(j);
    }
    t.freq[NODE_COUNT] = 0xFFFF;
    t.parent[ROOT] = 0;
}

void rebuildTree(LzhufTree& t) {
    unsigned j = 0;
    for (unsigned i = 0; i < NODE_COUNT; ++i) {
        if (t.child[i] >= NODE_COUNT) {
            t.freq[j] = static_cast<uint16_t>((t.freq[i] + 1) / 2);
            t.child[j] = t.child[i];
            ++j;
        }
    }
    // The counts stay sorted and the pair sums never decrease, so the place for each new node
    // (just above the highest count <= its own) is found by scanning up from the last place,
    // which gives the same place as scanning down from the top.
    unsigned k = SYMBOL_COUNT;
    for (unsigned i = 0, n = SYMBOL_COUNT; n < NODE_COUNT; i += 2, ++n) {
        const unsigned f = t.freq[i] + t.freq[i + 1];
        while (k > 0 && f < t.freq[k - 1]) --k;
        while (k < n && f >= t.freq[k]) ++k;
        memmove(&t.freq[k + 1], &t.freq[k], (n - k) * sizeof t.freq[0]);
        memmove(&t.child[k + 1], &t.child[k], (n - k) * sizeof t.child[0]);
        t.freq[k] = static_cast<uint16_t>(f);
        t.child[k] = static_cast<uint16_t>(i);
    }
    for (unsigned i = 0; i < NODE_COUNT; ++i) {
        const unsigned a = t.child[i];
        t.parent[a] = static_cast<uint16_t>(i);
        if (a < NODE_COUNT) t.parent[a + 1] = static_cast<uint16_t>(i);
    }
    ++Decoder.rebuildCount;
}

// Node c has just been counted up to k and now outranks node c + 1: it trades places with the
// highest node whose count is still below k. Returns c's new place. Kept out of line: the upward
// walk stays small, and only a few percent of its steps come here.
NOINLINE size_t exchangeNodes(LzhufTree& t, size_t c, unsigned k) {
    size_t l = c + 2;
    while (k > t.freq[l]) ++l;
    --l;
    t.freq[c] = t.freq[l];
    t.freq[l] = static_cast<uint16_t>(k);
    const unsigned a = t.child[c];
    t.parent[a] = static_cast<uint16_t>(l);
    if (a < NODE_COUNT) t.parent[a + 1] = static_cast<uint16_t>(l);
    const unsigned b = t.child[l];
    t.child[l] = static_cast<uint16_t>(a);
    t.parent[b] = static_cast<uint16_t>(c);
    if (b < NODE_COUNT) t.parent[b + 1] = static_cast<uint16_t>(c);
    t.child[c] = static_cast<uint16_t>(b);
    return l;
}

// Counts symbol s, whose leaf is node `leaf`, and restores the sibling order on the way up.
inline void updateTree(LzhufTree& t, size_t leaf, unsigned s) {
    if (t.freq[ROOT] == FREQ_LIMIT) {
        rebuildTree(t);
        leaf = t.parent[NODE_COUNT + s];
    }
    size_t c = leaf;
    do {
        const unsigned k = ++t.freq[c];
        if (k > t.freq[c + 1]) c = exchangeNodes(t, c, k);
        c = t.parent[c];
    } while (c != 0);
}

// The top bit of `bits`, shifting it out. On x86 the shift's carry is the bit itself.
inline size_t takeBit(uint64_t& bits) {
#if defined(__GNUC__)
    return __builtin_add_overflow(bits, bits, &bits);
#else
    const size_t bit = static_cast<size_t>(bits >> 63);
    bits <<= 1;
    return bit;
#endif
}

inline uint64_t loadBigEndian64(const uint8_t* p) {
#if defined(__GNUC__)
    uint64_t v;
    memcpy(&v, p, sizeof v);
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    return v;
#else
    return __builtin_bswap64(v);
#endif
#else
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v = (v << 8) | p[i];
    return v;
#endif
}

// The buffer always holds its end mark, so it is never 0. A 32-bit target counts in the two
// halves: its compiler would otherwise call a library routine for the 64-bit count.
inline int validBits(uint64_t bitBuffer) {
#if defined(__GNUC__) && UINTPTR_MAX > 0xFFFFFFFFu
    return 63 - __builtin_ctzll(bitBuffer);
#elif defined(__GNUC__)
    const uint32_t low = static_cast<uint32_t>(bitBuffer);
    return low != 0 ? 63 - __builtin_ctz(low) : 31 - __builtin_ctz(static_cast<uint32_t>(bitBuffer >> 32));
#else
    int valid = 63;
    for (; (bitBuffer & 1) == 0; bitBuffer >>= 1) --valid;
    return valid;
#endif
}

// Tops the buffer up to at least 56 valid bits, whole bytes at a time; past the payload's end
// the bytes are zeros.
void refill(BitReader& in) {
    int valid = validBits(in.bitBuffer);
    uint64_t bits = in.bitBuffer & (in.bitBuffer - 1);  // without the end mark
    if (in.source.left >= 8) {
        const int whole = (63 - valid) >> 3;
        bits |= (loadBigEndian64(in.source.next) >> (64 - 8 * whole)) << (64 - valid - 8 * whole);
        in.source.next += whole;
        in.source.left -= whole;
        valid += 8 * whole;
    } else {
        for (; valid <= 55; valid += 8) {
            uint64_t byte = 0;
            if (in.source.left > 0) {
                byte = *in.source.next++;
                --in.source.left;
            } else {
                ++in.source.pastEnd;
            }
            bits |= byte << (56 - valid);
        }
    }
    in.bitBuffer = bits | (uint64_t(1) << (63 - valid));
}

inline void copy8(uint8_t* to, const uint8_t* from) {
    uint64_t v;
    memcpy(&v, from, sizeof v);
    memcpy(to, &v, sizeof v);
}

// Copies n bytes from ring index src to ring index dst one at a time in effect: a source range
// that overlaps the bytes being written repeats them, and both indexes wrap at the ring's end.
inline void copyMatch(uint8_t* ring, size_t dst, size_t src, size_t n) {
    if (src + n <= RING_SIZE && dst + n <= RING_SIZE) {
        const bool disjoint = src + n <= dst || dst + n <= src;
        // With the source at least 8 bytes behind, every 8-byte load sees only finished bytes.
        if (disjoint || (src < dst && dst - src >= 8)) {
            if (n >= 8) {
                size_t k = 0;
                for (; k + 8 < n; k += 8) copy8(ring + dst + k, ring + src + k);
                copy8(ring + dst + n - 8, ring + src + n - 8);
                return;
            }
#if !(defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__)
            // Merge n source bytes into the 8 bytes at dst, rewriting the rest with what they held.
            uint64_t from, to;
            memcpy(&from, ring + src, sizeof from);
            memcpy(&to, ring + dst, sizeof to);
            const uint64_t mask = (uint64_t(1) << (8 * n)) - 1;
            to = (to & ~mask) | (from & mask);
            memcpy(ring + dst, &to, sizeof to);
            return;
#endif
        }
    }
    for (size_t k = 0; k < n; ++k) ring[(dst + k) & RING_MASK] = ring[(src + k) & RING_MASK];
}

// Writes `count` bytes, the next ones after those already written, from the ring through the
// block, and reports the count written.
bool flushBlock(OutputBlock& out, uint32_t count) {
    const uint32_t from = (RING_START + out.flushed) & RING_MASK;
    const uint32_t first = count < RING_SIZE - from ? count : RING_SIZE - from;
    memcpy(out.bytes, Decoder.ring + from, first);
    memcpy(out.bytes + first, Decoder.ring, count - first);
    const PayloadSink& sink = *out.sink;
    const uint32_t written = sink.writeBlock(sink.context, out.bytes, count);
    sink.addProgress(sink.context, written);
    out.flushed += count;
    return written == count;
}

// Called once `produced` bytes are in the ring and a block is full or the file complete: writes
// what is due. Returns the count at which to come back, or 0 when decoding is over.
NOINLINE uint32_t reachOutputEvent(uint32_t produced) {
    OutputBlock& out = Decoder.output;
    while (produced - out.flushed >= BLOCK_SIZE) {
        if (!flushBlock(out, BLOCK_SIZE)) {
            out.failed = true;
            return 0;
        }
    }
    if (produced == out.fileSize) {
        if (produced > out.flushed && !flushBlock(out, produced - out.flushed)) out.failed = true;
        return 0;
    }
    return out.fileSize - out.flushed > BLOCK_SIZE ? out.flushed + BLOCK_SIZE : out.fileSize;
}

// The main loop: decodes until the whole file is out or a write comes up short. The reader is
// copied in and out so that it can stay in registers.
void decodeAll(BitReader& reader) {
    LzhufTree& t = Decoder.tree;
    uint8_t* const ring = Decoder.ring;
    const uint32_t fileSize = Decoder.output.fileSize;
    BitReader in = reader;
    size_t r = RING_START;
    uint32_t produced = 0;  // bytes decoded into the ring
    uint32_t eventAt = fileSize > BLOCK_SIZE ? uint32_t(BLOCK_SIZE) : fileSize;
    // Fewer valid bits than a whole code can take: the end mark is not among the lowest
    // 64 - MAX_CODE_BITS bits.
    const uint64_t enoughBits = ~uint64_t(0) >> MAX_CODE_BITS;
    for (;;) {
        if ((in.bitBuffer & enoughBits) == 0) {
            BitReader slow = in;
            refill(slow);
            in = slow;
        }

        // decodeSymbol: one bit per level from the root down, until a leaf.
        uint64_t bits = in.bitBuffer;
        size_t node = t.child[ROOT] + takeBit(bits);
        size_t c;
        while ((c = t.child[node]) < NODE_COUNT) node = c + takeBit(bits);
        const unsigned s = static_cast<unsigned>(c - NODE_COUNT);
        updateTree(t, node, s);

        if (s < 256) {
            ring[r] = static_cast<uint8_t>(s);
            r = (r + 1) & RING_MASK;
            ++produced;
        } else {
            // decodePosition: the code of the upper 6 bits, then the lower 6 bits.
            const size_t top = bits >> 56;
            const unsigned length = POSITION_CODE_LENGTH[top];
            const size_t low = (bits >> (64 - POSITION_LOW_BITS - length)) & ((1u << POSITION_LOW_BITS) - 1);
            const size_t p = (size_t(POSITION_HIGH[top]) << POSITION_LOW_BITS) | low;
            bits <<= length + POSITION_LOW_BITS;

            uint32_t n = s - MATCH_SYMBOL_BASE;
            // A damaged stream may ask for more than is left; the output still ends at fileSize.
            if (n > fileSize - produced) {
                Decoder.droppedBytes += n - (fileSize - produced);
                n = fileSize - produced;
            }
            copyMatch(ring, r, (r - p - 1) & RING_MASK, n);
            r = (r + n) & RING_MASK;
            produced += n;
        }
        in.bitBuffer = bits;

        if (produced >= eventAt) {
            eventAt = reachOutputEvent(produced);
            if (eventAt == 0) break;
        }
    }
    reader = in;
}

}  // namespace

bool decodePayload(const PayloadSink& sink, const uint8_t* payload, uint32_t compressedSize,
                   uint32_t fileSize) {
    BitReader in = {uint64_t(1) << 63, {payload, compressedSize, 0}};
    Decoder.rebuildCount = 0;
    Decoder.droppedBytes = 0;
    initTree(Decoder.tree);
    // Ring bytes RING_START and up keep what the previous payload left there; a valid stream
    // writes each of them before it reads it.
    memset(Decoder.ring, ' ', RING_START);

    OutputBlock& out = Decoder.output;
    out.sink = &sink;
    out.fileSize = fileSize;
    out.flushed = 0;
    out.failed = false;
    if (fileSize > 0) decodeAll(in);
    const bool ok = !out.failed;

    // A byte-at-a-time reader fetches until 9 bits are buffered before it reads each bit, and the
    // last thing read is always a single bit: after `consumed` bits it has fetched
    // (consumed - 1) / 8 + 2 bytes.
    const uint64_t fetched = uint64_t(compressedSize - in.source.left) + in.source.pastEnd;
    const uint64_t consumed = fetched * 8 - validBits(in.bitBuffer);
    const uint64_t asked = consumed == 0 ? 0 : (consumed - 1) / 8 + 2;
    Decoder.bitsRead = consumed;
    Decoder.bytesPastEnd = asked > compressedSize ? static_cast<uint32_t>(asked - compressedSize) : 0;
    return ok;
}

LzhufDecodeStats ReadDecodeStats() {
    LzhufDecodeStats stats;
    stats.rebuildCount = Decoder.rebuildCount;
    stats.droppedBytes = Decoder.droppedBytes;
    stats.bitsRead = Decoder.bitsRead;
    stats.bytesPastEnd = Decoder.bytesPastEnd;
    stats.tree.freq = Decoder.tree.freq;
    stats.tree.child = Decoder.tree.child;
    stats.tree.parent = Decoder.tree.parent;
    return stats;
}
