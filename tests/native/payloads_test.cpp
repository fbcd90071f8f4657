// The payloads that the win32 build's packer wrote into the installer: each decodes to exactly the
// file it was made from, and the manifest that went with them describes them.
#include <gtest/gtest.h>

#include <string.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "codegen.h"
#include "crc32.h"
#include "description.h"
#include "inputs.h"
#include "lzhuf.h"
#include "manifest.h"
#include "peresource.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

struct Decoded {
    std::vector<uint8_t> bytes;
    uint32_t progress = 0;
};

Decoded Decode(const std::vector<uint8_t>& stream, uint32_t fileSize) {
    Decoded decoded;
    const PayloadSink sink{&decoded,
                           [](void* context, const uint8_t* data, uint32_t count) {
                               auto& bytes = static_cast<Decoded*>(context)->bytes;
                               bytes.insert(bytes.end(), data, data + count);
                               return count;
                           },
                           [](void* context, uint32_t count) { static_cast<Decoded*>(context)->progress += count; }};
    decodePayload(sink, stream.data(), static_cast<uint32_t>(stream.size()), fileSize);
    return decoded;
}

// The installer of the win32 build, with the description and the files it was packed from.
class BuiltPayloads : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string build = PORVANE_WIN32_BUILD_DIR;
        ASSERT_FALSE(build.empty())
            << "PORVANE_WIN32_BUILD_DIR is not set: configure the native build with "
               "-DPORVANE_WIN32_BUILD_DIR=<win32 build folder> (make test does) and build the win32 tree first";
        installer = ReadBytes(fs::path(build) / "wizard" / "Porvane.exe");
        ASSERT_FALSE(installer.empty()) << "build the win32 tree first (make win32)";
        productBin = fs::path(build) / "product" / "bin";

        const std::string path = std::string(PORVANE_SOURCE_DIR) + "/resources/vantrel.product";
        Diagnostics diagnostics;
        ASSERT_TRUE(ReadDescription(path, description, diagnostics) &&
                    LoadInputs(description, {productBin.string(), PORVANE_SOURCE_DIR}, inputs, diagnostics,
                               (productBin / description.rows[UninstallerRow].fileName).string()))
            << FormatDiagnostic(diagnostics.items.at(0));
        product = Resource("PRODUCT");
        ASSERT_GE(product.size(), ManifestSize(description.rows.size()));
        image.assign(product.begin(), product.begin() + static_cast<std::ptrdiff_t>(ManifestSize(description.rows.size())));
    }

    FileEntry Row(size_t row) const {
        FileEntry entry;
        memcpy(&entry, image.data() + sizeof(ProductInfo) + sizeof(FileEntry) * row, sizeof entry);
        return entry;
    }

    // The bytes of the installer's raw-data resource `name` (none when it has no such resource).
    std::vector<uint8_t> Resource(const std::string& name) const {
        ResourceLocation location = {};
        std::string failure;
        if (!FindRcDataResource(installer, name, location, failure)) return {};
        const auto at = installer.begin() + static_cast<std::ptrdiff_t>(location.fileOffset);
        return std::vector<uint8_t>(at, at + static_cast<std::ptrdiff_t>(location.size));
    }

    std::vector<uint8_t> Stream(size_t row) const { return Resource(description.rows[row].resourceName); }

    std::vector<uint8_t> installer;
    std::vector<uint8_t> product;  // the resource PRODUCT
    fs::path productBin;
    ProductDescription description;
    LoadedInputs inputs;
    std::vector<uint8_t> image;  // the manifest image, as the resource PRODUCT begins
};

}  // namespace

TEST_F(BuiltPayloads, EveryPayloadDecodesToItsSourceBytes) {
    for (size_t i = 0; i < description.rows.size(); ++i) {
        const std::vector<uint8_t> stream = Stream(i);
        ASSERT_FALSE(stream.empty()) << description.rows[i].resourceName;
        const Decoded decoded = Decode(stream, Row(i).fileSize);
        EXPECT_TRUE(decoded.bytes == inputs.files[i]) << description.rows[i].fileName << " differs from "
                                                      << inputs.filePaths[i];
        EXPECT_EQ(decoded.progress, inputs.files[i].size()) << description.rows[i].fileName;
    }
}

TEST_F(BuiltPayloads, ManifestDescribesEachStreamAndItsFile) {
    std::vector<PackedRow> packed;
    for (size_t i = 0; i < description.rows.size(); ++i) {
        EXPECT_EQ(Row(i).compressedSize, Stream(i).size()) << description.rows[i].resourceName;
        EXPECT_EQ(Row(i).fileSize, inputs.files[i].size()) << description.rows[i].resourceName;
        packed.push_back({static_cast<uint32_t>(Stream(i).size()), 0});
    }
    // Everything else comes from the description as it stands now: a stale image shows up here.
    EXPECT_EQ(ManifestImage(description, packed), image);
}

// The resource PRODUCT: the image, the CRC of each stream as the resource carries it (not of the
// file it decodes to), and the CRC of all that.
TEST_F(BuiltPayloads, ProductResourceHoldsTheImageEachStreamsCrcAndItsOwnCrc) {
    const size_t rows = description.rows.size();
    ASSERT_EQ(product.size(), ProductResourceSize(rows));
    EXPECT_TRUE(std::equal(image.begin(), image.end(), product.begin()));
    auto at = [&](size_t offset) {
        uint32_t value;
        memcpy(&value, product.data() + offset, 4);
        return value;
    };
    for (size_t i = 0; i < rows; ++i) {
        const std::vector<uint8_t> stream = Stream(i);
        EXPECT_EQ(at(image.size() + 4 * i), Crc32(stream.data(), stream.size())) << description.rows[i].resourceName;
    }
    EXPECT_EQ(at(product.size() - 4), Crc32(product.data(), product.size() - 4));
}

// The uninstaller is made by the packer, not linked: its size is the packer's tests'.
TEST_F(BuiltPayloads, ProgramsAreTheLinkedProgramsPaddedWithZeroBytes) {
    for (size_t i = 0; i < description.rows.size(); ++i) {
        if (description.rows[i].kind != PayloadKind::Program || description.rows[i].source == BuiltUninstallerSource) {
            continue;
        }
        const std::vector<uint8_t> linked =
            ReadBytes(productBin.parent_path() / "linked" / description.rows[i].fileName);
        const std::vector<uint8_t>& padded = inputs.files[i];
        ASSERT_FALSE(linked.empty()) << description.rows[i].fileName;
        ASSERT_LE(linked.size(), padded.size());
        EXPECT_TRUE(std::equal(linked.begin(), linked.end(), padded.begin())) << description.rows[i].fileName;
        EXPECT_TRUE(std::all_of(padded.begin() + static_cast<std::ptrdiff_t>(linked.size()), padded.end(),
                                [](uint8_t byte) { return byte == 0; }))
            << description.rows[i].fileName;
    }
}

TEST_F(BuiltPayloads, LicenceResourceIsTheLicenceText) {
    EXPECT_TRUE(Resource("LICENSE") == inputs.license);
    EXPECT_EQ(inputs.license.size(), 5321u);
}
