// LZHUF encoder. The coder keeps the reference model of the adaptive tree and changes it exactly
// as the decoder changes its own; the parsers only decide which literals and matches to send.
//
// The history the decoder sees before the first byte is 4036 spaces (its ring from index 0 up to
// where writing starts). The match finder works on a "virtual" buffer made of that history and
// the input, so virtual index RING_START + i is input byte i and matches may start in the spaces.
#include "lzhuf_encoder.h"

#include "lzhuf_format.h"

#include <string.h>

#include <algorithm>
#include <memory>

namespace {

// ---------------------------------------------------------------------------------------------
// The reference model of the adaptive tree: the format's rules written out as they read, one
// step after another. The decoder keeps a tuned tree of its own (rebuild placed by an upward
// scan, exchange out of line, leaf looked up by the caller); the two are kept apart on purpose,
// and every round trip must end with both trees equal, so the tests hold the tuned one to the
// rules. A tree shared by both sides would let a slip in it pass every round trip while the
// streams stopped being LZHUF.

struct ReferenceTree {
    uint16_t freq[NODE_COUNT + 1];
    uint16_t child[NODE_COUNT];
    uint16_t parent[NODE_COUNT + SYMBOL_COUNT];
    uint32_t rebuildCount;
};

void InitTree(ReferenceTree& t) {
    for (int s = 0; s < SYMBOL_COUNT; ++s) {
        t.freq[s] = 1;
        t.child[s] = static_cast<uint16_t>(NODE_COUNT + s);
        t.parent[NODE_COUNT + s] = static_cast<uint16_t>(s);
    }
    for (int i = 0, j = SYMBOL_COUNT; j < NODE_COUNT; i += 2, ++j) {
        t.freq[j] = static_cast<uint16_t>(t.freq[i] + t.freq[i + 1]);
        t.child[j] = static_cast<uint16_t>(i);
        t.parent[i] = t.parent[i + 1] = static_cast<uint16_t>(j);
    }
    t.freq[NODE_COUNT] = 0xFFFF;
    t.parent[ROOT] = 0;
    t.rebuildCount = 0;
}

void RebuildTree(ReferenceTree& t) {
    int leaves = 0;
    for (int i = 0; i < NODE_COUNT; ++i) {
        if (t.child[i] >= NODE_COUNT) {
            t.freq[leaves] = static_cast<uint16_t>((t.freq[i] + 1) / 2);
            t.child[leaves] = t.child[i];
            ++leaves;
        }
    }
    for (int i = 0, j = SYMBOL_COUNT; j < NODE_COUNT; i += 2, ++j) {
        const unsigned f = t.freq[i] + t.freq[i + 1];
        int k = j - 1;
        while (f < t.freq[k]) --k;
        ++k;
        for (int m = j; m > k; --m) {
            t.freq[m] = t.freq[m - 1];
            t.child[m] = t.child[m - 1];
        }
        t.freq[k] = static_cast<uint16_t>(f);
        t.child[k] = static_cast<uint16_t>(i);
    }
    for (int i = 0; i < NODE_COUNT; ++i) {
        const int a = t.child[i];
        t.parent[a] = static_cast<uint16_t>(i);
        if (a < NODE_COUNT) t.parent[a + 1] = static_cast<uint16_t>(i);
    }
    ++t.rebuildCount;
}

void UpdateTree(ReferenceTree& t, int symbol) {
    if (t.freq[ROOT] == FREQ_LIMIT) RebuildTree(t);
    int c = t.parent[NODE_COUNT + symbol];
    do {
        const unsigned k = ++t.freq[c];
        if (k > t.freq[c + 1]) {
            int l = c + 1;
            while (k > t.freq[l + 1]) ++l;
            t.freq[c] = t.freq[l];
            t.freq[l] = static_cast<uint16_t>(k);
            const int a = t.child[c];
            t.parent[a] = static_cast<uint16_t>(l);
            if (a < NODE_COUNT) t.parent[a + 1] = static_cast<uint16_t>(l);
            const int b = t.child[l];
            t.child[l] = static_cast<uint16_t>(a);
            t.parent[b] = static_cast<uint16_t>(c);
            if (b < NODE_COUNT) t.parent[b + 1] = static_cast<uint16_t>(c);
            t.child[c] = static_cast<uint16_t>(b);
            c = l;
        }
        c = t.parent[c];
    } while (c != 0);
}

// Code length of every symbol in the tree as it stands: children always sit below their parent,
// so one pass from the root down gives every node's depth.
void CodeLengths(const ReferenceTree& t, uint32_t lengths[SYMBOL_COUNT]) {
    uint16_t depth[NODE_COUNT];
    depth[ROOT] = 0;
    for (int n = ROOT; n >= 0; --n) {
        const int c = t.child[n];
        if (c >= NODE_COUNT) {
            lengths[c - NODE_COUNT] = depth[n];
        } else {
            depth[c] = depth[c + 1] = static_cast<uint16_t>(depth[n] + 1);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Bits out, most significant first

struct BitWriter {
    std::vector<uint8_t>* out;
    uint32_t pending;  // the last `count` bits written, not yet a whole byte
    int count;
};

void PutBits(BitWriter& w, uint32_t bits, int n) {  // n <= 24
    w.pending = (w.pending << n) | bits;
    w.count += n;
    while (w.count >= 8) {
        w.count -= 8;
        w.out->push_back(static_cast<uint8_t>(w.pending >> w.count));
    }
    w.pending &= (1u << w.count) - 1;
}

void FinishBits(BitWriter& w) {
    if (w.count > 0) w.out->push_back(static_cast<uint8_t>(w.pending << (8 - w.count)));
    w.count = 0;
    w.pending = 0;
}

// Position codes of the upper 6 bits, read back from the decoder's reading of a byte: the code of
// u is the top bits of the first byte that maps to u.
struct PositionCodes {
    uint8_t code[64];
    uint8_t length[64];
    PositionCodes() {
        for (int byte = 255; byte >= 0; --byte) {
            const unsigned n = positionCodeLength(static_cast<unsigned>(byte));
            const unsigned u = positionHigh(static_cast<unsigned>(byte), n);
            length[u] = static_cast<uint8_t>(n);
            code[u] = static_cast<uint8_t>(byte >> (8 - length[u]));
        }
    }
};
const PositionCodes Positions;

struct Coder {
    ReferenceTree tree;
    BitWriter writer;
    LzhufEncodeStats* stats;
    std::vector<LzhufToken>* tokens;  // when set, every token sent is appended
    uint8_t path[NODE_COUNT];
};

void InitCoder(Coder& coder, std::vector<uint8_t>* out, LzhufEncodeStats* stats,
               std::vector<LzhufToken>* tokens = nullptr) {
    InitTree(coder.tree);
    coder.writer = BitWriter{out, 0, 0};
    coder.stats = stats;
    coder.tokens = tokens;
    if (stats) {
        stats->literalCount = stats->matchCount = stats->rebuildCount = stats->longestCode = 0;
    }
}

void EncodeSymbol(Coder& coder, int symbol) {
    const ReferenceTree& t = coder.tree;
    // Collect the path leaf-up, then send it root-down; any depth fits.
    int depth = 0;
    for (int n = t.parent[NODE_COUNT + symbol]; n != ROOT; n = t.parent[n]) coder.path[depth++] = n & 1;
    for (int at = depth; at > 0;) {
        const int chunk = std::min(at, 16);
        uint32_t bits = 0;
        for (int k = 0; k < chunk; ++k) bits = (bits << 1) | coder.path[at - 1 - k];
        PutBits(coder.writer, bits, chunk);
        at -= chunk;
    }
    if (coder.stats && static_cast<uint32_t>(depth) > coder.stats->longestCode) coder.stats->longestCode = depth;
    UpdateTree(coder.tree, symbol);
}

void EncodeToken(Coder& coder, LzhufToken token) {
    if (coder.tokens) coder.tokens->push_back(token);
    if (token.length < MIN_MATCH) {
        EncodeSymbol(coder, token.value & 0xFF);
        if (coder.stats) ++coder.stats->literalCount;
        return;
    }
    EncodeSymbol(coder, MATCH_SYMBOL_BASE + token.length);
    const int p = token.value & (RING_SIZE - 1);
    PutBits(coder.writer, Positions.code[p >> POSITION_LOW_BITS], Positions.length[p >> POSITION_LOW_BITS]);
    PutBits(coder.writer, p & ((1 << POSITION_LOW_BITS) - 1), POSITION_LOW_BITS);
    if (coder.stats) ++coder.stats->matchCount;
}

void FinishCoder(Coder& coder) {
    FinishBits(coder.writer);
    if (LzhufEncodeStats* s = coder.stats) {
        s->rebuildCount = coder.tree.rebuildCount;
        memcpy(s->freq, coder.tree.freq, sizeof s->freq);
        memcpy(s->child, coder.tree.child, sizeof s->child);
        memcpy(s->parent, coder.tree.parent, sizeof s->parent);
    }
}

// ---------------------------------------------------------------------------------------------
// Match finding over the last RING_SIZE virtual positions. Chains link the positions that share
// a hash of their next 4 bytes, which keeps them short in text; a second set of chains, on a hash
// of 3 bytes, is walked only past hash collisions to the nearest true 3-byte source, the one worth
// having for a 3-byte match (a 3-byte match whose fourth byte differs is in no 4-byte chain).

const int HASH_BITS = 15;
const uint32_t CHAIN_MASK = 2 * RING_SIZE - 1;  // a chain link is read only while it is in the window
const int CHAIN_LIMIT = 256;
const int GOOD_MATCH = 24;
const int GOOD_MATCH_STEPS = 16;
const int COLLISION_STEPS = 64;        // 3-byte chain links passed over before giving up
const int PADDING = 16;                 // zero bytes after the data for word-wide reads

struct Match {
    uint16_t length;
    uint16_t distance;  // 1..4096: the position code is distance - 1
};

struct MatchFinder {
    std::vector<uint8_t> buffer;  // spaces, the data, padding
    std::vector<uint32_t> head3;  // 0: none (virtual index 0 is never entered)
    std::vector<uint32_t> prev3;
    std::vector<uint32_t> head4;
    std::vector<uint32_t> prev4;
};

uint32_t Hash3(const uint8_t* p) {
    const uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
    return (v * 2654435761u) >> (32 - HASH_BITS);
}

uint32_t Hash4(const uint8_t* p) {
    uint32_t v;
    memcpy(&v, p, sizeof v);
    return (v * 2654435761u) >> (32 - HASH_BITS);
}

void Insert(MatchFinder& f, size_t v) {
    const uint8_t* here = &f.buffer[v];
    const uint32_t h3 = Hash3(here);
    f.prev3[v & CHAIN_MASK] = f.head3[h3];
    f.head3[h3] = static_cast<uint32_t>(v);
    const uint32_t h = Hash4(here);
    f.prev4[v & CHAIN_MASK] = f.head4[h];
    f.head4[h] = static_cast<uint32_t>(v);
}

void InitMatchFinder(MatchFinder& f, const uint8_t* data, size_t size) {
    f.buffer.assign(RING_START + size + PADDING, 0);
    memset(f.buffer.data(), ' ', RING_START);
    if (size > 0) memcpy(f.buffer.data() + RING_START, data, size);
    f.head3.assign(size_t(1) << HASH_BITS, 0);
    f.prev3.assign(CHAIN_MASK + 1, 0);
    f.head4.assign(size_t(1) << HASH_BITS, 0);
    f.prev4.assign(CHAIN_MASK + 1, 0);
    // Only the spaces just before the data: a run of up to MAX_MATCH spaces finds its nearest
    // source among them while they are in reach, and the farther ones add nothing.
    for (size_t v = RING_START - 64; v < RING_START; ++v) Insert(f, v);
}

int MatchLength(const uint8_t* a, const uint8_t* b, int limit) {
    int n = 0;
    while (n + 8 <= limit) {
        uint64_t x, y;
        memcpy(&x, a + n, 8);
        memcpy(&y, b + n, 8);
        if (x != y) return n + (__builtin_ctzll(x ^ y) >> 3);
        n += 8;
    }
    while (n < limit && a[n] == b[n]) ++n;
    return n;
}

// Fills `out` with the matches at virtual index v that are longer than every nearer one (so the
// nearest source for each length), longest last, and enters v into the tables. Returns their
// count. maxLength is at most MAX_MATCH and never runs past the data.
uint32_t FindMatches(MatchFinder& f, size_t v, int maxLength, Match* out) {
    uint32_t count = 0;
    if (maxLength >= MIN_MATCH) {
        const uint8_t* here = &f.buffer[v];
        int best = MIN_MATCH - 1;
        uint32_t near = f.head3[Hash3(here)];
        for (int steps = 0; near != 0 && v - near <= RING_SIZE && memcmp(&f.buffer[near], here, 3) != 0; ++steps) {
            near = steps < COLLISION_STEPS ? f.prev3[near & CHAIN_MASK] : 0;
        }
        if (near != 0 && v - near <= RING_SIZE) {
            const int length = MatchLength(&f.buffer[near], here, maxLength);
            if (length > best) {
                best = length;
                out[count++] = Match{static_cast<uint16_t>(length), static_cast<uint16_t>(v - near)};
            }
        }
        int steps = CHAIN_LIMIT;
        for (uint32_t c = f.head4[Hash4(here)]; best < maxLength && c != 0 && v - c <= RING_SIZE && steps-- > 0;
             c = f.prev4[c & CHAIN_MASK]) {
            const uint8_t* there = &f.buffer[c];
            if (there[best] != here[best] || there[0] != here[0]) continue;
            const int length = MatchLength(there, here, maxLength);
            if (length > best) {
                best = length;
                out[count++] = Match{static_cast<uint16_t>(length), static_cast<uint16_t>(v - c)};
                // Inside runs and long repeats every link matches about as well: search less.
                if (length >= GOOD_MATCH) steps = std::min(steps, GOOD_MATCH_STEPS);
            }
        }
    }
    Insert(f, v);
    return count;
}

int MaxLengthAt(size_t i, size_t size) {
    return static_cast<int>(std::min<size_t>(MAX_MATCH, size - i));
}

// ---------------------------------------------------------------------------------------------
// Parsers

void ParseGreedy(Coder& coder, MatchFinder& f, size_t size) {
    Match found[MAX_MATCH];
    for (size_t i = 0; i < size;) {
        const int n = FindMatches(f, RING_START + i, MaxLengthAt(i, size), found);
        if (n == 0) {
            EncodeToken(coder, LzhufToken{1, f.buffer[RING_START + i]});
            ++i;
            continue;
        }
        const Match m = found[n - 1];
        EncodeToken(coder, LzhufToken{static_cast<uint16_t>(m.length), static_cast<uint16_t>(m.distance - 1)});
        for (int k = 1; k < m.length; ++k) Insert(f, RING_START + i + k);
        i += m.length;
    }
}

void ParseLazy(Coder& coder, MatchFinder& f, size_t size) {
    Match found[MAX_MATCH];
    Match current{0, 0};
    bool haveCurrent = false;  // current holds the longest match at i (length 0: none)
    for (size_t i = 0; i < size;) {
        if (!haveCurrent) {
            const int n = FindMatches(f, RING_START + i, MaxLengthAt(i, size), found);
            current = n > 0 ? found[n - 1] : Match{0, 0};
        }
        haveCurrent = false;
        if (current.length < MIN_MATCH) {
            EncodeToken(coder, LzhufToken{1, f.buffer[RING_START + i]});
            ++i;
            continue;
        }
        if (i + 1 < size && current.length < MaxLengthAt(i + 1, size)) {
            const int n = FindMatches(f, RING_START + i + 1, MaxLengthAt(i + 1, size), found);
            const Match next = n > 0 ? found[n - 1] : Match{0, 0};
            if (next.length > current.length) {
                EncodeToken(coder, LzhufToken{1, f.buffer[RING_START + i]});
                ++i;
                current = next;
                haveCurrent = true;
                continue;
            }
            for (int k = 2; k < current.length; ++k) Insert(f, RING_START + i + k);
        } else {
            for (int k = 1; k < current.length; ++k) Insert(f, RING_START + i + k);
        }
        EncodeToken(coder, LzhufToken{static_cast<uint16_t>(current.length), static_cast<uint16_t>(current.distance - 1)});
        i += current.length;
    }
}

// Minimum-cost parse. Every OPTIMAL_STEP bytes the symbols are priced with the code lengths of
// the tree as it stands (positions with their fixed code), the cheapest path through the next
// OPTIMAL_STEP + OPTIMAL_LOOKAHEAD bytes is found, and its first OPTIMAL_STEP bytes' worth of
// literals and matches go through the real adaptive coder, which then prices the next step. The
// look-ahead keeps the end of a step from cutting matches short.
const size_t OPTIMAL_STEP = 2048;
const size_t OPTIMAL_LOOKAHEAD = 128;
const size_t MATCH_CACHE = 4096;  // a power of two above OPTIMAL_STEP + OPTIMAL_LOOKAHEAD + MAX_MATCH
const uint32_t NO_COST = 0xFFFFFFFFu;
const uint32_t COST_SCALE = 16;   // costs are in sixteenths of a bit

struct ParseNode {
    uint32_t cost;      // cheapest cost of reaching this position from the step's start
    uint16_t length;    // the last step of that path: 1 a literal, else a match
    uint16_t distance;
};

struct PositionMatches {
    uint32_t count;
    Match match[MAX_MATCH - MIN_MATCH + 1];
};

void ParseOptimal(Coder& coder, MatchFinder& f, size_t size) {
    std::vector<ParseNode> nodes(OPTIMAL_STEP + OPTIMAL_LOOKAHEAD + 1);
    // Left uninitialised: each entry is written before it is read.
    std::unique_ptr<PositionMatches[]> cache(new PositionMatches[std::min(MATCH_CACHE, size + 1)]);
    const size_t cacheMask = MATCH_CACHE - 1;  // cache.size() is MATCH_CACHE or more than size
    std::vector<LzhufToken> path;
    uint32_t positionCost[RING_SIZE];
    for (int p = 0; p < RING_SIZE; ++p) {
        positionCost[p] = (Positions.length[p >> POSITION_LOW_BITS] + POSITION_LOW_BITS) * COST_SCALE;
    }
    uint32_t symbolCost[SYMBOL_COUNT];
    size_t searched = 0;   // positions whose matches are in the cache
    size_t skipUntil = 0;  // positions inside a longest-possible match are not searched

    for (size_t start = 0; start < size;) {
        const size_t end = std::min(size, start + OPTIMAL_STEP + OPTIMAL_LOOKAHEAD);
        for (; searched < end; ++searched) {
            PositionMatches& found = cache[searched & cacheMask];
            if (searched < skipUntil) {
                Insert(f, RING_START + searched);
                found.count = 0;
                continue;
            }
            found.count = FindMatches(f, RING_START + searched, MaxLengthAt(searched, size), found.match);
            if (found.count > 0 && found.match[found.count - 1].length == MAX_MATCH) skipUntil = searched + MAX_MATCH;
        }

        CodeLengths(coder.tree, symbolCost);
        for (uint32_t& cost : symbolCost) cost *= COST_SCALE;
        const uint8_t* bytes = &f.buffer[RING_START + start];
        const size_t span = end - start;
        nodes[0] = ParseNode{0, 0, 0};
        for (size_t j = 1; j <= span; ++j) nodes[j].cost = NO_COST;
        for (size_t j = 0; j < span; ++j) {
            const uint32_t here = nodes[j].cost;
            const uint32_t literal = here + symbolCost[bytes[j]];
            if (literal < nodes[j + 1].cost) nodes[j + 1] = ParseNode{literal, 1, 0};
            const PositionMatches& found = cache[(start + j) & cacheMask];
            const int longest = static_cast<int>(std::min<size_t>(MAX_MATCH, span - j));
            int length = MIN_MATCH;
            for (uint32_t m = 0; m < found.count && length <= longest; ++m) {
                const Match match = found.match[m];
                const uint32_t base = here + positionCost[match.distance - 1];
                const int upTo = std::min<int>(match.length, longest);
                for (; length <= upTo; ++length) {
                    const uint32_t cost = base + symbolCost[MATCH_SYMBOL_BASE + length];
                    if (cost < nodes[j + length].cost) {
                        nodes[j + length] = ParseNode{cost, static_cast<uint16_t>(length), static_cast<uint16_t>(match.distance)};
                    }
                }
            }
        }

        path.clear();
        for (size_t j = span; j > 0; j -= nodes[j].length) {
            const ParseNode& node = nodes[j];
            path.push_back(node.length == 1 ? LzhufToken{1, bytes[j - 1]}
                                            : LzhufToken{node.length, static_cast<uint16_t>(node.distance - 1)});
        }
        size_t covered = 0;
        for (size_t k = path.size(); k > 0 && (covered < OPTIMAL_STEP || end == size); --k) {
            EncodeToken(coder, path[k - 1]);
            covered += path[k - 1].length;
        }
        start += covered;
    }
}

std::vector<uint8_t> Encode(const uint8_t* data, size_t size, LzhufParse parse, LzhufEncodeStats* stats,
                            std::vector<LzhufToken>* tokens) {
    std::vector<uint8_t> out;
    out.reserve(size / 2 + 16);
    Coder coder;
    InitCoder(coder, &out, stats, tokens);
    MatchFinder finder;
    InitMatchFinder(finder, data, size);
    switch (parse) {
    case LzhufParse::Greedy: ParseGreedy(coder, finder, size); break;
    case LzhufParse::Lazy: ParseLazy(coder, finder, size); break;
    case LzhufParse::Optimal: ParseOptimal(coder, finder, size); break;
    }
    FinishCoder(coder);
    return out;
}

}  // namespace

std::vector<uint8_t> EncodeLzhuf(const uint8_t* data, size_t size, LzhufParse parse, LzhufEncodeStats* stats) {
    return Encode(data, size, parse, stats, nullptr);
}

std::vector<uint8_t> EncodeLzhuf(const uint8_t* data, size_t size, LzhufParse parse) {
    return Encode(data, size, parse, nullptr, nullptr);
}

std::vector<LzhufToken> ParseLzhuf(const uint8_t* data, size_t size, LzhufParse parse) {
    std::vector<LzhufToken> tokens;
    Encode(data, size, parse, nullptr, &tokens);
    return tokens;
}

std::vector<uint8_t> EncodeLzhufTokens(const LzhufToken* tokens, size_t count, LzhufEncodeStats* stats) {
    std::vector<uint8_t> out;
    for (size_t k = 0; k < count; ++k) {
        const bool literal = tokens[k].length == 1 && tokens[k].value < 256;
        const bool match = tokens[k].length >= MIN_MATCH && tokens[k].length <= MAX_MATCH && tokens[k].value < RING_SIZE;
        if (!literal && !match) return out;
    }
    Coder coder;
    InitCoder(coder, &out, stats);
    for (size_t k = 0; k < count; ++k) EncodeToken(coder, tokens[k]);
    FinishCoder(coder);
    return out;
}
