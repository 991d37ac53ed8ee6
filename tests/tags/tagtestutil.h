#pragma once
// Helpers for the tag tests: the real audio fixture and hand-made ID3v2
// tags. Temporary folders, file access and running as an unprivileged user
// come from the shared test fixtures.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "filefixtures.h"

// A few KB of real MPEG audio frames, without any tag.
const std::string& AudioBytes();

std::string Be32(std::uint32_t v);
std::string Syncsafe(std::uint32_t v);
// An ID3v2 header: "ID3", version, revision 0, flags, syncsafe size.
std::string Id3Header(int major, unsigned char flags, std::uint32_t bodySize);
// A v2.3 frame (plain size) or a v2.4 frame (syncsafe size).
std::string Frame23(const std::string& id, const std::string& content, unsigned char flags2 = 0);
std::string Frame24(const std::string& id, const std::string& content, unsigned char status = 0,
                    unsigned char format = 0);
std::string Frame22(const std::string& id, const std::string& content);
// A whole tag of `frames` and `padding` zero bytes.
std::string Tag(int major, const std::string& frames, std::size_t padding = 0, unsigned char flags = 0);
// The frames of the version 3 tag at the start of `bytes`, as id and
// content, in order.
std::vector<std::pair<std::string, std::string>> FramesOf(const std::string& bytes);
