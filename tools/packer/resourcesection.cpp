#include "resourcesection.h"

#include <map>

#include "peimage.h"

namespace {

enum : uint32_t { HighBit = 0x80000000u };

// One directory of the tree: its entries' ids and, for each, the range of `entries` below it.
struct Directory {
    uint32_t offset;
    std::vector<ResourceId> ids;
    std::vector<size_t> first;  // index into entries of each id's first resource
    std::vector<size_t> child;  // index into the directory list of each id's subdirectory
};

// The name and language directories of the resources in [begin, end), all of one type.
void AddNames(const std::vector<ResourceEntry>& entries, size_t begin, size_t end, std::vector<Directory>& names,
              std::vector<Directory>& languages) {
    Directory directory = {};
    for (size_t i = begin; i < end; ++i) {
        if (i == begin || !(entries[i].name == entries[i - 1].name)) {
            directory.ids.push_back(entries[i].name);
            directory.first.push_back(i);
            directory.child.push_back(languages.size());
            languages.push_back(Directory{});
        }
        Directory& language = languages.back();
        language.ids.push_back(ResourceId::Number(entries[i].language));
        language.first.push_back(i);
    }
    names.push_back(directory);
}

uint64_t DirectorySize(const Directory& directory) { return 16 + 8 * uint64_t{directory.ids.size()}; }

}  // namespace

bool BuildResourceSection(std::vector<ResourceEntry> entries, uint32_t rva, std::vector<uint8_t>& section,
                          std::string& failure) {
    if (!OrderResourceEntries(entries, failure)) return false;

    // The tree, level by level: the root's entries are the types.
    Directory root = {};
    std::vector<Directory> names, languages;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i > 0 && entries[i].type == entries[i - 1].type) continue;
        size_t end = i + 1;
        while (end < entries.size() && entries[end].type == entries[i].type) ++end;
        root.ids.push_back(entries[i].type);
        root.first.push_back(i);
        root.child.push_back(names.size());
        AddNames(entries, i, end, names, languages);
    }

    // Offsets: the directories, the data entries, the strings, then the data.
    uint64_t at = DirectorySize(root);
    for (Directory& directory : names) {
        directory.offset = static_cast<uint32_t>(at);
        at += DirectorySize(directory);
    }
    for (Directory& directory : languages) {
        directory.offset = static_cast<uint32_t>(at);
        at += DirectorySize(directory);
    }
    const uint64_t dataEntries = at;
    at += 16 * uint64_t{entries.size()};
    std::map<std::u16string, uint64_t> strings;
    std::vector<const std::u16string*> stringOrder;
    const auto addString = [&](const ResourceId& id) {
        if (id.IsText() && strings.emplace(id.text, at).second) {
            stringOrder.push_back(&id.text);
            at += 2 + 2 * uint64_t{id.text.size()};
        }
    };
    for (const ResourceId& id : root.ids) addString(id);
    for (const Directory& directory : names) {
        for (const ResourceId& id : directory.ids) addString(id);
    }
    std::vector<uint64_t> dataOffsets;
    for (const ResourceEntry& entry : entries) {
        at = AlignUp(at, 8);
        dataOffsets.push_back(at);
        at += entry.data.size();
    }
    if (at >= HighBit || rva + at > 0xFFFFFFFFu) {
        failure = "the resources are too large for a resource section";
        return false;
    }

    section.assign(static_cast<size_t>(at), 0);
    const auto putDirectory = [&](const Directory& directory, const std::vector<Directory>* below) {
        size_t named = 0;
        for (const ResourceId& id : directory.ids) named += id.IsText() ? 1 : 0;
        PutU16(section, directory.offset + 12, static_cast<uint32_t>(named));
        PutU16(section, directory.offset + 14, static_cast<uint32_t>(directory.ids.size() - named));
        for (size_t i = 0; i < directory.ids.size(); ++i) {
            const ResourceId& id = directory.ids[i];
            const size_t entry = directory.offset + 16 + 8 * i;
            PutU32(section, entry, id.IsText() ? static_cast<uint32_t>(strings[id.text]) | HighBit : id.number);
            PutU32(section, entry + 4,
                   below ? (*below)[directory.child[i]].offset | HighBit
                         : static_cast<uint32_t>(dataEntries + 16 * directory.first[i]));
        }
    };
    putDirectory(root, &names);
    for (const Directory& directory : names) putDirectory(directory, &languages);
    for (const Directory& directory : languages) putDirectory(directory, nullptr);
    for (size_t i = 0; i < entries.size(); ++i) {
        const size_t entry = static_cast<size_t>(dataEntries + 16 * i);
        PutU32(section, entry, static_cast<uint32_t>(rva + dataOffsets[i]));
        PutU32(section, entry + 4, static_cast<uint32_t>(entries[i].data.size()));
        PutU32(section, entry + 8, entries[i].codePage);
        std::copy(entries[i].data.begin(), entries[i].data.end(),
                  section.begin() + static_cast<std::ptrdiff_t>(dataOffsets[i]));
    }
    for (const std::u16string* text : stringOrder) {
        const size_t offset = static_cast<size_t>(strings[*text]);
        PutU16(section, offset, static_cast<uint32_t>(text->size()));
        for (size_t i = 0; i < text->size(); ++i) PutU16(section, offset + 2 + 2 * i, (*text)[i]);
    }
    return true;
}
