#pragma once
// The bytes of an ID3v2 tag after its header, or the frames embedded in a
// chapter frame: held in memory, or read from the file as they are asked for
// (a few kilobytes ahead at a time, so that small frames that follow each
// other cost one read). Positions count from the start of the body.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class TagBody final {
public:
    // The `length` bytes that follow the 10-byte header of the tag at the
    // start of `fd`; read at once when `inMemory`, otherwise on demand.
    TagBody(int fd, std::int64_t length, bool inMemory);
    // Bytes that are already in memory.
    explicit TagBody(std::string bytes);

    // False once reading the file failed (an error, or the file shrank).
    bool ok() const { return !m_failed; }
    // The errno of the failed read; 0 when the file ended early.
    int error() const { return m_error; }
    std::int64_t size() const { return m_size; }

    // Undoes the unsynchronisation of the whole body (FF 00 -> FF). Only
    // for a body held in memory; positions no longer match the file's.
    void undoUnsynchronisation();
    // Where a position of the body lies in the file; nothing when the body
    // is not the file's bytes as they stand.
    std::optional<std::int64_t> fileOffset(std::int64_t pos) const;

    // Reads `len` bytes at `pos`; false when they are not all inside the
    // body or the file could not be read.
    bool read(std::int64_t pos, std::size_t len, std::string& out) const;

private:
    bool readFile(char* buffer, std::size_t len, std::int64_t pos) const;

    int m_fd = -1;
    std::int64_t m_size = 0;
    bool m_unsynchronised = false;
    mutable bool m_failed = false;
    mutable int m_error = 0;
    // Held in memory: the bytes read from the file, or given.
    std::unique_ptr<char[]> m_read;
    std::string m_given;
    const char* m_memory = nullptr;
    // Read on demand: the window read last.
    mutable std::unique_ptr<char[]> m_window;
    mutable std::int64_t m_windowStart = 0;
    mutable std::size_t m_windowLength = 0;
};

// The bytes with every FF 00 pair turned into FF.
std::string UndoUnsynchronisation(std::string_view data);
