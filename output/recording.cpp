#include "output/recording.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include <fcntl.h>
#include <unistd.h>

#include <gst/gst.h>

#include "gst_support.h"

namespace {

struct Format {
    const char* extension;
    const char* encoder;  // the element that must be installed
    const char* chain;
    const char* package;  // the Debian package that has the encoder
};

// FFV1 takes the picture as BGRx, so nothing is lost on the way from BGR.
constexpr Format kFormats[] = {
    {".mkv", "avenc_ffv1", "video/x-raw,format=BGRx ! avenc_ffv1 ! matroskamux", "gstreamer1.0-libav"},
    {".webm", "vp8enc", "vp8enc deadline=1 ! webmmux", "gstreamer1.0-plugins-good"},
    {".mp4", "x264enc", "x264enc speed-preset=veryfast ! mp4mux", "gstreamer1.0-plugins-ugly"},
};

// The encoder and muxer for the file's extension: .mkv FFV1 (lossless), .webm VP8, .mp4
// H.264. Empty, with the reason in *error, for another extension or a missing encoder.
std::string RecordingChain(const std::filesystem::path& path, std::string* error)
{
    const std::string extension = path.extension().string();
    for (const Format& format : kFormats) {
        if (strcasecmp(extension.c_str(), format.extension) != 0) continue;
        dshow::StartGStreamer();
        GstElementFactory* encoder = gst_element_factory_find(format.encoder);
        if (encoder == nullptr) {
            *error = std::string("recording to ") + format.extension + " needs the encoder " + format.encoder +
                     " (Debian package " + format.package + "), which is not installed";
            return "";
        }
        gst_object_unref(encoder);
        return format.chain;
    }
    *error = "a recording is named .mkv (FFV1, lossless), .webm (VP8) or .mp4 (H.264), not '" + path.string() + "'";
    return "";
}

// Starts the recording's pipeline, writing into the file just made; when it cannot
// start, the file, still empty, goes.
std::unique_ptr<FrameOutput> StartInFile(const std::filesystem::path& path, const std::string& chain, int fd,
                                         std::string* error)
{
    std::unique_ptr<FrameOutput> output =
        FrameOutput::Open("recording " + path.string(), chain + " ! fdsink name=file", fd, error);
    if (!output) ::unlink(path.c_str());  // ours, and still empty
    return output;
}

int CreateNew(const std::filesystem::path& path)
{
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

}  // namespace

std::unique_ptr<FrameOutput> OpenRecording(const std::filesystem::path& path, std::string* error)
{
    const std::string chain = RecordingChain(path, error);
    if (chain.empty()) return nullptr;
    const int fd = CreateNew(path);
    if (fd == -1) {
        *error = errno == EEXIST ? path.string() + " exists; a recording never replaces a file"
                                 : path.string() + ": " + std::strerror(errno);
        return nullptr;
    }
    return StartInFile(path, chain, fd, error);
}

std::unique_ptr<FrameOutput> OpenNumberedRecording(const std::filesystem::path& folder, int* counter,
                                                   std::filesystem::path* path, std::string* error)
{
    const std::string chain = RecordingChain(kRecordingPattern, error);
    if (chain.empty()) return nullptr;
    for (int tried = 0; tried < kMaxRecordingNamesTried && *counter < INT_MAX; ++tried) {
        char name[NAME_MAX + 1];
        std::snprintf(name, sizeof name, kRecordingPattern, (*counter)++);
        *path = folder / name;
        const int fd = CreateNew(*path);
        if (fd != -1) return StartInFile(*path, chain, fd, error);
        if (errno != EEXIST) {
            *error = path->string() + ": " + std::strerror(errno);
            return nullptr;
        }
    }
    *error = "no free name for a recording in " + folder.string();
    return nullptr;
}
