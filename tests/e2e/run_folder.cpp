#include "run_folder.h"

#include <algorithm>
#include <fstream>
#include <regex>

namespace e2e {

RunFolder::RunFolder() : folder_(root_.path() / "run")
{
    const std::filesystem::path built(QM_RUN_DIR);
    std::filesystem::create_directory(folder_);
    std::filesystem::copy(built / "images", folder_ / "images");
    std::filesystem::copy_file(built / "vosk.cfg", folder_ / "vosk.cfg");
}

void RunFolder::WriteConfig(const std::string& text) const
{
    std::ofstream(folder_ / "vosk.cfg", std::ios::binary | std::ios::trunc) << text;
}

void RunFolder::Empty() const
{
    std::filesystem::remove_all(folder_ / "images");
    std::filesystem::remove(folder_ / "vosk.cfg");
}

std::unique_ptr<ProgramRun> RunFolder::Start(const std::vector<std::string>& args, const Launch& launch)
{
    const std::filesystem::path logs = root_.path() / ("run-" + std::to_string(++runs_));
    std::filesystem::create_directory(logs);
    return std::make_unique<ProgramRun>(folder_, logs, args, launch);
}

RunResult RunFolder::Run(const std::vector<std::string>& args, std::chrono::milliseconds limit, const Launch& launch)
{
    return Start(args, launch)->Wait(limit);
}

std::vector<std::string> Unattended(const std::string& answers, const std::vector<std::string>& presses, int ticks)
{
    std::vector<std::string> args = {"--headless", "--answer", answers, "--ticks", std::to_string(ticks)};
    for (const std::string& press : presses) {
        args.push_back("--press");
        args.push_back(press);
    }
    return args;
}

Launch InPrivateHome(const std::filesystem::path& home, const std::string& program)
{
    Launch launch;
    launch.set = {{"HOME", home.string()},
                  {"XDG_CONFIG_HOME", (home / ".config").string()},
                  {"XDG_DATA_DIRS", (home / "no-data").string()}};
    launch.program = program;
    return launch;
}

std::vector<std::string> FilesIn(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

long Reported(const std::string& output, const std::string& what)
{
    std::smatch match;
    return std::regex_search(output, match, std::regex("([0-9]+) " + what)) ? std::stol(match[1]) : -1;
}

double ReportedSeconds(const std::string& output)
{
    std::smatch match;
    return std::regex_search(output, match, std::regex("ticks in ([0-9.]+) s")) ? std::stod(match[1]) : -1;
}

}  // namespace e2e
