// Wingcall's benchmarks: every figure is measured beside its floor in the same run, and the
// summary prints each target with its verdict: the growth from a tenth of the size to the whole,
// the largest template's load time, start-up against the least Qt window with text, and peak
// memory against the size of the file. Run: <build>/bench/wingcall_bench   (see bench/README.md)
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "bench_inputs.h"
#include "peak_memory.h"
#include "profile/merged_profile_writer.h"
#include "profile/new_profile_writer.h"
#include "profile/personalisation.h"
#include "run_program.h"
#include "settings/command_template.h"
#include "settings/command_template_check.h"
#include "settings/settings_file.h"

namespace {

namespace fs = std::filesystem;
using namespace wingcall;
using namespace wingcall::bench;

constexpr std::size_t kSourceLines[] = {32000, 40000, 400000};
// Attributes in the one tag of a source: x8 between the two.
constexpr std::size_t kWideTagAttributes[] = {20000, 160000};
// Copies of each settings file, cycled, so that no load in the loop meets the file the load
// before it read, whatever the settings routines keep between calls: every load reads and parses
// its file anew, as the program's start-up does.
constexpr int kCopies = 9;

Workspace* gWorkspace = nullptr;

fs::path TemplateCopy(std::size_t count, int copy) {
    return *gWorkspace / ("settings" + std::to_string(count) + "-" + std::to_string(copy) + ".ini");
}

fs::path MergeSource(std::size_t lines) {
    return *gWorkspace / ("source" + std::to_string(lines) + ".xml");
}

// A source whose list holds one command tag of `attributes` attributes (160,000 make 1.8 MB).
fs::path WideTagSource(std::size_t attributes) {
    return *gWorkspace / ("wide-tag-" + std::to_string(attributes) + ".xml");
}

std::string WideTagProfile(std::size_t attributes) {
    std::string text = "<voxtrel-config>\r\n<command-list>\r\n<command";
    for (std::size_t i = 0; i < attributes; ++i) {
        text += " a" + std::to_string(i) + "=\"\"";
    }
    return text + " />\r\n</command-list>\r\n</voxtrel-config>\r\n";
}

void PrepareInputs() {
    for (std::size_t attributes : {kWideTagAttributes[0], kWideTagAttributes[1]}) {
        WriteFile(WideTagSource(attributes), WideTagProfile(attributes));
    }
    for (std::size_t count : {kSmall, kTenth, kLargest}) {
        const std::string text = SettingsWithTemplate(count);
        for (int copy = 0; copy < kCopies; ++copy) {
            WriteFile(TemplateCopy(count, copy), text);
        }
    }
    for (std::size_t lines : kSourceLines) {
        WriteFile(MergeSource(lines), ProfileOfLines(lines));
    }
}

// ---- the floors: the least any program does with the same bytes --------------------------------

std::string ReadOnce(const fs::path& file) {
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    ::fstat(descriptor, &info);
    std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count = ::read(descriptor, bytes.data() + done, bytes.size() - done);
        if (count <= 0) {
            break;
        }
        done += static_cast<std::size_t>(count);
    }
    ::close(descriptor);
    return bytes;
}

