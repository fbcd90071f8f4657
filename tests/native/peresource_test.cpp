// Finding payload resources in the built installer by its resource directory, as porvane-damage
// does, and the damaged copy the build writes with it; reading the whole resource tree and writing
// it back into a copy of the installer.
#include <gtest/gtest.h>

#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "buildinstaller.h"
#include "builduninstaller.h"
#include "description.h"
#include "installedrecord.h"
#include "manifest_records.h"
#include "peimage.h"
#include "peresource.h"
#include "replaceresources.h"
#include "resourceencode.h"
#include "resourcetree.h"

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

    // The installer rewritten with its own resources and one more, larger than a file alignment.
    std::vector<uint8_t> Rewritten(const std::vector<uint8_t>& image, std::vector<ResourceEntry>& entries) {
        std::string failure;
        std::vector<uint8_t> result;
        EXPECT_TRUE(ReadResourceTree(image, entries, failure)) << failure;
        entries.push_back({ResourceId::Number(RESOURCE_RAW_DATA), ResourceId::Text("EXTRA"), 0x409, 0,
                           std::vector<uint8_t>(70001, 0xA5)});
        EXPECT_TRUE(ReplaceResources(image, entries, result, failure)) << failure;
        EXPECT_TRUE(OrderResourceEntries(entries, failure)) << failure;
        return result;
    }

    std::vector<uint8_t> installer;
    ProductDescription description;
};

