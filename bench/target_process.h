#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// A benchmarked program: started with its output piped, so the moment it prints its ready
// text is seen; stopped with SIGTERM when destroyed.
class TargetProcess {
public:
    // Starts command; its stdout and stderr are copied to logPath (dropped when empty).
    TargetProcess(const std::vector<std::string> &command, std::string readyText,
                  const std::string &logPath);
    ~TargetProcess();
    TargetProcess(const TargetProcess &) = delete;
    TargetProcess &operator=(const TargetProcess &) = delete;

    // Milliseconds from fork to the ready text, waiting at most timeoutMs; none on time-out
    // or when the program ends first.
    std::optional<double> waitReady(double timeoutMs);
    // Milliseconds from fork to the end of the last run of the program's main thread before it
    // stayed off the CPU for quietMs, waiting at most timeoutMs: when its event loop went idle.
    std::optional<double> waitQuiet(double quietMs, double timeoutMs);
    // Whether the program still runs.
    bool running();
    // The program's /proc/PID/smaps: the size of each of its mappings.
    std::string smaps() const;
    pid_t pid() const { return m_pid; }

private:
    void copyOutput(int readFd, int logFd);

    pid_t m_pid = -1;
    bool m_reaped = false;
    double m_startMs = 0;
    std::string m_readyText;
    std::thread m_reader;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::optional<double> m_readyMs;
    bool m_outputClosed = false;
};

// CPU time used so far by the threads of a process running now, from their schedstat; -1 when
// unreadable.
double processCpuMs(pid_t pid);
// Minor page faults of a process so far, from /proc/PID/stat; -1 when unreadable.
long minorFaults(pid_t pid);
