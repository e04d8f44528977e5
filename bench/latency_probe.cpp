// Drives popup programs on an X server and prints machine-readable figures:
//   latency_probe latency [options] --popup NAME:TITLE:COMMAND [--popup ...]
//   latency_probe memory|startup [options] -- command [arguments...]
// latency: --presses show/hide cycles per popup, split into --rounds runs that take turns, so
//          a passing load on the machine falls on every popup alike; the first cycle of each
//          run is reported apart. Times to map, to the first frame and to unmap. With several
//          --front titles the rounds take turns over them too; each run also gets a line of
//          its own, so one slow start stands out from the pooled figures.
// memory:  Rss/Pss/anonymous idle, after the first show (with --title) and at each --cycles count.
// startup: --runs starts, each timed from fork to the --ready text on the program's output.
#include "bench/popup_watcher.h"
#include "bench/sample_stats.h"
#include "bench/target_process.h"
#include "bench/xcb_util.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr double kReadyTimeoutMs = 30000;
constexpr int kMaxFailures = 5;

struct Popup {
    std::string name;
    std::string title;
    std::string command;
};

struct Options {
    std::string mode;
    std::string title;
    std::vector<std::string> frontTitles;
    std::string readyText = "Is Registered:  true";
    std::string logPath;
    int presses = 300;
    int rounds = 3;
    int runs = 10;
    std::vector<int> cycleCounts;
    std::vector<Popup> popups;
    double timeoutMs = 5000;
    double settleMs = 1000;
    std::vector<std::string> command;
};

std::vector<std::string> split(const std::string &text, char separator, int maxParts)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (int(parts.size()) + 1 < maxParts) {
        const size_t end = text.find(separator, start);
        if (end == std::string::npos)
            break;
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

bool parseOptions(int argc, char **argv, Options &options)
{
    if (argc < 2)
        return false;
    options.mode = argv[1];
    for (int index = 2; index < argc; ++index) {
        const std::string name = argv[index];
        if (name == "--") {
            options.command.assign(argv + index + 1, argv + argc);
            break;
        }
        if (index + 1 >= argc)
            return false;
        const std::string value = argv[++index];
        if (name == "--title") {
            options.title = value;
        } else if (name == "--front") {
            options.frontTitles.push_back(value);
        } else if (name == "--ready") {
            options.readyText = value;
        } else if (name == "--log") {
            options.logPath = value;
        } else if (name == "--presses") {
            options.presses = std::stoi(value);
        } else if (name == "--rounds") {
            options.rounds = std::max(1, std::stoi(value));
        } else if (name == "--runs") {
            options.runs = std::stoi(value);
        } else if (name == "--cycles") {
            for (const std::string &count : split(value, ',', 1 << 16))
                options.cycleCounts.push_back(std::stoi(count));
        } else if (name == "--popup") {
            const std::vector<std::string> parts = split(value, ':', 3);
            if (parts.size() != 3)
                return false;
            options.popups.push_back({parts[0], parts[1], parts[2]});
        } else if (name == "--timeout-ms") {
            options.timeoutMs = std::stod(value);
        } else if (name == "--settle-ms") {
            options.settleMs = std::stod(value);
        } else {
            return false;
        }
    }
    if (options.mode == "latency")
        return !options.popups.empty();
    return !options.command.empty() && (options.mode == "memory" || options.mode == "startup");
}

void settle(double ms)
{
    std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(ms));
}

using Connection = std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)>;

// A started program, ready and settled, with a watcher on its popup when it has a title.
struct Run {
    std::unique_ptr<TargetProcess> target;
    Connection connection{nullptr, &xcb_disconnect};
    std::unique_ptr<PopupWatcher> watcher;
};

