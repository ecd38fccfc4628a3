// demo_process.cpp: fork and exec of the demo and of helper tools, waiting with a deadline.
#include "demo_process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace e2e
{
namespace
{

using Clock = std::chrono::steady_clock;

std::vector<std::string> ChildEnvironment(const Environment &changes)
{
    std::map<std::string, std::string> variables;
    for (char **entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const auto equals = text.find('=');
        if (equals != std::string::npos) {
            variables[text.substr(0, equals)] = text.substr(equals + 1);
        }
    }
    for (const auto &[name, value] : changes) {
        if (value) {
            variables[name] = *value;
        } else {
            variables.erase(name);
        }
    }
    std::vector<std::string> list;
    list.reserve(variables.size());
    for (const auto &[name, value] : variables) {
        list.push_back(name + '=');
        list.back() += value;
    }
    return list;
}

std::vector<char *> Pointers(std::vector<std::string> &strings)
{
    std::vector<char *> pointers;
    pointers.reserve(strings.size() + 1);
    for (auto &s : strings) {
        pointers.push_back(s.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

std::string ReadFile(const std::filesystem::path &path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

int DecodeStatus(int status)
{
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return WEXITSTATUS(status);
}

// A Windows demo writes its standard output and error into stdout.txt and stderr.txt beside
// its program file (SDL's main wrapper does so), so each run gets its own copy of the program
// and its DLLs, in a folder beside the asset folder. Returns the copy of the program.
std::filesystem::path CopyWindowsProgram(const std::filesystem::path &folder)
{
    namespace fs = std::filesystem;
    const fs::path program = DemoBinary();
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::copy_file(program, folder / program.filename());
    for (const auto &entry : fs::directory_iterator(program.parent_path())) {
        if (entry.path().extension() == ".dll") {
            fs::copy_file(entry.path(), folder / entry.path().filename());
        }
    }
    return folder / program.filename();
}

// The sanitizer options of the test's environment, followed by our suppressions for the
// system libraries under the demo's window.
std::string WithSuppressions(const char *variable, const char *file)
{
    const char *options = std::getenv(variable);
    return (options && *options ? std::string(options) + ":" : "") + "suppressions=" + file;
}

} // namespace

bool WindowsDemo()
{
    return DemoBinary().extension() == ".exe";
}

Environment WindowEnvironment(const std::string &display)
{
    if (WindowsDemo()) {
        // SDL's Windows video driver draws into the window Wine maps on `display`; Wine's own
        // diagnostics would only bury the demo's messages.
        const char *wine_debug = std::getenv("WINEDEBUG");
        return {{"DISPLAY", display},
                {"SDL_VIDEODRIVER", std::nullopt},
                {"SDL_AUDIODRIVER", "dummy"},
                {"WINEDEBUG", wine_debug ? wine_debug : "-all"}};
    }
    return {{"DISPLAY", display},
            {"SDL_VIDEODRIVER", "x11"},
            {"SDL_AUDIODRIVER", "dummy"},
            {"LSAN_OPTIONS", WithSuppressions("LSAN_OPTIONS", E2E_LSAN_SUPPRESSIONS)},
            {"TSAN_OPTIONS", WithSuppressions("TSAN_OPTIONS", E2E_TSAN_SUPPRESSIONS)}};
}

std::filesystem::path DemoBinary()
{
    const char *other = std::getenv("DEMO_E2E_BINARY");
    return other && *other ? other : DEMO_BINARY;
}

DemoProcess::DemoProcess(const std::filesystem::path &folder, const Environment &changes)
{
    // The captured output lives beside the asset folder, so the demo's folder holds only assets.
    const std::string stem = folder.string();
    stdout_path_ = stem + ".stdout";
    stderr_path_ = stem + ".stderr";
    std::vector<std::string> environment = ChildEnvironment(changes);
    std::vector<char *> env = Pointers(environment);
    std::vector<std::string> command = {DemoBinary().string()};
    if (WindowsDemo()) {
        program_folder_ = stem + ".program";
        const char *wine = std::getenv("E2E_WINE");
        command = {wine && *wine ? wine : "wine", CopyWindowsProgram(program_folder_).string()};
    }
    std::vector<char *> argv = Pointers(command);

    pid_ = fork();
    if (pid_ < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL); // no demo outlives a killed test
        const int out = open(stdout_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(stderr_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int in = open("/dev/null", O_RDONLY);
        if (out < 0 || err < 0 || in < 0 || chdir(folder.c_str()) != 0) {
            _exit(126);
        }
        dup2(in, STDIN_FILENO);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        execvpe(argv[0], argv.data(), env.data());
        _exit(127);
    }
}

DemoProcess::~DemoProcess()
{
    if (!status_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

std::optional<int> DemoProcess::WaitForExit(std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (!status_) {
        int status = 0;
        const pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            status_ = DecodeStatus(status);
            break;
        }
        if (done < 0 && errno != EINTR) {
            throw std::runtime_error(std::string("waitpid: ") + std::strerror(errno));
        }
        if (Clock::now() >= deadline) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return status_;
}

std::optional<std::chrono::milliseconds> DemoProcess::CpuTime() const
{
    const std::string pid = std::to_string(pid_);
    std::ifstream file("/proc/" + pid + "/task/" + pid + "/stat");
    std::string stat;
    if (status_ || !std::getline(file, stat)) {
        return std::nullopt;
    }
    // After the command name, which is in parentheses and may hold spaces: the state and ten
    // more fields, then utime and stime, in clock ticks.
    std::istringstream fields(stat.substr(stat.rfind(')') + 1));
    std::string skipped;
    for (int i = 0; i < 11; ++i) {
        fields >> skipped;
    }
    long long user = 0, system = 0;
    if (!(fields >> user >> system)) {
        return std::nullopt;
    }
    return std::chrono::milliseconds((user + system) * 1000 / sysconf(_SC_CLK_TCK));
}

void DemoProcess::Signal(int signal) const
{
    if (!status_) {
        kill(pid_, signal);
    }
}

std::string DemoProcess::Stdout() const
{
    if (!program_folder_.empty()) {
        // A Windows text file: lines end in CR LF.
        std::string text = ReadFile(program_folder_ / "stdout.txt");
        std::erase(text, '\r');
        return text;
    }
    return ReadFile(stdout_path_);
}

std::string DemoProcess::Stderr() const
{
    if (!program_folder_.empty()) {
        return ReadFile(stderr_path_) + ReadFile(program_folder_ / "stderr.txt");
    }
    return ReadFile(stderr_path_);
}

int RunTool(const std::string &display, std::initializer_list<std::string> arguments)
{
    std::vector<std::string> args(arguments);
    std::vector<char *> argv = Pointers(args);
    std::vector<std::string> environment = ChildEnvironment({{"DISPLAY", display}});
    std::vector<char *> env = Pointers(environment);
    const pid_t pid = fork();
    if (pid < 0) {
        return -1;
    }
    if (pid == 0) {
        execvpe(argv[0], argv.data(), env.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return DecodeStatus(status);
}

} // namespace e2e
