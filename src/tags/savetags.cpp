#include "savetags.h"

#include "tmp3tagv1.h"
#include "tmp3tagv2.h"

#include <exception>

TagSaveFailures SaveTags(const std::string& path, Tmp3TagV1* v1, Tmp3TagV2* v2, FolderFlushes* laterFlushes)
{
    TagSaveFailures failures;
    if (v2) {
        if (!v2->SaveToFile(path, laterFlushes, v1))
            failures.v2 = v2->LastError();
        return failures;
    }
    if (v1) {
        try {
            v1->SaveToFile(path);
        } catch (const std::exception& e) {
            failures.v1 = e.what();
        }
    }
    return failures;
}