std::unique_ptr<Run> startRun(const std::vector<std::string> &command, const std::string &title,
                              const std::string &frontTitle, const Options &options,
                              const std::string &logPath)
{
    auto run = std::make_unique<Run>();
    run->target = std::make_unique<TargetProcess>(command, options.readyText, logPath);
    if (!run->target->waitReady(kReadyTimeoutMs)) {
        std::fprintf(stderr, "latency_probe: \"%s\" never printed \"%s\"\n",
                     command.front().c_str(), options.readyText.c_str());
        return nullptr;
    }
    // Start-up work that goes on after the ready line (downloads, autostart) is left out.
    settle(options.settleMs);
    if (title.empty())
        return run;
    run->connection.reset(xcb_connect(nullptr, nullptr));
    if (xcb_connection_has_error(run->connection.get())) {
        std::fprintf(stderr, "latency_probe: cannot connect to the X server\n");
        return nullptr;
    }
    run->watcher = std::make_unique<PopupWatcher>(run->connection.get(), title, frontTitle);
    if (!run->watcher->usable()) {
        std::fprintf(stderr, "latency_probe: the X server lacks XTest or Damage, or the keymap "
                             "lacks Control or space\n");
        return nullptr;
    }
    return run;
}

struct Cycle {
    double mappedMs = kNoTime;
    double drawnMs = kNoTime;
    double unmappedMs = kNoTime;

    bool complete() const
    {
        return !std::isnan(mappedMs) && !std::isnan(drawnMs) && !std::isnan(unmappedMs);
    }
};

// One show and one hide; a popup left mapped by a lost event is hidden again so the next
// cycle starts from a hidden popup.
Cycle runCycle(PopupWatcher &watcher, double timeoutMs)
{
    Cycle cycle;
    const PopupWatcher::ShowTimes shown = watcher.show(timeoutMs);
    cycle.mappedMs = shown.mappedMs;
    cycle.drawnMs = shown.drawnMs;
    if (std::isnan(cycle.mappedMs) && !watcher.popupMapped())
        return cycle;
    cycle.unmappedMs = watcher.hide(timeoutMs);
    if (std::isnan(cycle.unmappedMs) && watcher.popupMapped())
        watcher.hide(timeoutMs);
    return cycle;
}

// Runs cycles while counting failures; false once the program died or failed too often.
bool runCycleCounted(Run &run, double timeoutMs, Cycle &cycle, int &failures)
{
    cycle = runCycle(*run.watcher, timeoutMs);
    if (!cycle.complete())
        ++failures;
    if (!run.target->running()) {
        std::fprintf(stderr, "latency_probe: the program ended\n");
        return false;
    }
    if (failures > kMaxFailures) {
        std::fprintf(stderr, "latency_probe: more than %d cycles timed out\n", kMaxFailures);
        return false;
    }
    return true;
}

struct Samples {
    std::vector<double> mapped, drawn, unmapped;

    void add(const Cycle &cycle)
    {
        mapped.push_back(cycle.mappedMs);
        drawn.push_back(cycle.drawnMs);
        unmapped.push_back(cycle.unmappedMs);
    }
};

struct PopupResults {
    Samples first;
    Samples later;
    // First cycles by the front program they were shown over.
    std::map<std::string, Samples> firstByFront;
    double cpuMs = 0;
    int failures = 0;
};

// The program in front for a round: the --front titles take turns; none without any.
std::string frontTitle(const Options &options, int round)
{
    const std::vector<std::string> &titles = options.frontTitles;
    return titles.empty() ? std::string() : titles[size_t(round) % titles.size()];
}

const char *frontLabel(const std::string &front)
{
    return front.empty() ? "-" : front.c_str();
}

// CPU time and minor page faults of the program and of the X server, to be taken apart.
struct Counters {
    double cpuMs = 0;
    double serverCpuMs = 0;
    long serverFaults = 0;

    static Counters read(const Run &run, pid_t server)
    {
        return {run.target->cpuMs(), processCpuMs(server), minorFaults(server)};
    }
};

