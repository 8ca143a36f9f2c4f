// A folder to run the program in, set up as a user sets it up: images/ with the logo
// frames that the build drew, and vosk.cfg. Removed with everything in it.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/program_run.h"
#include "tests/support/test_files.h"

namespace e2e {

using namespace std::chrono_literals;

class RunFolder {
public:
    RunFolder();

    // The program's working folder.
    const std::filesystem::path& Path() const { return folder_; }
    std::string operator/(const std::string& name) const { return (folder_ / name).string(); }
    void WriteConfig(const std::string& text) const;
    // Takes images/ and vosk.cfg away: a folder that has nothing to do with the program.
    void Empty() const;

    // Starts the program here; each run keeps its output apart.
    std::unique_ptr<ProgramRun> Start(const std::vector<std::string>& args, const Launch& launch = {});
    // Runs it here to its end, killing it past the limit.
    RunResult Run(const std::vector<std::string>& args, std::chrono::milliseconds limit = 60s,
                  const Launch& launch = {});

private:
    test_support::TempDir root_;
    std::filesystem::path folder_;
    int runs_ = 0;
};

// The options of a run with nobody at the program: no window, the device questions
// answered with `answers`, and `presses` as --press TICK:BUTTON values.
std::vector<std::string> Unattended(const std::string& answers, const std::vector<std::string>& presses, int ticks);

// A run whose home is `home`, with the user's configuration in it and no data folders
// but an empty one, so that nothing installed on the machine is found.
Launch InPrivateHome(const std::filesystem::path& home, const std::string& program = "");

// The names in a folder, sorted.
std::vector<std::string> FilesIn(const std::filesystem::path& folder);

// The number that the unattended report gives before `what`, as in "100 ticks" or
// "31 frames received"; -1 when the output has none.
long Reported(const std::string& output, const std::string& what);

// The seconds that the unattended report says the ticks took, as in "100 ticks in 3.1 s";
// -1 when the output has none.
double ReportedSeconds(const std::string& output);

}  // namespace e2e
