#include "fakemixerbackend.h"

namespace {
MixerResult failure(const char* text)
{
    return {1, text};
}
} // namespace

void FakeMixerState::externalChange(std::uint32_t controlId, std::uint32_t value)
{
    values[controlId] = value;
    if (handler)
        handler({FakeMixerBackend::Handle, controlId});
}

FakeMixerBackend::FakeMixerBackend(std::shared_ptr<FakeMixerState> state)
    : m_state(std::move(state))
{
}

MixerResult FakeMixerBackend::open(NoticeHandler handler)
{
    if (m_state->openFails)
        return failure("Connection refused");
    m_state->handler = std::move(handler);
    return MixerResult::ok();
}

MixerResult FakeMixerBackend::masterLine(std::uint32_t& line)
{
    line = FakeMixerState::MasterLine;
    return MixerResult::ok();
}

MixerResult FakeMixerBackend::waveLine(std::uint32_t destination, std::uint32_t& line)
{
    if (m_state->noWaveSource || destination != FakeMixerState::MasterLine)
        return failure("No such entity");
    line = FakeMixerState::WaveLine;
    return MixerResult::ok();
}

MixerResult FakeMixerBackend::volumeControl(std::uint32_t line, std::uint32_t& controlId)
{
    if (line == FakeMixerState::MasterLine)
        controlId = FakeMixerState::MasterControl;
    else if (line == FakeMixerState::WaveLine)
        controlId = FakeMixerState::WaveControl;
    else
        return failure("Invalid argument");
    return MixerResult::ok();
}

MixerResult FakeMixerBackend::readValue(std::uint32_t controlId, std::uint32_t& value)
{
    const auto found = m_state->values.find(controlId);
    if (found == m_state->values.end())
        return failure("Invalid argument");
    value = found->second;
    return MixerResult::ok();
}

MixerResult FakeMixerBackend::writeValue(std::uint32_t controlId, std::uint32_t value)
{
    if (m_state->writeFails)
        return failure("Connection terminated");
    m_state->writes.emplace_back(controlId, value);
    m_state->externalChange(controlId, value);
    return MixerResult::ok();
}

void FakeMixerBackend::settle()
{
    ++m_state->settles;
}

std::uintptr_t FakeMixerBackend::handle() const
{
    return Handle;
}
