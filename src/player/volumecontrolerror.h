#pragma once
// The error the volume control raises; what() is the text to show the user.

#include <stdexcept>

class VolumeControlError final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
