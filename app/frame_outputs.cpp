#include "app/frame_outputs.h"

#include <chrono>
#include <cstdio>

#include <windows.h>

#include "app/end_request.h"
#include "app/pipeline_settings.h"
#include "app/terminal_text.h"
#include "output/output_set.h"

bool OpenFrameOutputs(const Options& options)
{
    OutputSet& outputs = FrameOutputs();
    outputs.SetPicture(options.outputSize, std::chrono::milliseconds(kTickPeriodMs));
    std::string error;
    for (const std::string& description : options.outputs) {
        if (!outputs.AddSink(description, &error)) {
            std::fprintf(stderr, "quenmire: --output \"%s\": %s\n", Printable(description).c_str(),
                         Printable(error).c_str());
            outputs.Close();
            return false;
        }
    }
    for (const std::string& file : options.recordings) {
        if (!outputs.AddRecording(file, &error)) {
            std::fprintf(stderr, "quenmire: --record %s: %s\n", Printable(file).c_str(), Printable(error).c_str());
            outputs.Close();
            return false;
        }
        RemoveIfEndedBeforeRunning(file.c_str());
    }
    return true;
}
