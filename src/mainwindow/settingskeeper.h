#pragma once
// Between the settings store and the user: the one message at start about
// settings that could not be read, and the question at the close before a
// settings file that could not be read is replaced.

#include "poptions.h"

#include <string>

class Prompts;

class SettingsKeeper final {
public:
    explicit SettingsKeeper(Prompts& prompts) : m_prompts(prompts) {}

    // Tells the user what the load could not use, naming the file; nothing
    // when everything was read.
    void ReportLoad(const OptionsLoadReport& report);
    // Saves the settings, as the window's settings saver. When the store
    // could not be read at start, asks first: No leaves the file as it is
    // (true: nothing failed); Yes keeps the old file beside the new one.
    // False with the reason when the settings could not be written.
    bool Save(std::string& reason);

private:
    Prompts& m_prompts;
};
