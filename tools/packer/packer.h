// The packer: product description in, compressed payloads and the installer's manifest source out.
#pragma once

#include <stdint.h>

#include <ostream>
#include <string>
#include <vector>

#include "codegen.h"
#include "description.h"
#include "inputs.h"

struct PackerOptions {
    std::string description;
    std::string outDir;
    std::vector<std::string> inputs;  // folders searched for the description's relative paths
    std::string depfile;              // optional: make-style list of every input read
    std::string stamp;                // optional: touched after every successful run; the depfile's target
    std::string uninstaller;          // the project's uninstaller as built for this description
};

// Compresses data and decodes the stream back with the installer's own decoder. False, with the
// reason in `failure`, unless the round trip gives back exactly the same bytes.
bool PackPayload(const std::vector<uint8_t>& data, std::vector<uint8_t>& stream, std::string& failure);

// Every row's file compressed (PackPayload), with the size and CRC-32 the manifest records of its
// stream. False, with the row's line in diagnostics, when a stream does not decode to its file.
bool CompressRows(const ProductDescription& description, const LoadedInputs& inputs,
                  std::vector<std::vector<uint8_t>>& streams, std::vector<PackedRow>& packed, Diagnostics& diagnostics);

// The table of what went in: each row's size, compressed size and ratio, the totals, the licence.
void PrintSizes(const ProductDescription& description, const LoadedInputs& inputs,
                const std::vector<PackedRow>& packed, std::ostream& out);

// The whole run. Prints the sizes table to `out` and every diagnostic to `err`; returns the
// process exit code (0 when all outputs are in place). A refused description changes nothing
// in outDir.
int RunPacker(const PackerOptions& options, std::ostream& out, std::ostream& err);
