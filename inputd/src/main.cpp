// rimglider-inputd: the input broker. Listens on --socket PATH (development, tests) or on the
// socket systemd passes (rimglider-inputd.socket), and serves until stopped or, without
// clients, until the idle time has passed.
#include "Broker.h"
#include "Log.h"

#include <systemd/sd-daemon.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace rimglider::inputd;

namespace {

constexpr int defaultIdleSeconds = 30;

void usage(std::FILE* to)
{
    std::fputs("Usage: rimglider-inputd [--socket PATH] [--idle-exit SECONDS] [--verbose]\n"
               "\n"
               "Rimglider's input broker: reads touchpads, keyboards and pointer buttons and serves\n"
               "them to Rimglider over a Unix socket; posts system keys through uinput.\n"
               "\n"
               "  --socket PATH        listen on PATH (else: the socket passed by systemd)\n"
               "  --idle-exit SECONDS  exit after this long without clients (0: never); the\n"
               "                       default, 30, applies only when started by systemd\n"
               "  --verbose            also log to stderr\n"
               "  --help, --version\n",
               to);
}

int listenOn(const std::string& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        Log::error("socket path too long: " + path);
        return -1;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    // A socket file left by a broker that died is replaced; a live broker's is not.
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) {
        const int probe = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        const bool live = connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(probe);
        if (live) {
            Log::error("another broker listens on " + path);
            ::close(fd);
            return -1;
        }
        unlink(path.c_str());
    }
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) < 0 || listen(fd, 16) < 0) {
        Log::error("cannot listen on " + path + ": " + std::strerror(errno));
        ::close(fd);
        return -1;
    }
    // A root broker decides access itself, so anyone may connect; otherwise only its own user can.
    chmod(path.c_str(), geteuid() == 0 ? 0666 : 0600);
    return fd;
}

int activatedSocket()
{
    const int count = sd_listen_fds(1);
    if (count != 1) {
        if (count > 1) Log::error("systemd passed " + std::to_string(count) + " sockets; expected one");
        return -1;
    }
    const int fd = SD_LISTEN_FDS_START;
    if (sd_is_socket_unix(fd, SOCK_SEQPACKET, 1, nullptr, 0) <= 0) {
        Log::error("the socket systemd passed is not a listening SOCK_SEQPACKET Unix socket");
        return -1;
    }
    fcntl(fd, F_SETFD, FD_CLOEXEC);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    return fd;
}

} // namespace

int main(int argc, char** argv)
{
    std::string socketPath;
    int idleSeconds = -1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("rimglider-inputd %s (protocol %u)\n", RIMGLIDER_VERSION, rimglider::broker::protocolVersion);
            return 0;
        }
        if (arg == "--verbose") {
            Log::setEcho(true);
        } else if (arg == "--socket" && i + 1 < argc) {
            socketPath = argv[++i];
        } else if (arg == "--idle-exit" && i + 1 < argc) {
            char* end = nullptr;
            const long seconds = std::strtol(argv[++i], &end, 10);
            if (*end || seconds < 0 || seconds > 86400) {
                std::fprintf(stderr, "rimglider-inputd: --idle-exit takes 0..86400 seconds\n");
                return 2;
            }
            idleSeconds = int(seconds);
        } else {
            usage(stderr);
            return 2;
        }
    }

    BrokerConfig config;
    const bool activated = socketPath.empty();
    config.listenFd = activated ? activatedSocket() : listenOn(socketPath);
    if (config.listenFd < 0) {
        if (activated) std::fprintf(stderr, "rimglider-inputd: no socket: use --socket PATH or socket activation\n");
        return 1;
    }
    if (idleSeconds < 0 && activated) idleSeconds = defaultIdleSeconds;
    if (idleSeconds > 0) config.idleExit = std::chrono::seconds(idleSeconds);
    config.brokerIsRoot = geteuid() == 0;
    config.brokerUid = geteuid();
    try {
        Broker broker(std::move(config));
        const int code = broker.run();
        if (!activated) unlink(socketPath.c_str());
        return code;
    } catch (const std::exception& e) {
        Log::error(e.what());
        return 1;
    }
}
