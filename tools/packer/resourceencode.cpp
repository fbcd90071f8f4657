#include "resourceencode.h"

#include <stdio.h>

#include "peimage.h"

namespace {

// Windows-1252 0x80-0x9F; the unassigned 0x81, 0x8D, 0x8F, 0x90 and 0x9D map to themselves.
const char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendU16(std::vector<uint8_t>& data, uint32_t value) {
    data.push_back(static_cast<uint8_t>(value));
    data.push_back(static_cast<uint8_t>(value >> 8));
}

void AppendU32(std::vector<uint8_t>& data, uint32_t value) {
    AppendU16(data, value & 0xFFFF);
    AppendU16(data, value >> 16);
}

void AppendText(std::vector<uint8_t>& data, const std::u16string& text) {
    for (char16_t unit : text) AppendU16(data, unit);
}

void PadTo4(std::vector<uint8_t>& data) {
    while (data.size() % 4 != 0) data.push_back(0);
}

// A version block: length, value length, type, key (NUL-terminated), padding, value, padding,
// then its children each 4-byte aligned. `valueLength` counts bytes for binary values and
// UTF-16 units for texts, as the format has it. Returns the block's start; the caller ends it with
// EndBlock once its children are in.
size_t BeginBlock(std::vector<uint8_t>& data, const std::string& key, uint32_t valueLength, bool text) {
    PadTo4(data);
    const size_t start = data.size();
    AppendU16(data, 0);
    AppendU16(data, valueLength);
    AppendU16(data, text ? 1 : 0);
    AppendText(data, Cp1252ToUtf16(key));
    AppendU16(data, 0);
    PadTo4(data);
    return start;
}

bool EndBlock(std::vector<uint8_t>& data, size_t start) {
    if (data.size() - start > 0xFFFF) return false;
    PutU16(data, start, static_cast<uint32_t>(data.size() - start));
    return true;
}

}  // namespace

std::u16string Cp1252ToUtf16(const std::string& text) {
    std::u16string result;
    for (char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        result.push_back(byte >= 0x80 && byte < 0xA0 ? Cp1252High[byte - 0x80] : char16_t{byte});
    }
    return result;
}

bool EncodeStringTable(const std::map<uint16_t, std::string>& strings, uint16_t language,
                       std::vector<ResourceEntry>& entries, std::string& failure) {
    for (auto it = strings.begin(); it != strings.end();) {
        const uint32_t block = it->first / 16;
        ResourceEntry entry = {ResourceId::Number(RESOURCE_STRING), ResourceId::Number(static_cast<uint16_t>(block + 1)),
                               language, 0, {}};
        for (uint32_t id = block * 16; id < block * 16 + 16; ++id) {
            std::u16string text;
            if (it != strings.end() && it->first == id) text = Cp1252ToUtf16((it++)->second);
            if (text.size() > 0xFFFF) {
                failure = "the string " + std::to_string(id) + " is longer than 65535 characters";
                return false;
            }
            AppendU16(entry.data, static_cast<uint32_t>(text.size()));
            AppendText(entry.data, text);
        }
        entries.push_back(entry);
    }
    return true;
}

bool EncodeVersionInfo(const VersionInfo& info, std::vector<uint8_t>& data, std::string& failure) {
    failure = "the version information is larger than 65535 bytes";
    data.clear();
    const size_t root = BeginBlock(data, "VS_VERSION_INFO", 52, false);
    const uint32_t fixed[13] = {
        0xFEEF04BD, 0x00010000,
        uint32_t{info.fileVersion[0]} << 16 | info.fileVersion[1], uint32_t{info.fileVersion[2]} << 16 | info.fileVersion[3],
        uint32_t{info.productVersion[0]} << 16 | info.productVersion[1],
        uint32_t{info.productVersion[2]} << 16 | info.productVersion[3],
        info.fileFlagsMask, info.fileFlags, info.fileOs, info.fileType, info.fileSubtype, 0, 0,
    };
    for (uint32_t value : fixed) AppendU32(data, value);

    const size_t stringInfo = BeginBlock(data, "StringFileInfo", 0, true);
    char tableKey[9];
    snprintf(tableKey, sizeof tableKey, "%04X%04X", unsigned{info.language}, unsigned{info.codePage});
    const size_t table = BeginBlock(data, tableKey, 0, true);
    for (const auto& [key, value] : info.strings) {
        const std::u16string text = Cp1252ToUtf16(value);
        if (text.size() >= 0xFFFF) return false;
        const size_t string = BeginBlock(data, key, static_cast<uint32_t>(text.size() + 1), true);
        AppendText(data, text);
        AppendU16(data, 0);
        if (!EndBlock(data, string)) return false;
    }
    if (!EndBlock(data, table) || !EndBlock(data, stringInfo)) return false;

    const size_t varInfo = BeginBlock(data, "VarFileInfo", 0, true);
    const size_t translation = BeginBlock(data, "Translation", 4, false);
    AppendU16(data, info.language);
    AppendU16(data, info.codePage);
    if (!EndBlock(data, translation) || !EndBlock(data, varInfo) || !EndBlock(data, root)) return false;
    failure.clear();
    return true;
}
