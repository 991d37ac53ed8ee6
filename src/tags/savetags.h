#pragma once
// Saving the ID3v1 and the ID3v2 tag of one file, either or both. When both
// are saved, the ID3v1 block goes into the same change as the ID3v2 tag, so
// that both tags change together or neither does: should the save fail,
// the file keeps both tags as they were.

#include <string>

class FolderFlushes;
class Tmp3TagV1;
class Tmp3TagV2;

struct TagSaveFailures {
    std::string v1;  // the exception's text; empty when saved (or not asked for)
    std::string v2;  // Tmp3TagV2::LastError; alike. When both were asked for,
                     // a failure is told here alone: neither tag was written.
};

// A null tag is not saved. See Tmp3TagV2::SaveToFile for `laterFlushes`.
TagSaveFailures SaveTags(const std::string& path, Tmp3TagV1* v1, Tmp3TagV2* v2, FolderFlushes* laterFlushes);
