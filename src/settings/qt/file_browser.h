#pragma once
// The player's own file picker (dialog 164 "Find..."): the folder tree of the device (root
// "My device" = "/") above the matching files of the chosen folder, each with a check box; the
// ticked files are the result. The folder listed last is remembered for the rest of the run;
// the first browser of a run starts in the user's music folder (XDG), else the home folder.
// Object names: tree "FolderTree", list "FileList", "Include sub-folders" 1018, "Select All" 3,
// Done 1, Cancel 2.
#include <string>
#include <vector>

class QWidget;

namespace vl {

struct FileBrowserRequest {
    std::wstring initialFolder;     // folder to show first; empty = the folder listed last
    size_t maxPath = 260;           // files whose path would not fit are not offered
    bool multiSelect = true;        // false: one selected row and no "Select All" (ticks still add up)
    bool includeSubfolders = false; // in: initial state of "Include sub-folders"; out: its final state
    // Each entry is matched as the end of a file name, ignoring case ("mp3", ".gps").
    std::vector<std::wstring> extensions;
    std::vector<std::wstring> results;  // on OK: the ticked files, in list order
};

// Runs the browser modally over owner: 1 (OK, results filled) or 2 (Cancel).
int BrowseForFiles(FileBrowserRequest& request, QWidget* owner);

}  // namespace vl
