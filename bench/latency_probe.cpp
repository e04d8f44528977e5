// Drives popup programs on an X server and prints each measurement as a line of JSON, which
// bench/report.py turns into figures:
//   latency_probe latency [options] --popup NAME:TITLE:COMMAND [--popup ...]
//   latency_probe memory|startup [options] -- command [arguments...]
// latency: --rounds starts of each popup, taking turns so that a passing load on the machine falls
//          on every popup alike, with --presses show/hide cycles over them all; the --front titles
//          take turns from one round to the next. A "press" record a cycle: press 0 is the first
//          after start-up, the later ones follow each other, and one more comes after the same
//          pause (--settle-ms) as the first; a "cost" record a start for its first cycle and for
//          the later ones.
// memory:  the size of each mapping idle, after the first show (with --title) and at each
//          --cycles count.
// startup: --runs starts, each timed from fork to the --ready text and to the main thread idle.
// Other options: --log FILE (the program's output; a prefix for the popup's name in latency),
// --typer COMMAND (types Ctrl+Space at each line written to it, instead of XTest).
#include "bench/json_line.h"
#include "bench/popup_watcher.h"
#include "bench/target_process.h"
#include "bench/xcb_util.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

const char *const kReadyText = "Is Registered:  true";
constexpr double kReadyTimeoutMs = 30000;
constexpr double kTimeoutMs = 5000;
// Long enough to span the round trips of the preparation: a pause this long is the idle loop.
constexpr double kQuietMs = 200;
constexpr int kMaxFailures = 5;

// The command line: "--name value" pairs in order, and the command after "--".
struct Options {
    std::string mode;
    std::map<std::string, std::vector<std::string>> values;
    std::vector<std::string> command;
    FILE *typer = nullptr;

    std::string text(const std::string &name, const std::string &fallback = {}) const
    {
        const auto found = values.find(name);
        return found == values.end() ? fallback : found->second.back();
    }
    double number(const std::string &name, double fallback) const
    {
        return values.count(name) ? std::stod(text(name)) : fallback;
    }
    const std::vector<std::string> &all(const std::string &name) const
    {
        static const std::vector<std::string> none;
        const auto found = values.find(name);
        return found == values.end() ? none : found->second;
    }
};

bool parseOptions(int argc, char **argv, Options &options)
{
    if (argc < 2)
        return false;
    options.mode = argv[1];
    for (int index = 2; index < argc; index += 2) {
        if (std::string(argv[index]) == "--") {
            options.command.assign(argv + index + 1, argv + argc);
            break;
        }
        if (index + 1 >= argc)
            return false;
        options.values[argv[index]].push_back(argv[index + 1]);
    }
    if (options.mode == "latency")
        return options.values.count("--popup");
    return !options.command.empty() && (options.mode == "memory" || options.mode == "startup");
}

void settle(double ms)
{
    std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(ms));
}

// A started program, ready and settled, with a watcher on its popup when it has a title.
struct Run {
    std::unique_ptr<TargetProcess> target;
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection{nullptr,
                                                                            &xcb_disconnect};
    std::unique_ptr<PopupWatcher> watcher;
    int failures = 0;
};

std::unique_ptr<Run> startRun(const std::vector<std::string> &command, const std::string &title,
                              const std::string &front, const Options &options,
                              const std::string &logPath)
{
    auto run = std::make_unique<Run>();
    const std::string ready = options.text("--ready", kReadyText);
    run->target = std::make_unique<TargetProcess>(command, ready, logPath);
    if (!run->target->waitReady(kReadyTimeoutMs)) {
        std::fprintf(stderr, "latency_probe: %s never printed \"%s\"\n", command[0].c_str(),
                     ready.c_str());
        return nullptr;
    }
    // Start-up work that goes on after the ready line (downloads, autostart) is left out.
    settle(options.number("--settle-ms", 1000));
    if (title.empty())
        return run;
    run->connection.reset(xcb_connect(nullptr, nullptr));
    run->watcher =
        std::make_unique<PopupWatcher>(run->connection.get(), title, front, options.typer);
    if (xcb_connection_has_error(run->connection.get()) || !run->watcher->usable()) {
        std::fprintf(stderr, "latency_probe: no X server, or it lacks XTest or Damage, or the "
                             "keymap lacks Control or space\n");
        return nullptr;
    }
    return run;
}

