#pragma once
// Command ids that only the lyrics window has (menus, toolbar, buttons); the player's own
// commands are in ui/commands.h.
namespace vl {

enum LyricsCommandId : int {
    IDM_DISPLAY_OFF = 100,
    IDM_LYRICS_MODE = 40019,
    IDM_DELETE_SELECTED = 40051,
    IDM_MOVE_SELECTED_DOWN = 40052,
    IDM_MOVE_SELECTED_UP = 40053,
    IDM_DELETE_ALL = 40063,
    IDM_PLAY_SELECTED = 40069,
    IDM_SHOW_PLAYLIST = 40077,
    IDM_SHOW_LYRICS = 40078,
    IDM_LYRICS_MODE_MENU = 40079,
    IDM_HOLD = 40092,
    IDM_HOLD_DISPLAY = 40096,
    IDM_SHOW_LYRICS_COMPARISON = 40097,
    IDM_PLAY_STOP = 40098,
    IDM_SHOW_PLAYLIST_LYRICS = 40101,
    IDM_SHOW_ALL = 40104,
    IDM_ONE_SENTENCE = 40106,
    IDM_SCROLL_SENTENCE = 40108,
    IDM_MULTI_SENTENCE = 40110,
    IDM_MARK = 40112,
    IDM_LYRICS_FORWARD = 40126,
    IDM_LYRICS_BACKWARD = 40127,
    // The shell's OK button.
    IDM_SHELL_OK = 1,
};

// Popup ids of the menu bar's "Play" and "Tool" menus (their check marks).
constexpr int kPlayPopupId = 40049;
constexpr int kToolPopupId = 40050;

// Show mode -> command, sentence mode -> command.
constexpr int kShowModeCommands[5] = {IDM_SHOW_PLAYLIST, IDM_SHOW_PLAYLIST_LYRICS, IDM_SHOW_LYRICS,
                                      IDM_SHOW_LYRICS_COMPARISON, IDM_SHOW_ALL};
constexpr int kSentenceModeCommands[3] = {IDM_ONE_SENTENCE, IDM_SCROLL_SENTENCE, IDM_MULTI_SENTENCE};

// "Lyrics Mode": 0 -> 1 -> 2 -> 3 -> 4 -> 0; any other stored value steps to 1.
inline int NextShowMode(int mode) { return mode >= 0 && mode < 4 ? mode + 1 : mode == 4 ? 0 : 1; }

}  // namespace vl
