#include "longoperation.h"

#include <algorithm>
#include <vector>

namespace {

std::vector<LongOperation*>& Running()
{
    static std::vector<LongOperation*> running;
    return running;
}

} // namespace

LongOperation::LongOperation(std::function<void()> stop)
    : m_stop(std::move(stop))
{
    Running().push_back(this);
}

LongOperation::~LongOperation()
{
    auto& running = Running();
    running.erase(std::remove(running.begin(), running.end(), this), running.end());
}

bool LongOperation::AnyRunning()
{
    return !Running().empty();
}

void LongOperation::StopAll()
{
    // A stop may end an operation at once: work on a copy of the list.
    const std::vector<LongOperation*> running = Running();
    for (LongOperation* operation : running) {
        if (operation->m_stop)
            operation->m_stop();
    }
}