Counters operator-(const Counters &end, const Counters &start)
{
    return {end.cpuMs - start.cpuMs, end.serverCpuMs - start.serverCpuMs,
            end.serverFaults - start.serverFaults};
}

// The figures of one start alone: its first cycle and the median of its later ones, and what
// the program and the X server spent on the first cycle and on a later one.
void printStart(const Popup &popup, int round, const std::string &front, const Cycle &first,
                const Samples &later, const Counters &firstCost, const Counters &laterCost)
{
    const double cycles = double(std::max<size_t>(later.drawn.size(), 1));
    std::printf("start target=%s round=%d front=%s first=%.2f p50=%.2f p95=%.2f "
                "mapped_p50=%.2f n=%zu first_cpu_ms=%.2f cpu_ms_per_cycle=%.2f "
                "first_server_cpu_ms=%.2f server_cpu_ms_per_cycle=%.2f first_server_faults=%ld "
                "server_faults_per_cycle=%.0f\n",
                popup.name.c_str(), round + 1, frontLabel(front), first.drawnMs,
                percentile(later.drawn, 0.5), percentile(later.drawn, 0.95),
                percentile(later.mapped, 0.5), later.drawn.size(), firstCost.cpuMs,
                laterCost.cpuMs / cycles, firstCost.serverCpuMs, laterCost.serverCpuMs / cycles,
                firstCost.serverFaults, double(laterCost.serverFaults) / cycles);
    std::fflush(stdout);
}

bool latencyRound(const Options &options, const Popup &popup, int round, int presses,
                  PopupResults &results)
{
    const std::string logPath =
        options.logPath.empty() ? "" : options.logPath + popup.name + ".log";
    const std::string front = frontTitle(options, round);
    const std::unique_ptr<Run> run =
        startRun({popup.command}, popup.title, front, options, logPath);
    if (!run)
        return false;
    const pid_t server = serverPid(run->connection.get());
    const Counters atStart = Counters::read(*run, server);
    Cycle first;
    if (!runCycleCounted(*run, options.timeoutMs, first, results.failures))
        return false;
    results.first.add(first);
    results.firstByFront[front].add(first);
    const Counters afterFirst = Counters::read(*run, server);
    Samples later;
    for (int press = 0; press < presses; ++press) {
        Cycle cycle;
        if (!runCycleCounted(*run, options.timeoutMs, cycle, results.failures))
            return false;
        later.add(cycle);
        results.later.add(cycle);
    }
    const Counters laterCost = Counters::read(*run, server) - afterFirst;
    results.cpuMs += laterCost.cpuMs;
    printStart(popup, round, front, first, later, afterFirst - atStart, laterCost);
    return true;
}

void printLatency(const std::string &name, const char *phase, const std::vector<double> &first,
                  const std::vector<double> &samples, int failures)
{
    std::printf("latency target=%s phase=%s first=%.2f p50=%.2f p95=%.2f max=%.2f n=%zu "
                "failed=%d\n",
                name.c_str(), phase, median(first), percentile(samples, 0.5),
                percentile(samples, 0.95), percentile(samples, 1.0), samples.size(), failures);
}

void printFirst(const std::string &name, const std::string &front, const Samples &first)
{
    const std::pair<const char *, const std::vector<double> *> phases[] = {
        {"mapped", &first.mapped}, {"drawn", &first.drawn}, {"unmapped", &first.unmapped}};
    for (const auto &[phase, samples] : phases)
        std::printf("first target=%s phase=%s front=%s median=%.2f starts=%zu\n", name.c_str(),
                    phase, frontLabel(front), median(*samples), samples->size());
}

