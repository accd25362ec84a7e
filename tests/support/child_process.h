#pragma once

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

// A child process that is always ended and reaped: the destructor sends
// SIGTERM, waits a little, then SIGKILL. Waits for its exit are bounded.
class ChildProcess {
  public:
    struct Options {
        std::vector<std::string> argv;
        std::vector<std::string> set_env;   // "NAME=value", replacing inherited ones
        std::vector<std::string> unset_env; // names dropped from the inherited environment
        std::string cwd;                    // empty: the test's own
        std::string stdout_path;            // empty: inherited
        // Descriptors without FD_CLOEXEC (a pipe for Xvfb's -displayfd) stay open in the child.
    };

    explicit ChildProcess(const Options& options) {
        std::vector<std::string> env = environment(options);
        std::vector<char*> argv = pointers(options.argv);
        std::vector<char*> envp = pointers(env);
        int out = -1;
        if (!options.stdout_path.empty())
            out =
                ::open(options.stdout_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        pid = ::fork();
        if (pid == 0) {
            if (out >= 0)
                ::dup2(out, STDOUT_FILENO);
            if (!options.cwd.empty() && ::chdir(options.cwd.c_str()) != 0)
                ::_exit(126);
            ::execve(argv[0], argv.data(), envp.data());
            ::_exit(127);
        }
        if (out >= 0)
            ::close(out);
    }
    ~ChildProcess() {
        if (pid <= 0)
            return;
        ::kill(pid, SIGTERM);
        if (!wait_exit(std::chrono::seconds(2))) {
            ::kill(pid, SIGKILL);
            int status = 0;
            ::waitpid(pid, &status, 0);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid > 0; }
    bool running() {
        if (pid <= 0)
            return false;
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            pid = -1;
            exit_status = status;
            return false;
        }
        return true;
    }
    void signal(int sig) {
        if (pid > 0)
            ::kill(pid, sig);
    }
    // Waits at most timeout for the child to end; its wait status is kept in exit_status.
    bool wait_exit(std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (running()) {
            if (std::chrono::steady_clock::now() >= deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

    std::optional<int> exit_status;

  private:
    static std::vector<std::string> environment(const Options& options) {
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry = *e;
            const std::string name = entry.substr(0, entry.find('='));
            bool dropped = false;
            for (const std::string& u : options.unset_env)
                dropped = dropped || u == name;
            for (const std::string& s : options.set_env)
                dropped = dropped || s.substr(0, s.find('=')) == name;
            if (!dropped)
                env.push_back(entry);
        }
        env.insert(env.end(), options.set_env.begin(), options.set_env.end());
        return env;
    }
    static std::vector<char*> pointers(const std::vector<std::string>& strings) {
        std::vector<char*> out;
        for (const std::string& s : strings)
            out.push_back(const_cast<char*>(s.c_str()));
        out.push_back(nullptr);
        return out;
    }

    pid_t pid = -1;
};
