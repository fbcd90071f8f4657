// A program's resources as a flat list: each one's type, name and language with its bytes, read
// from an image's resource directory or about to be written into one.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

// A type or a name: a number, or (when `text` is not empty) a string.
struct ResourceId {
    std::u16string text;
    uint16_t number;

    static ResourceId Number(uint16_t number) { return ResourceId{std::u16string(), number}; }
    static ResourceId Text(const std::string& ascii) { return ResourceId{std::u16string(ascii.begin(), ascii.end()), 0}; }
    bool IsText() const { return !text.empty(); }
    bool operator==(const ResourceId& other) const { return text == other.text && number == other.number; }
};

enum ResourceType : uint16_t {
    RESOURCE_STRING = 6,
    RESOURCE_RAW_DATA = 10,
    RESOURCE_VERSION = 16,
    RESOURCE_MANIFEST = 24,
};

struct ResourceEntry {
    ResourceId type;
    ResourceId name;
    uint16_t language;
    uint32_t codePage;  // of the data entry; 0 as resource compilers write it
    std::vector<uint8_t> data;

    bool operator==(const ResourceEntry& other) const {
        return type == other.type && name == other.name && language == other.language &&
               codePage == other.codePage && data == other.data;
    }
};

// Puts entries in the order of a resource directory: by type, then name, then language; in each
// directory the names first, compared as the loader compares them, then the numbers ascending.
// False, with the reason, for what no loader could look up: an empty name or one with characters
// outside printable ASCII, two entries that the loader cannot tell apart, or names whose order
// depends on whether the loader compares them upper-cased (Windows) or lower-cased (Wine), as
// '_' against a letter does.
bool OrderResourceEntries(std::vector<ResourceEntry>& entries, std::string& failure);

// Reads the resource directory of a PE image into entries, in the order above (none when the
// image has no resource directory). False, with the reason, when any offset or size points
// outside the image, a directory is reached twice (a loop or a shared branch), the tree is not
// type / name / language deep, or the entries break a rule of OrderResourceEntries.
bool ReadResourceTree(const std::vector<uint8_t>& image, std::vector<ResourceEntry>& entries, std::string& failure);
