#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace aq::test {

// A child process started by the tests: it is killed with the test process, whatever ends
// that (a crash, a failed assertion that aborts, ctest's timeout), and stopped by its process
// id otherwise.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess() { kill(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `argv[0]` with the environment changed by `setEnv` ("NAME=value"); its standard
    // output comes through a pipe, its standard error goes to `errorFile`. False with the
    // reason in `error`.
    bool start(const std::vector<std::string>& argv, const std::vector<std::string>& setEnv,
               const std::string& errorFile, std::string& error);
    // The first line the process writes, or none when it ended or `seconds` passed first.
    bool readLine(double seconds, std::string& line);
    // SIGTERM, then SIGKILL if it has not ended within `seconds`. Returns the wait status.
    int stop(double seconds);
    void kill();
    bool running() const { return _pid > 0; }
    pid_t pid() const { return _pid; }

private:
    // Waits for the end of the process up to `seconds` (infinity: for ever); true when it
    // ended, its wait status kept.
    bool waitForEnd(double seconds);

    pid_t _pid = -1;
    int _stdout = -1;
    int _status = 0;
    std::string _buffered;
};

}  // namespace aq::test
