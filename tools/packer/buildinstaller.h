// porvane-pack build: a product's installer made by writing the product into a copy of the
// product-free installer, with no resource compiler.
#pragma once

#include <stdint.h>

#include <ostream>
#include <string>
#include <vector>

#include "codegen.h"
#include "description.h"
#include "inputs.h"
#include "resourcetree.h"

struct BuildOptions {
    std::string description;
    std::string output;               // the installer to write
    std::vector<std::string> inputs;  // folders searched for the description's relative paths
    std::string base;                 // the product-free installer; empty: the one the packer carries
    std::string uninstaller;          // the uninstaller made for this product (row 0's @uninstaller)
    std::string uninstallerBase;      // or the product-free uninstaller to make it from, preferred
    std::string uninstallerOutput;    // optional: where to write row 0's uninstaller as made, too
    std::string depfile;              // optional: make-style list of every file read, for `output`
    bool installedList = false;       // also write row 0's list (INSTALLED) into the output, for a
                                      // program that runs the removal's code as well
};

// The product's resources exactly as the resource compiler makes them from payloads.rc: each
// row's stream (RT_RCDATA, by its resource name), LICENSE, PRODUCT (`product`), the string table
// block of the product's texts, the version information and the application manifest (RT_MANIFEST 1).
// False, with the reason, when a text does not fit its resource.
bool ProductEntries(const ProductDescription& description, const LoadedInputs& inputs,
                    const std::vector<std::vector<uint8_t>>& streams, const std::vector<uint8_t>& product,
                    std::vector<ResourceEntry>& entries, std::string& failure);

// The installer's resources: base's (a product-free installer's) without its application manifest,
// version information and the art the description replaces, then the art from `inputs` (bitmaps by
// their ids, icons as a group and its images under fresh image ids) and `product`. False, with the
// reason, when base is no installer, already holds a product, or an icon cannot be read.
bool InstallerEntries(const std::vector<ResourceEntry>& base, const ProductDescription& description,
                      const LoadedInputs& inputs, const std::vector<ResourceEntry>& product,
                      std::vector<ResourceEntry>& entries, std::string& failure);

// The whole run: reads and checks the description and its files, compresses the payloads and
// writes the installer (and the uninstaller and the depfile when asked) under temporary names,
// renamed when complete. Prints the sizes table and the time taken to `out`, every diagnostic to
// `err`; returns the exit code. On any error no output is written.
int RunBuild(const BuildOptions& options, std::ostream& out, std::ostream& err);
