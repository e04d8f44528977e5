#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// Memory figures of one process, in kB.
struct MemoryUsage {
    long rssKb = -1;
    long pssKb = -1;
    // Anonymous pages (heap, stacks): the process's own, however many share its libraries.
    long anonymousKb = -1;
};

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
    // Whether the program still runs.
    bool running();
    // Rss, Pss and anonymous pages from /proc/PID/smaps_rollup; -1 when unreadable.
    MemoryUsage memory() const;
    // processCpuMs() of the program.
    double cpuMs() const;

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
