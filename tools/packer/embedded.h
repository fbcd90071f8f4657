// The product-free programs a packer carries inside itself, so that a publisher needs nothing but
// the packer: the installer `build` writes a product into, and the uninstaller it makes row 0
// from. The build's own packer carries none (embedded_none.cpp); the packers `make dist` leaves
// carry both (a source generated from the programs by cmake/EmbedPrograms.cmake).
#pragma once

#include <stddef.h>
#include <stdint.h>

struct EmbeddedProgram {
    const uint8_t* bytes;  // null when this packer carries no such program
    size_t size;
};

EmbeddedProgram EmbeddedInstallerBase();
EmbeddedProgram EmbeddedUninstallerBase();
