// rimglider-inputd as a child process on a socket of its own, for the device tests and the
// benchmark. The child inherits the umockdev environment, so it sees the emulated devices.
#pragma once

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
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
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!accepting()) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                throw std::runtime_error("the broker exited at start:\n" + log());
            }
            if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("the broker never listened");
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
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
    [[nodiscard]] bool running() const
    {
        int status = 0;
        return pid_ > 0 && waitpid(pid_, &status, WNOHANG) == 0;
    }

    // SIGTERM, then waits (bounded) for the exit; the exit status, or -1 when it had to be killed.
    int stop()
    {
        kill(pid_, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        int status = 0;
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
                pid_ = -1;
                return -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

  private:
    bool accepting() const
    {
        const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        socket_.copy(address.sun_path, sizeof address.sun_path - 1);
        const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(fd);
        return ok;
    }

    std::string socket_;
    std::string log_;
    pid_t pid_ = -1;
};

} // namespace rimglider::inputd::test
