#include "ui/qt/skin_info.h"

#include "platform/text.h"
#include "ui/qt/bitmap_stretch.h"
#include "ui/skin_file.h"

namespace vl {

namespace {

struct ImageSlot {
    int index;
    const wchar_t* key;
    int cellWidth;
    int cellHeight;
    int resource;
};

constexpr ImageSlot kNumberSlot{kSkinNumber, L"Number", 8, 15, kResNumber};
constexpr ImageSlot kStatusSlot{kSkinStatus, L"Status", 9, 9, kResStatus};
constexpr ImageSlot kPlayOptionSlot{kSkinPlayOption, L"PlayOption", 10, 7, kResPlayOption};
constexpr ImageSlot kButtonSlot{kSkinButton, L"Button", 16, 16, kResButton};
constexpr ImageSlot kVersion2Slots[] = {
    {kSkinButtonNormal, L"ButtonNormal", 25, 20, kResButtonNormal},
    {kSkinButtonPush, L"ButtonPush", 25, 20, kResButtonPush},
    {kSkinVolumeSlider, L"VolumeSlider", 51, 20, kResVolumeSlider},
    {kSkinVolumeTrack, L"VolumeTrack", 10, 20, kResVolumeTrack},
};

}  // namespace

SkinInfo::SkinInfo(int dpiX, int dpiY) : dpiX_(dpiX > 0 ? dpiX : 96), dpiY_(dpiY > 0 ? dpiY : 96) {
    SkinInfo::ResetDefaults();
}

SkinInfo::~SkinInfo() { SkinInfo::Unload(); }

void SkinInfo::ResetDefaults() {
    colors_[kDispColor] = 0x0004DFA9;
    colors_[kInfoColor] = 0;
    colors_[kTitleColor] = 0;
    colors_[kSeekColor] = colors_[kPeekColorL] = colors_[kPeekColorR] = 0x000EAE8B;
    displayFlag_ = 0;
}

void SkinInfo::Unload() {
    background_ = QImage();
    for (auto& list : images_) list.reset();
    ResetDefaults();
}

const ImageList* SkinInfo::GetImageList(int index) const {
    if (index < 0 || index >= kSkinImageCount) return nullptr;
    return images_[index].get();
}

uint32_t SkinInfo::GetColor(int index) const {
    return index < 0 || index >= kSkinColorCount ? 0 : colors_[index];
}

int32_t SkinInfo::ParseColor(const std::wstring& text) { return ParseSkinColor(text); }

QImage SkinInfo::LoadBitmapFile(const std::wstring& path) {
    if (path.empty()) return QImage();
    return QImage(QString::fromStdString(NativePath(path)));
}

std::unique_ptr<ImageList> SkinInfo::CreateImageList(int cellWidth, int cellHeight, const std::wstring& path,
                                                     int resourceId) {
    const int width = ScalePixels(cellWidth, dpiX_);
    const int height = ScalePixels(cellHeight, dpiX_);
    if (width <= 0 || height <= 0) return nullptr;
    QImage strip = LoadBitmapFile(path);
    if (strip.isNull()) strip = LoadResourceBitmap(resourceId);
    if (strip.isNull()) return nullptr;
    // Cell by cell: scaling the strip as a whole would round away cells at resolutions that are
    // not whole multiples of 96 dpi (a 30-pixel strip of 10-pixel cells holds only 2 cells of 13
    // at 120 dpi).
    const int columns = strip.width() >= cellWidth && cellWidth > 0 ? strip.width() / cellWidth : 1;
    StretchBitmap(strip, width, ScalePixels(strip.height(), dpiY_), columns, 1);
    auto list = std::make_unique<ImageList>(width, height);
    list->AddMasked(strip);
    return list;
}

void SkinInfo::LoadImage(int index, int cellWidth, int cellHeight, const std::wstring& path, int resourceId) {
    images_[index] = CreateImageList(cellWidth, cellHeight, path, resourceId);
}

int SkinInfo::LoadVersion(const SkinFile& file, const std::wstring& section) {
    return file.ReadVersion(section);
}

void SkinInfo::SetBackground(const SkinFile& file, const std::wstring& section, const std::wstring& key) {
    if (background_.isNull()) background_ = LoadBitmapFile(file.BitmapPath(section, key));
}

void SkinInfo::LoadCommonImages(const SkinFile& file, const std::wstring& section) {
    if (background_.isNull()) background_ = LoadResourceBitmap(kResBackground);
    for (const ImageSlot& slot : {kNumberSlot, kStatusSlot, kPlayOptionSlot})
        LoadImage(slot.index, slot.cellWidth, slot.cellHeight, file.BitmapPath(section, slot.key), slot.resource);
}

void SkinInfo::LoadFlagAndColors(const SkinFile& file, const std::wstring& section) {
    file.ReadFlag(section, L"Disp", displayFlag_);
    static const std::pair<const wchar_t*, int> kColors[] = {
        {L"DispColor", kDispColor}, {L"PeekColorL", kPeekColorL}, {L"PeekColorR", kPeekColorR},
        {L"InfoColor", kInfoColor}, {L"TitleColor", kTitleColor}, {L"SeekColor", kSeekColor}};
    for (const auto& [key, index] : kColors) {
        std::wstring value;
        if (!file.Read(section, key, value)) continue;
        int32_t parsed = ParseColor(value);
        if (parsed != -1) colors_[index] = static_cast<uint32_t>(parsed);
    }
}

void SkinInfo::LoadButtonImages(const SkinFile& file, const std::wstring& section, int version) {
    if (version > 1) {
        for (const ImageSlot& slot : kVersion2Slots)
            LoadImage(slot.index, slot.cellWidth, slot.cellHeight, file.BitmapPath(section, slot.key),
                      slot.resource);
    } else {
        LoadImage(kButtonSlot.index, kButtonSlot.cellWidth, kButtonSlot.cellHeight,
                  file.BitmapPath(section, kButtonSlot.key), kButtonSlot.resource);
    }
}

bool SkinInfo::Load(const std::wstring& path) {
    Unload();
    SkinFile file(path);
    const int version = LoadVersion(file, kSkinSection);
    SetBackground(file, kSkinSection, L"Background");
    LoadCommonImages(file, kSkinSection);
    LoadFlagAndColors(file, kSkinSection);
    LoadButtonImages(file, kSkinSection, version);
    return true;
}

PocketSkinInfo::PocketSkinInfo(int screenWidth, int screenHeight, int dpiX, int dpiY)
    : SkinInfo(dpiX, dpiY), screenWidth_(screenWidth), screenHeight_(screenHeight) {
    PocketSkinInfo::ResetDefaults();
}

PocketSkinInfo::~PocketSkinInfo() { PocketSkinInfo::Unload(); }

void PocketSkinInfo::ResetDefaults() {
    SkinInfo::ResetDefaults();
    pocketColors_[kPlaylistBackColor] = 0x0004DFA9;
    pocketColors_[kPlaylistTextColor] = 0;
    pocketColors_[kLyricsHighLightColor] = 0x00FF0000;
    playlistFlag_ = 1;
}

uint32_t PocketSkinInfo::GetPocketColor(int index) const {
    return index < 0 || index >= kPocketColorCount ? 0 : pocketColors_[index];
}

bool PocketSkinInfo::Load(const std::wstring& path) {
    Unload();
    SkinFile file(path);
    const int version = LoadVersion(file, kPocketSkinSection);
    SetBackground(file, kPocketSkinSection, SizedBackgroundKey(screenWidth_, screenHeight_));
    SetBackground(file, kPocketSkinSection, L"Background");
    LoadCommonImages(file, kPocketSkinSection);
    images_[kSkinMark] = CreateImageList(3, 3, std::wstring(), kResMark);
    LoadFlagAndColors(file, kPocketSkinSection);
    file.ReadFlag(kPocketSkinSection, L"Playlist", playlistFlag_);
    file.ReadColor(kPocketSkinSection, L"PlaylistBackColor", pocketColors_[kPlaylistBackColor]);
    file.ReadColor(kPocketSkinSection, L"PlaylistTextColor", pocketColors_[kPlaylistTextColor]);
    file.ReadColor(kPocketSkinSection, L"LyricsHighLightColor", pocketColors_[kLyricsHighLightColor]);
    LoadButtonImages(file, kPocketSkinSection, version);
    return true;
}

}  // namespace vl
