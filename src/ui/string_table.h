#pragma once
// The program's texts by resource id (the string table of the windows and dialogs).
namespace vl {

constexpr int IDS_PRODUCT_NAME = 1;

// The text of id, or an empty text for an unknown id.
const wchar_t* GetString(int id);

}  // namespace vl
