// Byte layout of the installer's compiled-in manifest, as the packer writes it. The packer serves
// any number of rows, so it cannot use the installer's record types (their table has a fixed row
// count); the native tests hold these numbers against those records.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

namespace layout {

// Widths of the text fields, terminating NUL included.
enum : size_t {
    ProductNameWidth = 20,
    VersionWidth = 10,
    TaglineWidth = 60,
    PublisherWidth = 20,
    HomePageUrlWidth = 60,
    FileNameWidth = 24,
    ResourceNameWidth = 16,
    ShortcutNameWidth = 20,
};

enum : size_t {
    ProductInfoSize = 188,
    FileTimeOffset = 170,
    FileEntrySize = 72,
    FileTableOffset = ProductInfoSize,
    CountsSize = 4,
};

enum : uint32_t {
    FileInInstallFolder = 0x01,
    FileToWindowsFolder = 0x02,
    FileAlwaysOverwrite = 0x10,
    KnownFlags = FileInInstallFolder | FileToWindowsFolder | FileAlwaysOverwrite,
};

// Rows whose position other parts of the installer rely on.
enum : size_t {
    UninstallerRow = 0,
    ReadMeRow = 4,
    MinimumRows = 5,
};

inline size_t ManifestSize(size_t rows) { return ProductInfoSize + FileEntrySize * rows + CountsSize; }

}  // namespace layout
