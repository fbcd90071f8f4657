// The test programs carry the installer's resources; the product is read from them before any
// test starts, as the installer reads it before anything else. It is read before every other
// static initialiser too, as some test constants are taken from it.
#include <stdio.h>
#include <stdlib.h>

#include "manifest.h"

namespace {

struct ManifestLoader {
    ManifestLoader() {
        if (LoadProduct()) return;
        fputs("this test program carries no readable product (the resource PRODUCT and its texts)\n", stderr);
        abort();
    }
};

const ManifestLoader Loader __attribute__((init_priority(101)));

}  // namespace
