#pragma once
// One modification flag per tag field; the tag editor keeps one per tag
// version to remember which fields the user changed.

class TMp3ModifInfo final {
public:
    bool Track = false;
    bool Title = false;
    bool Artist = false;
    bool Album = false;
    bool Year = false;
    bool Genre = false;
    bool Comment = false;
};
