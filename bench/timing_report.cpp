// Measures the program as a person at a terminal meets it, on a pseudo-terminal, and the
// conversion engine's worst cases with Google Benchmark; prints one Markdown table.

#include "conversion.hpp"
#include "terminal_session.hpp"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using std::chrono::duration;
using std::chrono::milliseconds;
using Milliseconds = duration<double, std::milli>;

constexpr int runs = 3;

struct TerminalFigures {
    double worstMarkLateness = 0; // ms, against first mark + i x 100 ms
    double worstMenuError = 0; // ms, first mark to the choice prompt against 4350 ms
    double worstResultLatency = 0; // ms, Enter after the number to the result line
    long peakKilobytes = 0;
    long pipedPeakKilobytes = 0; // the program converting 10, input piped, output discarded
    long bcPeakKilobytes = 0; // bc doing the same
};

double since(SessionClock::time_point from, SessionClock::time_point to) {
    return Milliseconds(to - from).count();
}

void measureOneRun(TerminalFigures &figures) {
    Session session = startSession();
    if (!awaitOutput(session, "Your Choice: ")) {
        std::fprintf(stderr, "no menu:\n%s\n", session.output.c_str());
        std::exit(1);
    }
    const auto marks = bannerMarkArrivals(session);
    for (std::size_t i = 0; i < marks.size(); ++i) {
        const double late = since(marks.front(), marks[i]) - 100.0 * static_cast<double>(i);
        figures.worstMarkLateness = std::max(figures.worstMarkLateness, late);
    }
    const double menuError = since(marks.front(), session.arrivals.back()) - 4350.0;
    figures.worstMenuError = std::max(figures.worstMenuError, menuError);

    type(session, "1\r");
    awaitOutput(session, "enter a number ");
    const std::size_t before = session.output.size();
    const auto enter = SessionClock::now();
    type(session, "1048575\r");
    awaitOutput(session, "Number Converted: ", milliseconds{5000}, before);
    const double latency = since(enter, session.arrivals.back());
    figures.worstResultLatency = std::max(figures.worstResultLatency, latency);

    awaitOutput(session, "Press any key");
    type(session, "k");
    awaitEnd(session);
    figures.peakKilobytes = std::max(figures.peakKilobytes, session.peakKilobytes);
}

long pipedPeakKilobytes(const char *program, std::string_view input) {
    int in[2];
    if (pipe(in) != 0) {
        std::exit(1);
    }
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], STDIN_FILENO);
        dup2(open("/dev/null", O_WRONLY), STDOUT_FILENO);
        close(in[0]);
        close(in[1]);
        execlp(program, program, static_cast<char *>(nullptr));
        _exit(127);
    }
    close(in[0]);
    [[maybe_unused]] const ssize_t written = write(in[1], input.data(), input.size());
    close(in[1]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", program);
        std::exit(1);
    }
    return usage.ru_maxrss;
}

void measurePipedPeaks(TerminalFigures &figures) {
    figures.pipedPeakKilobytes =
        std::max(figures.pipedPeakKilobytes, pipedPeakKilobytes(PROGRAM_PATH, "1\n10\n"));
    figures.bcPeakKilobytes =
        std::max(figures.bcPeakKilobytes, pipedPeakKilobytes("bc", "obase=2; 10\n"));
}

void converterWorstCase(benchmark::State &state, int mode, std::uint64_t value) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(converter(mode, value));
        benchmark::ClobberMemory();
    }
}

// Keeps the nanoseconds per call of each benchmark instead of printing Google Benchmark's table.
class Collector : public benchmark::BenchmarkReporter {
  public:
    bool ReportContext(const Context &) override {
        return true;
    }
    void ReportRuns(const std::vector<Run> &reports) override {
        for (const auto &run : reports) {
            results.emplace_back(run.benchmark_name(), run.GetAdjustedRealTime());
        }
    }
    std::vector<std::pair<std::string, double>> results;
};

} // namespace

int main(int argc, char **argv) {
    benchmark::RegisterBenchmark("mode 1, 1048575", converterWorstCase, 1, 1048575);
    benchmark::RegisterBenchmark("mode 3, 1111111111111111111", converterWorstCase, 3,
                                 1111111111111111111);
    benchmark::Initialize(&argc, argv);

    TerminalFigures figures;
    for (int run = 0; run < runs; ++run) {
        measureOneRun(figures);
        measurePipedPeaks(figures);
    }
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);

    utsname machine{};
    uname(&machine);
    std::printf("Measured on %s %s (%s), %d pseudo-terminal runs, worst of each:\n\n",
                machine.sysname, machine.release, machine.machine, runs);
    std::printf("| Measure | Result | Aim |\n|---|---|---|\n");
    std::printf("| Banner: largest lateness of a `#` against first + i x 100 ms | %.2f ms | |\n",
                figures.worstMarkLateness);
    std::printf("| Banner: first `#` to \"Your Choice: \", against 4.35 s | %+.2f ms | under 5 ms "
                "|\n",
                figures.worstMenuError);
    std::printf("| Enter after the number to the result line | %.3f ms | under 1 ms |\n",
                figures.worstResultLatency);
    std::printf("| Peak memory (resident) | %ld KB | under 4 MB |\n", figures.peakKilobytes);
    std::printf("| Peak memory, piped session converting 10 | %ld KB | below `bc`'s |\n",
                figures.pipedPeakKilobytes);
    std::printf("| Peak memory of `bc` converting 10 (`obase=2`), same run | %ld KB | |\n",
                figures.bcPeakKilobytes);
    for (const auto &[name, nanoseconds] : collector.results) {
        std::printf("| `converter`, %s | %.0f ns per call | |\n", name.c_str(), nanoseconds);
    }
    return 0;
}
