#include "program_run.h"

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace e2e {
namespace {

constexpr std::chrono::milliseconds kPollPeriod(10);

std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The inherited environment with the launch's changes, as NAME=VALUE strings.
std::vector<std::string> Environment(const Launch& launch)
{
    std::map<std::string, std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const char* equals = std::strchr(*entry, '=');
        if (equals != nullptr) variables[std::string(*entry, static_cast<size_t>(equals - *entry))] = equals + 1;
    }
    for (const std::string& name : launch.unset) variables.erase(name);
    for (const auto& [name, value] : launch.set) variables[name] = value;
    std::vector<std::string> environment;
    for (const auto& [name, value] : variables) environment.push_back(name + "=" + value);
    return environment;
}

std::vector<char*> Pointers(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (std::string& text : strings) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const RunResult& result)
{
    if (!result.ended) {
        out << "did not end in time";
    } else if (result.signal != 0) {
        out << "ended by signal " << result.signal;
    } else {
        out << "exit status " << result.exitCode;
    }
    return out << "\n--- standard output\n" << result.out << "--- standard error\n" << result.err << "---";
}

ProgramRun::ProgramRun(const std::filesystem::path& folder, const std::filesystem::path& logs,
                       const std::vector<std::string>& args, const Launch& launch)
    : outPath_(logs / "stdout.txt"), errPath_(logs / "stderr.txt")
{
    std::vector<std::string> command = launch.through;
    command.push_back(launch.program.empty() ? QM_PROGRAM : launch.program);
    command.insert(command.end(), args.begin(), args.end());
    std::vector<std::string> environment = Environment(launch);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);

    pid_t pid = -1;
    if (posix_spawnp(&pid, command.front().c_str(), &actions, &attributes, Pointers(command).data(),
                     Pointers(environment).data()) == 0) {
        pid_ = pid;
    }
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
}

ProgramRun::~ProgramRun()
{
    if (Started() && !Ended()) Kill();
}

std::string ProgramRun::Output() const
{
    return ReadText(outPath_);
}

bool ProgramRun::WaitForOutput(const std::string& text, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (Output().find(text) == std::string::npos) {
        if (!Started() || Ended() || std::chrono::steady_clock::now() > deadline) {
            return Output().find(text) != std::string::npos;
        }
        std::this_thread::sleep_for(kPollPeriod);
    }
    return true;
}

RunResult ProgramRun::Wait(std::chrono::milliseconds limit)
{
    RunResult result;
    if (!Started()) {
        result.ended = true;
        result.err = "the program could not be started";
        return result;
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!Ended() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(kPollPeriod);
    result.ended = Ended();
    if (!result.ended) Kill();
    if (WIFEXITED(status_)) result.exitCode = WEXITSTATUS(status_);
    if (WIFSIGNALED(status_)) result.signal = WTERMSIG(status_);
    result.out = Output();
    result.err = ReadText(errPath_);
    return result;
}

long ProgramRun::ResidentKb() const
{
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

bool ProgramRun::Ended()
{
    if (!reaped_ && waitpid(pid_, &status_, WNOHANG) == pid_) reaped_ = true;
    return reaped_;
}

void ProgramRun::Kill()
{
    kill(-pid_, SIGKILL);
    reaped_ = waitpid(pid_, &status_, 0) == pid_;
}

}  // namespace e2e
