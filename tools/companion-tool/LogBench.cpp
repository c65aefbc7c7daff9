// Throughput and memory of `logs` on generated logs: lines per second on
// one core and the process's peak memory, for a log of a million lines and
// of ten million lines from the same fleet (memory must not grow with the
// lines) and of ten million lines from a ten times larger fleet and a
// hundred times larger one (memory grows with the machines).
//
//   tarnwick-companion-log-bench [FOLDER [LINES]]   (defaults: the temporary folder, 10,000,000)
//
// Each log is written to FOLDER, read twice as `logs` reads it (file, line
// parser, machines' states; the faster pass counts) and once through the
// whole command with --json into nothing, then removed. Times are the
// process's processor time (one core; the wall clock of the read is shown
// beside it). The peak is the process's own (getrusage), so
// the cases run from the smallest fleet up; generation writes through a
// small buffer and adds nothing to it. Goal: at least 1,000,000 lines per
// second.
#include <sys/resource.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>

#include "tools/companion-tool/Commands.h"
#include "tools/companion-tool/LogFiles.h"
#include "tools/companion-tool/LogReading.h"

using namespace Korvane::PC::Tarnwick::Companion;

namespace {

// Processor time of this process: on a machine shared with other work the
// wall clock says more about the others than about `logs`.
double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // KiB on Linux
}

struct NullBuffer : std::streambuf {
    int overflow(int c) override { return c; }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

void AppendNumber(std::string& out, std::uint64_t n, int width = 0) {
    char digits[24];
    int length = 0;
    do {
        digits[length++] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n != 0);
    for (int i = length; i < width; ++i) out += '0';
    while (length) out += digits[--length];
}

// A rollout over 60 days: each line a run of a machine picked by a
// multiplicative hash (so lookups wander over the whole fleet), with the
// mix of endings of a real fleet, every 200,000th line cut in two by a
// killed writer. About 100 bytes a line.
std::uint64_t WriteLog(const std::filesystem::path& path, std::uint64_t lines, std::uint64_t machines) {
    static const char* const kSentences[] = {"Installed firmware version 2.0.4", "Installed firmware version 2.0.5",
                                             "Installed BIOS version 1.07", ""};
    static const int kExits[] = {2, 2, 2, 2, 2, 2, 1, 1, 0, 0, 3, 2, 6, 5, 1010, 1013, 2, 1002, 1017, 4};
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::string buffer = "\xEF\xBB\xBF";
    std::uint64_t bytes = 0;
    for (std::uint64_t i = 0; i < lines; ++i) {
        const std::uint64_t machine = (i * 2654435761u) % machines;
        const std::uint64_t second = i * (60ull * 86400) / lines;
        const std::uint64_t day = 1 + second / 86400 % 60;
        buffer += "2026/";
        AppendNumber(buffer, day <= 31 ? 10 : 11, 2);
        buffer += '/';
        AppendNumber(buffer, day <= 31 ? day : day - 31, 2);
        buffer += ' ';
        AppendNumber(buffer, second / 3600 % 24, 2);
        buffer += ':';
        AppendNumber(buffer, second / 60 % 60, 2);
        buffer += ':';
        AppendNumber(buffer, second % 60, 2);
        const int exit = kExits[(i / 7 + machine) % 20];
        buffer += ", ";
        AppendNumber(buffer, 7 + (i * 2 > lines));
        buffer += ", ";
        AppendNumber(buffer, static_cast<std::uint64_t>(exit));
        if (exit == 1002) {
            buffer += ", , , , , \r\n";
        } else {
            buffer += ", KORVANE, KBX";
            AppendNumber(buffer, 1001 + machine % 40);
            buffer += ", KN-";
            AppendNumber(buffer, 1001 + machine % 40);
            buffer += machine % 3 ? " Lite" : "";
            buffer += ", 5CG";
            AppendNumber(buffer, machine, 9);
            buffer += ", ";
            buffer += kSentences[machine % 4];
            buffer += "\r\n";
        }
        if (i % 200000 == 199999) buffer.resize(buffer.size() - 30);  // cut short; the next line follows
        if (buffer.size() > (1 << 20)) {
            bytes += std::fwrite(buffer.data(), 1, buffer.size(), file);
            buffer.clear();
        }
    }
    bytes += std::fwrite(buffer.data(), 1, buffer.size(), file);
    std::fclose(file);
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path folder = argc > 1 ? argv[1] : std::filesystem::temp_directory_path();
    const std::filesystem::path log = folder / "tarnwick-log-bench.log";
    struct Case {
        std::uint64_t lines, machines;
    };
    const std::uint64_t large = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 10000000;
    const Case kCases[] = {{large / 10, 10000}, {large, 10000}, {large, 100000}, {large, 1000000}};
    std::printf("%10s %9s %7s %8s %8s %11s %7s %9s %10s %8s\n", "lines", "machines", "MB", "cpu s", "wall s", "lines/s",
                "MB/s", "--json s", "unreadable", "peak MB");
    for (const Case& c : kCases) {
        const std::uint64_t bytes = WriteLog(log, c.lines, c.machines);
        if (bytes == 0) {
            std::fprintf(stderr, "%s: cannot write the log\n", log.c_str());
            return 3;
        }
        std::ostringstream errors;
        double best = 1e9, wall = 0;
        std::size_t unreadable = 0, seen = 0;
        for (int pass = 0; pass < 2; ++pass) {
            LogAnalysis analysis(3);
            const double cpu = CpuSeconds();
            const auto start = std::chrono::steady_clock::now();
            if (const OwnedFile file = OpenRegularFile(log.string(), errors))
                (void)ReadLogStream(file.get(), log.string(), analysis, errors);  // a failure shows in the counts
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            if (CpuSeconds() - cpu < best) {
                best = CpuSeconds() - cpu;
                wall = took.count();
            }
            unreadable = analysis.unreadable().size();
            seen = analysis.machineCount();
        }
        NullBuffer nothing;
        std::ostream null(&nothing);
        const double cpu = CpuSeconds();
        const int status = RunCommand({"logs", log.string(), "--json"}, null, errors);
        const double whole = CpuSeconds() - cpu;
        std::filesystem::remove(log);
        const double megabytes = static_cast<double>(bytes) / 1e6;
        std::printf("%10llu %9zu %7.0f %8.3f %8.3f %11.0f %7.0f %9.3f %10zu %8.1f%s\n",
                    static_cast<unsigned long long>(c.lines), seen, megabytes, best, wall,
                    static_cast<double>(c.lines) / best, megabytes / best, whole, unreadable, PeakMegabytes(),
                    status <= ExitStatus::kFindings ? "" : "  (the command failed)");
        std::fflush(stdout);
    }
    return 0;
}
