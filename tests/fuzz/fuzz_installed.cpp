// libFuzzer target for the uninstaller's reader of its list. An input is a record as it comes,
// then the same bytes with the CRC-32 that their header's size names written in, so that the
// checks behind the CRC are reached too. The reader must never read or write out of bounds
// (AddressSanitizer); a record it accepts holds counts and NUL-terminated texts that fit their
// buffers, one it refuses leaves the list empty.
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "installedrecord.h"
#include "payloadcheck.h"

namespace {

bool Fits(const char* text, size_t size) { return text[0] != '\0' && memchr(text, 0, size) != nullptr; }

void Check(const std::vector<uint8_t>& record, InstalledProduct& list) {
    if (!ReadInstalledRecord(record.data(), record.size(), list)) {
        if (list.fileCount != 0 || list.shortcutCount != 0 || list.productName[0] != '\0') abort();
        return;
    }
    bool fits = list.fileCount <= InstalledMaxFiles && list.shortcutCount <= list.fileCount &&
                Fits(list.productName, sizeof list.productName) && Fits(list.publisherKey, InstalledKeySize) &&
                Fits(list.versionKey, InstalledKeySize);
    for (int i = 0; fits && i < list.fileCount; ++i) fits = Fits(list.files[i].fileName, InstalledFileNameSize);
    for (int i = 0; fits && i < list.shortcutCount; ++i) fits = Fits(list.shortcutNames[i], InstalledLinkNameSize);
    if (!fits) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static InstalledProduct list;
    std::vector<uint8_t> record(data, data + size);  // exactly the input's bytes: a read past them is caught
    Check(record, list);
    uint32_t recordSize = 0;
    for (size_t i = 4; size >= InstalledHeaderSize && i > 0; --i) recordSize = recordSize << 8 | record[11 + i];
    if (recordSize < InstalledHeaderSize || recordSize > size) return 0;
    const uint32_t crc = Crc32Continue(Crc32(record.data(), InstalledCrcOffset), record.data() + InstalledHeaderSize,
                                       recordSize - InstalledHeaderSize);
    for (int i = 0; i < 4; ++i) record[InstalledCrcOffset + i] = static_cast<uint8_t>(crc >> (8 * i));
    Check(record, list);
    return 0;
}
