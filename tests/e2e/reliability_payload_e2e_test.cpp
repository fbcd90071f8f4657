// A payload cut short. An installer whose resource is shorter than its manifest says is stopped by
// the integrity check before any decoding (the damaged-installer test covers that path); this
// test goes below it, to the decoder itself, with the real payload bytes of Porvane.exe cut at
// several lengths and placed against an inaccessible page: the decoder must never read past what
// it is given and never produce more than the file's size.
#include <windows.h>
#include <gtest/gtest.h>

#include <string.h>

#include "lzhuf.h"

namespace {

// The payload resources of the installer and the sizes of the files they hold, as the product
// description lists them.
struct Payload {
    const char* resource;
    uint32_t fileSize;
};
const Payload Payloads[] = {{"UINSTALL", 49152}, {"UPDATER", 57344}, {"PROGRAM", 212992},
                            {"HELPFILE", 41611}, {"README", 5163},   {"ORDER", 1962},
                            {"REGINFO", 1251}};

// `count` bytes placed so that the byte after them is the first of a page that cannot be read.
class FencedBytes {
public:
    FencedBytes(const uint8_t* data, uint32_t count) {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        const uint32_t page = info.dwPageSize;
        const uint32_t dataPages = (count + page - 1) / page;
        size_ = (dataPages + 1) * page;
        base_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, size_, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        if (base_ == nullptr) return;
        DWORD old = 0;
        VirtualProtect(base_ + dataPages * page, page, PAGE_NOACCESS, &old);
        start_ = base_ + dataPages * page - count;
        memcpy(start_, data, count);
    }
    ~FencedBytes() {
        if (base_) VirtualFree(base_, 0, MEM_RELEASE);
    }
    const uint8_t* data() const { return start_; }
    bool ready() const { return base_ != nullptr; }

private:
    uint8_t* base_ = nullptr;
    uint8_t* start_ = nullptr;
    uint32_t size_ = 0;
};

struct Counter {
    uint64_t written = 0;
    uint64_t reported = 0;
    uint32_t largestBlock = 0;
};

uint32_t CountBlock(void* context, const uint8_t*, uint32_t count) {
    Counter* counter = static_cast<Counter*>(context);
    counter->written += count;
    if (count > counter->largestBlock) counter->largestBlock = count;
    return count;
}

void CountProgress(void* context, uint32_t count) { static_cast<Counter*>(context)->reported += count; }

TEST(ReliabilityTruncatedPayload, DecoderStaysInsideTheCutResourceAndNeverWritesPastTheFileSize) {
    HMODULE installer = LoadLibraryExA(PORVANE_EXE_PATH, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(installer, nullptr) << "cannot read " << PORVANE_EXE_PATH;
    for (const Payload& payload : Payloads) {
        SCOPED_TRACE(payload.resource);
        HRSRC resource = FindResourceA(installer, payload.resource, MAKEINTRESOURCEA(10));  // RT_RCDATA
        ASSERT_NE(resource, nullptr);
        const uint32_t size = SizeofResource(installer, resource);
        const uint8_t* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(installer, resource)));
        ASSERT_NE(bytes, nullptr);
        ASSERT_GT(size, 16u);
        const uint32_t cuts[] = {0, 1, 2, 7, size / 3, size / 2, size - 1, size};
        for (uint32_t cut : cuts) {
            SCOPED_TRACE("cut to " + std::to_string(cut) + " of " + std::to_string(size) + " bytes");
            FencedBytes fenced(bytes, cut);
            ASSERT_TRUE(fenced.ready());
            Counter counter;
            const PayloadSink sink = {&counter, CountBlock, CountProgress};
            // A read past the fence ends the test with an access violation.
            EXPECT_TRUE(decodePayload(sink, fenced.data(), cut, payload.fileSize));
            EXPECT_EQ(counter.written, payload.fileSize) << "exactly the file's size, never more";
            EXPECT_EQ(counter.reported, payload.fileSize);
            EXPECT_LE(counter.largestBlock, 1024u);
        }
    }
    FreeLibrary(installer);
}

}  // namespace
