// LZHUF payload decoder: adaptive-Huffman-coded LZSS with a 4096-byte ring.
// Portable: the caller supplies where the decoded blocks go.
#pragma once

#include <stdint.h>

// Where decoded output goes. writeBlock writes `count` bytes and returns how many were written;
// addProgress is then told that count (the installer's AddProgress; may pump window messages).
struct PayloadSink {
    void* context;
    uint32_t (*writeBlock)(void* context, const uint8_t* data, uint32_t count);
    void (*addProgress)(void* context, uint32_t count);
};

// Decodes `compressedSize` bytes of stream into exactly `fileSize` bytes, in 1024-byte blocks
// (the last one shorter). Never reads outside the payload and never produces more than fileSize.
// Returns false as soon as a block write comes up short; decoding stops there.
bool decodePayload(const PayloadSink& sink, const uint8_t* payload, uint32_t compressedSize,
                   uint32_t fileSize);

// The adaptive tree, read-only. freq has 628 entries (the last is the 0xFFFF sentinel), child 627,
// parent 941 (627 node links, then one leaf link per symbol).
struct LzhufTreeView {
    const uint16_t* freq;
    const uint16_t* child;
    const uint16_t* parent;
};

// What the last decodePayload did; for the tests and the benchmarks.
struct LzhufDecodeStats {
    uint32_t rebuildCount;   // full tree rebuilds (root count reached 0x8000)
    uint32_t droppedBytes;   // match bytes cut off at fileSize (a damaged stream)
    uint64_t bitsRead;       // stream bits taken by the codes
    uint32_t bytesPastEnd;   // payload bytes a byte-at-a-time reader would have asked for beyond
                             // compressedSize (each reads as 0; none is actually read)
    LzhufTreeView tree;      // the tree as the decode left it
};
LzhufDecodeStats ReadDecodeStats();
