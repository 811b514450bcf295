// The effects sheet driven through its widgets: every slider and box reaches the engine at once,
// the pages show the engine's values, and presets go to files and back.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <memory>
#include <string>

#include "engine/player_engine.h"
#include "gui/window_fixture.h"
#include "gui_dialogs/dialog_driver.h"
#include "platform/files.h"
#include "settings/qt/effects_sheet.h"
#include "settings/qt/dialog_conventions.h"
#include "ui/commands.h"
#include "ui/qt/small_slider.h"

namespace vl::test {
namespace {

enum Page { kEqualizer, kSurround, kReverb, kBassBoost, kPresets };

class EffectsSheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApplication();
        home = TempDir();
        setenv("VERSOLUNE_HOME", home.c_str(), 1);
        context.engine = &engine;
    }
    void Open() {
        sheet.reset(CreateEffectsSheet(context, nullptr));
        sheet->show();
    }
    QWidget* Show(Page page) {
        sheet->SetCurrentPage(page);
        return sheet->Page(page);
    }
    template <class T>
    T* Control(Page page, int id) {
        T* control = sheet->Page(page)->findChild<T*>(QString::number(id));
        EXPECT_NE(control, nullptr) << id;
        return control;
    }
    void Click(Page page, int id) { QTest::mouseClick(Control<QPushButton>(page, id), Qt::LeftButton); }
    EqualizerParams Equalizer() {
        EqualizerParams eq;
        engine.GetEqualizer(eq);
        return eq;
    }
    EffectParams Effect(int kind) {
        EffectParams params;
        engine.GetEffect(kind, params);
        return params;
    }
    std::wstring PresetPath(const std::string& name) { return WidePath(home + "/Presets/" + name + ".EQF"); }

    std::string home;
    PlayerEngine engine;
    EffectsSheetContext context;
    std::unique_ptr<PropertySheet> sheet;
};

TEST_F(EffectsSheetTest, EqualizerSlidersBoxAndFlatGoStraightToTheEngine) {
    EqualizerParams eq = DefaultEqualizer();
    eq.enable = 1;
    eq.preamp = 10;
    for (int i = 0; i < 10; ++i) eq.band[i] = i * 5;
    engine.SetEqualizer(eq);
    Open();
    Show(kEqualizer);
    EXPECT_TRUE(Control<QCheckBox>(kEqualizer, 1043)->isChecked());
    EXPECT_EQ(Control<QSlider>(kEqualizer, 1044)->value(), 54);
    EXPECT_EQ(Control<SmallSlider>(kEqualizer, 1080)->GetPos(), 45);

    // Band 0 to its bottom, the preamp to both ends: each reaches the engine as it moves.
    QTest::keyClick(Control<SmallSlider>(kEqualizer, 1037), Qt::Key_End);
    EXPECT_EQ(Equalizer().band[0], 64);
    EXPECT_EQ(Equalizer().band[9], 45);
    auto* preamp = Control<QSlider>(kEqualizer, 1044);
    QTest::keyClick(preamp, Qt::Key_End);
    EXPECT_EQ(Equalizer().preamp, 0);
    QTest::keyClick(preamp, Qt::Key_Home);
    EXPECT_EQ(Equalizer().preamp, 64);
    EXPECT_EQ(Equalizer().enable, 1);

    // Flat: preamp and bands 31, the enable flag kept.
    Click(kEqualizer, 1041);
    QCoreApplication::processEvents();
    EqualizerParams flat = Equalizer();
    EXPECT_EQ(flat.enable, 1);
    EXPECT_EQ(flat.preamp, 31);
    for (int band : flat.band) EXPECT_EQ(band, 31);
    EXPECT_EQ(preamp->value(), 33);

    Tick(Control<QCheckBox>(kEqualizer, 1043));
    EXPECT_EQ(Equalizer().enable, 0);
    EXPECT_EQ(Equalizer().preamp, 31);
}

