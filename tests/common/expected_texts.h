// The installer's messages as a user reads them, for the tests of every level to compare against:
// the texts the installer shows (messages.h), filled with this build's product name and support
// address, and the counts and sizes of the built manifest as the installing page shows them.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "manifest.h"
#include "messages.h"
#include "pathutil.h"
#include "text.h"

inline std::string FilledText(const char* format, const char* argument, const char* second = "") {
    char text[512];
    const char* const args[] = {argument, second};
    (void)FormatText(text, sizeof text, format, args, 2);
    return text;
}

inline std::string ProductNameText() { return Manifest.product.productName; }

inline std::string GroupedNumber(uint32_t value) {
    char text[NumberTextSize];
    FormatNumber(text, value);
    return text;
}

inline uint32_t ManifestTotalSize() {
    uint32_t total = 0;
    for (int i = 0; i < Manifest.fileCount; ++i) total += Manifest.files[i].fileSize;
    return total;
}

// The installing page's "Total Size:" and "Total Files:" as this build shows them.
inline const std::string TotalSizeText = GroupedNumber(ManifestTotalSize());
inline const std::string TotalFilesText = std::to_string(Manifest.fileCount);
// The files the installation puts in the install folder (the others go to the Windows folder).
inline size_t InstallFolderFileCount() {
    size_t count = 0;
    for (int i = 0; i < Manifest.fileCount; ++i) count += (Manifest.files[i].flags & FILE_TO_WINDOWS_FOLDER) ? 0 : 1;
    return count;
}
// "Current File:" through the whole step: 1 to the number of files.
inline std::vector<std::string> FileNumberTexts() {
    std::vector<std::string> numbers;
    for (int i = 1; i <= Manifest.fileCount; ++i) numbers.push_back(std::to_string(i));
    return numbers;
}

inline std::string OtherFilesText(const std::string& folder) {
    return FilledText(OtherFilesFormat, folder.c_str(), ProductNameText().c_str());
}
inline const std::string AbortNoticeText = FilledText(AbortNoticeFormat, Texts.supportEmail);
inline const std::string ReadMeQuestionText = FilledText(ReadMeQuestionFormat, ProductNameText().c_str());
// The finish formats this notice from fixed text about the publisher.
const char RestartNoticeText[] =
    "Before using Vantrel for the first time you will\r\n"
    "need to restart your computer. Do it now!\r\n\r\n"
    "For other great software utilities be sure to\r\n"
    "stop by Quillfern Utiltites home page at\r\n"
    "http://www.quillfern.example/\r\n\r\n"
    "If you have any questions or comments you can\r\n"
    "email support at support@quillfern.example!";
