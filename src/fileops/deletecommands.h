#pragma once
// Deletion of folder trees and of the file browser's selected rows under the
// deletion window, with failures shown in the error box.

#include "mounttable.h"

#include <string>
#include <vector>

class BrowserEntry;
class Prompts;

// Deletes a folder and everything in it while the deletion window shows the
// folder being removed. Call it between BeginDeleteProgress and
// EndDeleteProgress; whether it stopped early is read with IsDeleteStopped.
void DeleteTree(Prompts& prompts, const std::string& path);

// Asks "Do you really want to delete the N selected files/directories ?"
// (Yes, No, Cancel) and on Yes deletes the rows of `folder` under the deletion
// window. Returns true when the user confirmed, whatever happened afterwards.
// What `mounts` has mounted inside the selection is left, and the user is
// told so once at the end.
bool DeleteSelectedEntries(Prompts& prompts, const std::string& folder,
                           const std::vector<BrowserEntry>& selectedRows,
                           const MountTable& mounts = MountTable::System());
