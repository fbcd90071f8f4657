#pragma once

// The compiler aligns read-only arrays of 32 bytes or more to 32 bytes, for vector loads this
// program never makes; a text or table marked UNPADDED keeps its natural alignment and wastes no
// padding in the program file.
#define UNPADDED __attribute__((aligned(1)))
