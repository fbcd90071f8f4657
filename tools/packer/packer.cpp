#include "packer.h"

#include <stdio.h>

#include <filesystem>
#include <fstream>

#include "codegen.h"
#include "crc32.h"
#include "description.h"
#include "inputs.h"
#include "lzhuf.h"
#include "lzhuf_encoder.h"
#include "outputs.h"
#include "pathutil.h"

namespace fs = std::filesystem;

namespace {

struct MemorySink {
    std::vector<uint8_t> bytes;
    size_t limit;
    uint32_t reported;
};

uint32_t WriteToMemory(void* context, const uint8_t* data, uint32_t count) {
    MemorySink& sink = *static_cast<MemorySink*>(context);
    const size_t room = sink.limit - sink.bytes.size();
    const uint32_t taken = count <= room ? count : static_cast<uint32_t>(room);
    sink.bytes.insert(sink.bytes.end(), data, data + taken);
    return taken;
}

void CountProgress(void* context, uint32_t count) { static_cast<MemorySink*>(context)->reported += count; }

std::string Grouped(uint64_t value) {
    char text[NumberTextSize];
    FormatNumber(text, static_cast<uint32_t>(value));
    return text;
}

std::string Percent(uint64_t part, uint64_t whole) {
    char text[16];
    snprintf(text, sizeof text, "%5.1f%%", whole == 0 ? 0.0 : 100.0 * static_cast<double>(part) / static_cast<double>(whole));
    return text;
}

void PrintDiagnostics(const Diagnostics& diagnostics, std::ostream& err) {
    for (const Diagnostic& diagnostic : diagnostics.items) err << FormatDiagnostic(diagnostic) << "\n";
}

std::string Row(const std::string& number, const std::string& file, const std::string& resource,
                const std::string& size, const std::string& packed, const std::string& ratio) {
    char line[160];
    snprintf(line, sizeof line, "  %3s  %-23s %-15s %9s %11s %7s\n", number.c_str(), file.c_str(), resource.c_str(),
             size.c_str(), packed.c_str(), ratio.c_str());
    return line;
}

}  // namespace

bool PackPayload(const std::vector<uint8_t>& data, std::vector<uint8_t>& stream, std::string& failure) {
    stream = EncodeLzhuf(data.data(), data.size(), LzhufParse::Optimal);
    if (stream.size() > UINT32_MAX) {
        failure = "the compressed stream does not fit 32 bits";
        return false;
    }
    // One more byte of room than the file needs, so that a decoder that runs long shows up.
    MemorySink sink{{}, data.size() + 1, 0};
    sink.bytes.reserve(data.size());
    const PayloadSink payloadSink{&sink, WriteToMemory, CountProgress};
    const bool decoded = decodePayload(payloadSink, stream.data(), static_cast<uint32_t>(stream.size()),
                                       static_cast<uint32_t>(data.size()));
    if (!decoded) {
        failure = "the decoder gave up on the stream";
        return false;
    }
    if (sink.bytes.size() != data.size()) {
        failure = "the stream decodes to " + std::to_string(sink.bytes.size()) + " bytes instead of " +
                  std::to_string(data.size());
        return false;
    }
    for (size_t i = 0; i < data.size(); ++i) {
        if (sink.bytes[i] != data[i]) {
            failure = "the stream decodes to different bytes from offset " + std::to_string(i) + " on";
            return false;
        }
    }
    if (sink.reported != data.size()) {
        failure = "the decoder reported " + std::to_string(sink.reported) + " bytes of progress instead of " +
                  std::to_string(data.size());
        return false;
    }
    return true;
}

bool CompressRows(const ProductDescription& description, const LoadedInputs& inputs,
                  std::vector<std::vector<uint8_t>>& streams, std::vector<PackedRow>& packed, Diagnostics& diagnostics) {
    const size_t rows = description.rows.size();
    streams.assign(rows, {});
    packed.assign(rows, {});
    for (size_t i = 0; i < rows; ++i) {
        std::string failure;
        if (!PackPayload(inputs.files[i], streams[i], failure)) {
            diagnostics.Error(description.path, description.rows[i].line, inputs.filePaths[i] + ": " + failure);
            return false;
        }
        packed[i] = {static_cast<uint32_t>(streams[i].size()), Crc32(streams[i].data(), streams[i].size())};
    }
    return true;
}

void PrintSizes(const ProductDescription& description, const LoadedInputs& inputs,
                const std::vector<PackedRow>& packed, std::ostream& out) {
    const size_t rows = description.rows.size();
    out << "porvane-pack: " << description.productName << " " << description.version << ", " << rows << " files, "
        << description.shortcutCount << " shortcuts\n";
    out << Row("row", "file", "resource", "size", "compressed", "ratio");
    uint64_t totalSize = 0, totalPacked = 0;
    for (size_t i = 0; i < rows; ++i) {
        const DescribedRow& row = description.rows[i];
        totalSize += row.fileSize;
        totalPacked += packed[i].compressedSize;
        out << Row(std::to_string(i), row.fileName, row.resourceName, Grouped(row.fileSize),
                   Grouped(packed[i].compressedSize), Percent(packed[i].compressedSize, row.fileSize));
    }
    out << Row("", "total", "", Grouped(totalSize), Grouped(totalPacked), Percent(totalPacked, totalSize));
    out << Row("", "licence text", "LICENSE", Grouped(inputs.license.size()), "stored", "");
}

