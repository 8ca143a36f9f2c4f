// The Qt desktop for a whole test program (offscreen, as tests/CMakeLists.txt chooses).
#include <gtest/gtest.h>

#include <memory>

#include "desktop.h"

namespace {

class DesktopEnvironment : public testing::Environment {
public:
    void SetUp() override { session_ = std::make_unique<win32::DesktopSession>(argc_, argv_); }
    void TearDown() override { session_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "quenmire-tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<win32::DesktopSession> session_;
};

const testing::Environment* const kDesktop = testing::AddGlobalTestEnvironment(new DesktopEnvironment);

}  // namespace
