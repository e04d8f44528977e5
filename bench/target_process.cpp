#include "bench/target_process.h"

#include "bench/xcb_util.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

TargetProcess::TargetProcess(const std::vector<std::string> &command, std::string readyText,
                             const std::string &logPath)
    : m_readyText(std::move(readyText))
{
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        std::perror("pipe2");
        return;
    }
    std::vector<char *> argv;
    for (const std::string &argument : command)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);

    m_startMs = monotonicMs();
    m_pid = fork();
    if (m_pid == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        dup2(pipeFds[1], STDERR_FILENO);
        execvp(argv[0], argv.data());
        std::perror(argv[0]);
        _exit(127);
    }
    close(pipeFds[1]);
    if (m_pid < 0) {
        std::perror("fork");
        close(pipeFds[0]);
        return;
    }
    const int logFd = logPath.empty()
                          ? -1
                          : open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    m_reader = std::thread(&TargetProcess::copyOutput, this, pipeFds[0], logFd);
}

TargetProcess::~TargetProcess()
{
    if (m_pid > 0 && !m_reaped) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
    if (m_reader.joinable())
        m_reader.join();
}

// Drains the pipe for the whole life of the program: a full pipe would stall its logging.
void TargetProcess::copyOutput(int readFd, int logFd)
{
    std::string pending;
    char buffer[65536];
    for (;;) {
        const ssize_t count = read(readFd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        if (logFd >= 0 && write(logFd, buffer, size_t(count)) != count)
            std::perror("log write");
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_readyMs)
            continue;
        pending.append(buffer, size_t(count));
        if (pending.find(m_readyText) != std::string::npos) {
            m_readyMs = monotonicMs() - m_startMs;
            m_changed.notify_all();
        } else if (pending.size() > m_readyText.size()) {
            pending.erase(0, pending.size() - m_readyText.size());
        }
    }
    close(readFd);
    if (logFd >= 0)
        close(logFd);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_outputClosed = true;
    m_changed.notify_all();
}

std::optional<double> TargetProcess::waitReady(double timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait_for(lock, std::chrono::duration<double, std::milli>(timeoutMs),
                       [this] { return m_readyMs || m_outputClosed; });
    return m_readyMs;
}

bool TargetProcess::running()
{
    if (m_pid <= 0 || m_reaped)
        return false;
    if (waitpid(m_pid, nullptr, WNOHANG) == m_pid)
        m_reaped = true;
    return !m_reaped;
}

namespace {

// The run time of a thread in nanoseconds: finer than the clock ticks of /proc/PID/stat, so a
// single show can be timed.
double runNs(const std::string &schedstatPath)
{
    std::ifstream schedstat(schedstatPath);
    double ns = 0;
    return schedstat >> ns ? ns : 0;
}

} // namespace

std::optional<double> TargetProcess::waitQuiet(double quietMs, double timeoutMs)
{
    constexpr auto kPoll = std::chrono::milliseconds(1);
    const double deadline = monotonicMs() + timeoutMs;
    const std::string mainThread =
        "/proc/" + std::to_string(m_pid) + "/task/" + std::to_string(m_pid) + "/schedstat";
    double ranNs = runNs(mainThread);
    double lastRunAt = monotonicMs();
    while (running() && monotonicMs() < deadline) {
        std::this_thread::sleep_for(kPoll);
        const double now = monotonicMs();
        const double ns = runNs(mainThread);
        if (ns != ranNs) {
            ranNs = ns;
            lastRunAt = now;
        } else if (now - lastRunAt >= quietMs) {
            return lastRunAt - m_startMs;
        }
    }
    return std::nullopt;
}

std::string TargetProcess::smaps() const
{
    std::ifstream smaps("/proc/" + std::to_string(m_pid) + "/smaps");
    return {std::istreambuf_iterator<char>(smaps), std::istreambuf_iterator<char>()};
}

double processCpuMs(pid_t pid)
{
    const std::string taskDir = "/proc/" + std::to_string(pid) + "/task/";
    DIR *tasks = opendir(taskDir.c_str());
    if (!tasks)
        return -1;
    double totalNs = 0;
    while (const dirent *task = readdir(tasks)) {
        if (task->d_name[0] != '.')
            totalNs += runNs(taskDir + task->d_name + "/schedstat");
    }
    closedir(tasks);
    return totalNs / 1e6;
}

long minorFaults(pid_t pid)
{
    std::ifstream statFile("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    std::getline(statFile, stat);
    // The command name in brackets may hold spaces; the numbered fields follow its ')'.
    const size_t nameEnd = stat.rfind(')');
    if (nameEnd == std::string::npos)
        return -1;
    std::istringstream fields(stat.substr(nameEnd + 1));
    std::string field;
    for (int index = 3; index <= 10 && fields >> field; ++index) {
        if (index == 10)
            return std::stol(field);
    }
    return -1;
}
