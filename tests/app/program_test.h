// A test that runs the program in a private working folder of its own.
#pragma once

#include <gtest/gtest.h>

#include <QImage>

#include <string>

#include "program_run.h"
#include "test_pictures.h"
#include "tests/support/test_files.h"

namespace app_test {

class ProgramTest : public testing::Test {
protected:
    ProgramTest() : here_(folder_.path()) {}

    std::string Path(const std::string& name) const { return folder_ / name; }
    void WriteConfig(const std::string& text) const;
    // A camera that shows `picture`, as the one device offered.
    ProgramSetup CameraShowing(const QImage& picture) const;

    // Lets the program run until the display control shows `camera` alone: the first
    // ticks may show no picture yet, or the last one of an earlier program in the process.
    static bool CameraShows(const RunningProgram& program, const QImage& camera);

    // The pipeline counts ticks and snapshots, and takes the logo's half size, from the
    // process's first tick and snapshot on. Unless no program has run in this process yet,
    // runs the current test in a new process of this test program and returns true: the
    // caller then returns, and the new process's result is the test's.
    bool RanInFreshProcess() const;

private:
    test_support::TempDir folder_;
    test_support::ScopedCurrentDir here_;
};

}  // namespace app_test
