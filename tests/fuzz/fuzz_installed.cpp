// libFuzzer target for the uninstaller's reader of its list. An input is a record as it comes,
// then the same bytes with the CRC-32 that their header's size names written in, so that the
// checks behind the CRC are reached too. The reader must never read or write out of bounds
// (AddressSanitizer), and a record it accepts must hold counts and NUL-terminated texts that fit
// their buffers; one it refuses leaves the list empty.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "installedrecord.h"
#include "payloadcheck.h"

namespace {

void Require(bool condition) {
    if (!condition) abort();
}

bool Terminated(const char* text, size_t size) { return text[0] != '\0' && memchr(text, 0, size) != nullptr; }

void Check(const uint8_t* data, size_t size, InstalledProduct& list) {
    if (!ReadInstalledRecord(data, size, list)) {
        Require(list.fileCount == 0 && list.shortcutCount == 0 && list.productName[0] == '\0');
        return;
    }
    Require(list.fileCount <= InstalledMaxFiles && list.shortcutCount <= list.fileCount);
    Require(Terminated(list.productName, sizeof list.productName) &&
            Terminated(list.publisherKey, sizeof list.publisherKey) && Terminated(list.versionKey, sizeof list.versionKey));
    for (int i = 0; i < list.fileCount; ++i) Require(Terminated(list.files[i].fileName, InstalledFileNameSize));
    for (int i = 0; i < list.shortcutCount; ++i) Require(Terminated(list.shortcutNames[i], InstalledLinkNameSize));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static InstalledProduct list;
    // Exactly the input's bytes, so that a read past them is caught.
    std::vector<uint8_t> record(data, data + size);
    Check(record.data(), record.size(), list);
    if (size < InstalledHeaderSize) return 0;
    const uint32_t recordSize = record[12] | record[13] << 8 | record[14] << 16 | static_cast<uint32_t>(record[15]) << 24;
    if (recordSize < InstalledHeaderSize || recordSize > size) return 0;
    const uint32_t crc = Crc32Continue(Crc32(record.data(), InstalledCrcOffset), record.data() + InstalledHeaderSize,
                                       recordSize - InstalledHeaderSize);
    for (int i = 0; i < 4; ++i) record[InstalledCrcOffset + i] = static_cast<uint8_t>(crc >> (8 * i));
    Check(record.data(), record.size(), list);
    return 0;
}
