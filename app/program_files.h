// Where the program finds its logo frames and vosk.cfg, and where its snapshots go.
//
// The working folder comes first, as the program was designed to run: images\ and
// vosk.cfg there, snapshots named relative to it. A program started from anywhere else
// (a desktop menu, an installed copy) falls back on the data folder installed beside
// the executable, the XDG data folders, the user's configuration folder and the user's
// pictures folder.
#pragma once

#include <string>
#include <vector>

extern const char kConfigFileName[];  // "vosk.cfg"

struct ProgramFiles {
    // The folder that holds images\laugh0000.bmp ...: "" for the working folder.
    std::string logoBase;
    bool logoFound = true;  // false: no images folder anywhere; the working folder's is read
    // The vosk.cfg to read: the working folder's, or where the fallbacks found one.
    std::string config = kConfigFileName;
    bool configFound = true;  // false: none anywhere; snapshots get the default pattern
    // Where snapshots are written: "" for the working folder; created when needed.
    std::string snapshotFolder;
    bool snapshotsInPictures = false;
    // The folders that were searched for installed data, in order.
    std::vector<std::string> dataFolders;

    // Whether anything comes from somewhere other than the working folder or an option.
    bool UsesFallback() const;
    // One line for each: logo frames, vosk.cfg and snapshots, with absolute folders.
    std::string Describe(const char* linePrefix) const;
    std::string SnapshotFolderShown() const;  // absolute
};

// What the search depends on outside the working folder.
struct SearchPlaces {
    std::string executable;  // the program's own file
    std::string home;        // $HOME
    std::string configHome;  // $XDG_CONFIG_HOME
    std::string dataDirs;    // $XDG_DATA_DIRS
    std::string pictures;    // the user's pictures folder
};

// The places of this process: /proc/self/exe, the environment, and the pictures folder
// as `xdg-user-dir PICTURES` gives it, else ~/Pictures.
SearchPlaces SearchPlacesOfProcess();

// Looks for the files in the working folder, then in the other places. `snapshotDir`,
// when not empty, is where snapshots go whatever vosk.cfg is used.
ProgramFiles LocateProgramFiles(const SearchPlaces& places, const std::string& snapshotDir);

// The files the dialog uses: set once at start; until then the working folder's, as designed.
void SetProgramFiles(const ProgramFiles& files);
const ProgramFiles& ProgramFilesInUse();
