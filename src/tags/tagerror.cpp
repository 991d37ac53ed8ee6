#include "tagerror.h"

TagError OpenError(const std::string& fileName, int errorNumber)
{
    return TagError("Cannot open file \"" + fileName + "\". " + SystemErrorText(errorNumber));
}
