// Integrity of the payload streams: the packer compiles the CRC-32 of every compressed stream in
// beside the manifest, and the installer checks each stream against it before it changes anything
// on disk. The packer computes its table with these same routines.
#pragma once

#include <stddef.h>
#include <stdint.h>

// CRC-32 as in zip and PNG: reflected polynomial 0xEDB88320, all-ones start, inverted result.
uint32_t Crc32(const uint8_t* data, size_t size);

// The CRC-32 of the bytes so far (crc, 0 before the first) followed by data: a file read in blocks
// gives the same value as Crc32 of the whole.
uint32_t Crc32Continue(uint32_t crc, const uint8_t* data, size_t size);

// True when a payload resource of `available` bytes holds the whole stream of `compressedSize`
// bytes and those bytes have the CRC-32 the packer recorded. Bytes after the stream (resource
// alignment) are not part of it.
bool PayloadIntact(const uint8_t* resource, size_t available, uint32_t compressedSize, uint32_t expectedCrc);
