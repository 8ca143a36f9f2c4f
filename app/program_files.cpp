#include "app/program_files.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/logo_frames.h"
#include "app/snapshot_pattern.h"
#include "app/terminal_text.h"

extern char** environ;

const char kConfigFileName[] = "vosk.cfg";

namespace {

namespace fs = std::filesystem;

constexpr char kSnapshotSubfolder[] = "Quenmire";  // in the pictures folder

// The installed data folder relative to the executable's folder, as installed
// (share/quenmire beside bin/), so that the installed tree can move as a whole.
constexpr char kDataFromExecutable[] = QM_DATA_FROM_BINDIR;
constexpr char kDataSubfolder[] = "quenmire";
// What the XDG base directory rules give when $XDG_DATA_DIRS is unset or empty.
constexpr char kDefaultDataDirs[] = "/usr/local/share/:/usr/share/";
// xdg-user-dir is a shell script reading one small file; past this it is given up on.
constexpr std::chrono::milliseconds kUserDirTimeout(2000);
constexpr size_t kMaxUserDirAnswer = 4096;

ProgramFiles g_programFiles;

// Anything at the name counts, even what cannot be read: using it tells why it failed.
bool Present(const fs::path& path)
{
    std::error_code error;
    return fs::status(path, error).type() != fs::file_type::not_found;
}

bool IsFolder(const fs::path& path)
{
    std::error_code error;
    return fs::is_directory(path, error);
}

std::string WithoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string Absolute(const std::string& path)
{
    std::error_code error;
    const fs::path absolute = fs::absolute(path.empty() ? fs::path(".") : fs::path(path), error);
    return Printable(WithoutTrailingSlashes(absolute.lexically_normal().string()));
}

// The data folders in the order searched: beside the executable, then $XDG_DATA_DIRS,
// whose relative entries the XDG rules say to ignore.
std::vector<std::string> DataFolders(const SearchPlaces& places)
{
    std::vector<std::string> folders;
    const auto add = [&folders](const fs::path& folder) {
        const std::string normal = WithoutTrailingSlashes(folder.lexically_normal().string());
        if (std::find(folders.begin(), folders.end(), normal) == folders.end()) folders.push_back(normal);
    };
    if (!places.executable.empty()) add(fs::path(places.executable).parent_path() / kDataFromExecutable);
    const std::string dirs = places.dataDirs.empty() ? kDefaultDataDirs : places.dataDirs;
    for (size_t start = 0; start <= dirs.size();) {
        const size_t colon = std::min(dirs.find(':', start), dirs.size());
        const fs::path dir = dirs.substr(start, colon - start);
        if (dir.is_absolute()) add(dir / kDataSubfolder);
        start = colon + 1;
    }
    return folders;
}

// $XDG_CONFIG_HOME/quenmire/vosk.cfg, with ~/.config for an unset or relative variable.
std::string UserConfigFile(const SearchPlaces& places)
{
    fs::path configHome = places.configHome;
    if (!configHome.is_absolute()) {
        if (places.home.empty()) return "";
        configHome = fs::path(places.home) / ".config";
    }
    return (configHome / kDataSubfolder / kConfigFileName).string();
}

std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
    const passwd* user = ::getpwuid(::getuid());
    return user != nullptr && user->pw_dir != nullptr ? user->pw_dir : "";
}

// What `xdg-user-dir PICTURES` prints, without its newline; "" when it cannot be run,
// fails, or takes too long.
std::string AskXdgUserDir()
{
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return "";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char program[] = "xdg-user-dir";
    char which[] = "PICTURES";
    char* argv[] = {program, which, nullptr};
    pid_t child = -1;
    const bool started = ::posix_spawnp(&child, program, &actions, nullptr, argv, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);

    std::string answer;
    bool ended = false;
    const auto deadline = std::chrono::steady_clock::now() + kUserDirTimeout;
    while (started && !ended) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd readable{pipeEnds[0], POLLIN, 0};
        const int ready = ::poll(&readable, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) break;
        char buffer[512];
        const ssize_t got = ::read(pipeEnds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            ended = true;
        } else {
            answer.append(buffer, static_cast<size_t>(got));
            if (answer.size() > kMaxUserDirAnswer) break;  // no folder name; given up on as well
        }
    }
    ::close(pipeEnds[0]);
    if (!started) return "";
    if (!ended) ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    if (!ended || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return "";
    if (!answer.empty() && answer.back() == '\n') answer.pop_back();
    return answer;
}

