#include "program_test.h"

#include <spawn.h>
#include <sys/wait.h>

#include <vector>

extern char** environ;

namespace app_test {

void ProgramTest::WriteConfig(const std::string& text) const
{
    test_support::WriteFileBytes(Path("vosk.cfg"), std::vector<uint8_t>(text.begin(), text.end()));
}

ProgramSetup ProgramTest::CameraShowing(const QImage& picture) const
{
    const std::string path = Path("camera.png");
    EXPECT_TRUE(picture.save(QString::fromStdString(path), "PNG"));
    ProgramSetup setup;
    setup.sources = {StillCamera(path)};
    return setup;
}

bool ProgramTest::CameraShows(const RunningProgram& program, const QImage& camera)
{
    return program.RunUntil([&] {
        const QImage shown = program.Display();
        return Difference(shown, camera, shown.rect()).empty();
    });
}

bool ProgramTest::RanInFreshProcess() const
{
    if (ProgramRunsInThisProcess() == 0) return false;
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    std::string self = "/proc/self/exe";
    std::string filter = std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
    char* argv[] = {self.data(), filter.data(), nullptr};
    pid_t child = 0;
    int status = 0;
    const bool ran =
        posix_spawn(&child, self.c_str(), nullptr, nullptr, argv, environ) == 0 && waitpid(child, &status, 0) == child;
    EXPECT_TRUE(ran && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the test failed in a process of its own (its output is above)";
    return true;
}

}  // namespace app_test