int latency(const Options &options)
{
    const int popupCount = int(options.popups.size());
    std::vector<PopupResults> results(options.popups.size());
    for (int round = 0; round < options.rounds; ++round) {
        const int presses =
            options.presses / options.rounds + (round < options.presses % options.rounds ? 1 : 0);
        // Each round starts with the next popup, so none always runs first.
        for (int turn = 0; turn < popupCount; ++turn) {
            const int index = (round + turn) % popupCount;
            if (!latencyRound(options, options.popups[index], round, presses, results[index]))
                return 1;
        }
    }
    for (int index = 0; index < popupCount; ++index) {
        const std::string &name = options.popups[index].name;
        const PopupResults &popup = results[index];
        printLatency(name, "mapped", popup.first.mapped, popup.later.mapped, popup.failures);
        printLatency(name, "drawn", popup.first.drawn, popup.later.drawn, popup.failures);
        printLatency(name, "unmapped", popup.first.unmapped, popup.later.unmapped, popup.failures);
        for (const auto &[front, first] : popup.firstByFront)
            printFirst(name, front, first);
        std::printf("cpu target=%s ms_per_cycle=%.2f\n", name.c_str(),
                    popup.cpuMs / double(std::max<size_t>(popup.later.drawn.size(), 1)));
    }
    return 0;
}

void printMemory(const std::string &stage, const TargetProcess &target,
                 const std::string &extra = {})
{
    const MemoryUsage usage = target.memory();
    std::printf("memory stage=%s rss_kb=%ld pss_kb=%ld anon_kb=%ld%s\n", stage.c_str(), usage.rssKb,
                usage.pssKb, usage.anonymousKb, extra.c_str());
    std::fflush(stdout);
}

int memory(const Options &options)
{
    const std::string front = frontTitle(options, 0);
    const std::unique_ptr<Run> run =
        startRun(options.command, options.title, front, options, options.logPath);
    if (!run)
        return 1;
    printMemory("idle", *run->target);
    if (!run->watcher)
        return 0;
    int failures = 0;
    Cycle cycle;
    if (!runCycleCounted(*run, options.timeoutMs, cycle, failures))
        return 1;
    settle(options.settleMs);
    printMemory("first-show", *run->target);
    int done = 1;
    for (int count : options.cycleCounts) {
        std::vector<double> drawn;
        const int rangeStart = done;
        const double cpuBefore = run->target->cpuMs();
        for (; done < count; ++done) {
            if (!runCycleCounted(*run, options.timeoutMs, cycle, failures))
                return 1;
            drawn.push_back(cycle.drawnMs);
        }
        settle(options.settleMs);
        const double cpuPerCycle =
            (run->target->cpuMs() - cpuBefore) / double(std::max(done - rangeStart, 1));
        char extra[128];
        std::snprintf(extra, sizeof extra, " drawn_p50=%.2f cpu_ms_per_cycle=%.2f failed=%d",
                      median(drawn), cpuPerCycle, failures);
        printMemory("cycles-" + std::to_string(count), *run->target, extra);
    }
    return 0;
}

int startup(const Options &options)
{
    std::vector<double> times;
    for (int run = 0; run < options.runs; ++run) {
        TargetProcess target(options.command, options.readyText, options.logPath);
        const std::optional<double> ready = target.waitReady(kReadyTimeoutMs);
        if (!ready) {
            std::fprintf(stderr, "latency_probe: run %d never printed \"%s\"\n", run,
                         options.readyText.c_str());
            return 1;
        }
        times.push_back(*ready);
    }
    std::printf("startup runs=%zu median_ms=%.2f min_ms=%.2f max_ms=%.2f\n", times.size(),
                median(times), percentile(times, 0.0), percentile(times, 1.0));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: latency_probe latency [--presses N] [--rounds N] [--front T]... "
                     "[--log PREFIX] --popup NAME:TITLE:COMMAND...\n"
                     "       latency_probe memory|startup [--title T] [--front T] [--ready TEXT] "
                     "[--log FILE] [--runs N] [--cycles N,N] -- command [arguments...]\n"
                     "common: [--timeout-ms MS] [--settle-ms MS]\n");
        return 2;
    }
    if (options.mode == "latency")
        return latency(options);
    if (options.mode == "memory")
        return memory(options);
    return startup(options);
}
