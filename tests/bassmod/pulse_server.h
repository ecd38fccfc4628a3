// pulse_server.h: a private PulseAudio daemon with one null sink, for tests that play through a
// real sound server. Its sockets, state and configuration live in a fresh folder; this process's
// environment is pointed at it (libpulse clients and ALSA's default device, through the ALSA
// pulse plugin), and the daemon is stopped and the folder removed when the object goes.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace test
{

class PulseServer
{
  public:
    // Starts `pulseaudio` and waits until it accepts clients. Null, with the reason in `error`,
    // if it is not installed or does not come up.
    static std::unique_ptr<PulseServer> start(std::string &error);

    // Stops the daemon (SIGTERM, then SIGKILL if it lingers) and removes the folder.
    ~PulseServer();
    PulseServer(const PulseServer &) = delete;
    PulseServer &operator=(const PulseServer &) = delete;

    // The server address for PULSE_SERVER, e.g. "unix:/tmp/pulse-test.XXXX/native".
    const std::string &address() const { return address_; }

    // Sends `signal` to the daemon: SIGSTOP makes it stop answering, as a hung server does.
    void signal(int signal) const;
    // Kills the daemon at once, as a crash does; restart() brings a new one at the same address.
    void kill_now();
    bool restart(std::string &error);

  private:
    PulseServer(std::filesystem::path folder, int pid, std::string address)
        : folder_(std::move(folder)), pid_(pid), address_(std::move(address))
    {
    }

    std::filesystem::path folder_;
    int pid_;
    std::string address_;
};

// Points this process's libpulse and ALSA clients at the server `address`, without autospawn
// and without reading or writing the user's cookie or configuration; files go to `folder`.
void use_pulse_server(const std::string &address, const std::filesystem::path &folder);

} // namespace test
