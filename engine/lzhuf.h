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