int RunPacker(const PackerOptions& options, std::ostream& out, std::ostream& err) {
    Diagnostics diagnostics;
    ProductDescription description;
    LoadedInputs inputs;
    if (!ReadDescription(options.description, description, diagnostics) ||
        !LoadInputs(description, options.inputs, inputs, diagnostics, options.uninstaller)) {
        PrintDiagnostics(diagnostics, err);
        return 1;
    }

    std::error_code error;
    const fs::path outDir = fs::absolute(options.outDir, error);
    const std::string outText = outDir.generic_string();
    if (error || outText.find_first_of("\"\\\n") != std::string::npos) {
        // The resource script names the payload files inside double quotes.
        diagnostics.Error(options.outDir, 0, "the output folder's path must not contain '\"' or '\\'");
        PrintDiagnostics(diagnostics, err);
        return 1;
    }

    const size_t rows = description.rows.size();
    std::vector<std::vector<uint8_t>> streams;
    std::vector<PackedRow> packed;
    if (!CompressRows(description, inputs, streams, packed, diagnostics)) {
        PrintDiagnostics(diagnostics, err);
        return 1;
    }

    std::vector<OutputFile> files;
    std::vector<ScriptResource> resources;
    std::vector<std::string> payloadNames;
    const fs::path payloadDir = outDir / "payloads";
    for (size_t i = 0; i < rows; ++i) {
        const std::string name = description.rows[i].resourceName + ".lzh";
        const fs::path path = payloadDir / name;
        files.push_back({path.string(), std::string(streams[i].begin(), streams[i].end())});
        resources.push_back({description.rows[i].resourceName, path.generic_string(), packed[i].compressedSize,
                             packed[i].crc32});
        payloadNames.push_back(name);
    }
    // The licence goes in beside the payloads, as checked, so the script names only files made here.
    const fs::path licensePath = payloadDir / "LICENSE.txt";
    files.push_back({licensePath.string(), std::string(inputs.license.begin(), inputs.license.end())});
    resources.push_back({"LICENSE", licensePath.generic_string(), static_cast<uint32_t>(inputs.license.size()),
                         Crc32(inputs.license.data(), inputs.license.size())});

    // The description's own art goes where the resource compiler looks before the installer's art.
    std::vector<std::string> artNames;
    const fs::path artDir = outDir / "art";
    for (size_t i = 0; i < description.art.size(); ++i) {
        const std::string name = ArtSlots[description.art[i].slot].fileName;
        files.push_back({(artDir / name).string(), std::string(inputs.art[i].begin(), inputs.art[i].end())});
        artNames.push_back(name);
    }

    // The manifest image alone, for whoever reads it; the installer reads the PRODUCT resource.
    const std::vector<uint8_t> image = ManifestImage(description, packed);
    const std::vector<uint8_t> product = ProductResource(description, packed);
    const fs::path productPath = outDir / "product.bin";
    const fs::path manifestPath = outDir / "installer.manifest";
    resources.push_back({"PRODUCT", productPath.generic_string(), static_cast<uint32_t>(product.size()),
                         Crc32(product.data(), product.size())});
    files.push_back({(outDir / "manifest.bin").string(), std::string(image.begin(), image.end())});
    files.push_back({productPath.string(), std::string(product.begin(), product.end())});
    files.push_back({manifestPath.string(), InstallerManifest(description)});
    files.push_back({(outDir / "payloads.rc").string(),
                     ResourceScript(description, resources, manifestPath.generic_string())});

    std::vector<std::string> changed;
    if (!CommitOutputs(files, changed, diagnostics)) {
        PrintDiagnostics(diagnostics, err);
        return 1;
    }
    RemoveStaleFiles(payloadDir.string(), ".lzh", payloadNames);
    RemoveStaleFiles(artDir.string(), ".bmp", artNames);
    RemoveStaleFiles(artDir.string(), ".ico", artNames);

    if (!options.depfile.empty()) {
        std::vector<std::string> read{fs::absolute(description.path, error).string()};
        for (const std::string& path : inputs.filePaths) read.push_back(fs::absolute(path, error).string());
        read.push_back(fs::absolute(inputs.licensePath, error).string());
        for (const std::string& path : inputs.artPaths) read.push_back(fs::absolute(path, error).string());
        const std::string target =
            options.stamp.empty() ? (outDir / "payloads.rc").string() : fs::absolute(options.stamp, error).string();
        std::vector<std::string> ignored;
        if (!CommitOutputs({{options.depfile, DependencyFile(target, read)}}, ignored, diagnostics)) {
            PrintDiagnostics(diagnostics, err);
            return 1;
        }
    }
    if (!options.stamp.empty()) {
        std::ofstream stamp(options.stamp, std::ios::binary | std::ios::trunc);
        if (!stamp) {
            diagnostics.Error(options.stamp, 0, "cannot write the stamp");
            PrintDiagnostics(diagnostics, err);
            return 1;
        }
    }
    PrintDiagnostics(diagnostics, err);  // warnings

    PrintSizes(description, inputs, packed, out);
    const std::string written = changed.empty()      ? std::string("outputs unchanged")
                                : changed.size() == 1 ? std::string("1 output written")
                                                      : std::to_string(changed.size()) + " outputs written";
    out << "  " << written << " in " << outText << "\n";
    return 0;
}
