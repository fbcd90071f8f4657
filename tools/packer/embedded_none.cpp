// The build's own packer: it is made before the programs it could carry, and is always given them.
#include "embedded.h"

EmbeddedProgram EmbeddedInstallerBase() { return {nullptr, 0}; }
EmbeddedProgram EmbeddedUninstallerBase() { return {nullptr, 0}; }
