// Running the built program as a user would: its own binary in a folder of its own,
// no terminal, and afterwards how it ended and what it printed.
#pragma once

#include <chrono>
#include <filesystem>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <sys/types.h>

namespace e2e {

// How a run ended.
struct RunResult {
    bool ended = false;  // by itself, within the time allowed
    int exitCode = -1;   // its exit status, when it exited
    int signal = 0;      // the signal that ended it, when one did
    std::string out;     // standard output
    std::string err;     // standard error

    bool Clean() const { return ended && exitCode == 0; }
};
// For failure messages: how it ended and both outputs.
std::ostream& operator<<(std::ostream& out, const RunResult& result);

// How the program is started beyond its arguments.
struct Launch {
    std::vector<std::string> through;                      // a command that runs it, such as {"setpriv", ..., "--"}
    std::vector<std::pair<std::string, std::string>> set;  // environment variables set
    std::vector<std::string> unset;                        // and removed
    std::string program = "";  // another binary than the one built, such as an installed one
};

// One run of the program. It gets its own process group, standard input from /dev/null,
// and its output goes to files in `logs`.
class ProgramRun {
public:
    ProgramRun(const std::filesystem::path& folder, const std::filesystem::path& logs,
               const std::vector<std::string>& args, const Launch& launch = {});
    ~ProgramRun();  // a program still running is killed
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    bool Started() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }
    // Standard output so far.
    std::string Output() const;
    // Waits until standard output holds `text`; false when the program ended or the
    // time ran out first.
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds limit);
    // Waits for the end; past the limit the program is killed and the result says so.
    RunResult Wait(std::chrono::milliseconds limit);
    // Resident memory (VmRSS) in kB while the program runs, else -1.
    long ResidentKb() const;

private:
    bool Ended();  // reaps the program if it has ended
    void Kill();

    pid_t pid_ = -1;
    bool reaped_ = false;
    int status_ = 0;
    std::filesystem::path outPath_;
    std::filesystem::path errPath_;
};

}  // namespace e2e
