// A listening SOCK_SEQPACKET socket in a fresh directory anyone may reach, for brokers run
// in-process by the tests.
#pragma once

#include "SocketFolder.h"

#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace rimglider::inputd::test {

class TempSocket {
  public:
    TempSocket() : path_(folder_.path("sock"))
    {
        chmod(folder_.path("").c_str(), 0755); // tests connect as an ordinary user too
        fd_ = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path_.copy(address.sun_path, sizeof address.sun_path - 1);
        if (bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd_, 8) != 0)
            throw std::runtime_error("cannot listen on " + path_);
        chmod(path_.c_str(), 0666);
    }

    // The listening descriptor, handed to the broker, which closes it.
    [[nodiscard]] int fd() const { return fd_; }
    [[nodiscard]] const std::string& path() const { return path_; }

  private:
    rimglider::test::SocketFolder folder_;
    std::string path_;
    int fd_ = -1;
};

} // namespace rimglider::inputd::test
