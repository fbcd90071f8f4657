// porvane-pack build DESCRIPTION -o OUT.exe [--inputs DIR]... [--base BASE.exe]
//                    [--uninstaller-base BASE.exe | --uninstaller FILE] [--uninstaller-out FILE]
//                    [--installed-list] [--depfile FILE]
// porvane-pack DESCRIPTION OUTDIR [--inputs DIR]... [--uninstaller FILE] [--depfile FILE] [--stamp FILE]
// porvane-pack --product-free-manifest FILE
// porvane-pack --product-free-uninstaller-manifest FILE
// porvane-pack --size-of NAME DESCRIPTION
// porvane-pack --uninstaller-row DESCRIPTION
// porvane-pack --describe DESCRIPTION OUTDIR [--inputs DIR]... [--depfile FILE]
#include <string.h>

#include <filesystem>
#include <iostream>

#include "buildinstaller.h"
#include "codegen.h"
#include "inputs.h"
#include "manifest_records.h"
#include "description.h"
#include "outputs.h"
#include "packer.h"

namespace {

int Usage() {
    std::cerr << "usage: porvane-pack build DESCRIPTION -o OUT.exe [--inputs DIR]... [--base BASE.exe]\n"
                 "                          [--uninstaller-base BASE.exe | --uninstaller FILE]\n"
                 "                          [--uninstaller-out FILE] [--installed-list] [--depfile FILE]\n"
                 "  Writes OUT.exe: the product-free installer BASE.exe (by default the one this packer\n"
                 "  carries, if it carries one) with the product of DESCRIPTION\n"
                 "  written into its resources (payloads, licence, manifest, texts, version information,\n"
                 "  application manifest, art). Paths are looked for as below. A row 0 whose source is\n"
                 "  @uninstaller is the product-free uninstaller given by --uninstaller-base (by default\n"
                 "  the one this packer carries) with the product's list and application manifest written\n"
                 "  into it, padded to the row's size, or else the --uninstaller file; --uninstaller-out\n"
                 "  writes that uninstaller to FILE too. --installed-list also writes the uninstaller's list\n"
                 "  into OUT.exe (for a program that runs the removal as well); --depfile lists every file\n"
                 "  read, for OUT.exe. Nothing is written on an error.\n"
                 "       porvane-pack DESCRIPTION OUTDIR [--inputs DIR]... [--uninstaller FILE] [--depfile FILE]\n"
                 "                    [--stamp FILE]\n"
                 "  Relative paths in DESCRIPTION are looked for beside it, then in each --inputs folder in\n"
                 "  order; a row 0 whose source is @uninstaller takes the --uninstaller file. Writes\n"
                 "  payloads.rc (the product's resources for the installer), product.bin, manifest.bin,\n"
                 "  installer.manifest, payloads/ and the description's own art (art/) into OUTDIR.\n"
                 "       porvane-pack --product-free-manifest FILE\n"
                 "  Writes the application manifest of the installer without a product.\n"
                 "       porvane-pack --product-free-uninstaller-manifest FILE\n"
                 "  Writes the application manifest of the uninstaller without a product.\n"
                 "       porvane-pack --size-of NAME DESCRIPTION\n"
                 "  Prints the size DESCRIPTION fixes for the file installed as NAME.\n"
                 "       porvane-pack --uninstaller-row DESCRIPTION\n"
                 "  Prints row 0's file name and size as \"NAME;SIZE\" when its source is @uninstaller.\n"
                 "       porvane-pack --describe DESCRIPTION OUTDIR [--inputs DIR]... [--depfile FILE]\n"
                 "  Writes what the uninstaller is built with into OUTDIR: its list installed.bin (with\n"
                 "  each file's size and CRC-32, read from every source but @uninstaller) and\n"
                 "  installed.rc, and uninstaller.manifest.\n";
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

// Lets the build know whether to build the uninstaller for the description, under which name and
// to which size.
int PrintUninstallerRow(const char* path) {
    Diagnostics diagnostics;
    ProductDescription description;
    if (!ReadDescription(path, description, diagnostics)) {
        PrintDiagnostics(diagnostics);
        return 1;
    }
    const DescribedRow& row = description.rows[UninstallerRow];
    if (row.source == BuiltUninstallerSource) std::cout << row.fileName << ";" << row.fileSize << "\n";
    return 0;
}

// The uninstaller is one of the payloads, so it is built before the packing run: what it needs
// comes from the description and the files it names, the uninstaller itself left out. The depfile, when asked for, names every file read, for installed.bin.
int WriteDescribed(const char* path, const char* outDir, const std::vector<std::string>& inputFolders,
                   const std::string& depfile) {
    Diagnostics diagnostics;
    ProductDescription description;
    LoadedInputs inputs;
    std::vector<uint8_t> installed;
    std::vector<std::string> changed;
    const std::string folder = std::string(outDir) + "/";
    std::error_code error;
    const std::string recordFile = std::filesystem::absolute(folder + "installed.bin", error).generic_string();
    bool written = ReadDescription(path, description, diagnostics) &&
                   LoadRowFiles(description, inputFolders, inputs, diagnostics, std::string(),
                                BuiltUninstallerRow::Skipped) &&
                   InstalledRecord(description, inputs.files, installed, diagnostics);
    if (written) {
        const std::vector<OutputFile> outputs{
            {folder + "installed.bin", std::string(installed.begin(), installed.end())},
            {folder + "installed.rc", InstalledResourceScript(recordFile, installed)},
            {folder + "uninstaller.manifest", UninstallerManifest(description)}};
        written = CommitOutputs(outputs, changed, diagnostics);
    }
    if (written && !depfile.empty()) {
        std::vector<std::string> read{std::filesystem::absolute(path, error).string()};
        for (const std::string& file : inputs.filePaths) {
            if (!file.empty()) read.push_back(std::filesystem::absolute(file, error).string());
        }
        std::vector<std::string> ignored;
        written = CommitOutputs({{depfile, DependencyFile(recordFile, read)}}, ignored, diagnostics);
    }
    PrintDiagnostics(diagnostics);
    return written ? 0 : 1;
}

int Describe(int argc, char** argv) {
    if (argc < 4) return Usage();
    std::vector<std::string> inputFolders;
    std::string depfile;
    for (int i = 4; i < argc; i += 2) {
        if (i + 1 == argc) return Usage();
        if (strcmp(argv[i], "--inputs") == 0) inputFolders.push_back(argv[i + 1]);
        else if (strcmp(argv[i], "--depfile") == 0) depfile = argv[i + 1];
        else return Usage();
    }
    return WriteDescribed(argv[2], argv[3], inputFolders, depfile);
}

int Build(int argc, char** argv) {
    BuildOptions options;
    for (int i = 2; i < argc; ++i) {
        const bool takesValue = strcmp(argv[i], "-o") == 0 || strcmp(argv[i], "--inputs") == 0 ||
                                strcmp(argv[i], "--base") == 0 || strcmp(argv[i], "--uninstaller") == 0 ||
                                strcmp(argv[i], "--uninstaller-base") == 0 ||
                                strcmp(argv[i], "--uninstaller-out") == 0 || strcmp(argv[i], "--depfile") == 0;
        if (strcmp(argv[i], "--installed-list") == 0) {
            options.installedList = true;
        } else if (takesValue) {
            if (i + 1 == argc) return Usage();
            const char* value = argv[++i];
            if (strcmp(argv[i - 1], "-o") == 0) options.output = value;
            else if (strcmp(argv[i - 1], "--uninstaller-out") == 0) options.uninstallerOutput = value;
            else if (strcmp(argv[i - 1], "--depfile") == 0) options.depfile = value;
            else if (strcmp(argv[i - 1], "--inputs") == 0) options.inputs.push_back(value);
            else if (strcmp(argv[i - 1], "--base") == 0) options.base = value;
            else if (strcmp(argv[i - 1], "--uninstaller-base") == 0) options.uninstallerBase = value;
            else options.uninstaller = value;
        } else if (argv[i][0] == '-' || !options.description.empty()) {
            return Usage();
        } else {
            options.description = argv[i];
        }
    }
    if (options.description.empty() || options.output.empty()) return Usage();
    return RunBuild(options, std::cout, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && strcmp(argv[1], "--size-of") == 0) return argc == 4 ? PrintSizeOf(argv[2], argv[3]) : Usage();
    if (argc >= 2 && strcmp(argv[1], "--uninstaller-row") == 0) return argc == 3 ? PrintUninstallerRow(argv[2]) : Usage();
    if (argc >= 2 && strcmp(argv[1], "--describe") == 0) return Describe(argc, argv);
    if (argc >= 2 && strcmp(argv[1], "build") == 0) return Build(argc, argv);
    const bool uninstallerManifest = argc >= 2 && strcmp(argv[1], "--product-free-uninstaller-manifest") == 0;
    if (argc >= 2 && (strcmp(argv[1], "--product-free-manifest") == 0 || uninstallerManifest)) {
        if (argc != 3) return Usage();
        Diagnostics diagnostics;
        std::vector<std::string> changed;
        const bool written = CommitOutputs(
            {{argv[2], uninstallerManifest ? ProductFreeUninstallerManifest() : ProductFreeInstallerManifest()}},
            changed, diagnostics);
        PrintDiagnostics(diagnostics);
        return written ? 0 : 1;
    }
    PackerOptions options;
    std::string* positional[] = {&options.description, &options.outDir};
    size_t positionalCount = 0;
    for (int i = 1; i < argc; ++i) {
        const bool takesValue = strcmp(argv[i], "--inputs") == 0 || strcmp(argv[i], "--depfile") == 0 ||
                                strcmp(argv[i], "--stamp") == 0 || strcmp(argv[i], "--uninstaller") == 0;
        if (takesValue) {
            if (i + 1 == argc) return Usage();
            const char* value = argv[++i];
            if (strcmp(argv[i - 1], "--inputs") == 0) options.inputs.push_back(value);
            else if (strcmp(argv[i - 1], "--depfile") == 0) options.depfile = value;
            else if (strcmp(argv[i - 1], "--uninstaller") == 0) options.uninstaller = value;
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
