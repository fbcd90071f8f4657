#include "lzhuf.h"
// Decoder: being written.
bool decodePayload(const PayloadSink&, const uint8_t*, uint32_t, uint32_t) { return false; }
