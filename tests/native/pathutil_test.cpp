// Path and text helpers: joining, title case, the clean-up's keep rule, formats and manifest
// fields, grouped numbers, bounded copy.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "cleanup.h"
#include "pathutil.h"
#include "text.h"

namespace {

// What JoinPath wrote, up to and including the second NUL, so both NULs are checked.
std::string Joined(const char* out, size_t outSize) {
    const size_t first = strnlen(out, outSize);
    if (first + 1 >= outSize) return std::string(out, first) + "<no second NUL room>";
    return std::string(out, first + 2);
}

std::string WithTwoNuls(const char* text) { return std::string(text) + std::string(2, '\0'); }

std::string TitleCased(const char* text) {
    char buffer[300];
    EXPECT_TRUE(CopyText(buffer, sizeof buffer, text));
    TitleCasePath(buffer);
    return buffer;
}

std::string Formatted(uint32_t value) {
    char out[NumberTextSize];
    memset(out, 'x', sizeof out);
    FormatNumber(out, value);
    return out;
}

}  // namespace

TEST(JoinPath, PutsOneBackslashBetweenFolderAndName) {
    char out[64];
    ASSERT_TRUE(JoinPath(out, sizeof out, "C:\\Program Files\\Vantrel", "Vantrel.exe", false));
    EXPECT_EQ(Joined(out, sizeof out), WithTwoNuls("C:\\Program Files\\Vantrel\\Vantrel.exe"));
}

TEST(JoinPath, AddsNoBackslashAfterAFolderEndingInOne) {
    char out[64];
    ASSERT_TRUE(JoinPath(out, sizeof out, "C:\\Temp\\", "*.*", false));
    EXPECT_EQ(Joined(out, sizeof out), WithTwoNuls("C:\\Temp\\*.*"));
}

TEST(JoinPath, CopiesANameThatStartsWithABackslashUnchanged) {
    char out[64];
    ASSERT_TRUE(JoinPath(out, sizeof out, "C:\\Temp", "\\x", false));
    EXPECT_EQ(Joined(out, sizeof out), WithTwoNuls("C:\\Temp\\\\x"));
}

TEST(JoinPath, QuotedFormEnclosesTheWholePath) {
    char out[64];
    ASSERT_TRUE(JoinPath(out, sizeof out, "C:\\Vantrel", "Read Me.txt", true));
    EXPECT_EQ(Joined(out, sizeof out), WithTwoNuls("\"C:\\Vantrel\\Read Me.txt\""));
}

TEST(JoinPath, EmptyFolderGivesABackslashAndTheName) {
    char out[64];
    ASSERT_TRUE(JoinPath(out, sizeof out, "", "Order.txt", false));
    EXPECT_EQ(Joined(out, sizeof out), WithTwoNuls("\\Order.txt"));
    ASSERT_TRUE(JoinPath(out, sizeof out, "", "Order.txt", true));
    EXPECT_EQ(Joined(out, sizeof out), WithTwoNuls("\"\\Order.txt\""));
}

TEST(JoinPath, ResultThatJustFitsWithBothNulsIsWritten) {
    // "C:\A" + "\" + "b.txt" = 10 characters, then two NULs.
    char out[12];
    memset(out, 'x', sizeof out);
    ASSERT_TRUE(JoinPath(out, sizeof out, "C:\\A", "b.txt", false));
    EXPECT_EQ(std::string(out, 12), WithTwoNuls("C:\\A\\b.txt"));
}

TEST(JoinPath, ResultWithoutRoomForTheSecondNulIsRefusedAndLeftEmpty) {
    char guarded[16];
    memset(guarded, 'x', sizeof guarded);
    EXPECT_FALSE(JoinPath(guarded, 11, "C:\\A", "b.txt", false));
    EXPECT_EQ(guarded[0], '\0');
    EXPECT_EQ(guarded[1], '\0');
    for (size_t i = 2; i < sizeof guarded; ++i) EXPECT_EQ(guarded[i], 'x') << i;

    // The quotes count too.
    memset(guarded, 'x', sizeof guarded);
    EXPECT_FALSE(JoinPath(guarded, 13, "C:\\A", "b.txt", true));
    for (size_t i = 2; i < sizeof guarded; ++i) EXPECT_EQ(guarded[i], 'x') << i;
}

TEST(JoinPath, TinyBuffersAreNeverWrittenPastTheirEnd) {
    char guarded[4] = {'x', 'x', 'x', 'x'};
    EXPECT_FALSE(JoinPath(guarded, 1, "C:", "a", false));
    EXPECT_EQ(guarded[0], '\0');
    EXPECT_EQ(guarded[1], 'x');
    guarded[0] = 'x';
    EXPECT_FALSE(JoinPath(guarded, 0, "C:", "a", false));
    EXPECT_EQ(guarded[0], 'x');
}

