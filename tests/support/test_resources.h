// Resources registered for the windowing and framework tests (test_resources.cpp):
// copies of the program's two dialog templates, and a test icon.
#pragma once

#include "resources.h"

namespace test_resources {

constexpr int kVersionDialog = 100;
constexpr int kVersionMenuString = 101;
constexpr int kMainDialog = 102;
constexpr int kBrokenDialog = 103;
constexpr int kEmptyString = 104;
constexpr int kIcon = 128;  // a yellow disc with a black rim, transparent around it

constexpr int kStart = 1000;
constexpr int kIntercept = 1001;
constexpr int kStop = 1002;
constexpr int kDisplay = 1003;
constexpr int kSnapshot = 1004;

}  // namespace test_resources
