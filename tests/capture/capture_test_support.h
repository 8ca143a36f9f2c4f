// What every capture test shares: scripted answers to the device questions, device
// settings without the machine's cameras, and a check that every COM reference taken
// was given back.
#pragma once

#include <vector>

#include <gtest/gtest.h>

#include "capture/capture_system.h"
#include "com_server.h"
#include "grabber_counters.h"
#include "message_box.h"
#include "tests/support/video_sources.h"

namespace test_support {

class CaptureTest : public testing::Test {
protected:
    void SetUp() override
    {
        baseline_ = com::LiveObjectCount();
        previous_ = win32::SetMessageBoxHandler(answers_.Handler());
    }
    void TearDown() override
    {
        win32::SetMessageBoxHandler(previous_);
        EXPECT_EQ(baseline_, com::LiveObjectCount()) << "a reference was not given back";
    }

    // The answers to the device questions, in order; questions beyond them are answered No.
    void Answer(std::vector<int> answers) { answers_ = win32::ScriptedAnswers(std::move(answers)); }
    const std::vector<win32::ScriptedAnswers::Shown>& Shown() const { return answers_.shown(); }

    static dshow::GrabberCounters Counters(const CaptureSystem& capture, int device)
    {
        dshow::GrabberCounters counters;
        EXPECT_EQ(S_OK, dshow::ReadGrabberCounters(capture.Device(device).grabber, &counters));
        return counters;
    }

private:
    win32::ScriptedAnswers answers_;
    win32::MessageBoxHandler previous_;
    long baseline_ = 0;
};

}  // namespace test_support
