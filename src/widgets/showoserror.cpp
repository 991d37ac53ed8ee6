#include "showoserror.h"

#include "fileutils.h"
#include "prompts.h"

#include <cerrno>

bool ShowOsError(Prompts& prompts, int code)
{
    if (code == 0)
        code = errno;
    if (code == 0)
        return false;
    prompts.showError(QStringLiteral("Error"), QString::fromStdString(OsErrorMessage(code)));
    return true;
}
