#pragma once
// The exception the ID3v1 object raises; what() is the message to show.

#include "systemerror.h"

#include <stdexcept>
#include <string>

class TagError final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "Cannot open file "NAME". REASON" for the errno of a failed open.
TagError OpenError(const std::string& fileName, int errorNumber);
