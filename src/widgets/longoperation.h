#pragma once
// A long operation that runs on the user-interface thread in a window of its
// own (a copy or move run, a wizard's run). While one is registered the main
// window does not close under it: closing asks it to stop, and the window
// closes once it has ended, as it does for the progress, wait and deletion
// windows.

#include <functional>

class LongOperation final {
public:
    // Registered until destroyed. `stop` asks the operation to end at its
    // next step; empty when it cannot be stopped and is waited for.
    explicit LongOperation(std::function<void()> stop = {});
    ~LongOperation();
    LongOperation(const LongOperation&) = delete;
    LongOperation& operator=(const LongOperation&) = delete;

    static bool AnyRunning();
    // Asks every registered operation to stop.
    static void StopAll();

private:
    std::function<void()> m_stop;
};
