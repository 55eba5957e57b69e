// Child processes of the end-to-end tests: started with a pipe for their output, stopped by
// process id, and killed with the test process however it ends.
#include "ChildProcess.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <limits>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace aq::test {

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kForever = std::numeric_limits<double>::infinity();

int millisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

Clock::time_point deadlineIn(double seconds) {
    return Clock::now() +
           std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

}  // namespace

bool ChildProcess::start(const std::vector<std::string>& argv,
                         const std::vector<std::string>& setEnv, const std::string& errorFile,
                         std::string& error) {
    kill();
    // Everything the child needs is made before fork(): after it, the child of a threaded
    // process may only make async-signal-safe calls.
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const std::string& change : setEnv)
            replaced = replaced || change.compare(0, name.size() + 1, name + "=") == 0;
        if (!replaced) environment.push_back(entry);
    }
    environment.insert(environment.end(), setEnv.begin(), setEnv.end());
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    const int err = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (err < 0) {
        error = "cannot open " + errorFile + ": " + std::strerror(errno);
        close(out[0]);
        close(out[1]);
        return false;
    }
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        // Killed when the test process ends, however it ends. The parent may have died
        // before this line: then go at once.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        dup2(out[1], STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        execve(args[0], args.data(), envp.data());
        _exit(127);
    }
    const int forkError = errno;
    close(out[1]);
    close(err);
    if (pid < 0) {
        close(out[0]);
        error = std::string("fork: ") + std::strerror(forkError);
        return false;
    }
    _pid = pid;
    _stdout = out[0];
    _buffered.clear();
    _status = 0;
    return true;
}

bool ChildProcess::readLine(double seconds, std::string& line) {
    const auto deadline = deadlineIn(seconds);
    for (;;) {
        const auto end = _buffered.find('\n');
        if (end != std::string::npos) {
            line = _buffered.substr(0, end);
            _buffered.erase(0, end + 1);
            return true;
        }
        if (_stdout < 0) return false;
        pollfd fd{_stdout, POLLIN, 0};
        const int ready = poll(&fd, 1, millisecondsLeft(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        char chunk[256];
        const ssize_t got = read(_stdout, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;  // the process closed its output: it has ended
        _buffered.append(chunk, static_cast<std::size_t>(got));
    }
}

bool ChildProcess::waitForEnd(double seconds) {
    if (_pid <= 0) return true;
    if (!std::isinf(seconds)) {
        // A pidfd turns the end of the process into an event poll() can wait for.
        const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, _pid, 0));
        if (pidfd < 0) return false;  // no way to wait with a deadline: the caller kills it
        pollfd fd{pidfd, POLLIN, 0};
        const auto deadline = deadlineIn(seconds);
        int ready = 0;
        do {
            ready = poll(&fd, 1, millisecondsLeft(deadline));
        } while (ready < 0 && errno == EINTR);
        close(pidfd);
        if (ready <= 0) return false;
    }
    int status = 0;
    pid_t done = 0;
    do {
        done = waitpid(_pid, &status, 0);
    } while (done < 0 && errno == EINTR);
    _status = done == _pid ? status : 0;
    _pid = -1;
    if (_stdout >= 0) close(_stdout);
    _stdout = -1;
    return true;
}

int ChildProcess::stop(double seconds) {
    if (_pid <= 0) return _status;
    ::kill(_pid, SIGTERM);
    if (!waitForEnd(seconds)) {
        ::kill(_pid, SIGKILL);
        waitForEnd(kForever);
    }
    return _status;
}

void ChildProcess::kill() {
    if (_pid <= 0) return;
    ::kill(_pid, SIGKILL);
    waitForEnd(kForever);
}

}  // namespace aq::test
