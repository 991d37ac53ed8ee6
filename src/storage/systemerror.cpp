#include "systemerror.h"

#include <system_error>

std::string SystemErrorText(int errorNumber)
{
    if (errorNumber == kNotRegularFile)
        return "not a regular file";
    std::string text = std::system_category().message(errorNumber);
    while (!text.empty()) {
        const char last = text.back();
        if (last == '.' || last == ' ' || last == '\r' || last == '\n' || last == '\t')
            text.pop_back();
        else
            break;
    }
    return text;
}
