// Skin loading: built-in look, .gps keys and values, fallbacks to the built-in bitmaps.
#include <gtest/gtest.h>

#include "gui_app.h"
#include "platform/text.h"
#include "support/test_support.h"
#include "ui/qt/bitmap_stretch.h"
#include "ui/qt/skin_info.h"
#include "ui/skin_file.h"

namespace vl {
namespace {

class SkinInfoTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::GuiApp();
        dir_ = test::TempDir() + "/";
    }
    std::wstring WriteSkin(const std::string& text, const std::string& name = "test.gps") {
        EXPECT_TRUE(test::WriteFile(dir_ + name, text));
        return WidePath(dir_ + name);
    }
    std::string dir_;
};

struct CellCheck {
    int index;
    int width, height, count;  // at 96 dpi
};

TEST_F(SkinInfoTest, BuiltInLookIsVersionTwoAtEveryResolution) {
    const CellCheck cells[] = {{kSkinNumber, 8, 15, 11}, {kSkinButtonNormal, 25, 20, 7}, {kSkinButtonPush, 25, 20, 7},
                               {kSkinStatus, 9, 9, 4},   {kSkinPlayOption, 10, 7, 3},   {kSkinVolumeSlider, 51, 20, 1},
                               {kSkinVolumeTrack, 10, 20, 1}};
    for (int dpi : {96, 192, 120}) {
        SCOPED_TRACE(dpi);
        SkinInfo skin(dpi, dpi);
        ASSERT_TRUE(skin.Load(L""));
        ASSERT_NE(skin.GetBackground(), nullptr);
        EXPECT_EQ(skin.GetBackground()->size(), QSize(238, 80));
        for (const CellCheck& c : cells) {
            const ImageList* list = skin.GetImageList(c.index);
            ASSERT_NE(list, nullptr) << c.index;
            EXPECT_EQ(list->CellWidth(), ScalePixels(c.width, dpi)) << c.index;
            EXPECT_EQ(list->CellHeight(), ScalePixels(c.height, dpi)) << c.index;
            EXPECT_EQ(list->GetImageCount(), c.count) << c.index;
        }
        EXPECT_EQ(skin.GetImageList(kSkinButton), nullptr);
        EXPECT_EQ(skin.GetImageList(kSkinMark), nullptr);  // only the pocket skin has marks
        EXPECT_EQ(skin.GetImageList(9), nullptr);
        EXPECT_EQ(skin.GetImageList(-1), nullptr);
        EXPECT_EQ(skin.GetColor(kDispColor), 0x0004DFA9u);
        EXPECT_EQ(skin.GetColor(kSeekColor), 0x000EAE8Bu);
        EXPECT_EQ(skin.GetColor(6), 0u);
        EXPECT_EQ(skin.GetDisplayFlag(), 0u);
    }
}

