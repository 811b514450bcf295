#pragma once
// The main window's look: background, image strips and colours from a .gps skin file, with
// the built-in bitmaps for anything the skin does not provide.
#include <QColor>
#include <QImage>
#include <cstdint>
#include <memory>
#include <string>

#include "ui/qt/image_list.h"

namespace vl {

class SkinFile;

// Image list indices.
enum SkinImage {
    kSkinNumber = 0,
    kSkinButton = 1,
    kSkinButtonNormal = 2,
    kSkinButtonPush = 3,
    kSkinStatus = 4,
    kSkinPlayOption = 5,
    kSkinVolumeSlider = 6,
    kSkinVolumeTrack = 7,
    kSkinMark = 8,
    kSkinImageCount = 9
};

// Colour indices.
enum SkinColor {
    kDispColor = 0,
    kInfoColor = 1,
    kTitleColor = 2,
    kSeekColor = 3,
    kPeekColorL = 4,
    kPeekColorR = 5,
    kSkinColorCount = 6
};

// Built-in bitmap resources.
enum SkinResource {
    kResBackground = 102,
    kResProgramIcon = 103,
    kResPlaylistEntry = 130,
    kResPlaylistCurrent = 132,
    kResVolumeSlider = 144,
    kResVolumeTrack = 146,
    kResButtonPush = 148,
    kResButtonNormal = 150,
    kResNumber = 157,
    kResStatus = 159,
    kResButton = 160,
    kResPlayOption = 161,
    kResProgramIconSmall = 162,
    kResSliderThumb = 163,
    kResMark = 173
};

// A COLORREF (red | green << 8 | blue << 16) as a Qt colour.
inline QColor ColorFromRef(uint32_t ref) { return QColor(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF); }

class SkinInfo {
public:
    // Image strips are scaled with the screen's horizontal resolution (dots per inch).
    explicit SkinInfo(int dpiX = 96, int dpiY = 96);
    virtual ~SkinInfo();
    SkinInfo(const SkinInfo&) = delete;
    SkinInfo& operator=(const SkinInfo&) = delete;

    // Unloads, then reads the skin file; an empty path (or an unreadable file) gives the
    // built-in look.
    virtual bool Load(const std::wstring& path);
    virtual void Unload();
    const QImage* GetBackground() const { return background_.isNull() ? nullptr : &background_; }
    const ImageList* GetImageList(int index) const;
    uint32_t GetColor(int index) const;
    uint32_t GetDisplayFlag() const { return displayFlag_; }
    virtual void ResetDefaults();
    // An image list of scaled cells from the bitmap at `path`, else from resource
    // `resourceId`; null when neither loads.
    virtual std::unique_ptr<ImageList> CreateImageList(int cellWidth, int cellHeight, const std::wstring& path,
                                                       int resourceId);
    // A bitmap file (BMP, or any image format Qt reads); null when it cannot be read.
    virtual QImage LoadBitmapFile(const std::wstring& path);
    virtual int32_t ParseColor(const std::wstring& text);

    int DpiX() const { return dpiX_; }
    int DpiY() const { return dpiY_; }

protected:
    // The loading steps both skin kinds share, reading `section`.
    int LoadVersion(const SkinFile& file, const std::wstring& section);
    void LoadCommonImages(const SkinFile& file, const std::wstring& section);
    void LoadFlagAndColors(const SkinFile& file, const std::wstring& section);
    void LoadButtonImages(const SkinFile& file, const std::wstring& section, int version);
    void SetBackground(const SkinFile& file, const std::wstring& section, const std::wstring& key);
    void LoadImage(int index, int cellWidth, int cellHeight, const std::wstring& path, int resourceId);

    QImage background_;
    std::unique_ptr<ImageList> images_[kSkinImageCount];
    uint32_t colors_[kSkinColorCount] = {};
    uint32_t displayFlag_ = 0;
    int dpiX_;
    int dpiY_;
};

enum PocketColor { kPlaylistBackColor = 0, kPlaylistTextColor = 1, kLyricsHighLightColor = 2, kPocketColorCount = 3 };

class PocketSkinInfo : public SkinInfo {
public:
    PocketSkinInfo(int screenWidth = 240, int screenHeight = 320, int dpiX = 96, int dpiY = 96);
    ~PocketSkinInfo() override;

    bool Load(const std::wstring& path) override;
    void ResetDefaults() override;
    uint32_t GetPocketColor(int index) const;
    uint32_t GetPlaylistFlag() const { return playlistFlag_; }

private:
    uint32_t pocketColors_[kPocketColorCount] = {};
    uint32_t playlistFlag_ = 1;
    int screenWidth_;
    int screenHeight_;
};

}  // namespace vl
