#include "tests/output/decoded_video.h"

#include <cstring>
#include <filesystem>

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include "image/dib_image.h"

namespace output_test {

DecodedVideo Decode(const std::string& path)
{
    gst_init(nullptr, nullptr);
    DecodedVideo video;
    gchar* uri = gst_filename_to_uri(std::filesystem::absolute(path).c_str(), nullptr);
    const std::string description = std::string("uridecodebin uri=\"") + uri +
                                    "\" ! videoconvert ! video/x-raw,format=BGR ! appsink name=sink sync=false";
    g_free(uri);
    GstElement* pipeline = gst_parse_launch(description.c_str(), nullptr);
    if (pipeline == nullptr) {
        video.error = "no decoding pipeline";
        return video;
    }
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    while (GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 10 * GST_SECOND)) {
        GstVideoInfo info;
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        GstMapInfo map;
        if (gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) &&
            gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            video.width = GST_VIDEO_INFO_WIDTH(&info);
            video.height = GST_VIDEO_INFO_HEIGHT(&info);
            const size_t rowBytes = static_cast<size_t>(video.width) * 3;
            std::vector<uint8_t> frame(rowBytes * video.height);
            for (int row = 0; row < video.height; ++row) {
                std::memcpy(frame.data() + rowBytes * row, map.data + GST_VIDEO_INFO_PLANE_STRIDE(&info, 0) * row,
                            rowBytes);
            }
            video.frames.push_back(std::move(frame));
            video.times.push_back(GST_BUFFER_PTS(buffer));
            gst_buffer_unmap(buffer, &map);
        }
        if (video.duration < 0) gst_element_query_duration(pipeline, GST_FORMAT_TIME, &video.duration);
        gst_sample_unref(sample);
    }
    video.complete = gst_app_sink_is_eos(GST_APP_SINK(sink));
    GstBus* bus = gst_element_get_bus(pipeline);
    if (GstMessage* message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR)) {
        GError* error = nullptr;
        gst_message_parse_error(message, &error, nullptr);
        video.error = error->message;
        video.complete = false;
        g_error_free(error);
        gst_message_unref(message);
    }
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(sink);
    gst_object_unref(pipeline);
    return video;
}

std::vector<uint8_t> BmpPixels(const std::string& path)
{
    DibImage image;
    std::vector<uint8_t> pixels;
    if (image.ReadBmp(path.c_str()) != 0 || !image.HasRows()) return pixels;
    const size_t rowBytes = static_cast<size_t>(image.Width()) * 3;
    for (int row = 0; row < image.Height(); ++row) {
        pixels.insert(pixels.end(), image.Row(row), image.Row(row) + rowBytes);
    }
    return pixels;
}

}  // namespace output_test
