// The uninstaller of row 0 (source @uninstaller) made by writing the product into a copy of the
// product-free uninstaller, with no resource compiler.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "description.h"
#include "diagnostics.h"

// The product-free uninstaller at basePath (empty: the one the packer carries) with the product's list (INSTALLED, the bytes that
// `--describe` writes into installed.bin) and its application manifest written into its resources,
// then padded with zero bytes, as the build pads a linked program, to the size row 0 fixes (the
// checksum counting the padding). files: each row's file as LoadRowFiles reads them, row 0's left
// empty. False, with the file, the line and the reason in diagnostics, when base cannot be read,
// is no product-free uninstaller, or does not fit row 0's size.
bool BuildUninstaller(const ProductDescription& description, const std::vector<std::vector<uint8_t>>& files,
                      const std::string& basePath, std::vector<uint8_t>& uninstaller, Diagnostics& diagnostics);