// The look-up finds each payload and the licence where the whole tree's reader has their bytes, in
// the installer and in a copy rewritten with one more resource.
TEST_F(BuiltInstallerResources, FindsEveryPayloadAndTheLicenceWhereTheirBytesLie) {
    std::vector<ResourceEntry> read, written;
    std::string failure;
    ASSERT_TRUE(ReadResourceTree(installer, read, failure)) << failure;
    std::vector<uint8_t> rewritten = Rewritten(installer, written);
    for (const auto& [image, entries] : {std::make_pair(&installer, &read), std::make_pair(&rewritten, &written)}) {
        std::vector<std::string> names{"LICENSE"};
        for (const DescribedRow& row : description.rows) names.push_back(row.resourceName);
        for (const std::string& name : names) {
            const auto entry = std::find_if(entries->begin(), entries->end(), [&](const ResourceEntry& e) {
                return e.type == ResourceId::Number(RESOURCE_RAW_DATA) && e.name == ResourceId::Text(name);
            });
            ASSERT_NE(entry, entries->end()) << name;
            ASSERT_FALSE(entry->data.empty()) << name;
            EXPECT_TRUE(Found(*image, name) == entry->data) << name;
        }
    }
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
        std::vector<ResourceEntry> entries;
        EXPECT_FALSE(FindRcDataResource(cut, "README", location, failure)) << size;
        EXPECT_FALSE(ReadResourceTree(cut, entries, failure)) << size;
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

// A copy rewritten with its resources and one more, whether its resource section is replaced
// (the installer) or added before the base relocations (a program with none): the tree reads back
// as written, writing the copy again changes nothing, the base relocations keep their bytes, every
// byte before the resources is kept but for the header fields a loader checks, and those agree.
TEST_F(BuiltInstallerResources, RewrittenCopiesReadBackAndKeepEverythingElse) {
    const fs::path build = PORVANE_WIN32_BUILD_DIR;
    for (const fs::path& path : {build / "wizard" / "Porvane.exe", build / "product" / "linked" / "Plendix.exe"}) {
        SCOPED_TRACE(path.string());
        const std::vector<uint8_t> original = ReadBytes(path);
        std::vector<ResourceEntry> written, read;
        std::vector<uint8_t> image = Rewritten(original, written), again;
        std::string failure;
        ASSERT_TRUE(ReadResourceTree(image, read, failure)) << failure;
        EXPECT_TRUE(read == written);
        ASSERT_TRUE(ReplaceResources(image, written, again, failure)) << failure;
        EXPECT_TRUE(again == image);

        PeHeaders before, after;
        ASSERT_TRUE(ReadPeHeaders(original, before, failure) && ReadPeHeaders(image, after, failure));
        const bool added = std::none_of(before.sections.begin(), before.sections.end(),
                                        [](const PeSection& section) { return strcmp(section.name, ".rsrc") == 0; });
        ASSERT_EQ(after.sections.size(), before.sections.size() + (added ? 1 : 0));
        const size_t count = after.sections.size();
        const PeSection& resources = after.sections[count - 2];
        const PeSection& relocations = after.sections[count - 1];
        const PeSection& oldRelocations = before.sections.back();
        EXPECT_STREQ(resources.name, ".rsrc");
        EXPECT_STREQ(relocations.name, ".reloc");
        EXPECT_EQ(relocations.virtualAddress, AlignUp(SectionEnd(resources), after.sectionAlignment));
        EXPECT_EQ(image.size(), size_t{relocations.rawOffset} + relocations.rawSize);
        EXPECT_TRUE(std::equal(original.begin() + oldRelocations.rawOffset,
                               original.begin() + oldRelocations.rawOffset + oldRelocations.rawSize,
                               image.begin() + relocations.rawOffset));
        uint32_t field[2][3] = {}, rva = 0, size = 0;
        for (int i = 0; i < 2; ++i) {
            const ByteReader reader{i == 0 ? original : image};
            const size_t optional = (i == 0 ? before : after).optionalOffset;
            reader.U32(optional + OPTIONAL_CHECKSUM, field[i][0]);
            reader.U32(optional + OPTIONAL_SIZE_OF_IMAGE, field[i][1]);
            reader.U32(optional + OPTIONAL_SIZE_OF_INITIALIZED_DATA, field[i][2]);
        }
        EXPECT_EQ(PeChecksum(original, before), field[0][0]);
        EXPECT_EQ(PeChecksum(image, after), field[1][0]);
        EXPECT_EQ(field[1][1], AlignUp(SectionEnd(relocations), after.sectionAlignment));
        // Both programs' linker counts every initialized-data section's raw size, aligned.
        for (int i = 0; i < 2; ++i) {
            uint64_t initialized = 0;
            for (const PeSection& section : (i == 0 ? before : after).sections) {
                if (section.characteristics & SECTION_INITIALIZED_DATA) initialized += AlignUp(section.rawSize, 512);
            }
            EXPECT_EQ(field[i][2], initialized);
        }
        ReadPeDirectory(image, after, PE_DIRECTORY_RESOURCE, rva, size);
        EXPECT_TRUE(rva == resources.virtualAddress && size == resources.virtualSize) << rva << " " << size;
        ReadPeDirectory(image, after, PE_DIRECTORY_RELOCATION, rva, size);
        EXPECT_EQ(rva, relocations.virtualAddress);

        // Blank the fields that may change; then everything up to the resources' data is the same.
        std::vector<uint8_t> heads[2] = {{original.begin(), original.begin() + resources.rawOffset},
                                         {image.begin(), image.begin() + resources.rawOffset}};
        for (std::vector<uint8_t>& head : heads) {
            for (size_t field : {OPTIONAL_CHECKSUM, OPTIONAL_SIZE_OF_IMAGE, OPTIONAL_SIZE_OF_INITIALIZED_DATA}) {
                PutU32(head, after.optionalOffset + field, 0);
            }
            PutU16(head, after.coffOffset + 2, 0);
            for (uint32_t slot : {PE_DIRECTORY_RESOURCE, PE_DIRECTORY_RELOCATION}) {
                PutU32(head, after.directoriesOffset + 8 * slot, 0);
                PutU32(head, after.directoriesOffset + 8 * slot + 4, 0);
            }
            std::fill(head.begin() + resources.headerOffset, head.begin() + relocations.headerOffset + 40, 0);
        }
        EXPECT_TRUE(heads[0] == heads[1]);
    }
}

TEST_F(BuiltInstallerResources, ACertificateIsLeftOutOfTheRewrittenCopy) {
    std::vector<uint8_t> signedCopy = installer;
    PeHeaders headers;
    std::string failure;
    ASSERT_TRUE(ReadPeHeaders(installer, headers, failure)) << failure;
    PutU32(signedCopy, headers.directoriesOffset + 8 * PE_DIRECTORY_CERTIFICATE, static_cast<uint32_t>(installer.size()));
    PutU32(signedCopy, headers.directoriesOffset + 8 * PE_DIRECTORY_CERTIFICATE + 4, 1020);
    signedCopy.resize(installer.size() + 1024, 0x30);
    std::fill(signedCopy.end() - 4, signedCopy.end(), 0);
    std::vector<ResourceEntry> entries;
    EXPECT_TRUE(Rewritten(signedCopy, entries) == Rewritten(installer, entries));
}

// Damage to the resource tree is refused by the reader, damage to what lies behind the resources
// by the rewrite; each with its reason, never a crash.
TEST_F(BuiltInstallerResources, RefusesDamagedImagesWithTheReason) {
    PeHeaders headers;
    std::string failure;
    ASSERT_TRUE(ReadPeHeaders(installer, headers, failure)) << failure;
    const PeSection& resources = headers.sections[headers.sections.size() - 2];
    const PeSection& relocations = headers.sections.back();
    const size_t root = resources.rawOffset;
    // The directory or data entry a directory's first entry leads to.
    const auto follow = [&](size_t directory) {
        return root + ((installer[directory + 20] | installer[directory + 21] << 8 | installer[directory + 22] << 16) & 0x7FFFFF);
    };
    const size_t types = follow(root), languages = follow(types), data = follow(languages);
    const struct {
        bool rewriting;
        std::function<void(std::vector<uint8_t>&)> damage;
        const char* reason;
    } rows[] = {
        {false, [&](auto& image) { image.resize(0x1A0); }, "the section table is cut short or points outside the file"},
        {false, [&](auto& image) { PutU32(image, root + 20, 0xFFFFFF00u); },
         "a resource directory lies outside the resource section"},
        {false, [&](auto& image) { PutU32(image, root + 16, 0x80FFFF00u); },
         "a resource name lies outside the resource section"},
        {false, [&](auto& image) { PutU32(image, types + 20, 0x80000000u); }, "a resource directory is reached twice (a loop)"},
        {false, [&](auto& image) { PutU32(image, languages + 20, 0x80000000u | static_cast<uint32_t>(types - root)); },
         "a resource language leads to a directory, not to data"},
        {false, [&](auto& image) { PutU32(image, data, 0x7FFFFFF0u); },
         "the data of a resource lies outside the image's sections"},
        {true, [&](auto& image) { PutU32(image, relocations.headerOffset + 36, SECTION_READ | SECTION_INITIALIZED_DATA); },
         "the section .reloc after the resources cannot be moved"},
        {true, [&](auto& image) { PutU32(image, relocations.rawOffset, resources.virtualAddress); },
         "a base relocation is aimed at a section that would move"},
        {true, [&](auto& image) { PutU32(image, headers.directoriesOffset + 8 * PE_DIRECTORY_CERTIFICATE + 4, 8); },
         "the certificate does not follow the sections in the file"},
        {true, [&](auto& image) { PutU16(image, headers.optionalOffset, 0x20B); },
         "only a 32-bit program's resources can be replaced"},
    };
    for (const auto& row : rows) {
        std::vector<uint8_t> image = installer, result;
        std::vector<ResourceEntry> entries;
        row.damage(image);
        failure.clear();
        EXPECT_FALSE(row.rewriting ? ReplaceResources(image, entries, result, failure)
                                   : ReadResourceTree(image, entries, failure));
        EXPECT_EQ(failure, row.reason);
    }
}

ResourceEntry Named(const std::string& name, uint16_t number = 0) {
    return {ResourceId::Number(RESOURCE_RAW_DATA), name.empty() ? ResourceId::Number(number) : ResourceId::Text(name),
            0x409, 0, {}};
}

// The build's installer and uninstaller are, byte for byte, what porvane-pack build writes for
// Vantrel as it stands into the product-free installer and uninstaller. The product-free installer
// has all of the installer's resources but the product's, and its own application manifest.
TEST_F(BuiltInstallerResources, IsTheProductWrittenIntoTheProductFreeInstaller) {
    const fs::path build = PORVANE_WIN32_BUILD_DIR;
    const fs::path packedPath = fs::temp_directory_path() / ("porvane-packed-" + std::to_string(getpid()) + ".exe");
    const fs::path madePath = fs::temp_directory_path() / ("porvane-uninstaller-" + std::to_string(getpid()) + ".exe");
    BuildOptions options = {std::string(PORVANE_SOURCE_DIR) + "/resources/vantrel.product", packedPath.string(),
                            {(build / "product" / "bin").string(), PORVANE_SOURCE_DIR},
                            (build / "wizard" / "PorvaneBase.exe").string(), "",
                            (build / "product" / "TolvangrBase.exe").string(), madePath.string(), "", false};
    std::ostringstream out, err;
    ASSERT_EQ(RunBuild(options, out, err), 0) << err.str();
    const std::vector<uint8_t> packed = ReadBytes(packedPath), made = ReadBytes(madePath), base = ReadBytes(options.base);
    fs::remove(packedPath);
    fs::remove(madePath);
    EXPECT_TRUE(packed == installer);
    EXPECT_TRUE(made == ReadBytes(build / "product" / "bin" / "Tolvangr.exe"));
    std::vector<ResourceEntry> builtEntries, baseEntries;
    std::string failure;
    ASSERT_TRUE(ReadResourceTree(installer, builtEntries, failure)) << failure;
    ASSERT_TRUE(ReadResourceTree(base, baseEntries, failure)) << failure;
    const ResourceId manifest = ResourceId::Number(24);
    size_t product = 0;
    for (const ResourceEntry& entry : builtEntries) {
        const bool own = std::find(baseEntries.begin(), baseEntries.end(), entry) != baseEntries.end();
        product += own ? 0 : 1;
        EXPECT_TRUE(own || entry.type.number == RESOURCE_RAW_DATA || entry.type.number == RESOURCE_STRING ||
                    entry.type.number == RESOURCE_VERSION || entry.type == manifest)
            << "type " << entry.type.number << ", name " << entry.name.number;
    }
    EXPECT_EQ(product, description.rows.size() + 5) << "payloads, LICENSE, PRODUCT, texts, version, manifest";
    EXPECT_EQ(baseEntries.size(), builtEntries.size() - product + 1);
    for (const ResourceEntry& entry : baseEntries) {
        if (entry.type == manifest) {
            EXPECT_EQ(std::string(entry.data.begin(), entry.data.end()), ProductFreeInstallerManifest());
        }
    }
}

// The uninstaller the packer makes from the product-free one has row 0's size and the base's
// resources but for its application manifest, which is the product's, and the product's list,
// which reads back; the product-free installer is no such base, and a row too small for it is
// refused at its size's line.
TEST_F(BuiltInstallerResources, UninstallerIsTheProductFreeOneWithTheProductsListAndManifest) {
    const fs::path build = PORVANE_WIN32_BUILD_DIR;
    LoadedInputs inputs;
    Diagnostics diagnostics;
    ASSERT_TRUE(LoadRowFiles(description, {(build / "product" / "bin").string(), PORVANE_SOURCE_DIR}, inputs,
                             diagnostics, std::string(), BuiltUninstallerRow::Skipped));
    const std::string base = (build / "product" / "TolvangrBase.exe").string();
    std::vector<uint8_t> made;
    ASSERT_TRUE(BuildUninstaller(description, inputs.files, base, made, diagnostics))
        << (diagnostics.items.empty() ? "" : FormatDiagnostic(diagnostics.items[0]));
    EXPECT_EQ(made.size(), description.rows[UninstallerRow].fileSize);
    std::vector<ResourceEntry> madeEntries, baseEntries;
    std::string failure;
    ASSERT_TRUE(ReadResourceTree(made, madeEntries, failure)) << failure;
    ASSERT_TRUE(ReadResourceTree(ReadBytes(base), baseEntries, failure)) << failure;
    ASSERT_EQ(madeEntries.size(), baseEntries.size() + 1);
    size_t kept = 0;
    for (const ResourceEntry& entry : madeEntries) {
        if (entry.type == ResourceId::Number(RESOURCE_MANIFEST)) {
            EXPECT_EQ(std::string(entry.data.begin(), entry.data.end()), UninstallerManifest(description));
        } else if (entry.type == ResourceId::Number(RESOURCE_RAW_DATA)) {
            auto list = std::make_unique<InstalledProduct>();
            ASSERT_TRUE(entry.name == ResourceId::Text(InstalledResourceName));
            ASSERT_TRUE(ReadInstalledRecord(entry.data.data(), entry.data.size(), *list));
            EXPECT_EQ(static_cast<size_t>(list->fileCount), description.rows.size());
            EXPECT_STREQ(list->productName, description.productName.c_str());
        } else {
            kept += std::find(baseEntries.begin(), baseEntries.end(), entry) != baseEntries.end() ? 1 : 0;
        }
    }
    EXPECT_EQ(kept, baseEntries.size() - 1) << "every resource of the base but its application manifest";

    const std::string installerBase = (build / "wizard" / "PorvaneBase.exe").string();
    EXPECT_FALSE(BuildUninstaller(description, inputs.files, installerBase, made, diagnostics));
    description.rows[UninstallerRow].fileSize = 4096;
    EXPECT_FALSE(BuildUninstaller(description, inputs.files, base, made, diagnostics));
    ASSERT_EQ(diagnostics.items.size(), 2u);
    EXPECT_EQ(FormatDiagnostic(diagnostics.items[0]),
              installerBase + ": not a product-free uninstaller: it has dialogs, as the installer has");
    EXPECT_EQ(diagnostics.items[1].line, description.rows[UninstallerRow].sizeLine);
}

TEST(ResourceOrder, NamesFirstAsBothLoadersCompareThemThenNumbers) {
    const struct {
        std::vector<ResourceEntry> entries;
        std::vector<ResourceEntry> ordered;
        const char* failure;
    } rows[] = {
        {{Named("", 5), Named("b"), Named("AB"), Named("", 2), Named("A")},
         {Named("A"), Named("AB"), Named("b"), Named("", 2), Named("", 5)}, ""},
        {{Named("A_B"), Named("AB")}, {}, "the resource names AB and A_B sort differently upper-cased and lower-cased, "
                                          "so a loader could miss one"},
        {{Named("ab"), Named("AB")}, {}, "the resource names ab and AB differ only in case"},
        {{Named("X"), Named("X")}, {}, "two resources have the type #10, the name X and the language 1033"},
        {{Named("TAB\t")}, {}, "a resource name has a character outside printable ASCII"},
    };
    for (const auto& row : rows) {
        std::vector<ResourceEntry> entries = row.entries;
        std::string failure;
        EXPECT_EQ(OrderResourceEntries(entries, failure), row.ordered.size() > 0) << row.failure;
        EXPECT_EQ(failure, row.failure);
        if (row.ordered.size() > 0) {
            EXPECT_TRUE(entries == row.ordered);
        }
    }
}

TEST(ResourceEncoding, StringTableBlocksHoldSixteenCountedStringsInUtf16) {
    std::vector<ResourceEntry> entries;
    std::string failure;
    ASSERT_TRUE(EncodeStringTable({{1, "A"}, {17, "\x80\x81\x9F\xE9"}}, 0x409, entries, failure)) << failure;
    ASSERT_EQ(entries.size(), 2u);
    std::vector<uint8_t> first(34, 0), second(40, 0);
    first[2] = 1, first[4] = 'A';
    const uint8_t text[] = {4, 0, 0xAC, 0x20, 0x81, 0, 0x78, 0x01, 0xE9, 0};  // euro, unassigned, Y diaeresis, e acute
    std::copy(text, text + sizeof text, second.begin() + 2);
    EXPECT_TRUE(entries[0].type == ResourceId::Number(RESOURCE_STRING) && entries[0].name == ResourceId::Number(1));
    EXPECT_TRUE(entries[1].name == ResourceId::Number(2) && entries[1].language == 0x409);
    EXPECT_TRUE(entries[0].data == first);
    EXPECT_TRUE(entries[1].data == second);
}

// The installer's version information, encoded again from the fields it must hold.
TEST_F(BuiltInstallerResources, VersionInformationHoldsTheInstallersFields) {
    std::vector<ResourceEntry> entries;
    std::string failure;
    ASSERT_TRUE(ReadResourceTree(installer, entries, failure)) << failure;
    const std::string describedAs = description.productName + " " + description.version + " Installer";
    VersionInfo info = {{3, 2, 0, 0}, {3, 2, 0, 0}, 0x409, 1252, 0x3F, 0, 0x40004, 1, 0,
                        {{"CompanyName", description.publisher}, {"FileDescription", describedAs},
                         {"FileVersion", description.version}, {"InternalName", "Porvane"},
                         {"LegalCopyright", "Porvane: Copyright (c) 2003-2006 Brannock Softworks"},
                         {"OriginalFilename", "Porvane.exe"}, {"ProductName", description.productName},
                         {"ProductVersion", description.version}}};
    std::vector<uint8_t> data;
    ASSERT_TRUE(EncodeVersionInfo(info, data, failure)) << failure;
    size_t versions = 0;
    for (const ResourceEntry& entry : entries) {
        if (!(entry.type == ResourceId::Number(RESOURCE_VERSION))) continue;
        ++versions;
        EXPECT_TRUE(entry.data == data) << entry.data.size() << " bytes against " << data.size();
    }
    EXPECT_EQ(versions, 1u);
}

}  // namespace
