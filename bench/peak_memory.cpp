// Peak memory, measured in a fresh process of the benchmark: the peak resident set is reset
// (/proc/self/clear_refs) once the inputs are ready, and the growth during the one operation is
// reported beside the size of its file.
//
// Besides the ordinary inputs, settings files of 100 MB show that the settings routines' memory
// follows the file's size and not what it is made of: one of "=" lines before any section (a
// count of "=" once sized the key index), one of lone CRs (a count of LFs once sized the line
// table, which then grew by doubling), one of distinct keys in one section and one of distinct
// empty sections (each key or section once took some 100 bytes of records). Each is read once
// and written once.
#include "peak_memory.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string_view>

#include "bench_inputs.h"
#include "profile/merged_profile_writer.h"
#include "profile/new_profile_writer.h"
#include "run_program.h"
#include "settings/settings_file.h"

namespace wingcall::bench {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kHostileBytes = 100'000'000;

// A field of /proc/self/status in kilobytes ("VmRSS:" now, "VmHWM:" the peak).
long StatusKilobytes(const char* field) {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) {
        return 0;
    }
    char line[256];
    long kilobytes = 0;
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::strncmp(line, field, std::strlen(field)) == 0) {
            kilobytes = std::atol(line + std::strlen(field));
        }
    }
    std::fclose(status);
    return kilobytes;
}

// Starts the peak afresh from the present resident set, so that preparing the inputs does not
// count towards the operation's peak.
void ResetPeak() {
    if (std::FILE* clear = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", clear);
        std::fclose(clear);
    }
}

