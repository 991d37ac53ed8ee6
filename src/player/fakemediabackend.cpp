#include "fakemediabackend.h"

#include <utility>

FakeMediaBackend::FakeMediaBackend(std::shared_ptr<FakeMediaState> state)
    : m_state(std::move(state))
{
}

bool FakeMediaBackend::open(const std::string& path)
{
    m_state->commands.push_back("open " + path);
    m_openError.clear();
    if (m_state->unopenable.count(path)) {
        m_openError = m_state->openFailure;
        return false;
    }
    m_state->open = true;
    m_state->playing = false;
    m_state->ended = false;
    m_state->path = path;
    m_state->position = 0;
    return true;
}

std::string FakeMediaBackend::openError() const
{
    return m_openError;
}

std::optional<std::string> FakeMediaBackend::takeStreamError()
{
    if (!m_state->open)
        return std::nullopt;
    return std::exchange(m_state->streamError, std::nullopt);
}

bool FakeMediaBackend::takeEnded()
{
    return m_state->open && std::exchange(m_state->ended, false);
}

void FakeMediaBackend::play()
{
    m_state->commands.push_back("play");
    m_state->playing = m_state->open;
}

void FakeMediaBackend::pause()
{
    m_state->commands.push_back("pause");
    m_state->playing = false;
}

void FakeMediaBackend::resume()
{
    m_state->commands.push_back("resume");
    m_state->playing = m_state->open;
}

bool FakeMediaBackend::seek(std::int64_t positionMs)
{
    m_state->commands.push_back("seek " + std::to_string(positionMs));
    if (!m_state->open || positionMs < 0 || positionMs > static_cast<std::int64_t>(m_state->songLength))
        return false;
    m_state->position = static_cast<std::uint32_t>(positionMs);
    m_state->playing = false;
    m_state->ended = false;
    return true;
}

std::optional<std::uint32_t> FakeMediaBackend::length()
{
    if (!m_state->open || m_state->lengthQueryFails)
        return std::nullopt;
    return m_state->songLength;
}

std::optional<std::uint32_t> FakeMediaBackend::position()
{
    if (!m_state->open || m_state->positionQueryFails)
        return std::nullopt;
    return m_state->position;
}

void FakeMediaBackend::close()
{
    m_state->commands.push_back("close");
    m_state->open = false;
    m_state->playing = false;
    m_state->path.clear();
    m_state->position = 0;
}