struct Cycle {
    double mappedMs = kNoTime;
    double drawnMs = kNoTime;
    double unmappedMs = kNoTime;
};

// One show and one hide; a popup left mapped by a lost event is hidden again so the next cycle
// starts from a hidden popup. False once the program died or too many cycles failed.
bool runCycle(Run &run, Cycle &cycle)
{
    PopupWatcher &watcher = *run.watcher;
    const PopupWatcher::ShowTimes shown = watcher.show(kTimeoutMs);
    cycle = {shown.mappedMs, shown.drawnMs, kNoTime};
    if (!std::isnan(cycle.mappedMs) || watcher.popupMapped()) {
        cycle.unmappedMs = watcher.hide(kTimeoutMs);
        if (std::isnan(cycle.unmappedMs) && watcher.popupMapped())
            watcher.hide(kTimeoutMs);
    }
    if (std::isnan(cycle.mappedMs) || std::isnan(cycle.drawnMs) || std::isnan(cycle.unmappedMs))
        ++run.failures;
    if (!run.target->running() || run.failures > kMaxFailures) {
        std::fprintf(stderr, "latency_probe: the program ended or too many cycles timed out\n");
        return false;
    }
    return true;
}

// CPU time and minor page faults so far of the program, the X server and the window manager.
struct Counters {
    double cpuMs, faults, serverCpuMs, serverFaults, windowManagerCpuMs;

    static Counters read(pid_t pid, pid_t server, pid_t windowManager)
    {
        return {processCpuMs(pid), double(minorFaults(pid)), processCpuMs(server),
                double(minorFaults(server)), windowManager ? processCpuMs(windowManager) : 0};
    }
    Counters operator-(const Counters &start) const
    {
        return {cpuMs - start.cpuMs, faults - start.faults, serverCpuMs - start.serverCpuMs,
                serverFaults - start.serverFaults, windowManagerCpuMs - start.windowManagerCpuMs};
    }
};

bool latencyRound(const Options &options, const std::string &popup, int round, int presses)
{
    // NAME:TITLE:COMMAND
    std::istringstream fields(popup);
    std::string name, title, command;
    std::getline(std::getline(std::getline(fields, name, ':'), title, ':'), command);
    const std::vector<std::string> &fronts = options.all("--front");
    const std::string front = fronts.empty() ? "" : fronts[size_t(round) % fronts.size()];
    const std::string log = options.text("--log");
    const std::unique_ptr<Run> run =
        startRun({command}, title, front, options, log.empty() ? log : log + name + ".log");
    if (!run)
        return false;
    const pid_t server = serverPid(run->connection.get());
    const xcb_window_t check = windowManagerCheck(run->connection.get());
    const pid_t windowManager = check ? clientPid(run->connection.get(), check) : 0;
    const auto counters = [&] { return Counters::read(run->target->pid(), server, windowManager); };
    const auto record = [&](const char *kind) {
        JsonLine line(kind);
        line.add("popup", name).add("start", round + 1).add("front", front);
        return line;
    };
    const double pauseMs = options.number("--settle-ms", 1000);
    Counters phaseStart = counters();
    // The presses back to back, then one after a pause.
    for (int press = 0; press <= presses + 1; ++press) {
        if (press == presses + 1)
            settle(pauseMs);
        Cycle cycle;
        if (!runCycle(*run, cycle))
            return false;
        record("press")
            .add("press", press)
            .add("pause_ms", press == 0 || press > presses ? pauseMs : 0)
            .add("mapped_ms", cycle.mappedMs)
            .add("drawn_ms", cycle.drawnMs)
            .add("unmapped_ms", cycle.unmappedMs)
            .print();
        if (press != 0 && press != presses)
            continue;
        const Counters now = counters();
        const Counters cost = now - phaseStart;
        phaseStart = now;
        record("cost")
            .add("phase", press == 0 ? "first" : "later")
            .add("cycles", press == 0 ? 1 : presses)
            .add("cpu_ms", cost.cpuMs)
            .add("faults", cost.faults)
            .add("server_cpu_ms", cost.serverCpuMs)
            .add("server_faults", cost.serverFaults)
            .add("window_manager_cpu_ms", cost.windowManagerCpuMs)
            .print();
    }
    return true;
}

