#include "app/options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <strings.h>

const char kUsage[] =
    "Usage: quenmire [options] [--] [SOURCE...]\n"
    "Shows a camera's live picture in a dialog. Intercepter hides the face in front of the\n"
    "camera behind an animated logo; Snapshot saves the shown frame as a BMP file named by\n"
    "the pattern in vosk.cfg.\n"
    "\n"
    "Options:\n"
    "  --answer yes,no,...      answer the device questions in order; further questions\n"
    "                           are answered no, messages with only OK are acknowledged\n"
    "  --press TICK:BUTTON      press BUTTON once TICK ticks have run (repeatable); BUTTON\n"
    "                           is start, stop, intercept, snapshot, exit, version, or\n"
    "                           an entry of the system menu: record, faces (the logo on\n"
    "                           every face) or skin (the logo by skin colour)\n"
    "  --ticks N                end the program after N ticks, as Exit does\n"
    "  --headless               run without a window (implied when there is no display)\n"
    "  --source PATH_OR_PIPELINE\n"
    "                           offer a video file (played in a loop) or a GStreamer\n"
    "                           pipeline description as a device (repeatable); one that\n"
    "                           is missing, no regular file, without video, or whose\n"
    "                           pictures exceed 8192 pixels a side is refused at start\n"
    "  --no-test-camera         do not offer the built-in test camera\n"
    "  --snapshot-dir DIR       write snapshots into DIR, created when needed\n"
    "  --output PIPELINE        also send the shown picture into a GStreamer sink\n"
    "                           description, such as \"v4l2sink device=/dev/video10\"\n"
    "                           for a virtual camera (repeatable)\n"
    "  --record FILE            record the shown picture into a new FILE: .mkv (FFV1,\n"
    "                           lossless), .webm (VP8) or .mp4 (H.264) (repeatable)\n"
    "  --output-size WxH|camera\n"
    "                           the picture size of outputs and recordings: the camera\n"
    "                           frame resized, the logo scaled with it (default 320x240)\n"
    "  --locate skin|face       where Intercepter puts the logo: on the skin-coloured\n"
    "                           region (the default) or on every face a detector finds\n"
    "  --list-devices           print the devices' names, one a line, and exit\n"
    "  --demo                   run the built-in test camera unattended for about five\n"
    "                           seconds with Intercepter on, take three snapshots, report\n"
    "  --version                print the version and exit\n"
    "  --help                   print this text and exit\n"
    "  --                       end of the options: what follows are sources, as with\n"
    "                           --source, even when they begin with '-'\n"
    "\n"
    "A tick is one run of the 30 ms timer; while the timer is stopped, ticks go on being\n"
    "counted at the same pace for --press and --ticks. Devices are offered in this order:\n"
    "cameras, the built-in test camera, then each --source.\n"
    "\n"
    "Files: the logo frames images/laugh0000.bmp to laugh0059.bmp and vosk.cfg are those\n"
    "of the working folder when they are there. Otherwise the logo frames come from the\n"
    "installed data folder (share/quenmire beside the program's bin folder), else from\n"
    "quenmire/ in a folder of $XDG_DATA_DIRS; vosk.cfg from\n"
    "$XDG_CONFIG_HOME/quenmire/vosk.cfg (~/.config/quenmire/vosk.cfg), else the installed\n"
    "default. Snapshots go to the working folder when its vosk.cfg names them, otherwise\n"
    "to the Quenmire folder in the pictures folder (xdg-user-dir PICTURES, else\n"
    "~/Pictures); --snapshot-dir overrides both. Files from elsewhere than the working\n"
    "folder are named on standard error at start.\n"
    "\n"
    "Exit status: 0 when the program ran and, unattended, did what it was asked; 1 when an\n"
    "unattended run used no device, a snapshot it was asked for was not written, or an\n"
    "output or recording it was asked for failed; 2 for bad options, outputs and\n"
    "recordings. Ctrl+C and termination requests end the program as Exit does.\n";

namespace {

bool ParseCount(const char* text, long minimum, long* value)
{
    if (*text < '0' || *text > '9') return false;
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || parsed < minimum || parsed > INT_MAX) return false;
    *value = parsed;
    return true;
}

bool ParseAnswers(const std::string& text, std::vector<bool>* answers)
{
    size_t start = 0;
    while (start <= text.size() && !text.empty()) {
        const size_t comma = std::min(text.find(',', start), text.size());
        const std::string word = text.substr(start, comma - start);
        if (strcasecmp(word.c_str(), "yes") == 0 || strcasecmp(word.c_str(), "y") == 0) {
            answers->push_back(true);
        } else if (strcasecmp(word.c_str(), "no") == 0 || strcasecmp(word.c_str(), "n") == 0) {
            answers->push_back(false);
        } else {
            return false;
        }
        start = comma + 1;
    }
    return true;
}

