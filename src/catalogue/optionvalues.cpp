#include "optionvalues.h"

namespace options {

std::string skinName = kDefaultSkinName;
std::string fileRoot = kDefaultFileRoot;
bool FNIOMP3INFO = kDefaultFNIOMP3INFO;
bool REPLURLSPACES = kDefaultREPLURLSPACES;
std::string customRenamePattern = kDefaultCustomRenamePattern;
std::string customTagPattern = kDefaultCustomTagPattern;

void SetDefaultOptionValues()
{
    skinName = kDefaultSkinName;
    fileRoot = kDefaultFileRoot;
    FNIOMP3INFO = kDefaultFNIOMP3INFO;
    REPLURLSPACES = kDefaultREPLURLSPACES;
    customRenamePattern = kDefaultCustomRenamePattern;
    customTagPattern = kDefaultCustomTagPattern;
}

} // namespace options
