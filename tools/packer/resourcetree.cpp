#include "resourcetree.h"

#include <algorithm>
#include <set>

#include "peimage.h"

namespace {

enum : uint32_t { HighBit = 0x80000000u };

enum Folding { UPPER_CASE, LOWER_CASE };

char16_t Fold(char16_t c, Folding folding) {
    if (folding == UPPER_CASE) return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

// Negative, zero or positive as `a` comes before, with or after `b` in a directory.
int CompareIds(const ResourceId& a, const ResourceId& b, Folding folding) {
    if (a.IsText() != b.IsText()) return a.IsText() ? -1 : 1;
    if (!a.IsText()) return int{a.number} - int{b.number};
    for (size_t i = 0; i < a.text.size() && i < b.text.size(); ++i) {
        const int difference = int{Fold(a.text[i], folding)} - int{Fold(b.text[i], folding)};
        if (difference != 0) return difference;
    }
    return a.text.size() < b.text.size() ? -1 : a.text.size() > b.text.size() ? 1 : 0;
}

std::string Describe(const ResourceId& id) {
    if (!id.IsText()) return "#" + std::to_string(id.number);
    return std::string(id.text.begin(), id.text.end());
}

bool CheckText(const ResourceId& id, std::string& failure) {
    for (char16_t c : id.text) {
        if (c < 0x20 || c > 0x7E) {
            failure = "a resource name has a character outside printable ASCII";
            return false;
        }
    }
    if (id.text.size() > 0xFFFF) {
        failure = "a resource name is longer than 65535 characters";
        return false;
    }
    return true;
}

// Two neighbours of one directory, `a` sorted before `b`: one entry to the loader when they
// compare equal, and found by both loaders only when lower-casing keeps their order.
bool CheckNeighbours(const ResourceId& a, const ResourceId& b, std::string& failure) {
    if (CompareIds(a, b, UPPER_CASE) == 0 && !(a == b)) {
        failure = "the resource names " + Describe(a) + " and " + Describe(b) + " differ only in case";
        return false;
    }
    if (CompareIds(a, b, UPPER_CASE) < 0 && CompareIds(a, b, LOWER_CASE) >= 0) {
        failure = "the resource names " + Describe(a) + " and " + Describe(b) +
                  " sort differently upper-cased and lower-cased, so a loader could miss one";
        return false;
    }
    return true;
}

// Walks the three levels below the root, each directory once.
struct TreeReader {
    const std::vector<uint8_t>& bytes;
    const PeHeaders& headers;
    size_t root;  // file offset of the root directory
    size_t size;  // bytes of the section from the root on, where every directory offset points
    std::vector<ResourceEntry>& entries;
    std::string& failure;
    std::set<uint32_t> visited;
    uint64_t dataTotal = 0;

    bool Fail(const char* reason) {
        failure = reason;
        return false;
    }

    bool Fits(uint32_t offset, uint64_t count) const { return offset <= size && count <= size - offset; }

    bool ReadId(uint32_t key, ResourceId& id) {
        const ByteReader image{bytes};
        id = ResourceId::Number(static_cast<uint16_t>(key));
        if (!(key & HighBit)) return key <= 0xFFFF || Fail("a resource number is above 65535");
        id.number = 0;
        const uint32_t offset = key & ~HighBit;
        uint32_t length = 0;
        if (!Fits(offset, 2) || !image.U16(root + offset, length) || !Fits(offset, 2 + 2 * uint64_t{length})) {
            return Fail("a resource name lies outside the resource section");
        }
        if (length == 0) return Fail("a resource name is empty");
        for (uint32_t i = 0; i < length; ++i) {
            uint32_t unit = 0;
            image.U16(root + offset + 2 + 2 * size_t{i}, unit);
            id.text.push_back(static_cast<char16_t>(unit));
        }
        return true;
    }

    bool Data(uint32_t offset, ResourceEntry& entry) {
        const ByteReader image{bytes};
        uint32_t rva = 0, count = 0;
        size_t at = 0;
        if (!visited.insert(offset).second) return Fail("a resource data entry is reached twice");
        if (!Fits(offset, 16) || !image.U32(root + offset, rva) || !image.U32(root + offset + 4, count) ||
            !image.U32(root + offset + 8, entry.codePage)) {
            return Fail("a resource data entry lies outside the resource section");
        }
        if (SectionHolding(headers, rva, count, at) == nullptr) {
            return Fail("the data of a resource lies outside the image's sections");
        }
        dataTotal += count;
        if (dataTotal > bytes.size()) return Fail("the resources' data add up to more than the image");
        entry.data.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                          bytes.begin() + static_cast<std::ptrdiff_t>(at + count));
        entries.push_back(entry);
        entry.data.clear();
        return true;
    }

    // Level 0 holds the types, 1 the names, 2 the languages, whose entries lead to data.
    bool Directory(uint32_t offset, int level, ResourceEntry& entry) {
        const ByteReader image{bytes};
        if (!visited.insert(offset).second) return Fail("a resource directory is reached twice (a loop)");
        uint32_t named = 0, numbered = 0;
        if (!Fits(offset, 16) || !image.U16(root + offset + 12, named) || !image.U16(root + offset + 14, numbered) ||
            !Fits(offset, 16 + 8 * uint64_t{named + numbered})) {
            return Fail("a resource directory lies outside the resource section");
        }
        for (uint32_t i = 0; i < named + numbered; ++i) {
            uint32_t key = 0, target = 0;
            image.U32(root + offset + 16 + 8 * size_t{i}, key);
            image.U32(root + offset + 20 + 8 * size_t{i}, target);
            ResourceId id;
            if (!ReadId(key, id)) return false;
            if (level == 0) entry.type = id;
            if (level == 1) entry.name = id;
            if (level == 2) {
                if (id.IsText()) return Fail("a resource language is given as a name");
                entry.language = id.number;
                if (target & HighBit) return Fail("a resource language leads to a directory, not to data");
                if (!Data(target, entry)) return false;
            } else {
                if (!(target & HighBit)) return Fail("a resource type or name leads to data, not to a directory");
                if (!Directory(target & ~HighBit, level + 1, entry)) return false;
            }
        }
        return true;
    }
};

}  // namespace