TEST_F(SkinInfoTest, MagentaIsTransparentAndCellsKeepTheirOrder) {
    ASSERT_TRUE(test::SaveBmp(test::MakeStrip(11, 8, 15), dir_ + "digits.bmp"));
    std::wstring path = WriteSkin("[Versolune Skin]\nNumber=digits.bmp\n");
    SkinInfo skin(192, 192);
    skin.Load(path);
    const ImageList* digits = skin.GetImageList(kSkinNumber);
    ASSERT_NE(digits, nullptr);
    ASSERT_EQ(digits->GetImageCount(), 11);
    ASSERT_EQ(digits->CellWidth(), 16);
    for (int i : {0, 3, 10}) {
        QImage cell = digits->Cell(i);
        // The magenta pixel doubled to 2 x 2 at 192 dpi: transparent; the rest is the cell's colour.
        EXPECT_EQ(qAlpha(cell.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(cell.pixel(1, 1)), 0);
        EXPECT_EQ(cell.pixel(2, 2), qRgb(i * 20, 100, 200 - i * 20)) << i;
        EXPECT_EQ(cell.pixel(15, 29), qRgb(i * 20, 100, 200 - i * 20)) << i;
    }
}

TEST_F(SkinInfoTest, ColoursFlagsAndKeysFollowTheFileRules) {
    std::wstring path = WriteSkin(
        "[Other]\nInfoColor=1,1,1\n"
        "[Versolune Skin]\n"
        "DispColor=255,0,0\n"      // red
        "PeekColorL=1,2\n"         // two numbers: invalid, default stays
        "PeekColorR=300,0,-1\n"    // cut to the low 8 bits
        "infocolor=9,9,9\n"        // keys are case-sensitive
        "TitleColor=zz,1,2\n"      // not a number counts as 0
        "SeekColor=\n"
        "Disp=\n");
    SkinInfo skin;
    skin.Load(path);
    EXPECT_EQ(skin.GetColor(kDispColor), 0x000000FFu);
    EXPECT_EQ(skin.GetColor(kPeekColorL), 0x000EAE8Bu);
    EXPECT_EQ(skin.GetColor(kPeekColorR), 44u | 0xFFu << 16);
    EXPECT_EQ(skin.GetColor(kInfoColor), 0u);
    EXPECT_EQ(skin.GetColor(kTitleColor), 0x00020100u);
    EXPECT_EQ(skin.GetColor(kSeekColor), 0x000EAE8Bu);
    EXPECT_EQ(skin.GetDisplayFlag(), 0u);  // an empty value keeps the default

    skin.Load(WriteSkin("[Versolune Skin]\nDisp=3\n", "disp.gps"));
    EXPECT_EQ(skin.GetDisplayFlag(), 1u);
    EXPECT_EQ(skin.GetColor(kDispColor), 0x0004DFA9u);  // reloading starts from the defaults
    skin.Unload();
    EXPECT_EQ(skin.GetDisplayFlag(), 0u);
    EXPECT_EQ(skin.GetBackground(), nullptr);
    EXPECT_EQ(skin.GetImageList(kSkinNumber), nullptr);
}

TEST_F(SkinInfoTest, MissingBitmapsAndLowerCaseKeysFallBackToTheBuiltInOnes) {
    ASSERT_TRUE(test::SaveBmp(test::MakeStrip(2, 9, 9), dir_ + "status.bmp"));
    std::wstring path = WriteSkin(
        "[Versolune Skin]\n"
        "Background=nothere.bmp\n"
        "Number=nothere.bmp\n"
        "status=status.bmp\n"           // lower case: not found
        "PlayOption=garbage.bmp\n");
    ASSERT_TRUE(test::WriteFile(dir_ + "garbage.bmp", "BM this is not a bitmap"));
    SkinInfo skin;
    skin.Load(path);
    SkinInfo builtIn;
    builtIn.Load(L"");
    ASSERT_NE(skin.GetBackground(), nullptr);
    EXPECT_EQ(*skin.GetBackground(), *builtIn.GetBackground());
    for (int index : {kSkinNumber, kSkinStatus, kSkinPlayOption, kSkinButtonNormal, kSkinVolumeTrack}) {
        ASSERT_NE(skin.GetImageList(index), nullptr) << index;
        EXPECT_EQ(skin.GetImageList(index)->Cell(0), builtIn.GetImageList(index)->Cell(0)) << index;
    }
    // An unreadable skin file, or one of binary garbage, is the built-in look.
    std::string garbage(5000, '\0');
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 7919) % 251);
    garbage.replace(100, 20, "\n[Versolune Skin]\nVe");
    for (std::wstring odd : {WidePath(dir_ + "no-such.gps"), WriteSkin(garbage, "garbage.gps"), WidePath(dir_)}) {
        SkinInfo missing;
        missing.Load(odd);
        EXPECT_EQ(*missing.GetBackground(), *builtIn.GetBackground());
        EXPECT_NE(missing.GetImageList(kSkinVolumeSlider), nullptr);
        EXPECT_EQ(missing.GetColor(kDispColor), 0x0004DFA9u);
    }
}

TEST_F(SkinInfoTest, VersionOneHasEightSmallButtonsAndNoSlider) {
    ASSERT_TRUE(test::SaveBmp(test::MakeStrip(8, 16, 16), dir_ + "buttons.bmp"));
    SkinInfo skin;
    skin.Load(WriteSkin("[Versolune Skin]\nVersion=1\nButton=buttons.bmp\nVolumeSlider=buttons.bmp\n"));
    ASSERT_NE(skin.GetImageList(kSkinButton), nullptr);
    EXPECT_EQ(skin.GetImageList(kSkinButton)->GetImageCount(), 8);
    EXPECT_EQ(skin.GetImageList(kSkinButton)->Cell(7).pixel(5, 5), qRgb(140, 100, 60));
    for (int index : {kSkinButtonNormal, kSkinButtonPush, kSkinVolumeSlider, kSkinVolumeTrack})
        EXPECT_EQ(skin.GetImageList(index), nullptr) << index;
}

