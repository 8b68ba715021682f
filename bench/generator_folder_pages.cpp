// WriteFolderPages for 10,000 folders with 10 documents each, against a baseline
// that writes the same number of files with the same sizes in plain write() calls.
// Prints pages per second for both and the ratio (generator time / baseline time),
// and the time the same pages take rendered in memory (RenderFolderPages: the
// generator's own work, without the file system's). A second baseline writes the
// same files as the pages are written, each into a temporary file renamed into
// place: the least that the safe writes cost, whatever the generator does.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "generator/PageSet.h"
#include "generator/SiteGenerator.h"
#include "model/Clock.h"
#include "model/FoldcraftDoc.h"

namespace {

constexpr int kTopFolders = 99;
constexpr int kFoldersEach = 100;  // 1 + 99 + 99 * 100 = 10,000 folders
constexpr int kDocsPerFolder = 10;
constexpr foldcraft::Time kCreated = 1700000000;

// The best (least) wall-clock and CPU time of the runs of one writer. The CPU time
// is this thread's, system time included: on a machine shared with other work it
// varies less than the wall-clock time.
struct Best {
    double wall = std::numeric_limits<double>::max();
    double cpu = std::numeric_limits<double>::max();
};

class Stopwatch {
public:
    Stopwatch() : m_wall(std::chrono::steady_clock::now()), m_cpu(ThreadCpu()) {}
    void AddTo(Best& best) const {
        const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - m_wall;
        best.wall = std::min(best.wall, wall.count());
        best.cpu = std::min(best.cpu, ThreadCpu() - m_cpu);
    }

private:
    static double ThreadCpu() {
        timespec ts{};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
    }
    std::chrono::steady_clock::time_point m_wall;
    double m_cpu;
};

struct Setup {
    std::unique_ptr<CFoldcraftDoc> doc;
    std::string siteDir;
    std::string baselineDir;
    std::vector<std::string> names;  // every page of the site
    std::vector<off_t> sizes;        // and its size
    Best generator;
    Best baseline;
    Best render;
    Best safeBaseline;
};

Setup* g_setup = nullptr;

void AddDocs(CBuildTreeFolder& folder, int folderNumber) {
    for (int d = 0; d < kDocsPerFolder; ++d) {
        const std::string name = "Report " + std::to_string(folderNumber) + "-" + std::to_string(d);
        auto doc = std::make_unique<CBuildTreeDoc>(
            name, "C:\\Projects\\Folder" + std::to_string(folderNumber) + "\\" + name + ".doc",
            "Quarterly report number " + std::to_string(d));
        doc->m_nFileSize = 10000 + d;
        folder.AddDoc(std::move(doc));
    }
}

// Under $FOLDCRAFT_BENCH_DIR, else /dev/shm (so that the disk's write-back on a busy
// machine does not drown the writers' own cost), else $TMPDIR, else /tmp.
std::string BenchBase() {
    const char* chosen = std::getenv("FOLDCRAFT_BENCH_DIR");
    if (chosen && *chosen) return chosen;
    if (std::filesystem::is_directory("/dev/shm")) return "/dev/shm";
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

std::string MakeTempDir(const char* tag) {
    std::string pattern = BenchBase() + "/foldcraft-bench-" + tag + "-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    return pattern;
}

void BuildSetup(Setup& s) {
    foldcraft::ScopedClockPin pin(kCreated);
    s.doc = std::make_unique<CFoldcraftDoc>();
    s.doc->OnNewDocument();
    s.doc->m_bShowFileSize = 1;
    s.doc->m_bShowFileDate = 1;
    CBuildTreeFolder& root = *s.doc->m_pRoot;
    int number = 0;
    AddDocs(root, number++);
    for (int i = 0; i < kTopFolders; ++i) {
        auto top = std::make_unique<CBuildTreeFolder>("Area " + std::to_string(i), "(folder)",
                                                      "Area comment");
        top->m_nFolderButtonStyle = i % 4;
        top->m_nFileButtonStyle = (i + 1) % 4;
        AddDocs(*top, number++);
        for (int j = 0; j < kFoldersEach; ++j) {
            auto sub = std::make_unique<CBuildTreeFolder>(
                "Topic " + std::to_string(i) + "." + std::to_string(j), "(folder)", "");
            sub->m_nFileButtonStyle = j % 4;
            AddDocs(*sub, number++);
            top->AddFolder(std::move(sub));
        }
        root.AddFolder(std::move(top));
    }
    s.siteDir = MakeTempDir("site");
    s.baselineDir = MakeTempDir("baseline");

    // One run to learn the pages and their sizes for the baseline.
    foldcraft::ScopedClockPin later(kCreated + 3600);
    if (!foldcraft::WriteFolderPages(*s.doc, s.siteDir)) {
        std::fprintf(stderr, "WriteFolderPages failed\n");
        std::exit(1);
    }
    for (const auto& entry : std::filesystem::directory_iterator(s.siteDir)) {
        s.names.push_back(entry.path().filename().string());
        s.sizes.push_back(static_cast<off_t>(entry.file_size()));
    }
}

void BM_WriteFolderPages(benchmark::State& state) {
    Setup& s = *g_setup;
    foldcraft::ScopedClockPin pin(kCreated + 3600);
    for (auto _ : state) {
        const Stopwatch watch;
        if (!foldcraft::WriteFolderPages(*s.doc, s.siteDir)) state.SkipWithError("write failed");
        watch.AddTo(s.generator);
    }
    state.counters["pages/s"] = benchmark::Counter(static_cast<double>(s.names.size()),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}

void BM_RenderFolderPages(benchmark::State& state) {
    Setup& s = *g_setup;
    const foldcraft::RunTime time{kCreated + 3600, kCreated + 3600};
    foldcraft::PageSet pages;
    for (auto _ : state) {
        pages.Clear();
        const Stopwatch watch;
        if (!foldcraft::RenderFolderPages(*s.doc, pages, time))
            state.SkipWithError("render failed");
        watch.AddTo(s.render);
    }
    state.counters["pages/s"] = benchmark::Counter(static_cast<double>(s.names.size()),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}

void BM_BaselineSameFilesAndBytes(benchmark::State& state) {
    Setup& s = *g_setup;
    const off_t largest = *std::max_element(s.sizes.begin(), s.sizes.end());
    const std::string bytes(static_cast<size_t>(largest), 'x');
    for (auto _ : state) {
        const Stopwatch watch;
        for (size_t i = 0; i < s.names.size(); ++i) {
            const std::string path = s.baselineDir + "/" + s.names[i];
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            if (fd < 0 ||
                ::write(fd, bytes.data(), static_cast<size_t>(s.sizes[i])) != s.sizes[i] ||
                ::close(fd) != 0) {
                state.SkipWithError("baseline write failed");
                break;
            }
        }
        watch.AddTo(s.baseline);
    }
    state.counters["pages/s"] = benchmark::Counter(static_cast<double>(s.names.size()),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}

void BM_BaselineTemporaryAndRename(benchmark::State& state) {
    Setup& s = *g_setup;
    const off_t largest = *std::max_element(s.sizes.begin(), s.sizes.end());
    const std::string bytes(static_cast<size_t>(largest), 'x');
    const int dirFd = ::open(s.baselineDir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    for (auto _ : state) {
        const Stopwatch watch;
        for (size_t i = 0; i < s.names.size(); ++i) {
            const std::string temp = ".~bench-" + std::to_string(i) + ".tmp";
            const int fd = ::openat(dirFd, temp.c_str(),
                                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
            if (fd < 0 ||
                ::write(fd, bytes.data(), static_cast<size_t>(s.sizes[i])) != s.sizes[i] ||
                ::close(fd) != 0 ||
                ::renameat(dirFd, temp.c_str(), dirFd, s.names[i].c_str()) != 0) {
                state.SkipWithError("safe baseline write failed");
                break;
            }
        }
        watch.AddTo(s.safeBaseline);
    }
    ::close(dirFd);
    state.counters["pages/s"] = benchmark::Counter(static_cast<double>(s.names.size()),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}

// Baselines, generator, baselines again: the best run of each counts.
BENCHMARK(BM_BaselineSameFilesAndBytes)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();
BENCHMARK(BM_BaselineTemporaryAndRename)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();
BENCHMARK(BM_WriteFolderPages)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_BaselineSameFilesAndBytes)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();
BENCHMARK(BM_BaselineTemporaryAndRename)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();
BENCHMARK(BM_WriteFolderPages)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_RenderFolderPages)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    Setup setup;
    g_setup = &setup;
    BuildSetup(setup);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::uint64_t total = 0;
    for (off_t size : setup.sizes) total += static_cast<std::uint64_t>(size);
    std::printf("\nfolder pages: %zu files, %.1f MB, in %s\n", setup.names.size(), total / 1e6,
                BenchBase().c_str());
    const auto line = [&](const char* what, const Best& best) {
        std::printf("%-24s best %.3f s (%.0f pages/s), CPU %.3f s\n", what, best.wall,
                    setup.names.size() / best.wall, best.cpu);
    };
    line("WriteFolderPages", setup.generator);
    line("bare writer", setup.baseline);
    line("temporary + rename", setup.safeBaseline);
    line("RenderFolderPages", setup.render);
    std::printf("ratio folder pages / bare writer: %.2f, CPU %.2f (aim <= 1.50)\n",
                setup.generator.wall / setup.baseline.wall,
                setup.generator.cpu / setup.baseline.cpu);
    std::printf(
        "ratio temporary + rename / bare writer: %.2f, CPU %.2f (the floor of safe writes)\n",
        setup.safeBaseline.wall / setup.baseline.wall, setup.safeBaseline.cpu / setup.baseline.cpu);

    std::error_code ec;
    std::filesystem::remove_all(setup.siteDir, ec);
    std::filesystem::remove_all(setup.baselineDir, ec);
    return 0;
}
