// pulse_server.cpp: starting and stopping a private PulseAudio daemon.
#include "pulse_server.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace test
{
namespace
{

constexpr auto kStartTimeout = std::chrono::seconds(10);
constexpr auto kStopTimeout = std::chrono::seconds(5);

bool write_file(const std::filesystem::path &path, const std::string &text)
{
    std::ofstream out(path, std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

bool accepts_connections(const std::filesystem::path &socket_path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socket_path.c_str(), sizeof address.sun_path - 1);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

// True once `pid` has ended (and has been reaped) within `timeout`.
bool reaped_within(int pid, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        int status = 0;
        const int result = ::waitpid(pid, &status, WNOHANG);
        if (result == pid || (result < 0 && errno == ECHILD)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

void stop_daemon(int pid)
{
    ::kill(pid, SIGTERM);
    if (!reaped_within(pid, kStopTimeout)) {
        ::kill(pid, SIGKILL);
        reaped_within(pid, kStopTimeout);
    }
}

} // namespace

void use_pulse_server(const std::string &address, const std::filesystem::path &folder)
{
    const std::filesystem::path client_conf = folder / "client.conf";
    const std::filesystem::path alsa_conf = folder / "alsa.conf";
    write_file(client_conf, "autospawn = no\n");
    // ALSA reads only this file: its default device is the pulse plugin on our server.
    write_file(alsa_conf, "pcm.!default { type pulse server \"" + address +
                              "\" }\nctl.!default { type pulse server \"" + address + "\" }\n");
    setenv("PULSE_SERVER", address.c_str(), 1);
    setenv("PULSE_CLIENTCONFIG", client_conf.c_str(), 1);
    setenv("PULSE_COOKIE", (folder / "cookie").c_str(), 1);
    setenv("ALSA_CONFIG_PATH", alsa_conf.c_str(), 1);
}

std::unique_ptr<PulseServer> PulseServer::start(std::string &error)
{
    std::string folder_template =
        (std::filesystem::temp_directory_path() / "pulse-test.XXXXXX").string();
    if (::mkdtemp(folder_template.data()) == nullptr) {
        error = std::string("mkdtemp: ") + std::strerror(errno);
        return nullptr;
    }
    const std::filesystem::path folder = folder_template;
    const std::string address = "unix:" + (folder / "native").string();
    std::unique_ptr<PulseServer> server(new PulseServer(folder, -1, address));
    if (!server->restart(error)) {
        return nullptr;
    }
    use_pulse_server(address, folder);
    return server;
}

void PulseServer::signal(int signal) const
{
    ::kill(pid_, signal);
}

void PulseServer::kill_now()
{
    ::kill(pid_, SIGKILL);
    reaped_within(pid_, kStopTimeout);
    pid_ = -1;
}

bool PulseServer::restart(std::string &error)
{
    const std::filesystem::path socket_path = folder_ / "native";
    // Everything the daemon reads or writes stays in the folder: no user configuration, no
    // default script (-n), only the modules loaded here; it never exits for being idle.
    const std::string home = "HOME=" + folder_.string();
    const std::string runtime = "XDG_RUNTIME_DIR=" + folder_.string();
    const std::string pulse_runtime = "PULSE_RUNTIME_PATH=" + folder_.string();
    const std::string state = "PULSE_STATE_PATH=" + folder_.string();
    const std::string config = "XDG_CONFIG_HOME=" + folder_.string();
    const std::string protocol =
        "module-native-protocol-unix auth-anonymous=1 socket=" + socket_path.string();
    const char *const argv[] = {"pulseaudio",
                                "-n",
                                "--daemonize=no",
                                "--exit-idle-time=-1",
                                "--use-pid-file=no",
                                "--disable-shm=yes",
                                "--log-target=stderr",
                                "--log-level=error",
                                "-L",
                                protocol.c_str(),
                                "-L",
                                "module-null-sink sink_name=probe rate=44100 channels=2",
                                nullptr};
    const char *const envp[] = {home.c_str(),  runtime.c_str(), pulse_runtime.c_str(),
                                state.c_str(), config.c_str(),  "PATH=/usr/bin:/bin",
                                nullptr};
    // A killed daemon leaves its socket behind.
    std::error_code ignored;
    std::filesystem::remove(socket_path, ignored);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        error = std::string("fork: ") + std::strerror(errno);
        return false;
    }
    if (pid == 0) {
        // The daemon ends with the test process, however that ends, also while stopped.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) {
            ::_exit(127);
        }
        ::execve("/usr/bin/pulseaudio", const_cast<char *const *>(argv),
                 const_cast<char *const *>(envp));
        ::_exit(127);
    }
    pid_ = pid;
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (!accepts_connections(socket_path)) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            pid_ = -1;
            error = "pulseaudio exited with status " + std::to_string(WEXITSTATUS(status));
            return false;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            error = "pulseaudio did not accept connections within 10 s";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

PulseServer::~PulseServer()
{
    if (pid_ > 0) {
        stop_daemon(pid_);
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

} // namespace test