TEST(TitleCasePath, CapitalisesEachWordAndLowersTheRest) {
    EXPECT_EQ(TitleCased("C:\\WINDOWS"), "C:\\Windows");
    EXPECT_EQ(TitleCased("c:\\windows\\temp\\"), "C:\\Windows\\Temp\\");
    EXPECT_EQ(TitleCased("C:\\PROGRA~1"), "C:\\Progra~1");
    EXPECT_EQ(TitleCased("C:\\Documents and Settings\\ALL USERS\\Start Menu\\Programs"),
              "C:\\Documents And Settings\\All Users\\Start Menu\\Programs");
}

TEST(TitleCasePath, KeepsAnUpperCaseLetterAfterASeparator) {
    EXPECT_EQ(TitleCased("C:\\Windows"), "C:\\Windows");
}

TEST(TitleCasePath, LowersTheFirstLetterAfterTwoSpaces) {
    EXPECT_EQ(TitleCased("A  B"), "A  b");
    EXPECT_EQ(TitleCased("a\\\\b"), "A\\\\b");
}

TEST(TitleCasePath, NetworkPathKeepsBothBackslashesAndCapitalisesTheServer) {
    EXPECT_EQ(TitleCased("\\\\SERVER\\share\\notes"), "\\\\Server\\Share\\Notes");
}

TEST(TitleCasePath, TreatsOnlySpaceAndBackslashAsSeparators) {
    EXPECT_EQ(TitleCased("c:\\my-notes.old~x"), "C:\\My-notes.old~x");
}

TEST(TitleCasePath, LeavesBytesAbove127Unchanged) {
    const char text[] = "C:\\\xC4RGER \xE9T\xC9";
    EXPECT_EQ(TitleCased(text), "C:\\\xC4rger \xE9t\xC9");
}

TEST(TitleCasePath, StopsCleanlyOnEmptyTextAndAfterATrailingSeparator) {
    char guarded[8] = {'\0', 'A', 'B', 'C', 'x', 'x', 'x', 'x'};
    TitleCasePath(guarded);
    EXPECT_EQ(std::string(guarded, 4), std::string("\0ABC", 4));

    char trailing[8] = {'C', ':', '\\', '\0', 'A', 'B', 'C', '\0'};
    TitleCasePath(trailing);
    EXPECT_EQ(std::string(trailing, 8), std::string("C:\\\0ABC\0", 8));

    char space[8] = {'A', ' ', '\0', 'Q', 'R', 'S', 'T', '\0'};
    TitleCasePath(space);
    EXPECT_EQ(std::string(space, 8), std::string("A \0QRST\0", 8));
}

TEST(FindLastDot, FindsTheLastDotAnywhereInTheText) {
    const char name[] = "data.dat.bak";
    EXPECT_EQ(FindLastDot(name), name + 8);
    EXPECT_EQ(FindLastDot("README"), nullptr);
}

TEST(IsRemovableFile, KeepsKeyDatAndLogFilesInAnyLetterCase) {
    EXPECT_FALSE(IsRemovableFile("Vantrel.key"));
    EXPECT_FALSE(IsRemovableFile("Settings.Dat"));
    EXPECT_FALSE(IsRemovableFile("INSTALL.LOG"));
    EXPECT_FALSE(IsRemovableFile(".log"));
}

TEST(IsRemovableFile, AllowsEverythingElse) {
    EXPECT_TRUE(IsRemovableFile("README"));
    EXPECT_TRUE(IsRemovableFile("RegInfo.txt"));
    EXPECT_TRUE(IsRemovableFile("name."));
    EXPECT_TRUE(IsRemovableFile("data.dat.bak"));
    EXPECT_TRUE(IsRemovableFile("old.keys"));
    EXPECT_TRUE(IsRemovableFile("old.ke"));
    EXPECT_TRUE(IsRemovableFile("catalog"));
}

TEST(FormatText, PutsEachArgumentWhereItsPlaceholderStands) {
    const char* const args[] = {"Vantrel", "3.02"};
    char out[64];
    EXPECT_TRUE(FormatText(out, sizeof out, "%s v%s", args, 2));
    EXPECT_STREQ("Vantrel v3.02", out);
}

TEST(FormatText, CutsAnOverlongResultAndStillTerminatesIt) {
    const char* const args[] = {"ABCDEFGHIJ"};
    char out[8];
    memset(out, 'x', sizeof out);
    EXPECT_FALSE(FormatText(out, sizeof out, "<%s>", args, 1));
    EXPECT_STREQ("<ABCDEF", out);
}