int latency(const Options &options)
{
    const std::vector<std::string> &popups = options.all("--popup");
    const int count = int(popups.size());
    const int rounds = int(options.number("--rounds", 3));
    const int presses = int(options.number("--presses", 300));
    for (int round = 0; round < rounds; ++round) {
        // Each round starts with the next popup, so none always runs first.
        for (int turn = 0; turn < count; ++turn) {
            if (!latencyRound(options, popups[size_t((round + turn) % count)], round,
                              presses / rounds + (round < presses % rounds)))
                return 1;
        }
    }
    return 0;
}

int memory(const Options &options)
{
    const std::unique_ptr<Run> run =
        startRun(options.command, options.text("--title"), options.text("--front"), options,
                 options.text("--log"));
    if (!run)
        return 1;
    const auto record = [&](const char *stage) {
        JsonLine line("memory");
        line.add("stage", stage).add("smaps", run->target->smaps());
        return line;
    };
    record("idle").print();
    Cycle cycle;
    if (!run->watcher || !runCycle(*run, cycle))
        return run->watcher ? 1 : 0;
    settle(options.number("--settle-ms", 1000));
    record("first show").print();
    int done = 1;
    std::istringstream counts(options.text("--cycles"));
    for (std::string count; std::getline(counts, count, ',');) {
        std::vector<double> drawn;
        const double cpuBefore = processCpuMs(run->target->pid());
        for (; done < std::stoi(count); ++done) {
            if (!runCycle(*run, cycle))
                return 1;
            drawn.push_back(cycle.drawnMs);
        }
        settle(options.number("--settle-ms", 1000));
        record("cycles")
            .add("cycles", done)
            .add("drawn_ms", drawn)
            .add("cpu_ms", processCpuMs(run->target->pid()) - cpuBefore)
            .print();
    }
    return 0;
}

int startup(const Options &options)
{
    for (int run = 0; run < options.number("--runs", 10); ++run) {
        TargetProcess target(options.command, options.text("--ready", kReadyText),
                             options.text("--log"));
        const std::optional<double> ready = target.waitReady(kReadyTimeoutMs);
        const std::optional<double> idle = target.waitQuiet(kQuietMs, kReadyTimeoutMs);
        if (!ready || !idle) {
            std::fprintf(stderr, "latency_probe: run %d never got ready\n", run);
            return 1;
        }
        JsonLine("startup").add("registered_ms", *ready).add("idle_ms", *idle).print();
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: latency_probe latency [--presses N] [--rounds N] [--front T]... "
                     "--popup NAME:TITLE:COMMAND...\n"
                     "       latency_probe memory|startup [--title T] [--front T] [--ready "
                     "TEXT] [--runs N] [--cycles N,N] -- command [arguments...]\n"
                     "common: [--log FILE] [--settle-ms MS] [--typer COMMAND]\n");
        return 2;
    }
    if (options.values.count("--typer")) {
        options.typer = popen(options.text("--typer").c_str(), "w");
        if (!options.typer) {
            std::perror("latency_probe: --typer");
            return 1;
        }
    }
    const int status = options.mode == "latency"  ? latency(options)
                       : options.mode == "memory" ? memory(options)
                                                  : startup(options);
    // The typer ends at the end of its input.
    if (options.typer)
        pclose(options.typer);
    return status;
}
