#pragma once
// The system's words for an errno, as messages show them.

#include <string>

// The system's text for an errno: trailing blanks, line breaks and full stops removed.
std::string SystemErrorText(int errorNumber);
