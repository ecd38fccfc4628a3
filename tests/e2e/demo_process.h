// demo_process.h: runs the real demo binary as a child process in an asset folder, with its
// standard output and error captured to files.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <sys/types.h>

namespace e2e
{

// Environment changes for the child: a value sets the variable, nullopt removes it.
using Environment = std::map<std::string, std::optional<std::string>>;

// The environment for a demo in a window on `display`, with silent audio.
Environment WindowEnvironment(const std::string &display);

class DemoProcess
{
  public:
    // Starts the demo with `folder` as its working directory. Throws std::runtime_error when
    // the process cannot be started.
    DemoProcess(const std::filesystem::path &folder, const Environment &changes);
    // Kills the demo if it still runs.
    ~DemoProcess();
    DemoProcess(const DemoProcess &) = delete;
    DemoProcess &operator=(const DemoProcess &) = delete;

    // The exit status once the demo has ended within `timeout` (128 + signal number when a
    // signal ended it), nullopt while it still runs.
    std::optional<int> WaitForExit(std::chrono::milliseconds timeout);
    bool Running() { return !WaitForExit(std::chrono::milliseconds(0)); }
    // Sends `signal` to the demo while it runs.
    void Signal(int signal) const;

    // Processor time the demo's main thread, which runs its window, has used so far; nullopt
    // once the demo has ended.
    std::optional<std::chrono::milliseconds> CpuTime() const;

    std::string Stdout() const;
    std::string Stderr() const;

  private:
    pid_t pid_ = -1;
    std::optional<int> status_;
    std::filesystem::path stdout_path_;
    std::filesystem::path stderr_path_;
    std::filesystem::path program_folder_; // a Windows demo's copy, empty for a native one
};

// Path of the demo under test: the build's own, or the one DEMO_E2E_BINARY names.
std::filesystem::path DemoBinary();

// True when the demo under test is a Windows program (DEMO_E2E_BINARY names an .exe), which runs
// under Wine (E2E_WINE names another loader than "wine").
bool WindowsDemo();

// Runs a command with DISPLAY set to `display`; its exit status (-1 when it cannot run).
int RunTool(const std::string &display, std::initializer_list<std::string> arguments);

} // namespace e2e
