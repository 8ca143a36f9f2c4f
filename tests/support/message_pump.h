// Running the thread's message loop in tests, bounded in time.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>

namespace test_support {

// Dispatches messages until `done` holds or `timeout` has passed; returns `done()`.
inline bool PumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds timeout = std::chrono::milliseconds(5000))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    // A thread timer, so that waiting for messages never outlasts the deadline by much.
    const UINT_PTR watchdog = SetTimer(nullptr, 0, 10, nullptr);
    MSG message;
    while (!done() && std::chrono::steady_clock::now() < deadline && GetMessageA(&message, nullptr, 0, 0) > 0) {
        DispatchMessageA(&message);
    }
    KillTimer(nullptr, watchdog);
    return done();
}

// Dispatches what is ready now: posted messages, paints and timers that are due.
inline void PumpPending()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

}  // namespace test_support