// `filler` repeated to 100 MB, then a section holding the key the cases read and write. Written
// in pieces, so that the parent never holds the file.
void WriteHostileFile(const fs::path& file, std::string_view filler, std::string_view lineEnd) {
    std::string piece;
    while (piece.size() < (1u << 20)) {
        piece += filler;
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    for (std::size_t written = 0; written < kHostileBytes; written += piece.size()) {
        out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
    }
    const std::string tail =
        "[General]" + std::string(lineEnd) + "LastPTT1=LControl" + std::string(lineEnd);
    out.write(tail.data(), static_cast<std::streamsize>(tail.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

// Numbered lines to 100 MB ("k00000001=1" or "[s00000001]"), then the same section as above.
void WriteDistinctFile(const fs::path& file, const char* header, const char* lineFormat) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    std::string piece = header;
    char line[32];
    std::size_t written = 0;
    for (std::uint32_t number = 1; written < kHostileBytes; ++number) {
        const int length = std::snprintf(line, sizeof line, lineFormat, number);
        piece.append(line, static_cast<std::size_t>(length)).append("\r\n");
        if (piece.size() >= (1u << 20)) {
            out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
            written += piece.size();
            piece.clear();
        }
    }
    piece += "[General]\r\nLastPTT1=LControl\r\n";
    out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

// The 100 MB file of a case ("equals-read" reads hostile-equals.ini).
std::string HostileFileOf(const std::string& what) {
    return "hostile-" + what.substr(0, what.rfind('-')) + ".ini";
}

struct Case {
    const char* what;
    const char* label;
    std::string input;  // the file whose size the figure is set beside; none: no ratio
    double target;      // the ratio the figure should stay within; 0: none
};

const Case kCases[] = {
    {"template", "template load, 32,765 commands", "settings32765-0.ini", 0},
    {"new", "WriteNewProfile, 32,765 commands", "", 0},
    {"merge", "WriteMergedProfile, 400,000-line source", "source400000.xml", 2.2},
    {"merge-deep", "WriteMergedProfile, 60 MB of nested elements", "deep-nesting.xml", 2.2},
    {"equals-read", "read, 100 MB of \"=\" lines before any section", "hostile-equals.ini", 3.3},
    {"equals-write", "write, 100 MB of \"=\" lines before any section", "hostile-equals.ini", 4.4},
    {"cr-read", "read, 100 MB of lone CRs", "hostile-cr.ini", 3.3},
    {"cr-write", "write, 100 MB of lone CRs", "hostile-cr.ini", 4.4},
    {"keys-read", "read, 100 MB of distinct keys (13 bytes a line)", "hostile-keys.ini", 4.4},
    {"keys-write", "write, 100 MB of distinct keys (13 bytes a line)", "hostile-keys.ini", 5.5},
    {"sections-read", "read, 100 MB of distinct sections (12 bytes a line)", "hostile-sections.ini",
     4.4},
    {"sections-write", "write, 100 MB of distinct sections (12 bytes a line)",
     "hostile-sections.ini", 5.5},
};

}  // namespace

int MeasurePeakMemory(const std::string& what, const fs::path& workspace) {
    const auto path = [&](const std::string& name) { return workspace / name; };
    const std::string hostile = HostileFileOf(what);
    CommandTables tables;
    if (what.starts_with("merge")) {
        tables = PersonalisedTables(kSmall);
    } else if (what == "new") {
        tables = PersonalisedTables(kLargest);
    }
    ResetPeak();
    const long before = StatusKilobytes("VmRSS:");
    bool done = true;
    if (what == "template") {
        LoadCommandTemplate(Wide(path("settings" + std::to_string(kLargest) + "-0.ini")), tables);
    } else if (what == "new") {
        WriteNewProfile(path("memory-new.xml"), tables, kPushToTalk);
    } else if (what == "merge") {
        WriteMergedProfile(path("memory-merged.xml"), path("source400000.xml"), tables);
    } else if (what == "merge-deep") {
        // Refused at the bound on depth: the figure is what reading and judging it hold.
        try {
            WriteMergedProfile(path("memory-merged.xml"), path("deep-nesting.xml"), tables);
            done = false;
        } catch (const MergeSourceRefused&) {
        }
    } else if (what.ends_with("-read")) {
        done = ReadSetting(Wide(path(hostile)), L"General", L"LastPTT1", L"vuoto") == L"LControl";
    } else if (what.ends_with("-write")) {
        done = static_cast<bool>(
            WriteSetting(Wide(path(hostile)), L"General", L"LastPTT1", L"RControl"));
    }
    std::printf("%ld %ld\n", before, StatusKilobytes("VmHWM:"));
    return done ? 0 : 1;
}

void PrintPeakMemory(const fs::path& self, const fs::path& workspace) {
    WriteHostileFile(workspace / "hostile-equals.ini", "=\r\n", "\r\n");
    WriteHostileFile(workspace / "hostile-cr.ini", "\r", "\r");
    {
        // 20 million elements, each inside the one before: 60 MB.
        std::ofstream deep(workspace / "deep-nesting.xml", std::ios::binary);
        deep << "<voxtrel-config><command-list>";
        const std::string block = [] {
            std::string openings;
            for (int i = 0; i < 100000; ++i) {
                openings += "<a>";
            }
            return openings;
        }();
        for (int i = 0; i < 200; ++i) {
            deep << block;
        }
    }
    WriteDistinctFile(workspace / "hostile-keys.ini", "[Keys]\r\n", "k%08u=1");
    WriteDistinctFile(workspace / "hostile-sections.ini", "", "[s%08u]");
    for (const Case& c : kCases) {
        std::string output;
        const int status = RunProgram(self.string(), {"--peak-memory", c.what, workspace.string()},
                                      std::chrono::seconds(300), &output);
        long before = 0, after = 0;
        if (status != 0 || std::sscanf(output.c_str(), "%ld %ld", &before, &after) != 2) {
            std::printf("  %-48s (not measured: the operation failed)\n", c.label);
            continue;
        }
        const double grownMegabytes = static_cast<double>(after - before) / 1024.0;
        std::printf("  %-48s peak %7.1f MB, of which the operation %6.1f MB", c.label,
                    static_cast<double>(after) / 1024.0, grownMegabytes);
        if (!c.input.empty()) {
            const double inputMegabytes =
                static_cast<double>(fs::file_size(workspace / c.input)) / (1024.0 * 1024.0);
            const double ratio = grownMegabytes / inputMegabytes;
            std::printf(" = %.2fx its %.1f MB file", ratio, inputMegabytes);
            if (c.target > 0) {
                std::printf("  (target about %.0fx: %s)", c.target / 1.1,
                            ratio <= c.target ? "holds" : "DOES NOT HOLD");
            }
        }
        std::printf("\n");
    }
    for (const char* shape : {"equals", "cr", "keys", "sections"}) {
        fs::remove(workspace / ("hostile-" + std::string(shape) + ".ini"));
    }
}

}  // namespace wingcall::bench
