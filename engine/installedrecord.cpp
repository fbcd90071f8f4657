#include "installedrecord.h"

#include <string.h>

#include "payloadcheck.h"

namespace {

// The bytes not yet read; a read past them fails and fails every read after it.
struct RecordReader {
    const uint8_t* at;
    size_t left;
    bool failed;
};

const uint8_t* Take(RecordReader& reader, size_t count) {
    if (reader.failed || count > reader.left) {
        reader.failed = true;
        return nullptr;
    }
    const uint8_t* taken = reader.at;
    reader.at += count;
    reader.left -= count;
    return taken;
}

uint32_t Little(const uint8_t* bytes, size_t count) {
    uint32_t value = 0;
    for (size_t i = count; i > 0; --i) value = value << 8 | bytes[i - 1];
    return value;
}

uint32_t TakeNumber(RecordReader& reader, size_t count) {
    const uint8_t* bytes = Take(reader, count);
    return bytes ? Little(bytes, count) : 0;
}

// A text of 1 to outSize - 1 characters, none of them NUL, into out.
void TakeText(RecordReader& reader, char* out, size_t outSize) {
    const size_t length = TakeNumber(reader, 1);
    const uint8_t* text = Take(reader, length);
    if (!text || length == 0 || length >= outSize || memchr(text, 0, length) != nullptr) {
        reader.failed = true;
        return;
    }
    memcpy(out, text, length);
    out[length] = '\0';
}

void TakeFile(RecordReader& reader, InstalledFile& file) {
    TakeText(reader, file.fileName, sizeof file.fileName);
    const uint32_t flags = TakeNumber(reader, 1);
    file.fileSize = TakeNumber(reader, 4);
    file.crc32 = TakeNumber(reader, 4);
    file.inWindowsFolder = (flags & InstalledFlagWindowsFolder) != 0;
    file.isUninstaller = (flags & InstalledFlagUninstaller) != 0;
    if ((flags & ~static_cast<uint32_t>(InstalledKnownFlags)) != 0) reader.failed = true;
}

bool ReadBody(RecordReader& reader, int fileCount, int shortcutCount, InstalledProduct& product) {
    TakeText(reader, product.productName, sizeof product.productName);
    TakeText(reader, product.publisherKey, sizeof product.publisherKey);
    TakeText(reader, product.versionKey, sizeof product.versionKey);
    for (int i = 0; i < fileCount && !reader.failed; ++i) TakeFile(reader, product.files[i]);
    for (int i = 0; i < shortcutCount && !reader.failed; ++i) {
        TakeText(reader, product.shortcutNames[i], sizeof product.shortcutNames[i]);
    }
    return !reader.failed && reader.left == 0;
}

// The header's checks: this format, counts that fit, a size within the bytes given, the CRC-32.
bool HeaderHolds(const uint8_t* data, size_t size, int& fileCount, int& shortcutCount, uint32_t& recordSize) {
    if (size < InstalledHeaderSize || memcmp(data, InstalledTag, sizeof InstalledTag) != 0) return false;
    fileCount = static_cast<int>(Little(data + 6, 2));
    shortcutCount = static_cast<int>(Little(data + 8, 2));
    recordSize = Little(data + 12, 4);
    return Little(data + 4, 2) == InstalledFormat && Little(data + 10, 2) == 0 && fileCount <= InstalledMaxFiles &&
           shortcutCount <= fileCount && recordSize >= InstalledHeaderSize && recordSize <= size &&
           Crc32Continue(Crc32(data, InstalledCrcOffset), data + InstalledHeaderSize,
                         recordSize - InstalledHeaderSize) == Little(data + InstalledCrcOffset, 4);
}

}  // namespace

bool ReadInstalledRecord(const uint8_t* data, size_t size, InstalledProduct& product) {
    int fileCount = 0, shortcutCount = 0;
    uint32_t recordSize = 0;
    bool read = HeaderHolds(data, size, fileCount, shortcutCount, recordSize);
    if (read) {
        RecordReader reader = {data + InstalledHeaderSize, recordSize - InstalledHeaderSize, false};
        read = ReadBody(reader, fileCount, shortcutCount, product);
    }
    product.fileCount = read ? fileCount : 0;
    product.shortcutCount = read ? shortcutCount : 0;
    if (!read) product.productName[0] = product.publisherKey[0] = product.versionKey[0] = '\0';
    return read;
}
