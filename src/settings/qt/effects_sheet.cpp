#include "settings/qt/effects_sheet.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyleOptionSlider>
#include <QVBoxLayout>

#include <memory>
#include <vector>

#include "engine/player_engine.h"
#include "platform/screen_profile.h"
#include "settings/qt/dialog_conventions.h"
#include "settings/qt/presets_page.h"
#include "ui/qt/small_slider.h"
#include "ui/string_table.h"

namespace vl {

namespace {

constexpr int kBandIds[10] = {1037, 1038, 1039, 1042, 1040, 1076, 1077, 1078, 1079, 1080};
constexpr int kEqMax = 64;
constexpr int kBandTick = 31;
constexpr int kPreampTick = 33;  // preamp 31, the flat position

// Reverb and echo slider positions 0..6: delay 50 + 25 * position ms, rate 20 + 2 * position.
constexpr int kDelaySteps = 6;
int DelayOf(int position) { return 50 + 25 * position; }
int RateOf(int position) { return 20 + 2 * position; }
// A stored delay that fits no position shows at the nearest lower one (below 50: position 0).
int PositionOfDelay(int delay) { return (delay - 50) / 25; }

// A horizontal trackbar with tick marks at chosen values (a plain slider only knows an interval).
class Trackbar : public QSlider {
public:
    Trackbar(QWidget* parent, int id, int maximum, std::vector<int> tics)
        : QSlider(Qt::Horizontal, parent), tics_(std::move(tics)) {
        setObjectName(ControlId(id));
        setRange(0, maximum);
        setPageStep(maximum >= 20 ? maximum / 5 : 1);
        setMinimumHeight(DialogPixels(26));
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QSlider::paintEvent(event);
        QStyleOptionSlider option;
        initStyleOption(&option);
        QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
        QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
        int span = groove.width() - handle.width();
        int top = handle.bottom() + ScaleY(2);
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        for (int tic : tics_) {
            int x = groove.left() + handle.width() / 2 + QStyle::sliderPositionFromValue(minimum(), maximum(), tic, span);
            painter.drawLine(x, top, x, top + ScaleY(3));
        }
    }

private:
    std::vector<int> tics_;
};

QCheckBox* AddBox(PropertyPage& page, int id, const char* text) {
    auto* box = new QCheckBox(QString::fromUtf8(text), &page);
    box->setObjectName(ControlId(id));
    page.Body()->addWidget(box);
    return box;
}

Trackbar* AddTrackbar(PropertyPage& page, int id, int maximum, std::vector<int> tics) {
    auto* bar = new Trackbar(&page, id, maximum, std::move(tics));
    page.Body()->addWidget(bar);
    return bar;
}

std::vector<int> Steps(int from, int to, int step) {
    std::vector<int> values;
    for (int v = from; v <= to; v += step) values.push_back(v);
    return values;
}

// Reads one effect, lets change alter it and writes it back.
template <class Change>
void UpdateEffect(PlayerEngine& engine, int kind, Change change) {
    EffectParams params;
    engine.GetEffect(kind, params);
    change(params);
    engine.SetEffect(kind, params);
}

// ---------------------------------------------------------------- Equalizer

class EqualizerPage : public PropertyPage {
public:
    explicit EqualizerPage(EffectsSheetContext& context)
        : PropertyPage(158, QStringLiteral("Equalizer")), context_(context) {
        auto* top = new QHBoxLayout();
        enable_ = new QCheckBox(QStringLiteral("Equalizer"), this);
        enable_->setObjectName(ControlId(1043));
        top->addWidget(enable_);
        top->addStretch();
        auto* flat = new QPushButton(QStringLiteral("Flat"), this);
        flat->setObjectName(ControlId(1041));
        flat->setAutoDefault(false);
        top->addWidget(flat);
        Body()->addLayout(top);

        auto* bands = new QHBoxLayout();
        for (int i = 0; i < 10; ++i) {
            bands_[i] = new SmallSlider(this, GetScreenProfile().dpiX);
            bands_[i]->setObjectName(ControlId(kBandIds[i]));
            bands_[i]->setFixedWidth(ScaleX(16));
            bands_[i]->setFocusPolicy(Qt::StrongFocus);
            bands_[i]->SetRange(0, kEqMax);
            bands_[i]->SetTic(kBandTick);
            bands_[i]->SetPos(false, kBandTick);
            bands->addWidget(bands_[i]);
            connect(bands_[i], &SmallSlider::vScroll, this, &EqualizerPage::ApplySliders);
        }
        Body()->addLayout(bands, 1);

        auto* preampRow = new QHBoxLayout();
        preampRow->addWidget(new QLabel(QStringLiteral("Preamp"), this));
        preamp_ = new Trackbar(this, 1044, kEqMax, {kPreampTick});
        preampRow->addWidget(preamp_, 1);
        Body()->addLayout(preampRow);

        connect(preamp_, &QSlider::valueChanged, this, &EqualizerPage::ApplySliders);
        connect(enable_, &QCheckBox::clicked, this, [this](bool on) {
            EqualizerParams params;
            context_.engine->GetEqualizer(params);
            params.enable = on ? 1 : 0;
            context_.engine->SetEqualizer(params);
        });
        connect(flat, &QPushButton::clicked, this, &EqualizerPage::Flat);
    }

    void OnSetActive() override {
        EqualizerParams params;
        context_.engine->GetEqualizer(params);
        enable_->setChecked(params.enable != 0);
        QSignalBlocker quiet(preamp_);
        preamp_->setValue(kEqMax - params.preamp);
        for (int i = 0; i < 10; ++i) bands_[i]->SetPos(true, params.band[i]);
    }

private:
    void ApplySliders() {
        EqualizerParams params;
        context_.engine->GetEqualizer(params);  // keeps the enable flag
        params.preamp = kEqMax - preamp_->value();
        for (int i = 0; i < 10; ++i) params.band[i] = bands_[i]->GetPos();
        context_.engine->SetEqualizer(params);
    }

