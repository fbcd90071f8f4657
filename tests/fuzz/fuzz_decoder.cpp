// libFuzzer target for the payload decoder. An input is a little header and a stream:
//   bytes 0-1  fileSize, little-endian (so at most 65535 bytes out per run, a few tree rebuilds)
//   byte  2    0: every write succeeds; n > 0: write number n (from 1) comes up short
//   bytes 3-   the payload stream
// The sink checks that no write is larger than a block, that the bytes never add up past fileSize,
// that each progress report is the count just written, that decoding stops at a short write, and
// that a decode that succeeds delivers exactly fileSize bytes.
#include <stdint.h>
#include <stdlib.h>

#include <vector>

#include "lzhuf.h"

namespace {

struct Check {
    uint32_t fileSize;
    uint32_t shortWrite;  // 1-based index of the write that comes up short, 0 for none
    uint32_t writes;
    uint64_t total;
    uint32_t lastWritten;
    bool reported;        // the last write has been reported
    bool failed;          // a write came up short
};

uint32_t WriteBlock(void* context, const uint8_t* data, uint32_t count) {
    Check& c = *static_cast<Check*>(context);
    if (c.failed || !c.reported || count == 0 || count > 1024) abort();
    c.total += count;
    if (c.total > c.fileSize) abort();
    volatile uint8_t touch = data[0] ^ data[count - 1];  // the whole range must be readable
    (void)touch;
    ++c.writes;
    c.lastWritten = c.writes == c.shortWrite ? count / 2 : count;
    c.failed = c.writes == c.shortWrite;
    c.reported = false;
    return c.lastWritten;
}

void AddProgress(void* context, uint32_t count) {
    Check& c = *static_cast<Check*>(context);
    if (c.reported || count != c.lastWritten) abort();
    c.reported = true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    Check check = {};
    check.fileSize = data[0] | uint32_t(data[1]) << 8;
    check.shortWrite = data[2];
    check.reported = true;
    // An exactly sized copy, so that AddressSanitizer catches a read on either side of it.
    const std::vector<uint8_t> stream(data + 3, data + size);
    const PayloadSink sink = {&check, WriteBlock, AddProgress};
    const bool ok = decodePayload(sink, stream.data(), static_cast<uint32_t>(stream.size()), check.fileSize);
    if (!check.reported) abort();
    if (ok != !check.failed) abort();
    if (ok && check.total != check.fileSize) abort();
    const LzhufDecodeStats stats = ReadDecodeStats();
    if (check.fileSize == 0 && stats.bitsRead != 0) abort();
    return 0;
}
