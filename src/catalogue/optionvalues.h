#pragma once
// The program's four settings as plain process-wide values. They live here, in
// the standard-C++ layer, so that the file record can read them without
// knowing the settings store; the store (poptions) loads and saves them.

#include <string>

namespace options {

// Name of the skin every window is painted with.
extern std::string skinName;
// Carried along unchanged between runs; nothing else reads it.
extern std::string fileRoot;
// true: playlist rows show the file name; false: the tag caption where there is one.
extern bool FNIOMP3INFO;
// true: every "%20" in a displayed name is shown as one blank.
extern bool REPLURLSPACES;

inline constexpr const char* kDefaultSkinName = "TheFrog";
inline constexpr const char* kDefaultFileRoot = "rfMyComputer";
inline constexpr bool kDefaultFNIOMP3INFO = false;
inline constexpr bool kDefaultREPLURLSPACES = true;

// Puts the four values back to their defaults.
void SetDefaultOptionValues();

} // namespace options
