#include "optionvalues.h"

namespace options {

std::string skinName = kDefaultSkinName;
std::string fileRoot = kDefaultFileRoot;
bool FNIOMP3INFO = kDefaultFNIOMP3INFO;
bool REPLURLSPACES = kDefaultREPLURLSPACES;

void SetDefaultOptionValues()
{
    skinName = kDefaultSkinName;
    fileRoot = kDefaultFileRoot;
    FNIOMP3INFO = kDefaultFNIOMP3INFO;
    REPLURLSPACES = kDefaultREPLURLSPACES;
}

} // namespace options
