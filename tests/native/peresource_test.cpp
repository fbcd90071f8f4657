// Finding payload resources in the built installer by its resource directory, as porvane-damage
// does, and the damaged copy the build writes with it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "description.h"
#include "peresource.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

class BuiltInstallerResources : public ::testing::Test {
protected:
    void SetUp() override {
        const fs::path build = PORVANE_WIN32_BUILD_DIR;
        installer = ReadBytes(build / "wizard" / "Porvane.exe");
        ASSERT_FALSE(installer.empty()) << "build the win32 tree first (make win32)";
        generated = build / "generated";
        Diagnostics diagnostics;
        ASSERT_TRUE(ReadDescription(std::string(PORVANE_SOURCE_DIR) + "/resources/vantrel.product", description,
                                    diagnostics));
    }

    std::vector<uint8_t> Found(const std::vector<uint8_t>& image, const std::string& name) {
        ResourceLocation location = {};
        std::string failure;
        if (!FindRcDataResource(image, name, location, failure)) return {};
        return std::vector<uint8_t>(image.begin() + static_cast<std::ptrdiff_t>(location.fileOffset),
                                    image.begin() + static_cast<std::ptrdiff_t>(location.fileOffset + location.size));
    }

    std::vector<uint8_t> installer;
    fs::path generated;
    ProductDescription description;
};

TEST_F(BuiltInstallerResources, FindsEveryPayloadAndTheLicenceWhereTheirBytesLie) {
    for (const DescribedRow& row : description.rows) {
        const std::vector<uint8_t> stream = ReadBytes(generated / "payloads" / (row.resourceName + ".lzh"));
        ASSERT_FALSE(stream.empty()) << row.resourceName;
        EXPECT_TRUE(Found(installer, row.resourceName) == stream) << row.resourceName;
    }
    EXPECT_TRUE(Found(installer, "LICENSE") == ReadBytes(generated / "payloads" / "LICENSE.txt"));
}

TEST_F(BuiltInstallerResources, SaysWhenNoResourceHasTheName) {
    ResourceLocation location = {};
    std::string failure;
    EXPECT_FALSE(FindRcDataResource(installer, "NOSUCHPAYLOAD", location, failure));
    EXPECT_EQ(failure, "no raw-data resource is named NOSUCHPAYLOAD");
    EXPECT_FALSE(FindRcDataResource(installer, "PROGRAMS", location, failure));
    EXPECT_FALSE(FindRcDataResource(installer, "PROGRA", location, failure));
}

// Every prefix of the image: the reader must refuse what is cut off, never read past it.
TEST_F(BuiltInstallerResources, RefusesEveryImageCutShortOfTheResource) {
    ResourceLocation whole = {};
    std::string failure;
    ASSERT_TRUE(FindRcDataResource(installer, "README", whole, failure));
    for (size_t size = 0; size < whole.fileOffset + whole.size; size += size < 4096 ? 1 : 509) {
        const std::vector<uint8_t> cut(installer.begin(), installer.begin() + static_cast<std::ptrdiff_t>(size));
        ResourceLocation location = {};
        EXPECT_FALSE(FindRcDataResource(cut, "README", location, failure)) << size;
    }
}

TEST_F(BuiltInstallerResources, RefusesWhatIsNoProgram) {
    ResourceLocation location = {};
    std::string failure;
    EXPECT_FALSE(FindRcDataResource(std::vector<uint8_t>(4096, 0), "README", location, failure));
    EXPECT_EQ(failure, "not a Windows program (no MZ and PE headers)");
    std::vector<uint8_t> wrongSignature = installer;
    wrongSignature[wrongSignature[0x3C] | wrongSignature[0x3D] << 8] = 'N';
    EXPECT_FALSE(FindRcDataResource(wrongSignature, "README", location, failure));
}

TEST_F(BuiltInstallerResources, TheDamagedCopyDiffersInOneByteOfTheProgramStream) {
    const std::vector<uint8_t> damaged = ReadBytes(fs::path(PORVANE_WIN32_BUILD_DIR) / "tests" / "Porvane-damaged.exe");
    ASSERT_EQ(damaged.size(), installer.size());
    ResourceLocation program = {};
    std::string failure;
    ASSERT_TRUE(FindRcDataResource(installer, "PROGRAM", program, failure)) << failure;
    std::vector<size_t> differences;
    for (size_t i = 0; i < installer.size(); ++i) {
        if (damaged[i] != installer[i]) differences.push_back(i);
    }
    ASSERT_EQ(differences.size(), 1u);
    EXPECT_GE(differences[0], program.fileOffset);
    EXPECT_LT(differences[0], program.fileOffset + program.size);
    EXPECT_EQ(damaged[differences[0]], static_cast<uint8_t>(~installer[differences[0]]));
}

}  // namespace