void WriteOnce(const fs::path& file, std::string_view bytes, bool durable) {
    const fs::path written = durable ? fs::path(file.string() + ".new") : file;
    const int descriptor = ::open(written.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (::write(descriptor, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
        std::perror("write");
    }
    if (durable) {
        ::fsync(descriptor);
    }
    ::close(descriptor);
    if (durable) {
        ::rename(written.c_str(), file.c_str());
    }
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    if (start < text.size()) {
        lines.push_back(text.substr(start));
    }
    return lines;
}

// ---- the figures -------------------------------------------------------------------------------

void TemplateLoad(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    int copy = 0;
    for (auto _ : state) {
        CommandTables tables;
        LoadCommandTemplate(Wide(TemplateCopy(count, copy)), tables);
        copy = (copy + 1) % kCopies;
        if (tables.CommandCount != count) {
            state.SkipWithError("the template did not load");
        }
        benchmark::DoNotOptimize(tables);
    }
}

// The check that follows the load at start-up, over the tables the load made, with the bench's
// key sequences ("{LSHIFT}{F3}") as the names known: a template the check has nothing to say of.
void TemplateCheck(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    CommandTables tables;
    LoadCommandTemplate(Wide(TemplateCopy(count, 0)), tables);
    std::unordered_set<std::wstring> keyNames;
    for (int key = 1; key <= 12; ++key) {
        keyNames.insert(L"{LSHIFT}{F" + std::to_wstring(key) + L"}");
    }
    for (auto _ : state) {
        const std::vector<std::string> findings =
            CheckCommandTemplate(Wide(TemplateCopy(count, 0)), tables, keyNames);
        if (!findings.empty()) {
            state.SkipWithError(findings.front().c_str());
        }
        benchmark::DoNotOptimize(findings);
    }
}

void TemplateLoadFloor(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    int copy = 0;
    for (auto _ : state) {
        const std::string bytes = ReadOnce(TemplateCopy(count, copy));
        copy = (copy + 1) % kCopies;
        std::vector<std::string_view> lines = SplitLines(bytes);
        benchmark::DoNotOptimize(lines);
    }
}

void Personalisation(benchmark::State& state) {
    const CommandTables tables = TablesWith(static_cast<std::size_t>(state.range(0)));
    SubstitutionValues values;
    UpdateSubstitutionValues(values, L"Viper", 1, 2);
    for (auto _ : state) {
        // Each Generate personalises a copy of the table as it was loaded.
        std::vector<std::wstring> phrases = tables.CommandPhrases;
        PersonalisePhrases(phrases, tables.CommandCount, values);
        benchmark::DoNotOptimize(phrases);
    }
}

void PersonalisationFloor(benchmark::State& state) {
    const CommandTables tables = TablesWith(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::vector<std::wstring> phrases = tables.CommandPhrases;
        benchmark::DoNotOptimize(phrases);
    }
}

void NewProfile(benchmark::State& state) {
    const CommandTables tables = PersonalisedTables(static_cast<std::size_t>(state.range(0)));
    const fs::path output = *gWorkspace / "new.xml";
    for (auto _ : state) {
        WriteNewProfile(output, tables, kPushToTalk);
    }
}

void NewProfileFloor(benchmark::State& state, bool durable) {
    const std::string document = NewProfileDocument(
        PersonalisedTables(static_cast<std::size_t>(state.range(0))), kPushToTalk);
    const fs::path output = *gWorkspace / "new-floor.xml";
    for (auto _ : state) {
        WriteOnce(output, document, durable);
    }
}

void MergedProfile(benchmark::State& state) {
    const CommandTables tables = PersonalisedTables(kSmall);
    const fs::path source = MergeSource(static_cast<std::size_t>(state.range(0)));
    const fs::path output = *gWorkspace / "merged.xml";
    for (auto _ : state) {
        WriteMergedProfile(output, source, tables);
    }
}

// The merge of a source of one tag with very many attributes, refused past the bound on
// attributes per tag: the time is the source's read and the check up to the bound.
void MergedProfileOfOneWideTag(benchmark::State& state) {
    const CommandTables tables = PersonalisedTables(kSmall);
    const fs::path source = WideTagSource(static_cast<std::size_t>(state.range(0)));
    const fs::path output = *gWorkspace / "merged-wide.xml";
    for (auto _ : state) {
        try {
            WriteMergedProfile(output, source, tables);
        } catch (const MergeSourceRefused&) {
        }
    }
}

void MergedProfileFloor(benchmark::State& state, bool durable) {
    const fs::path source = MergeSource(static_cast<std::size_t>(state.range(0)));
    const std::string document =
        MergedProfileDocument(PersonalisedTables(kSmall), ReadOnce(source));
    const fs::path output = *gWorkspace / "merged-floor.xml";
    for (auto _ : state) {
        std::string bytes = ReadOnce(source);
        benchmark::DoNotOptimize(bytes);
        WriteOnce(output, document, durable);
    }
}

#ifdef WINGCALL_STARTUP_PROBE
// Process start to the first paint of the first window, offscreen. The probes end themselves
// right after that paint (bench/startup_probe_hook.cpp).
void StartUp(benchmark::State& state, const char* probe) {
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (RunProgram(probe, {}, std::chrono::seconds(20)) != 0) {
            state.SkipWithError("the probe did not show its window");
            break;
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
}

// The probe's program folder holds the shipped settings file, its first run already done.
void PrepareStartUpFolder() {
    const fs::path settings = fs::path(WINGCALL_STARTUP_PROBE).parent_path() / "Wingcall.ini";
    fs::copy_file(WINGCALL_SHIPPED_SETTINGS, settings, fs::copy_options::overwrite_existing);
    WriteSetting(Wide(settings), L"General", L"OpenedOnce", L"1");
}
#endif

// Every figure is measured in this many rounds, each round running all of them once, so that a
// burst of load on the machine spoils one round of a figure and of its floor, not the figure; the
// summary takes each figure's median round.
constexpr int kRounds = 3;

void RegisterRound() {
    const double minTime = 0.2;
    for (std::size_t count : {kSmall, kTenth, kLargest}) {
        const auto n = static_cast<std::int64_t>(count);
        benchmark::RegisterBenchmark("TemplateLoad", TemplateLoad)
            ->Arg(n)
            ->MinTime(minTime)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("TemplateCheck", TemplateCheck)
            ->Arg(n)
            ->MinTime(minTime)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("TemplateLoadFloor", TemplateLoadFloor)
            ->Arg(n)
            ->MinTime(minTime)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("Personalisation", Personalisation)
            ->Arg(n)
            ->MinTime(minTime)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("PersonalisationFloor", PersonalisationFloor)
            ->Arg(n)
            ->MinTime(minTime)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("WriteNewProfile", NewProfile)
            ->Arg(n)
            ->MinTime(minTime)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("WriteNewProfileFloor", NewProfileFloor, false)
            ->Arg(n)
            ->MinTime(minTime)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("WriteNewProfileDurableFloor", NewProfileFloor, true)
            ->Arg(n)
            ->MinTime(minTime)
            ->Unit(benchmark::kMillisecond);
    }
    for (std::size_t lines : kSourceLines) {
        const auto n = static_cast<std::int64_t>(lines);
        benchmark::RegisterBenchmark("WriteMergedProfile", MergedProfile)
            ->Arg(n)
            ->MinTime(minTime)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("WriteMergedProfileFloor", MergedProfileFloor, false)
            ->Arg(n)
            ->MinTime(minTime)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("WriteMergedProfileDurableFloor", MergedProfileFloor, true)
            ->Arg(n)
            ->MinTime(minTime)
            ->Unit(benchmark::kMillisecond);
    }
    for (std::size_t attributes : kWideTagAttributes) {
        benchmark::RegisterBenchmark("WriteMergedProfileOfOneWideTag", MergedProfileOfOneWideTag)
            ->Arg(static_cast<std::int64_t>(attributes))
            ->MinTime(minTime)
            ->Unit(benchmark::kMillisecond);
    }
#ifdef WINGCALL_STARTUP_PROBE
    // Alternated, so that a burst of load on the machine hits them alike.
    const std::pair<const char*, const char*> probes[] = {
        {"StartUpWingcall", WINGCALL_STARTUP_PROBE},
        {"StartUpQtWindowWithText", QT_WINDOW_WITH_TEXT_PROBE},
        {"StartUpBareQt", BARE_QT_WINDOW_PROBE},
    };
    for (const auto& [name, probe] : probes) {
        benchmark::RegisterBenchmark(name, StartUp, probe)
            ->Iterations(4)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
#endif
}

void RegisterBenchmarks() {
    for (int round = 0; round < kRounds; ++round) {
        RegisterRound();
    }
}

// ---- the summary -------------------------------------------------------------------------------

// "TemplateLoad/40/min_time:0.200" and "StartUpBareQt/iterations:4/manual_time" without the
// run options: "TemplateLoad/40", "StartUpBareQt".
std::string PlainName(std::string name) {
    for (const char* option : {"/min_time:", "/iterations:", "/manual_time"}) {
        const std::size_t at = name.find(option);
        if (at != std::string::npos) {
            name.erase(at);
        }
    }
    return name;
}

// Seconds per iteration of every round of every figure, by name ("TemplateLoad/40"); a figure is
// its median round.
class CollectingReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred && run.iterations > 0) {
                rounds_[PlainName(run.benchmark_name())].push_back(
                    run.real_accumulated_time / static_cast<double>(run.iterations));
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    double PerIteration(const std::string& name) const {
        const auto found = rounds_.find(name);
        if (found == rounds_.end() || found->second.empty()) {
            return 0;
        }
        std::vector<double> sorted = found->second;
        std::sort(sorted.begin(), sorted.end());
        const std::size_t middle = sorted.size() / 2;
        return sorted.size() % 2 == 1 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
    }

  private:
    std::map<std::string, std::vector<double>> rounds_;
};

const char* Verdict(bool holds) {
    return holds ? "holds" : "DOES NOT HOLD";
}

void PrintRatio(const CollectingReporter& results, const std::string& figure,
                const std::string& floor, double target) {
    const double time = results.PerIteration(figure);
    const double floorTime = results.PerIteration(floor);
    if (time == 0 || floorTime == 0) {
        std::printf("  %-36s (not measured)\n", figure.c_str());
        return;
    }
    const double ratio = time / floorTime;
    std::printf("  %-36s %10.3f ms  floor %-32s %9.3f ms  ratio %6.2f", figure.c_str(), time * 1e3,
                floor.c_str(), floorTime * 1e3, ratio);
    if (target > 0) {
        std::printf("  (target <= %.1fx: %s)", target, Verdict(ratio <= target));
    }
    std::printf("\n");
}

// A target on the time itself, in seconds per iteration: unlike a ratio to a floor, it speaks
// only of the kind of machine it was set for, one of 2 cores.
void PrintTime(const CollectingReporter& results, const std::string& name, double limit) {
    const double time = results.PerIteration(name);
    if (time == 0) {
        std::printf("  %-36s (not measured)\n", name.c_str());
        return;
    }
    std::printf("  %-36s %10.3f ms  (target <= %.0f ms: %s)\n", name.c_str(), time * 1e3,
                limit * 1e3, Verdict(time <= limit));
}

// How much more than the size the time may grow: x12 for x10. Slightly more than linear, because
// at ten times the size the work's memory no longer fits the caches it fitted at a tenth.
constexpr double kGrowthSlack = 1.2;

void PrintGrowth(const CollectingReporter& results, const std::string& name, std::size_t small,
                 std::size_t large) {
    const double smallTime = results.PerIteration(name + "/" + std::to_string(small));
    const double largeTime = results.PerIteration(name + "/" + std::to_string(large));
    if (smallTime == 0 || largeTime == 0) {
        return;
    }
    const double sizeRatio = static_cast<double>(large) / static_cast<double>(small);
    const double timeRatio = largeTime / smallTime;
    std::printf("  %-28s %7zu -> %7zu (x%.1f): time x%6.2f  (target <= x%.1f: %s)\n", name.c_str(),
                small, large, sizeRatio, timeRatio, sizeRatio * kGrowthSlack,
                Verdict(timeRatio <= sizeRatio * kGrowthSlack));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--peak-memory") {
        return MeasurePeakMemory(argv[2], argv[3]);
    }
    const auto start = std::chrono::steady_clock::now();
    Workspace workspace;
    gWorkspace = &workspace;
    PrepareInputs();
#ifdef WINGCALL_STARTUP_PROBE
    PrepareStartUpFolder();
    // For the probes only: Qt draws offscreen and keeps its runtime files in the scratch folder.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("XDG_RUNTIME_DIR", workspace.path().c_str(), 1);
#endif
    RegisterBenchmarks();
    benchmark::Initialize(&argc, argv);
    CollectingReporter results;
    benchmark::RunSpecifiedBenchmarks(&results);

    std::printf("\nEach figure beside its floor, for reference (median of %d rounds):\n", kRounds);
    for (std::size_t count : {kSmall, kLargest}) {
        const std::string n = "/" + std::to_string(count);
        PrintRatio(results, "TemplateLoad" + n, "TemplateLoadFloor" + n, 0);
        PrintRatio(results, "TemplateCheck" + n, "TemplateLoad" + n, 0);
        PrintRatio(results, "Personalisation" + n, "PersonalisationFloor" + n, 0);
        PrintRatio(results, "WriteNewProfile" + n, "WriteNewProfileFloor" + n, 0);
        PrintRatio(results, "WriteNewProfile" + n, "WriteNewProfileDurableFloor" + n, 0);
    }
    for (std::size_t lines : {kSourceLines[0], kSourceLines[2]}) {
        const std::string n = "/" + std::to_string(lines);
        PrintRatio(results, "WriteMergedProfile" + n, "WriteMergedProfileFloor" + n, 0);
        PrintRatio(results, "WriteMergedProfile" + n, "WriteMergedProfileDurableFloor" + n, 0);
    }
    PrintRatio(results, "StartUpWingcall", "StartUpBareQt", 0);

    std::printf("\nTime and start-up:\n");
    PrintTime(results, "TemplateLoad/" + std::to_string(kLargest), 0.100);
    PrintRatio(results, "StartUpWingcall", "StartUpQtWindowWithText", 1.2);

    std::printf("\nGrowth from a tenth of the size to the whole:\n");
    for (const char* name : {"TemplateLoad", "Personalisation", "WriteNewProfile"}) {
        PrintGrowth(results, name, kTenth, kLargest);
    }
    PrintGrowth(results, "WriteMergedProfile", kSourceLines[1], kSourceLines[2]);
    PrintGrowth(results, "WriteMergedProfileOfOneWideTag", kWideTagAttributes[0],
                kWideTagAttributes[1]);

    std::printf("\nPeak memory (resident set, in a fresh process):\n");
    PrintPeakMemory(fs::canonical("/proc/self/exe"), workspace.path());
    std::printf("\nWhole run: %.1f s\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return 0;
}