TEST(FormatText, ReadsNoArgumentBeyondTheOnesGiven) {
    const char* const args[] = {"one"};
    char out[32];
    EXPECT_TRUE(FormatText(out, sizeof out, "%s and %s", args, 1));
    EXPECT_STREQ("one and ", out);
}

TEST(FormatText, TurnsADoublePercentIntoOneAndKeepsOtherSpecifiers) {
    char out[32];
    EXPECT_TRUE(FormatText(out, sizeof out, "100%% %d", nullptr, 0));
    EXPECT_STREQ("100% %d", out);
}

TEST(FormatNumber, GroupsDigitsInThreesWithCommas) {
    EXPECT_EQ(Formatted(0), "0");
    EXPECT_EQ(Formatted(999), "999");
    EXPECT_EQ(Formatted(1000), "1,000");
    EXPECT_EQ(Formatted(369475), "369,475");
    EXPECT_EQ(Formatted(1000000), "1,000,000");
    EXPECT_EQ(Formatted(4294967295u), "4,294,967,295");
}

TEST(FormatNumber, LongestNumberFitsTheDocumentedSize) {
    char out[14];
    FormatNumber(out, 4294967295u);
    EXPECT_EQ(strlen(out), 13u);
}

TEST(CopyText, CopiesWholeTextThatFits) {
    char out[8];
    EXPECT_TRUE(CopyText(out, sizeof out, "1234567"));
    EXPECT_STREQ(out, "1234567");
}

TEST(CopyText, TruncatesTextThatDoesNotFitAndTerminatesIt) {
    char out[9];
    memset(out, 'x', sizeof out);
    EXPECT_FALSE(CopyText(out, 8, "12345678"));
    EXPECT_STREQ(out, "1234567");
    EXPECT_EQ(out[8], 'x');
}

TEST(CopyText, WritesNothingIntoAZeroSizedBuffer) {
    char out = 'x';
    EXPECT_FALSE(CopyText(&out, 0, "a"));
    EXPECT_EQ(out, 'x');
    EXPECT_TRUE(CopyText(&out, 1, ""));
    EXPECT_EQ(out, '\0');
}

TEST(HasDotStep, FindsAStepThatLeadsToThisFolderOrTheOneAbove) {
    for (const char* path : {"..", ".", "..\\Escaped", "Group\\..\\..\\Out", "a/../b", "Group\\.",
                             ". .", "... ", "Group\\..\\"})
        EXPECT_TRUE(HasDotStep(path)) << path;
}

TEST(IsUsableGroupName, TellsNamesAFolderCanHaveFromOthers) {
    for (const char* name : {"Vantrel", "Vantrel 3.02", "Tools\\Vantrel", "Group\\", "..Hidden", "A.b",
                             "Caf\xE9", "x"})
        EXPECT_TRUE(IsUsableGroupName(name)) << name;
    for (const char* name : {"", " ", "   ", ".", "...", ". .", " Lead", "Trail ", "a\\ b", "a \\b", "a<b",
                             "a>b", "C:x", "a\"b", "a/b", "a|b", "a?b", "a*b", "tab\there", "\\Rooted",
                             "a\\\\b", "Group\\\\", "..\\Escaped", "Group\\..", "\\"})
        EXPECT_FALSE(IsUsableGroupName(name)) << name;
}

TEST(HasDotStep, AcceptsNamesThatOnlyHoldDots) {
    for (const char* path : {"", "Vantrel", "Vantrel 3.02", "..Hidden", "Tools..", "A\\.b\\c.", " ",
                             "Group\\", "\\Rooted"})
        EXPECT_FALSE(HasDotStep(path)) << path;
}

TEST(TrimStepEnds, DropsTheDotsAndSpacesEndingEachStepAndTheStepsLeftEmpty) {
    const char* const cases[][2] = {
        {"C:\\Data. \\Vantrel. .", "C:\\Data\\Vantrel"}, {"C:\\a \\ b\\c.d", "C:\\a\\ b\\c.d"}, {"C:\\..\\Data", "C:\\Data"},
        {"C:\\a\\. .\\", "C:\\a"}, {"C:\\", "C:\\"}, {"C:\\...", "C:\\"}, {"no step. ", "no step. "}, {"\\\\.\\NUL", "\\NUL"},
    };
    for (const auto& c : cases) {
        char path[32];
        strcpy(path, c[0]);
        TrimStepEnds(path);
        EXPECT_STREQ(path, c[1]) << c[0];
    }
}
