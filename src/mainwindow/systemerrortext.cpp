#include "systemerrortext.h"

#include <system_error>

QString SystemErrorText(int code)
{
    std::string text = std::system_category().message(code);
    while (!text.empty()) {
        const unsigned char c = static_cast<unsigned char>(text.back());
        if (c <= 32 || c == '.')
            text.pop_back();
        else
            break;
    }
    return QString::fromStdString(text);
}
