#pragma once
// The system's words for an errno, as messages show them.

#include <string>

// The reason code of a FIFO, socket or device where a regular file is
// expected: no errno says that, so the program has its own number beyond the
// system's, whose text is "not a regular file".
inline constexpr int kNotRegularFile = 4096;

// The system's text for an errno: trailing blanks, line breaks and full stops
// removed; "not a regular file" for kNotRegularFile.
std::string SystemErrorText(int errorNumber);
