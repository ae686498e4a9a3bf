// Real JACK servers and programs for the standalone program's tests: each
// test starts a dummy-driver jackd under a name of its own, so that tests
// running side by side, and a user's own server, never meet; every process
// a test starts is stopped by its pid, also when the test fails.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace standalone_test {

// A child process with its output in files; killed and reaped at destruction
// if still running, and killed by the kernel if the test process dies first.
class Process {
public:
    // `environment` holds NAME=VALUE settings added to the test's own.
    Process(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
            const std::string& outPath = "/dev/null", const std::string& errPath = "/dev/null");
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t pid() const { return pid_; }
    void signal(int number) const;
    // Waits up to `seconds` for it to end; true when it did.
    bool wait(double seconds);
    bool exited() const { return exited_; }  // ended by exit(), not by a signal
    int exitCode() const { return exitCode_; }

private:
    pid_t pid_ = -1;
    bool ended_ = false;
    bool exited_ = false;
    int exitCode_ = -1;
};

// A JACK server name of the test's own for as long as the object lives.
// JACK keeps one table of at most eight servers for the whole machine, and
// frees the entry of a server that died without saying so (killed, or ended
// with its test) only when a server of the same name starts again. Test
// servers therefore take their names from a small pool, each name held
// under a lock file while in use: a dead server's entry is taken over by
// the next test, and test runs can never fill the table for good.
class ServerName {
public:
    static constexpr int kPool = 4;

    // Waits up to a minute for a free name; empty when none came free.
    ServerName();
    ~ServerName();
    ServerName(const ServerName&) = delete;
    ServerName& operator=(const ServerName&) = delete;
    const std::string& text() const { return name_; }

private:
    std::string name_;
    int lock_ = -1;
};

class JackServer {
public:
    // jackd --no-realtime -n NAME -d dummy -r rate -p period, waited for.
    explicit JackServer(int rate = 48000, int period = 256);
    ~JackServer();  // stops it by its pid
    JackServer(const JackServer&) = delete;
    JackServer& operator=(const JackServer&) = delete;

    bool up() const { return up_; }
    const std::string& name() const { return name_; }
    // What the server's clients need in their environment.
    std::vector<std::string> environment() const;
    // Runs a client program (jack_connect, jack_bufsize...) to its end; its exit code, or -1.
    int run(const std::vector<std::string>& argv, double seconds = 10) const;
    // Stops the server now, as a crash or a user would.
    void stop();

private:
    ServerName claimed_;
    std::string name_;
    Process* server_ = nullptr;
    bool up_ = false;
};

// A name no other test on the machine is using: the stem, this process's pid and a count.
std::string uniqueName(const std::string& stem);

// Waits up to `seconds` for a line containing `text` in the file; true when it came.
bool waitForText(const std::string& path, const std::string& text, double seconds);
std::string readFile(const std::string& path);

}  // namespace standalone_test
