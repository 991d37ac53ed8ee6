#pragma once
// Runs the tv-tag program of this build for the tests of its options.

#include <string>
#include <vector>

struct Outcome {
    int status = -1;
    std::string output;
    std::string errors;
};

// Runs the tool with `home` as its home and data folder: what it keeps
// there (the journal of its saves) never reaches the user's.
Outcome RunTvTag(const std::string& home, const std::vector<std::string>& args);
