// rimglider-inputd as a child process on a socket of its own, for the device tests and the
// benchmark. The child inherits the umockdev environment, so it sees the emulated devices.
#pragma once

#include "Eventually.h"
#include "TestClient.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace rimglider::inputd::test {

class BrokerProcess {
  public:
    BrokerProcess(const std::string& program, const std::string& directory)
        : socket_(directory + "/inputd.sock"), log_(directory + "/inputd.log")
    {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        std::string socketArg = socket_;
        char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("--socket"), socketArg.data(),
                        const_cast<char*>("--verbose"), nullptr};
        const int rc = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) throw std::runtime_error("cannot start " + program);
        // Bounded polling for the external process: ready once it accepts connections.
        const bool answered = rimglider::test::eventually(
            [&] { return accepting() || waitpid(pid_, nullptr, WNOHANG) == pid_; }, std::chrono::seconds(10));
        if (!accepting()) {
            if (!answered) stop();
            pid_ = -1;
            throw std::runtime_error(answered ? "the broker exited at start:\n" + log() : "the broker never listened");
        }
    }
    ~BrokerProcess()
    {
        if (pid_ > 0) stop();
    }
    BrokerProcess(const BrokerProcess&) = delete;
    BrokerProcess& operator=(const BrokerProcess&) = delete;

    [[nodiscard]] const std::string& socket() const { return socket_; }
    [[nodiscard]] pid_t pid() const { return pid_; }
    [[nodiscard]] std::string log() const
    {
        std::ifstream file(log_);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

    // SIGTERM, then waits (bounded) for the exit; the exit status, or -1 when it had to be killed.
    int stop()
    {
        kill(pid_, SIGTERM);
        int status = 0;
        const bool exited =
            rimglider::test::eventually([&] { return waitpid(pid_, &status, WNOHANG) != 0; }, std::chrono::seconds(10));
        if (!exited) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
        }
        pid_ = -1;
        if (!exited) return -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

  private:
    bool accepting() const
    {
        try {
            TestClient probe(socket_);
            return true;
        } catch (const std::runtime_error&) {
            return false;
        }
    }

    std::string socket_;
    std::string log_;
    pid_t pid_ = -1;
};

} // namespace rimglider::inputd::test