bool ParseButton(const char* name, Button* button)
{
    static const struct {
        const char* name;
        Button button;
    } kButtons[] = {{"start", Button::Start},       {"stop", Button::Stop},         {"intercept", Button::Intercept},
                    {"snapshot", Button::Snapshot}, {"exit", Button::Exit},         {"version", Button::Version},
                    {"record", Button::Record},     {"faces", Button::LocateFaces}, {"skin", Button::LocateSkin}};
    for (const auto& known : kButtons) {
        if (strcasecmp(name, known.name) == 0) {
            *button = known.button;
            return true;
        }
    }
    return false;
}

bool ParsePress(const std::string& text, ButtonPress* press)
{
    const size_t colon = text.find(':');
    if (colon == std::string::npos) return false;
    return ParseCount(text.substr(0, colon).c_str(), 0, &press->tick) &&
           ParseButton(text.c_str() + colon + 1, &press->button);
}

}  // namespace

bool ParseOptions(int argc, char** argv, Options* options, std::string* error)
{
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        if (optionsEnded || name.empty() || name[0] != '-') {
            if (name.empty()) {
                *error = "an empty source";
                return false;
            }
            options->sources.push_back(name);
            continue;
        }
        if (name == "--") {
            optionsEnded = true;
            continue;
        }
        std::string value;
        bool hasValue = false;
        if (const size_t equals = name.find('='); name.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
            hasValue = true;
        }
        const bool takesValue = name == "--answer" || name == "--press" || name == "--ticks" || name == "--source" ||
                                name == "--snapshot-dir" || name == "--output" || name == "--record" ||
                                name == "--output-size" || name == "--locate";
        if (takesValue && !hasValue) {
            if (i + 1 >= argc) {
                *error = name + " needs a value";
                return false;
            }
            value = argv[++i];
        } else if (!takesValue && hasValue) {
            *error = name + " takes no value";
            return false;
        }

        if (name == "--answer") {
            options->answersGiven = true;
            if (!ParseAnswers(value, &options->answers)) {
                *error = "--answer takes yes and no separated by commas, not '" + value + "'";
                return false;
            }
        } else if (name == "--press") {
            ButtonPress press;
            if (!ParsePress(value, &press)) {
                *error =
                    "--press takes TICK:BUTTON with BUTTON one of start, stop, intercept, snapshot, exit, "
                    "version, record; not '" +
                    value + "'";
                return false;
            }
            options->presses.push_back(press);
        } else if (name == "--ticks") {
            if (!ParseCount(value.c_str(), 1, &options->ticks)) {
                *error =
                    "--ticks takes a number of ticks from 1 to " + std::to_string(INT_MAX) + ", not '" + value + "'";
                return false;
            }
        } else if (name == "--source") {
            if (value.empty()) {
                *error = "--source needs a file or a pipeline description";
                return false;
            }
            options->sources.push_back(value);
        } else if (name == "--snapshot-dir") {
            if (value.empty()) {
                *error = "--snapshot-dir needs a folder";
                return false;
            }
            options->snapshotDir = value;
        } else if (name == "--output" || name == "--record") {
            if (value.empty()) {
                *error = name + " needs a " + (name == "--output" ? "pipeline description" : "file name");
                return false;
            }
            (name == "--output" ? options->outputs : options->recordings).push_back(value);
        } else if (name == "--output-size") {
            if (!ParseOutputSize(value, &options->outputSize, error)) return false;
        } else if (name == "--locate") {
            if (value != "skin" && value != "face") {
                *error = "--locate takes skin or face, not '" + value + "'";
                return false;
            }
            options->locateFaces = value == "face";
        } else if (name == "--headless") {
            options->headless = true;
        } else if (name == "--no-test-camera") {
            options->testCamera = false;
        } else if (name == "--list-devices") {
            options->listDevices = true;
        } else if (name == "--demo") {
            options->demo = true;
        } else if (name == "--version") {
            options->version = true;
        } else if (name == "--help" || name == "-h") {
            options->help = true;
        } else {
            *error = "unknown option '" + name + "'";
            return false;
        }
    }
    if (options->demo &&
        (options->answersGiven || !options->presses.empty() || options->ticks > 0 || !options->testCamera)) {
        *error = "--demo chooses its own answers, presses and ticks and needs the test camera";
        return false;
    }
    return true;
}

void ApplyDemo(Options* options)
{
    options->realCameras = false;
    options->answersGiven = true;
    options->answers = {true};
    options->presses = {
        {0, Button::Intercept}, {60, Button::Snapshot}, {110, Button::Snapshot}, {160, Button::Snapshot}};
    options->ticks = 170;
}
