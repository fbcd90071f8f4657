// The packer's CRC-32 is the installer's own (engine/payloadcheck), so the table it compiles in
// is computed exactly as the installer checks it.
#pragma once

#include "payloadcheck.h"