// The pictures folder: xdg-user-dir's answer, unless it gave none of its own (it
// answers the home folder when none is configured); then ~/Pictures.
std::string PicturesFolder(const std::string& home)
{
    const std::string answer = WithoutTrailingSlashes(AskXdgUserDir());
    if (fs::path(answer).is_absolute() && answer.find('\n') == std::string::npos &&
        answer != WithoutTrailingSlashes(home)) {
        return answer;
    }
    return home.empty() ? "" : (fs::path(home) / "Pictures").string();
}

}  // namespace

SearchPlaces SearchPlacesOfProcess()
{
    SearchPlaces places;
    std::error_code error;
    places.executable = fs::read_symlink("/proc/self/exe", error).string();
    places.home = HomeFolder();
    if (const char* configHome = std::getenv("XDG_CONFIG_HOME")) places.configHome = configHome;
    if (const char* dataDirs = std::getenv("XDG_DATA_DIRS")) places.dataDirs = dataDirs;
    places.pictures = PicturesFolder(places.home);
    return places;
}

ProgramFiles LocateProgramFiles(const SearchPlaces& places, const std::string& snapshotDir)
{
    ProgramFiles files;
    files.dataFolders = DataFolders(places);

    if (!Present(kLogoFolder)) {
        const auto hasLogo = [](const std::string& folder) { return IsFolder(fs::path(folder) / kLogoFolder); };
        const auto found = std::find_if(files.dataFolders.begin(), files.dataFolders.end(), hasLogo);
        files.logoFound = found != files.dataFolders.end();
        if (files.logoFound) files.logoBase = *found;
    }

    if (!Present(kConfigFileName)) {
        std::vector<std::string> candidates;
        if (const std::string user = UserConfigFile(places); !user.empty()) candidates.push_back(user);
        for (const std::string& folder : files.dataFolders) candidates.push_back(fs::path(folder) / kConfigFileName);
        const auto found = std::find_if(candidates.begin(), candidates.end(),
                                        [](const std::string& candidate) { return Present(candidate); });
        files.configFound = found != candidates.end();
        if (files.configFound) files.config = *found;
    }

    // A pattern from the working folder's vosk.cfg names files relative to that folder.
    const bool configHere = files.configFound && files.config == kConfigFileName;
    if (!snapshotDir.empty()) {
        files.snapshotFolder = snapshotDir;
    } else if (!configHere && !places.pictures.empty()) {
        files.snapshotFolder = (fs::path(places.pictures) / kSnapshotSubfolder).string();
        files.snapshotsInPictures = true;
    }
    return files;
}

bool ProgramFiles::UsesFallback() const
{
    return !logoBase.empty() || !logoFound || config != kConfigFileName || !configFound || snapshotsInPictures;
}

std::string ProgramFiles::Describe(const char* linePrefix) const
{
    std::string text = std::string(linePrefix) + "logo frames: ";
    if (logoFound) {
        text += Absolute(fs::path(logoBase) / kLogoFolder);
    } else {
        text += "none found in " + Absolute(kLogoFolder);
        for (const std::string& folder : dataFolders) text += ", " + Printable(fs::path(folder) / kLogoFolder);
    }
    text += "\n" + std::string(linePrefix) + kConfigFileName + ": ";
    text += configFound ? Absolute(config) : std::string("none found; snapshots are named ") + kDefaultSnapshotPattern;
    text += "\n" + std::string(linePrefix) + "snapshots: " + SnapshotFolderShown() + "\n";
    return text;
}

std::string ProgramFiles::SnapshotFolderShown() const
{
    return Absolute(snapshotFolder);
}

void SetProgramFiles(const ProgramFiles& files)
{
    g_programFiles = files;
}

const ProgramFiles& ProgramFilesInUse()
{
    return g_programFiles;
}