// Reverb and echo show their delay as the nearest lower step and move by the table.
TEST_F(EffectsSheetTest, ReverbPositionsRewriteBothEffects) {
    struct Row {
        int delay, position;
    };
    const Row rows[] = {{40, 0}, {100, 2}, {124, 2}, {200, 6}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.delay);
        engine.SetEffect(kEffectReverb, EffectParams{1, row.delay, 20});
        Open();
        Show(kReverb);
        EXPECT_EQ(Control<QSlider>(kReverb, 1039)->value(), row.position);
    }
    engine.SetEffect(kEffectEcho, EffectParams{1, 125, 99});
    Show(kBassBoost);
    Show(kReverb);  // shown again: read again
    EXPECT_EQ(Control<QSlider>(kReverb, 1041)->value(), 3);
    QTest::keyClick(Control<QSlider>(kReverb, 1039), Qt::Key_Home);
    EXPECT_EQ(Effect(kEffectReverb).delay, 50);
    EXPECT_EQ(Effect(kEffectReverb).rate, 20);
    QTest::keyClick(Control<QSlider>(kReverb, 1039), Qt::Key_End);
    EffectParams reverb = Effect(kEffectReverb), echo = Effect(kEffectEcho);
    EXPECT_EQ(reverb.delay, 200);
    EXPECT_EQ(reverb.rate, 32);
    EXPECT_EQ(reverb.enable, 1);
    EXPECT_EQ(echo.delay, 125);
    EXPECT_EQ(echo.rate, 26);  // from the echo slider's position, not the stored 99
    Tick(Control<QCheckBox>(kReverb, 1040));
    EXPECT_EQ(Effect(kEffectEcho).enable, 0);
    EXPECT_EQ(Effect(kEffectReverb).enable, 1);
}

TEST_F(EffectsSheetTest, SurroundAndBassBoostAndCloseWithoutDoneKeepsWhatWasHeard) {
    Open();
    Show(kSurround);
    Tick(Control<QCheckBox>(kSurround, 1031));
    EXPECT_EQ(Effect(kEffectSurround).enable, 1);
    EXPECT_EQ(Effect(kEffectChorus3D).enable, 0);
    QTest::keyClick(Control<QSlider>(kSurround, 1046), Qt::Key_PageUp);
    EXPECT_EQ(Effect(kEffectChorus3D).rate, Control<QSlider>(kSurround, 1046)->value());
    EXPECT_GT(Effect(kEffectChorus3D).rate, 0);
    Show(kBassBoost);
    QTest::keyClick(Control<QSlider>(kBassBoost, 1072), Qt::Key_End);
    EXPECT_EQ(engine.GetBassBoost(), 20);
    // Every change was live: Escape closes the sheet and changes nothing back.
    QTest::keyClick(sheet.get(), Qt::Key_Escape);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(engine.GetBassBoost(), 20);
    EXPECT_EQ(Effect(kEffectSurround).enable, 1);
}

