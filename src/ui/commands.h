#pragma once
// Command ids of the player: menu items, accelerators, window buttons and hardware buttons all
// send these to the main window's OnCommand.
namespace vl {

enum CommandId : int {
    IDM_SHOW_MENU = 104,
    IDM_VOLUME_UP = 122,
    IDM_VOLUME_DOWN = 124,
    IDM_SAVE_PLAYLIST = 40001,
    IDM_ADD_FILE = 40002,
    IDM_ABOUT = 40003,
    IDM_EXIT = 40004,
    IDM_FIND = 40008,  // the F key; the base window has no handler for it
    IDM_EFFECTS = 40009,
    IDM_OPTIONS = 40010,
    IDM_OPEN_URL = 40011,
    IDM_MODIFY_PLAYLIST = 40015,
    IDM_REPEAT = 40016,
    IDM_SHUFFLE = 40017,
    IDM_OPEN_FILE = 40018,
    IDM_TOP_MOST = 40020,
    IDM_PLAY_PAUSE = 40027,
    IDM_SHOW_HIDE = 40034,
    IDM_STOP = 40036,
    IDM_PREVIOUS = 40037,
    IDM_NEXT = 40038,
    IDM_REPEAT_NONE = 40054,
    IDM_REPEAT_ALL = 40055,
    IDM_REPEAT_ONE = 40056,
    IDM_SORT_BY_NAME = 40072,
    IDM_SLEEP_TIMER = 40073,
    IDM_REWIND = 40074,
    IDM_FORWARD = 40075,
    IDM_DOWNLOAD_LYRICS = 40109,
    IDM_SORT_BY_PATH = 40111,
    // Playlist lists (the playlist dialog and the lyrics window's list): on the selected rows.
    IDM_SAVE_LIST = 40044,
    IDM_DELETE_ENTRY = 40051,
    IDM_MOVE_DOWN = 40052,
    IDM_MOVE_UP = 40053,
    IDM_PLAY_ENTRY = 40069,
    IDM_MULTI_SELECT = 32807,
};

// The message a second start sends its command line with, and the record's marker.
constexpr unsigned WM_COPYDATA = 74;
constexpr unsigned long kCommandLineData = 563;

}  // namespace vl
