// porvane-pack DESCRIPTION OUTDIR [--inputs DIR]... [--depfile FILE] [--stamp FILE]
// porvane-pack --size-of NAME DESCRIPTION
// porvane-pack --installed-list DESCRIPTION OUTFILE
#include <string.h>

#include <iostream>

#include "codegen.h"
#include "description.h"
#include "outputs.h"
#include "packer.h"

namespace {

int Usage() {
    std::cerr << "usage: porvane-pack DESCRIPTION OUTDIR [--inputs DIR]... [--depfile FILE] [--stamp FILE]\n"
                 "  Relative paths in DESCRIPTION are looked for in each --inputs folder in order, then\n"
                 "  beside DESCRIPTION. Writes manifest_rows.h, payload_crc.h, manifest_data.cpp,\n"
                 "  manifest.bin, payloads.rc and payloads/ into OUTDIR.\n"
                 "       porvane-pack --size-of NAME DESCRIPTION\n"
                 "  Prints the size DESCRIPTION fixes for the file installed as NAME.\n"
                 "       porvane-pack --installed-list DESCRIPTION OUTFILE\n"
                 "  Writes the uninstaller's list of what an installation consists of (C++ source).\n";
    return 2;
}

void PrintDiagnostics(const Diagnostics& diagnostics) {
    for (const Diagnostic& diagnostic : diagnostics.items) std::cerr << FormatDiagnostic(diagnostic) << "\n";
}

// Lets the build read a file's fixed size from the description instead of repeating it.
int PrintSizeOf(const char* name, const char* path) {
    Diagnostics diagnostics;
    ProductDescription description;
    if (!ReadDescription(path, description, diagnostics)) {
        PrintDiagnostics(diagnostics);
        return 1;
    }
    for (const DescribedRow& row : description.rows) {
        if (row.fileName == name) {
            std::cout << row.fileSize << "\n";
            return 0;
        }
    }
    std::cerr << path << ": no file named " << name << "\n";
    return 1;
}

// The uninstaller is one of the payloads, so it is built before the packing run: its list comes
// from the description alone, without the files the description names.
int WriteInstalledList(const char* path, const char* outFile) {
    Diagnostics diagnostics;
    ProductDescription description;
    std::string source;
    std::vector<std::string> changed;
    const bool written = ReadDescription(path, description, diagnostics) &&
                         InstalledProductSource(description, source, diagnostics) &&
                         CommitOutputs({{outFile, source}}, changed, diagnostics);
    PrintDiagnostics(diagnostics);
    return written ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && strcmp(argv[1], "--size-of") == 0) return argc == 4 ? PrintSizeOf(argv[2], argv[3]) : Usage();
    if (argc >= 2 && strcmp(argv[1], "--installed-list") == 0) {
        return argc == 4 ? WriteInstalledList(argv[2], argv[3]) : Usage();
    }
    PackerOptions options;
    std::string* positional[] = {&options.description, &options.outDir};
    size_t positionalCount = 0;
    for (int i = 1; i < argc; ++i) {
        const bool takesValue = strcmp(argv[i], "--inputs") == 0 || strcmp(argv[i], "--depfile") == 0 ||
                                strcmp(argv[i], "--stamp") == 0;
        if (takesValue) {
            if (i + 1 == argc) return Usage();
            const char* value = argv[++i];
            if (strcmp(argv[i - 1], "--inputs") == 0) options.inputs.push_back(value);
            else if (strcmp(argv[i - 1], "--depfile") == 0) options.depfile = value;
            else options.stamp = value;
        } else if (argv[i][0] == '-' && argv[i][1] == '-') {
            return Usage();
        } else if (positionalCount < 2) {
            *positional[positionalCount++] = argv[i];
        } else {
            return Usage();
        }
    }
    if (positionalCount != 2) return Usage();
    return RunPacker(options, std::cout, std::cerr);
}