bool OrderResourceEntries(std::vector<ResourceEntry>& entries, std::string& failure) {
    for (const ResourceEntry& entry : entries) {
        if (!CheckText(entry.type, failure) || !CheckText(entry.name, failure)) return false;
    }
    std::stable_sort(entries.begin(), entries.end(), [](const ResourceEntry& a, const ResourceEntry& b) {
        if (const int type = CompareIds(a.type, b.type, UPPER_CASE)) return type < 0;
        if (const int name = CompareIds(a.name, b.name, UPPER_CASE)) return name < 0;
        return a.language < b.language;
    });
    for (size_t i = 1; i < entries.size(); ++i) {
        const ResourceEntry& a = entries[i - 1];
        const ResourceEntry& b = entries[i];
        if (!CheckNeighbours(a.type, b.type, failure)) return false;
        if (a.type == b.type && !CheckNeighbours(a.name, b.name, failure)) return false;
        if (a.type == b.type && a.name == b.name && a.language == b.language) {
            failure = "two resources have the type " + Describe(a.type) + ", the name " + Describe(a.name) +
                      " and the language " + std::to_string(a.language);
            return false;
        }
    }
    return true;
}

bool ReadResourceTree(const std::vector<uint8_t>& image, std::vector<ResourceEntry>& entries, std::string& failure) {
    entries.clear();
    PeHeaders headers;
    if (!ReadPeHeaders(image, headers, failure)) return false;
    uint32_t rva = 0, size = 0;
    ReadPeDirectory(image, headers, PE_DIRECTORY_RESOURCE, rva, size);
    if (rva == 0) return true;
    size_t root = 0;
    const PeSection* section = SectionHolding(headers, rva, 16, root);
    if (section == nullptr) {
        failure = "the resource directory lies outside the sections";
        return false;
    }
    TreeReader reader{image, headers, root, section->rawSize - (rva - section->virtualAddress), entries, failure, {}, 0};
    ResourceEntry entry = {};
    if (!reader.Directory(0, 0, entry) || !OrderResourceEntries(entries, failure)) {
        entries.clear();
        return false;
    }
    return true;
}
