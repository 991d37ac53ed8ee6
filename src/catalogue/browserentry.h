#pragma once
// One selected row of the file browser, as the deletion needs it.

#include <string>

class BrowserEntry final {
public:
    // The name shown in the first column: the name without its extension for
    // files, the whole name for folders; ".." for the parent row. Bytes as
    // they are on disk.
    std::string caption;
    // The extension column without its dot; empty when the name has none.
    std::string extension;
    // The row carries the folder image.
    bool isFolder = false;
};
