// porvane-damage PROGRAM COPY RESOURCE
// Writes COPY: PROGRAM with one byte in the middle of its raw-data resource RESOURCE inverted,
// everything else byte for byte the same. The end-to-end test of the damaged-installer check runs
// such a copy of the installer.
#include <stdio.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "peresource.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: porvane-damage PROGRAM COPY RESOURCE\n"
                     "  Writes COPY, a copy of PROGRAM with one byte of its raw-data resource RESOURCE inverted.\n";
        return 2;
    }
    std::ifstream input(argv[1], std::ios::binary);
    const std::vector<uint8_t> original((std::istreambuf_iterator<char>(input)), std::istreambuf_iterator<char>());
    if (!input.good() && !input.eof()) {
        std::cerr << argv[1] << ": cannot be read\n";
        return 1;
    }
    ResourceLocation location = {};
    std::string failure;
    if (!FindRcDataResource(original, argv[3], location, failure)) {
        std::cerr << argv[1] << ": " << failure << "\n";
        return 1;
    }
    if (location.size == 0) {
        std::cerr << argv[1] << ": the resource " << argv[3] << " is empty\n";
        return 1;
    }
    std::vector<uint8_t> damaged = original;
    const size_t at = location.fileOffset + location.size / 2;
    damaged[at] ^= 0xFF;

    // Written under another name first, so that COPY is never a half-written program.
    const std::string temporary = std::string(argv[2]) + ".part";
    {
        std::ofstream output(temporary, std::ios::binary | std::ios::trunc);
        output.write(reinterpret_cast<const char*>(damaged.data()), static_cast<std::streamsize>(damaged.size()));
        if (!output) {
            std::cerr << temporary << ": cannot be written\n";
            remove(temporary.c_str());
            return 1;
        }
    }
    std::error_code ignored;  // a copy without the program's permissions still runs under Wine
    std::filesystem::permissions(temporary, std::filesystem::status(argv[1], ignored).permissions(), ignored);
    if (rename(temporary.c_str(), argv[2]) != 0) {
        std::cerr << argv[2] << ": cannot be written\n";
        remove(temporary.c_str());
        return 1;
    }
    printf("porvane-damage: %s byte %zu of %zu (file offset %zu) inverted in %s\n", argv[3],
           location.size / 2, location.size, at, argv[2]);
    return 0;
}