    // Flat positions first, then one slider notification applies them all.
    void Flat() {
        {
            QSignalBlocker quiet(preamp_);
            preamp_->setValue(kPreampTick);
        }
        for (SmallSlider* band : bands_) band->SetPos(true, kBandTick);
        QMetaObject::invokeMethod(this, &EqualizerPage::ApplySliders, Qt::QueuedConnection);
    }

    EffectsSheetContext& context_;
    QCheckBox* enable_;
    SmallSlider* bands_[10];
    Trackbar* preamp_;
};

// ---------------------------------------------------------------- Surround

// One effect of a page: its box (enable) and its slider.
struct EffectControl {
    int kind;
    QCheckBox* box;
    Trackbar* slider;
};

// The Surround and Reverb pages: two effects, each a box and a slider; a box click writes its
// enable flag, any slider movement writes both effects' slider values.
class TwoEffectsPage : public PropertyPage {
public:
    TwoEffectsPage(EffectsSheetContext& context, int dialogId, const char* title) 
        : PropertyPage(dialogId, QString::fromUtf8(title)), context_(context) {}

    void OnSetActive() override {
        for (EffectControl& c : effects_) {
            EffectParams params;
            context_.engine->GetEffect(c.kind, params);
            c.box->setChecked(params.enable != 0);
            QSignalBlocker quiet(c.slider);
            c.slider->setValue(PositionOf(params));
        }
    }

protected:
    void AddEffect(int kind, int boxId, const char* text, int sliderId, int maximum, std::vector<int> tics) {
        EffectControl c{kind, AddBox(*this, boxId, text), AddTrackbar(*this, sliderId, maximum, std::move(tics))};
        effects_.push_back(c);
        connect(c.box, &QCheckBox::clicked, this, [this, kind](bool on) {
            UpdateEffect(*context_.engine, kind, [on](EffectParams& p) { p.enable = on ? 1 : 0; });
        });
        connect(c.slider, &QSlider::valueChanged, this, [this] {
            for (const EffectControl& e : effects_)
                UpdateEffect(*context_.engine, e.kind, [this, &e](EffectParams& p) { FromPosition(e.slider->value(), p); });
        });
    }
    virtual int PositionOf(const EffectParams& params) const = 0;
    virtual void FromPosition(int position, EffectParams& params) const = 0;

    EffectsSheetContext& context_;
    std::vector<EffectControl> effects_;
};

class SurroundPage : public TwoEffectsPage {
public:
    explicit SurroundPage(EffectsSheetContext& context) : TwoEffectsPage(context, 165, "Surround") {
        AddEffect(kEffectSurround, 1031, "Surround", 1045, 100, Steps(0, 80, 20));
        AddEffect(kEffectChorus3D, 1005, "3D Effect", 1046, 100, Steps(0, 80, 20));
        Body()->addStretch();
    }

private:
    int PositionOf(const EffectParams& p) const override { return p.rate; }
    void FromPosition(int position, EffectParams& p) const override { p.rate = position; }
};

class ReverbPage : public TwoEffectsPage {
public:
    explicit ReverbPage(EffectsSheetContext& context) : TwoEffectsPage(context, 153, "Reverb") {
        AddEffect(kEffectReverb, 1032, "Reverb", 1039, kDelaySteps, Steps(0, kDelaySteps, 1));
        AddEffect(kEffectEcho, 1040, "Echo", 1041, kDelaySteps, Steps(0, kDelaySteps, 1));
        Body()->addStretch();
    }

private:
    int PositionOf(const EffectParams& p) const override { return PositionOfDelay(p.delay); }
    void FromPosition(int position, EffectParams& p) const override {
        p.delay = DelayOf(position);
        p.rate = RateOf(position);
    }
};

// ---------------------------------------------------------------- BassBoost

class BassBoostPage : public PropertyPage {
public:
    explicit BassBoostPage(EffectsSheetContext& context)
        : PropertyPage(167, QStringLiteral("BassBoost")), context_(context) {
        Body()->addWidget(new QLabel(QStringLiteral("Bass Boost"), this));
        slider_ = AddTrackbar(*this, 1072, 20, Steps(0, 18, 2));
        Body()->addStretch();
        connect(slider_, &QSlider::valueChanged, this, [this](int position) { context_.engine->SetBassBoost(position); });
    }
    void OnSetActive() override {
        QSignalBlocker quiet(slider_);
        slider_->setValue(context_.engine->GetBassBoost());
    }

private:
    EffectsSheetContext& context_;
    Trackbar* slider_;
};

}  // namespace

PropertySheet* CreateEffectsSheet(EffectsSheetContext& context, QWidget* owner) {
    auto* sheet = new PropertySheet(0, owner);
    sheet->setObjectName(QStringLiteral("Effects"));
    sheet->setWindowTitle(QString::fromWCharArray(GetString(9)));
    sheet->AddPage(new EqualizerPage(context));
    sheet->AddPage(new SurroundPage(context));
    sheet->AddPage(new ReverbPage(context));
    sheet->AddPage(new BassBoostPage(context));
    sheet->AddPage(CreatePresetsPage(context));
    return sheet;
}

void ShowEffects(QWidget* owner, PlayerEngine& engine) {
    EffectsSheetContext context;
    context.engine = &engine;
    std::unique_ptr<PropertySheet> sheet(CreateEffectsSheet(context, owner));
    sheet->exec();
}

}  // namespace vl