TEST_F(SkinInfoTest, PocketSkinPrefersTheBackgroundMadeForTheScreen) {
    ASSERT_TRUE(test::SaveBmp(QImage(240, 320, QImage::Format_RGB32), dir_ + "tall.bmp"));
    ASSERT_TRUE(test::SaveBmp(QImage(238, 80, QImage::Format_RGB32), dir_ + "wide.bmp"));
    const std::string body =
        "[Versolune Skin]\nDispColor=1,2,3\n"
        "[Versolune Skin PocketPC]\nBackground=wide.bmp\nPlaylist=0\nPlaylistBackColor=0,0,255\n"
        "LyricsHighLightColor=1,2\nDisp=1\n";
    struct Row {
        std::string sized;
        int screenWidth, screenHeight;
        QSize expected;
    } rows[] = {
        {"Background240x320=tall.bmp\n", 240, 320, QSize(240, 320)},
        {"Background240x320=missing.bmp\n", 240, 320, QSize(238, 80)},
        {"Background480x640=tall.bmp\n", 240, 320, QSize(238, 80)},
        {"Background480x640=tall.bmp\n", 480, 640, QSize(240, 320)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.sized);
        PocketSkinInfo skin(row.screenWidth, row.screenHeight);
        skin.Load(WriteSkin(body + row.sized));
        ASSERT_NE(skin.GetBackground(), nullptr);
        EXPECT_EQ(skin.GetBackground()->size(), row.expected);
        EXPECT_EQ(skin.GetPlaylistFlag(), 0u);
        EXPECT_EQ(skin.GetDisplayFlag(), 1u);
        EXPECT_EQ(skin.GetColor(kDispColor), 0x0004DFA9u);  // the other section is not read
        EXPECT_EQ(skin.GetPocketColor(kPlaylistBackColor), 0x00FF0000u);
        EXPECT_EQ(skin.GetPocketColor(kLyricsHighLightColor), 0x00FF0000u);
        EXPECT_EQ(skin.GetPocketColor(kPlaylistTextColor), 0u);
        EXPECT_EQ(skin.GetPocketColor(3), 0u);
        ASSERT_NE(skin.GetImageList(kSkinMark), nullptr);
        EXPECT_EQ(skin.GetImageList(kSkinMark)->CellWidth(), 3);
    }
    PocketSkinInfo defaults;
    defaults.Load(L"");
    EXPECT_EQ(defaults.GetPlaylistFlag(), 1u);
    EXPECT_EQ(defaults.GetPocketColor(kPlaylistBackColor), 0x0004DFA9u);
}

TEST(BitmapStretch, CellsAreScaledApartAndZeroSizesKeepTheAspect) {
    test::GuiApp();
    QImage strip = test::MakeStrip(3, 4, 6);
    struct Row {
        int width, height, columns, rows;
        bool ok;
        QSize size;
    } rows[] = {
        {8, 12, 3, 1, true, QSize(24, 12)}, {0, 3, 3, 1, true, QSize(6, 3)},  {6, 0, 3, 1, true, QSize(18, 9)},
        {4, 6, 3, 1, true, QSize(12, 6)},   {0, 0, 3, 1, false, QSize(12, 6)}, {4, 6, 0, 1, false, QSize(12, 6)},
        {4, 6, 3, 0, false, QSize(12, 6)},
    };
    for (const Row& row : rows) {
        QImage copy = strip;
        EXPECT_EQ(StretchBitmap(copy, row.width, row.height, row.columns, row.rows), row.ok);
        EXPECT_EQ(copy.size(), row.size) << row.width << "x" << row.height;
    }
    QImage doubled = strip;
    ASSERT_TRUE(StretchBitmap(doubled, 8, 12, 3, 1));
    EXPECT_EQ(doubled.pixel(8, 0), qRgb(255, 0, 255));  // cell 1 starts with its key pixel
    EXPECT_EQ(doubled.pixel(7, 11), qRgb(0, 100, 200));
    QImage none;
    EXPECT_FALSE(StretchBitmap(none, 4, 4, 1, 1));
}

TEST(SkinFile, ScaledLengthsAndParsedValues) {
    EXPECT_EQ(ScalePixels(25, 96), 25);
    EXPECT_EQ(ScalePixels(25, 192), 50);
    EXPECT_EQ(ScalePixels(5, 120), 6);
    EXPECT_EQ(ScalePixels(-5, 120), -6);
    EXPECT_EQ(ParseSkinColor(L"169,223,4"), 0x0004DFA9);
    EXPECT_EQ(ParseSkinColor(L"1,2"), -1);
    EXPECT_EQ(ParseSkinColor(L""), -1);
    EXPECT_EQ(ParseSkinColor(L",,"), 0);
    EXPECT_EQ(SkinFolder(L"/a/b/skin.gps"), L"/a/b/");
    EXPECT_EQ(SkinFolder(L"skin.gps"), L"");
    EXPECT_EQ(SizedBackgroundKey(240, 320), L"Background240x320");
}

}  // namespace
}  // namespace vl
