#pragma once
// The maker's addresses shown in the about window and used by "Report a bug".
// They are placeholders under example.org until the project has real ones.

namespace maker {

inline constexpr const char* kWebAddress = "https://tunevault.example.org/";
inline constexpr const char* kSupportAddress = "support@tunevault.example.org";

} // namespace maker
