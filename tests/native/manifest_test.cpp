// Layout of the compiled-in manifest where the header's own checks leave room for a slip: the
// member order inside the timestamp and the row, and the place of the second count.
#include <gtest/gtest.h>

#include "manifest.h"

TEST(ManifestLayout, TimestampMembersFollowSystemTimeOrder) {
    EXPECT_EQ(offsetof(ManifestTime, year), 0u);
    EXPECT_EQ(offsetof(ManifestTime, month), 2u);
    EXPECT_EQ(offsetof(ManifestTime, dayOfWeek), 4u);
    EXPECT_EQ(offsetof(ManifestTime, day), 6u);
    EXPECT_EQ(offsetof(ManifestTime, hour), 8u);
    EXPECT_EQ(offsetof(ManifestTime, minute), 10u);
    EXPECT_EQ(offsetof(ManifestTime, second), 12u);
    EXPECT_EQ(offsetof(ManifestTime, milliseconds), 14u);
}

TEST(ManifestLayout, ProductRecordStartsWithTheNameAndEndsWithTwoPaddingBytes) {
    EXPECT_EQ(offsetof(ProductInfo, productName), 0u);
    EXPECT_EQ(offsetof(ProductInfo, padding), 186u);
    EXPECT_EQ(sizeof(ProductInfo::padding), 2u);
}

TEST(ManifestLayout, RowStartsWithTheFileNameAndRowsFollowEachOther) {
    EXPECT_EQ(offsetof(FileEntry, fileName), 0u);
    EXPECT_EQ(offsetof(InstallManifest, files[1]), 188u + 72u);
    EXPECT_EQ(offsetof(InstallManifest, files[6]), 188u + 6u * 72u);
}

TEST(ManifestLayout, ShortcutCountFollowsFileCount) {
    EXPECT_EQ(ManifestSize(7), 694u + 2u);  // in the image of seven rows: fileCount at 692, shortcutCount at 694
    EXPECT_EQ(sizeof(InstallManifest::fileCount), 2u);
    EXPECT_EQ(sizeof(InstallManifest::shortcutCount), 2u);
}
