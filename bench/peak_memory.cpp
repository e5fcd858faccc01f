// Peak memory, measured in a fresh process of the benchmark: the peak resident set is reset
// (/proc/self/clear_refs) once the inputs are ready, and the growth during the one operation is
// reported beside the size of its file.
#include "peak_memory.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "bench_inputs.h"
#include "profile/merged_profile_writer.h"
#include "profile/new_profile_writer.h"
#include "run_program.h"

namespace wingcall::bench {
namespace {

namespace fs = std::filesystem;

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

struct Case {
    const char* what;
    const char* label;
    std::string input;  // the file whose size the figure is set beside; none: no ratio
    double target;      // the ratio to that size the figure should stay within; 0: none
};

// A settings read may hold at most 20 times its file: the template load, which reads its file
// through the settings routines, is the read measured.
const Case kCases[] = {
    {"template", "template load, 32,765 commands", "settings32765-0.ini", 20},
    {"new", "WriteNewProfile, 32,765 commands", "", 0},
    {"merge", "WriteMergedProfile, 400,000-line source", "source400000.xml", 0},
    {"merge-deep", "WriteMergedProfile, 60 MB of nested elements", "deep-nesting.xml", 0},
};

}  // namespace

int MeasurePeakMemory(const std::string& what, const fs::path& workspace) {
    const auto path = [&](const std::string& name) { return workspace / name; };
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
    } else {
        done = false;
    }
    std::printf("%ld %ld\n", before, StatusKilobytes("VmHWM:"));
    return done ? 0 : 1;
}

void PrintPeakMemory(const fs::path& self, const fs::path& workspace) {
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
                std::printf("  (target <= %.0fx: %s)", c.target,
                            ratio <= c.target ? "holds" : "DOES NOT HOLD");
            }
        }
        std::printf("\n");
    }
}

}  // namespace wingcall::bench
