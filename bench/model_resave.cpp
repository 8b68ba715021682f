// Resaving a large project (LoadProject + SaveProject) against a plain copy of the
// same file, and sorting a folder of 100,000 documents.
//
// Aims: resave within 20x the plain copy, peak memory under 400 MB; the sort
// under a second. The project file is generated in a child process, so that the
// peak memory reported is that of reading and writing it.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "model/FoldcraftDoc.h"
#include "model/ProjectFile.h"

namespace {

constexpr int kFolders = 1000;
constexpr int kDocsPerFolder = 999;  // with the folders: 1,000,000 items below the root
constexpr int kSortDocs = 100'000;

std::string g_dir;
std::string g_project;
std::map<std::string, double> g_seconds;  // benchmark name -> real seconds per iteration

long PeakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// A project of kFolders folders of kDocsPerFolder documents, with paths and
// names of realistic length.
void BuildProject(CFoldcraftDoc& doc) {
    doc.OnNewDocument();
    char name[64], link[160];
    for (int f = 0; f < kFolders; ++f) {
        std::snprintf(name, sizeof name, "Folder %04d", f);
        auto* folder =
            doc.m_pRoot->AddFolder(std::make_unique<CBuildTreeFolder>(name, "(folder)", ""));
        for (int d = 0; d < kDocsPerFolder; ++d) {
            std::snprintf(name, sizeof name, "Report %04d-%03d.pdf", f, d);
            std::snprintf(link, sizeof link,
                          "/home/ann/Documents/Archive/Folder %04d/Report %04d-%03d.pdf", f, f, d);
            auto* item = folder->AddDoc(std::make_unique<CBuildTreeDoc>(name, link, ""));
            item->m_nFileSize = 1000 + d;
        }
    }
}

bool GenerateProjectInChild(const std::string& path) {
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        CFoldcraftDoc doc;
        BuildProject(doc);
        _exit(foldcraft::SaveProject(doc, path).Ok() ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The baseline: read the whole file and write it to a new file, flushed to disk.
void CopyFile(const std::string& from, const std::string& to) {
    const int in = open(from.c_str(), O_RDONLY);
    const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::string buffer(1 << 20, '\0');
    for (;;) {
        const ssize_t n = read(in, buffer.data(), buffer.size());
        if (n <= 0) break;
        if (write(out, buffer.data(), static_cast<size_t>(n)) != n) break;
    }
    fsync(out);
    close(out);
    close(in);
}

void BM_PlainCopy(benchmark::State& state) {
    const std::string out = g_dir + "/copy.fcd";
    for (auto _ : state) CopyFile(g_project, out);
    std::filesystem::remove(out);
}

void BM_Resave(benchmark::State& state) {
    const std::string out = g_dir + "/resaved.fcd";
    size_t items = 0;
    for (auto _ : state) {
        CFoldcraftDoc doc;
        if (!foldcraft::LoadProject(doc, g_project).Ok() ||
            !foldcraft::SaveProject(doc, out).Ok()) {
            state.SkipWithError("resave failed");
            break;
        }
        items = doc.m_pRoot->CountItems();
    }
    state.counters["items"] = static_cast<double>(items);
    state.counters["peak_rss_MB"] = static_cast<double>(PeakRssMb());
    std::filesystem::remove(out);
}

void BM_Sort100000Documents(benchmark::State& state) {
    CBuildTreeFolder folder;
    std::mt19937 random(42);
    char name[64];
    for (int i = 0; i < kSortDocs; ++i) {
        std::snprintf(name, sizeof name, "%s Document %06u", (i % 2) ? "Annual" : "annual",
                      static_cast<unsigned>(random() % 1'000'000));
        folder.AddDoc(std::make_unique<CBuildTreeDoc>(name, "/docs/x.pdf", ""));
    }
    for (auto _ : state) {
        state.PauseTiming();
        std::shuffle(folder.m_arrDocs.begin(), folder.m_arrDocs.end(), random);
        state.ResumeTiming();
        folder.SortChildren(true);
    }
}

BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Resave)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Sort100000Documents)->Unit(benchmark::kMillisecond)->Iterations(5);

// Keeps each benchmark's time for the summary.
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                g_seconds[run.run_name.function_name] = run.real_accumulated_time / run.iterations;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/foldcraft-bench-XXXXXX";
    if (!mkdtemp(pattern.data())) return 1;
    g_dir = pattern;
    g_project = g_dir + "/large.fcd";
    if (!GenerateProjectInChild(g_project)) {
        std::fprintf(stderr, "cannot generate the project file\n");
        return 1;
    }
    std::printf("project file: %ju bytes, %d folders of %d documents\n",
                static_cast<uintmax_t>(std::filesystem::file_size(g_project)), kFolders,
                kDocsPerFolder);

    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const long peak = PeakRssMb();
    std::filesystem::remove_all(g_dir);

    if (g_seconds.count("BM_Resave") && g_seconds.count("BM_PlainCopy")) {
        std::printf("resave / plain copy: %.1fx (aim: at most 20x)\n",
                    g_seconds["BM_Resave"] / g_seconds["BM_PlainCopy"]);
    }
    std::printf("peak memory (ru_maxrss): %ld MB (aim: under 400 MB)\n", peak);
    if (g_seconds.count("BM_Sort100000Documents")) {
        std::printf("sort of %d documents: %.3f s (aim: under 1 s)\n", kSortDocs,
                    g_seconds["BM_Sort100000Documents"]);
    }
    benchmark::Shutdown();
    return 0;
}
