#include "video_source.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <mutex>

#include <sys/stat.h>
#include <unistd.h>

#include "gst_support.h"
#include "test_camera.h"
#include "video_inputs.h"

namespace dshow {

const char kTestCameraName[] = "Quenmire test camera";

namespace {

std::mutex g_settingsMutex;
VideoInputSettings g_settings;

void AddCameras(std::vector<VideoSource>* sources)
{
    GstRef<GstDeviceMonitor> monitor(gst_device_monitor_new());
    gst_device_monitor_add_filter(monitor.get(), "Video/Source", nullptr);
    GList* devices = gst_device_monitor_get_devices(monitor.get());
    for (GList* item = devices; item != nullptr; item = item->next) {
        std::shared_ptr<GstDevice> device(GST_DEVICE(item->data), GstObjectUnref());
        GCharRef name(gst_device_get_display_name(device.get()));
        sources->push_back(VideoSource{SourceKind::Camera, name ? name.get() : "Camera", "", device});
    }
    g_list_free(devices);
}

// Why the file cannot be played, or "" when it can be opened. Only a regular file is
// opened: opening a FIFO or a device can wait for ever, and a folder holds no video.
std::string WhyNotAVideoFile(const std::string& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return std::strerror(errno);
    }
    if (!S_ISREG(info.st_mode)) {
        const char* kind = S_ISDIR(info.st_mode)    ? "a folder"
                           : S_ISFIFO(info.st_mode) ? "a FIFO"
                           : S_ISSOCK(info.st_mode) ? "a socket"
                                                    : "a device";
        return std::string(kind) + ", not a video file";
    }
    if (access(path.c_str(), R_OK) != 0) {
        return std::strerror(errno);
    }
    return "";
}

GstRef<GstElement> CreateFileElement(const std::string& path, std::string* why)
{
    *why = WhyNotAVideoFile(path);
    if (!why->empty()) {
        return nullptr;
    }
    GstRef<GstElement> element = MakeElement("filesrc");
    if (element != nullptr) {
        g_object_set(element.get(), "location", path.c_str(), nullptr);
    }
    return element;
}

// The description's output passes through an element of its own, so that a description
// may end in a caps filter ("videotestsrc ! video/x-raw,width=640"), as on the command
// line of gst-launch-1.0, where a sink would follow.
GstRef<GstElement> CreateDescribedElement(const std::string& description, std::string* why)
{
    const std::string closed = description + " ! identity";
    GError* rawError = nullptr;
    GstRef<GstElement> bin = TakeFloating(gst_parse_bin_from_description(closed.c_str(), TRUE, &rawError));
    GErrorRef error(rawError);
    if (error != nullptr || bin == nullptr) {
        // A single word that names neither a file nor an element was most likely meant as a file.
        const bool oneWord = description.find_first_of(" \t!") == std::string::npos;
        *why = oneWord            ? "no such file, and no GStreamer element of that name"
               : error != nullptr ? error->message
                                  : "cannot build " + description;
        return nullptr;
    }
    GstRef<GstPad> output(gst_element_get_static_pad(bin.get(), "src"));
    if (output == nullptr) {
        *why = "no unconnected video output in " + description;
        return nullptr;
    }
    return bin;
}

}  // namespace

void SetVideoInputSettings(const VideoInputSettings& settings)
{
    std::lock_guard lock(g_settingsMutex);
    g_settings = settings;
}

VideoInputSettings GetVideoInputSettings()
{
    std::lock_guard lock(g_settingsMutex);
    return g_settings;
}

VideoSource NamedSource(const std::string& entry)
{
    struct stat info {};
    if (lstat(entry.c_str(), &info) == 0) {
        return VideoSource{SourceKind::File, std::filesystem::path(entry).filename().string(), entry, nullptr};
    }
    return VideoSource{SourceKind::Description, entry, entry, nullptr};
}

std::vector<VideoSource> ListVideoSources()
{
    const VideoInputSettings settings = GetVideoInputSettings();
    std::vector<VideoSource> sources;
    if (settings.realCameras) {
        AddCameras(&sources);
    }
    if (settings.testCamera) {
        sources.push_back(VideoSource{SourceKind::TestCamera, kTestCameraName, "", nullptr});
    }
    for (const std::string& entry : settings.sources) {
        sources.push_back(NamedSource(entry));
    }
    return sources;
}

GstRef<GstElement> CreateSourceElement(const VideoSource& source, std::string* why)
{
    GstRef<GstElement> element;
    switch (source.kind) {
    case SourceKind::Camera: element = TakeFloating(gst_device_create_element(source.device.get(), nullptr)); break;
    case SourceKind::TestCamera: element = TakeFloating(CreateTestCameraElement()); break;
    case SourceKind::File: element = CreateFileElement(source.location, why); break;
    case SourceKind::Description: element = CreateDescribedElement(source.location, why); break;
    }
    if (element == nullptr && why->empty()) {
        *why = "cannot open " + source.friendlyName;
    }
    return element;
}

bool RestartsAtEnd(SourceKind kind)
{
    return kind == SourceKind::File || kind == SourceKind::Description;
}

}  // namespace dshow
