// CRC-32 as in zip and PNG (reflected polynomial 0xEDB88320, all-ones start, inverted result).
#pragma once

#include <stddef.h>
#include <stdint.h>

uint32_t Crc32(const uint8_t* data, size_t size);
