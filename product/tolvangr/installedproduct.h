// What one installation of the product consists of: the list the packer writes into the
// uninstaller as its resource INSTALLED (installedrecord.h), from the same product description
// that the installer is built from, so the uninstaller removes exactly what the installer puts in
// place.
#pragma once

#include "installedrecord.h"

// The one list of this program, as LoadInstalled read it.
extern InstalledProduct Installed;

// Reads the resource INSTALLED into Installed. False, with Installed left empty, when the program
// carries no list or a damaged one: then it must not remove anything.
bool LoadInstalled(void);
