// Codec benchmarks: compressed sizes, encoder and decoder speeds.
//
//   porvane_bench [--text FILE] [--binary FILE] [--payload-dir DIR[:DIR...]]
//       For each input: the size each parser reaches, its speed in MB/s of input, the decoder's
//       speed in MB/s of output (both per second of processor time), and how much smaller the
//       optimal parse is than the greedy one.
//       Without --text, English text is gathered from /usr/share/common-licenses and the
//       copyright files under /usr/share/doc; --binary defaults to a large 32-bit Windows DLL;
//       the payload folders default to $PORVANE_PAYLOAD_DIR and are skipped when absent.
//   porvane_bench --make-text FILE        writes that English text to FILE
//   porvane_bench --compress IN OUT       writes OUT: the input size (4 bytes, little-endian),
//                                         then IN's optimal-parse stream
//   porvane_bench --decode FILE           decodes a --compress output once (for callgrind) and
//                                         prints the number of bytes decoded
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "lzhuf.h"
#include "lzhuf_encoder.h"

namespace fs = std::filesystem;

namespace {

const size_t TEXT_SIZE = 3000000;
const char* const DEFAULT_BINARY = "/usr/lib/i386-linux-gnu/wine/i386-windows/shell32.dll";

using Bytes = std::vector<uint8_t>;

bool ReadFile(const fs::path& path, Bytes& out) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    out.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

bool WriteFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

std::vector<fs::path> SortedFiles(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Plain English from this machine: the licence texts, then the packages' copyright files.
Bytes EnglishText() {
    std::vector<fs::path> files = SortedFiles("/usr/share/common-licenses");
    std::vector<fs::path> copyrights;
    std::error_code error;
    for (const auto& package : fs::directory_iterator("/usr/share/doc", error)) {
        const fs::path copyright = package.path() / "copyright";
        if (fs::is_regular_file(copyright, error)) copyrights.push_back(copyright);
    }
    std::sort(copyrights.begin(), copyrights.end());
    files.insert(files.end(), copyrights.begin(), copyrights.end());

    Bytes text, part;
    for (const fs::path& file : files) {
        if (text.size() >= TEXT_SIZE) break;
        if (ReadFile(file, part)) text.insert(text.end(), part.begin(), part.end());
    }
    if (text.size() > TEXT_SIZE) text.resize(TEXT_SIZE);
    return text;
}

std::string Grouped(uint64_t value) {
    std::string digits = std::to_string(value), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

struct Collected {
    Bytes bytes;
};

uint32_t Collect(void* context, const uint8_t* data, uint32_t count) {
    Bytes& bytes = static_cast<Collected*>(context)->bytes;
    bytes.insert(bytes.end(), data, data + count);
    return count;
}

uint32_t Discard(void*, const uint8_t*, uint32_t count) { return count; }
void IgnoreProgress(void*, uint32_t) {}

// Processor time of this process: on a machine shared with other jobs it is what the code costs,
// where the wall clock would also count the waiting.
double ProcessSeconds() {
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

// Runs `work` until it has taken at least `minimum` seconds; returns seconds per run.
template <typename Work>
double TimePerRun(double minimum, Work work) {
    int runs = 0;
    const double start = ProcessSeconds();
    double elapsed = 0;
    do {
        work();
        ++runs;
        elapsed = ProcessSeconds() - start;
    } while (elapsed < minimum);
    return elapsed / runs;
}

struct ParserResult {
    size_t size = 0;
    double encodeSeconds = 0;
};

struct Totals {
    uint64_t input = 0;
    uint64_t compressed[3] = {0, 0, 0};
};

const LzhufParse Parsers[] = {LzhufParse::Greedy, LzhufParse::Lazy, LzhufParse::Optimal};
const char* const ParserNames[] = {"Greedy", "Lazy", "Optimal"};

double Percent(double part, double whole) { return whole > 0 ? 100.0 * part / whole : 0; }

// Compresses with every parser and decodes the optimal stream; prints one block of lines.
bool Measure(const std::string& title, const Bytes& data, Totals* totals) {
    printf("== %s: %s bytes\n", title.c_str(), Grouped(data.size()).c_str());
    if (data.empty()) {
        printf("   (empty, skipped)\n");
        return true;
    }
    ParserResult results[3];
    Bytes optimal;
    printf("   %-8s %12s %8s %12s\n", "parser", "compressed", "ratio", "encode MB/s");
    for (int p = 0; p < 3; ++p) {
        Bytes stream;
        results[p].encodeSeconds =
            TimePerRun(0.3, [&] { stream = EncodeLzhuf(data.data(), data.size(), Parsers[p]); });
        results[p].size = stream.size();
        if (Parsers[p] == LzhufParse::Optimal) optimal = stream;
        printf("   %-8s %12s %7.2f%% %12.1f\n", ParserNames[p], Grouped(stream.size()).c_str(),
               Percent(stream.size(), data.size()), data.size() / results[p].encodeSeconds / 1e6);
        if (totals) totals->compressed[p] += stream.size();
    }
    if (totals) totals->input += data.size();

    Collected check;
    const PayloadSink collect{&check, Collect, IgnoreProgress};
    if (!decodePayload(collect, optimal.data(), static_cast<uint32_t>(optimal.size()),
                       static_cast<uint32_t>(data.size())) ||
        check.bytes != data) {
        printf("   ROUND TRIP FAILED\n");
        return false;
    }
    const PayloadSink discard{nullptr, Discard, IgnoreProgress};
    const double decodeSeconds = TimePerRun(0.5, [&] {
        decodePayload(discard, optimal.data(), static_cast<uint32_t>(optimal.size()), static_cast<uint32_t>(data.size()));
    });
    printf("   decode   %.1f MB/s of output (optimal stream; %u tree rebuilds)\n", data.size() / decodeSeconds / 1e6,
           ReadDecodeStats().rebuildCount);
    printf("   optimal vs greedy: %.2f%% smaller\n", 100.0 - Percent(results[2].size, results[0].size));
    return true;
}

bool MeasurePayloads(const std::string& folders) {
    Totals totals;
    bool any = false, ok = true;
    size_t start = 0;
    while (start <= folders.size()) {
        const size_t colon = std::min(folders.find(':', start), folders.size());
        const fs::path folder = folders.substr(start, colon - start);
        start = colon + 1;
        if (folder.empty()) continue;
        if (!fs::is_directory(folder)) {
            printf("== payload folder %s: not there, skipped\n", folder.c_str());
            continue;
        }
        for (const fs::path& file : SortedFiles(folder)) {
            Bytes data;
            if (!ReadFile(file, data)) continue;
            any = true;
            ok = Measure("payload " + file.filename().string(), data, &totals) && ok;
        }
    }
    if (any) {
        printf("== all payloads: %s bytes\n", Grouped(totals.input).c_str());
        for (int p = 0; p < 3; ++p) {
            printf("   %-8s %12s %7.2f%%\n", ParserNames[p], Grouped(totals.compressed[p]).c_str(),
                   Percent(totals.compressed[p], totals.input));
        }
        printf("   optimal vs greedy: %.2f%% smaller\n", 100.0 - Percent(totals.compressed[2], totals.compressed[0]));
    }
    return ok;
}

int Compress(const char* in, const char* out) {
    Bytes data;
    if (!ReadFile(in, data)) {
        fprintf(stderr, "porvane_bench: cannot read %s\n", in);
        return 1;
    }
    const uint32_t size = static_cast<uint32_t>(data.size());
    Bytes file = {uint8_t(size), uint8_t(size >> 8), uint8_t(size >> 16), uint8_t(size >> 24)};
    const Bytes stream = EncodeLzhuf(data.data(), data.size(), LzhufParse::Optimal);
    file.insert(file.end(), stream.begin(), stream.end());
    if (!WriteFile(out, file)) {
        fprintf(stderr, "porvane_bench: cannot write %s\n", out);
        return 1;
    }
    return 0;
}

int DecodeOnce(const char* path) {
    Bytes file;
    if (!ReadFile(path, file) || file.size() < 4) {
        fprintf(stderr, "porvane_bench: cannot read %s\n", path);
        return 1;
    }
    const uint32_t size = file[0] | file[1] << 8 | file[2] << 16 | uint32_t(file[3]) << 24;
    const PayloadSink discard{nullptr, Discard, IgnoreProgress};
    if (!decodePayload(discard, file.data() + 4, static_cast<uint32_t>(file.size() - 4), size)) return 1;
    printf("%u\n", size);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && strcmp(argv[1], "--make-text") == 0) {
        const Bytes text = EnglishText();
        if (text.size() < 1000000) fprintf(stderr, "porvane_bench: only %zu bytes of English text found\n", text.size());
        return WriteFile(argv[2], text) ? 0 : 1;
    }
    if (argc == 4 && strcmp(argv[1], "--compress") == 0) return Compress(argv[2], argv[3]);
    if (argc == 3 && strcmp(argv[1], "--decode") == 0) return DecodeOnce(argv[2]);

    const char* const usage =
        "usage: porvane_bench [--text FILE] [--binary FILE] [--payload-dir DIR[:DIR...]]\n"
        "       porvane_bench --make-text FILE | --compress IN OUT | --decode FILE\n";
    if (argc % 2 == 0) {
        fputs(usage, stderr);
        return 2;
    }
    std::string textPath, binaryPath = DEFAULT_BINARY;
    std::string payloadFolders = getenv("PORVANE_PAYLOAD_DIR") ? getenv("PORVANE_PAYLOAD_DIR") : "";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (strcmp(argv[i], "--text") == 0) {
            textPath = argv[i + 1];
        } else if (strcmp(argv[i], "--binary") == 0) {
            binaryPath = argv[i + 1];
        } else if (strcmp(argv[i], "--payload-dir") == 0) {
            payloadFolders = argv[i + 1];
        } else {
            fputs(usage, stderr);
            return 2;
        }
    }

    bool ok = true;
    Bytes text;
    if (textPath.empty()) {
        text = EnglishText();
        textPath = "common-licenses and doc copyright files";
    } else if (!ReadFile(textPath, text)) {
        fprintf(stderr, "porvane_bench: cannot read %s\n", textPath.c_str());
        return 1;
    }
    ok = Measure("English text (" + textPath + ")", text, nullptr) && ok;

    Bytes binary;
    if (ReadFile(binaryPath, binary)) {
        ok = Measure("x86 binary (" + binaryPath + ")", binary, nullptr) && ok;
    } else {
        printf("== x86 binary %s: not there, skipped\n", binaryPath.c_str());
    }

    if (payloadFolders.empty()) {
        printf("== payloads: PORVANE_PAYLOAD_DIR not set, skipped\n");
    } else {
        ok = MeasurePayloads(payloadFolders) && ok;
    }
    return ok ? 0 : 1;
}