// Saved under a name, changed, loaded again: the engine and the first page show the preset;
// saving it once more over the same row gives the same bytes.
TEST_F(EffectsSheetTest, PresetSavesLoadsAndRoundTripsByteForByte) {
    EqualizerParams eq = DefaultEqualizer();
    eq.enable = 1;
    eq.band[3] = 40;
    engine.SetEqualizer(eq);
    engine.SetEffect(kEffectReverb, EffectParams{1, 150, 28});
    engine.SetBassBoost(6);
    Open();
    Show(kPresets);
    auto* list = Control<QListWidget>(kPresets, 1004);
    EXPECT_FALSE(Control<QPushButton>(kPresets, 1021)->isEnabled());
    {
        DialogDriver driver("142", [](QDialog& d) {
            for (const char* box : {"1043", "1031", "1005", "1032", "1040", "1033"})
                EXPECT_TRUE(d.findChild<QCheckBox*>(box)->isChecked()) << box;
            QTest::keyClicks(d.findChild<QLineEdit*>("1022"), "Warm");
            Tick(d.findChild<QCheckBox*>("1031"));  // no surround section
            QTest::mouseClick(d.findChild<QPushButton*>("1"), Qt::LeftButton);
        });
        Click(kPresets, 40044);
    }
    std::string saved;
    ASSERT_TRUE(ReadFileBytes(PresetPath("Warm"), saved));
    EXPECT_EQ(saved.find("[Versolune Surround]"), std::string::npos);
    EXPECT_NE(saved.find("[Versolune Equalizer]\nEnable=1\nPreamp=31\n0=31\n1=31\n2=31\n3=40\n"), std::string::npos);
    ASSERT_EQ(list->count(), 1);
    EXPECT_TRUE(list->item(0)->isSelected());
    EXPECT_TRUE(Control<QPushButton>(kPresets, 1021)->isEnabled());

    engine.SetEqualizer(DefaultEqualizer());
    engine.SetEffect(kEffectReverb, EffectParams{});
    engine.SetBassBoost(0);
    QTest::keyClick(list, Qt::Key_Return);  // loads; the sheet stays open
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(Equalizer().band[3], 40);
    EXPECT_EQ(Effect(kEffectReverb).delay, 150);
    EXPECT_EQ(engine.GetBassBoost(), 6);
    Show(kEqualizer);
    EXPECT_EQ(Control<SmallSlider>(kEqualizer, 1042)->GetPos(), 40);
    EXPECT_TRUE(Control<QCheckBox>(kEqualizer, 1043)->isChecked());

    Show(kPresets);
    {
        DialogDriver driver("142", [](QDialog& d) {
            EXPECT_EQ(d.findChild<QLineEdit*>("1022")->text(), "Warm");  // the selected row's name
            Tick(d.findChild<QCheckBox*>("1031"));
            QTest::mouseClick(d.findChild<QPushButton*>("1"), Qt::LeftButton);
        });
        Click(kPresets, 40044);
    }
    std::string again;
    ASSERT_TRUE(ReadFileBytes(PresetPath("Warm"), again));
    EXPECT_EQ(again, saved);
    EXPECT_EQ(list->count(), 1);

    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_FALSE(FileExists(PresetPath("Warm")));
    EXPECT_EQ(list->count(), 0);
}

// A name with a forbidden character keeps the dialog open with the name selected; Cancel
// writes nothing.
TEST_F(EffectsSheetTest, SaveRefusesSlashedNamesAndCancelWritesNothing) {
    Open();
    Show(kPresets);
    bool stayed = false;
    {
        DialogDriver driver("142", [&stayed](QDialog& d) {
            auto* name = d.findChild<QLineEdit*>("1022");
            QTest::keyClicks(name, "../x");
            QTest::mouseClick(d.findChild<QPushButton*>("1"), Qt::LeftButton);
            stayed = d.isVisible() && name->selectedText() == "../x";
            QTest::mouseClick(d.findChild<QPushButton*>("2"), Qt::LeftButton);
        });
        Click(kPresets, 40044);
    }
    EXPECT_TRUE(stayed);
    EXPECT_TRUE(ListDirectory(WidePath(home + "/Presets")).empty());
    EXPECT_EQ(Control<QListWidget>(kPresets, 1004)->count(), 0);
}

// The window's Effects command runs the sheet on the window's own engine.
TEST_F(WindowTest, EffectsCommandOpensTheSheetOnTheWindowsEngine) {
    DialogDriver driver("Effects", [](QDialog& d) {
        auto* sheet = static_cast<PropertySheet*>(&d);
        EXPECT_EQ(sheet->PageCount(), 5);
        sheet->SetCurrentPage(kBassBoost);
        QTest::keyClick(sheet->Page(kBassBoost)->findChild<QSlider*>("1072"), Qt::Key_End);
        QTest::mouseClick(d.findChild<QPushButton*>("1"), Qt::LeftButton);
    });
    window->OnCommand(IDM_EFFECTS);
    EXPECT_EQ(engine->GetBassBoost(), 20);
}

}  // namespace
}  // namespace vl::test
