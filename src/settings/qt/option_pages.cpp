#include "settings/qt/option_pages.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/player_engine.h"
#include "settings/qt/associations_page.h"
#include "settings/qt/file_browser.h"

namespace vl {

namespace {

constexpr int kPathUnits = 259;  // a 260-unit path field with its terminator

// A row "label [edit][spin] unit" of a page; returns the edit.
QLineEdit* AddNumberRow(PropertyPage& page, const char* label, int editId, int spinId, int maxLength, SpinRule rule,
                        const char* unit) {
    auto* row = new QHBoxLayout();
    row->addWidget(new QLabel(QString::fromUtf8(label), &page));
    QLineEdit* edit = AddNumberEdit(page, *row, editId, spinId, maxLength, rule);
    row->addWidget(new QLabel(QString::fromUtf8(unit), &page));
    row->addStretch();
    page.Body()->addLayout(row);
    return edit;
}

QLineEdit* AddTextEdit(PropertyPage& page, QHBoxLayout& row, int id) {
    auto* edit = new QLineEdit(&page);
    edit->setObjectName(ControlId(id));
    edit->setMaxLength(kPathUnits);
    row.addWidget(edit, 1);
    return edit;
}

// ---------------------------------------------------------------- Preferences

const BoxBinding kPreferenceBoxes[] = {
    {1069, "Draw Peak meter", [](PlayerSettings& s) -> int32_t& { return s.drawPeek; }},
    {1070, "Load previous Playlist", [](PlayerSettings& s) -> int32_t& { return s.saveDefPlayList; }},
    {1071, "Add to playlist existing files", [](PlayerSettings& s) -> int32_t& { return s.addExisting; }},
    {1036, "Resume (Save position and track)", [](PlayerSettings& s) -> int32_t& { return s.resume; }},
    {1037, "Start playback at startup", [](PlayerSettings& s) -> int32_t& { return s.playOnStart; }},
    {1038, "Add tray icon", [](PlayerSettings& s) -> int32_t& { return s.trayIcon; }},
    {1005, "Scroll title", [](PlayerSettings& s) -> int32_t& { return s.scrollTitle; }},
};

class PreferencesPage : public PropertyPage {
public:
    explicit PreferencesPage(PlayerSettings& settings)
        : PropertyPage(115, QStringLiteral("Preferences")), settings_(settings) {
        AddBoxes(*this, kPreferenceBoxes);
        // The tray box exists but is not shown on the device.
        findChild<QCheckBox*>(ControlId(1038))->setVisible(false);
        Body()->addStretch();
    }
    void OnInitDialog() override { ShowBoxes(*this, kPreferenceBoxes, settings_); }
    void OnApply() override { ReadBoxes(*this, kPreferenceBoxes, settings_); }

private:
    PlayerSettings& settings_;
};

// ---------------------------------------------------------------- Decoder

constexpr int kBufferLenMin = 20, kBufferLenMax = 5000;
constexpr int kPrebufferMax = 100;

const BoxBinding kDecoderBoxes[] = {
    {1030, "Fade in", [](PlayerSettings& s) -> int32_t& { return s.output.fade; }},
    {1005, "Scan file completely", [](PlayerSettings& s) -> int32_t& { return s.output.scanCompletely; }},
    {1069, "Suppress zero samples", [](PlayerSettings& s) -> int32_t& { return s.output.suppressZeroSamples; }},
    {1042, "Always open output device (noiseless)", [](PlayerSettings& s) -> int32_t& { return s.output.alwaysOpenDev; }},
};

class DecoderPage : public PropertyPage {
public:
    explicit DecoderPage(PlayerSettings& settings) : PropertyPage(176, QStringLiteral("Decoder")), settings_(settings) {
        bufferLen_ = AddNumberRow(*this, "Output Buffer length : ", 1049, 1001, 4,
                                  SpinRule{50, kBufferLenMin, kBufferLenMax}, "ms");
        prebuffer_ = AddNumberRow(*this, "Output Prebuffer : ", 1050, 1002, 3, SpinRule{5, 0, kPrebufferMax}, "%");
        AddBoxes(*this, kDecoderBoxes);
        Body()->addStretch();
    }
    void OnInitDialog() override {
        bufferLen_->setText(QString::number(settings_.output.bufferLenMs));
        prebuffer_->setText(QString::number(settings_.output.prebufferPercent));
        ShowBoxes(*this, kDecoderBoxes, settings_);
    }
    void OnApply() override {
        settings_.output.bufferLenMs = static_cast<int32_t>(std::clamp<long>(EditNumber(*bufferLen_), kBufferLenMin, kBufferLenMax));
        settings_.output.prebufferPercent = static_cast<int32_t>(std::clamp<long>(EditNumber(*prebuffer_), 0, kPrebufferMax));
        ReadBoxes(*this, kDecoderBoxes, settings_);
    }

private:
    PlayerSettings& settings_;
    QLineEdit* bufferLen_;
    QLineEdit* prebuffer_;
};

// ---------------------------------------------------------------- Streaming

constexpr int kStreamKbMin = 4, kStreamKbMax = 1024;

class StreamingPage : public PropertyPage {
public:
    explicit StreamingPage(PlayerSettings& settings)
        : PropertyPage(175, QStringLiteral("Streaming")), settings_(settings) {
        const SpinRule kb{2, kStreamKbMin, kStreamKbMax};
        buffer_ = AddNumberRow(*this, "Buffer size : ", 1000, 1002, 4, kb, "KB");
        prebuffer_ = AddNumberRow(*this, "Prebuffer : ", 1001, 1003, 4, kb, "KB");
        useProxy_ = new QCheckBox(QStringLiteral("Use Proxy server"), this);
        useProxy_->setObjectName(ControlId(1005));
        Body()->addWidget(useProxy_);
        auto* row = new QHBoxLayout();
        row->addWidget(new QLabel(QStringLiteral("Address :"), this));
        proxy_ = AddTextEdit(*this, *row, 1016);
        Body()->addLayout(row);
        Body()->addStretch();
    }
    void OnInitDialog() override {
        buffer_->setText(QString::number(settings_.stream.bufferBlocks * 2));
        prebuffer_->setText(QString::number(settings_.stream.prebufferBlocks * 2));
        proxy_->setText(QString::fromStdWString(GetText(settings_.stream.proxy)));
        useProxy_->setChecked(settings_.stream.useProxy != 0);
    }
    void OnApply() override {
        ApplyKilobytes(*buffer_, settings_.stream.bufferBlocks);
        ApplyKilobytes(*prebuffer_, settings_.stream.prebufferBlocks);
        SetText(settings_.stream.proxy, proxy_->text().toStdWString());
        settings_.stream.useProxy = useProxy_->isChecked() ? 1 : 0;
    }

private:
    // Kilobytes to blocks of 2 KB; 3 or less (text that is not a number too) keeps the setting.
    static void ApplyKilobytes(const QLineEdit& edit, int32_t& blocks) {
        long kb = EditNumber(edit);
        if (kb > 3) blocks = static_cast<int32_t>(std::min<long>(std::max<long>(kb, kStreamKbMin), kStreamKbMax) / 2);
    }

    PlayerSettings& settings_;
    QLineEdit* buffer_;
    QLineEdit* prebuffer_;
    QCheckBox* useProxy_;
    QLineEdit* proxy_;
};

// ---------------------------------------------------------------- Skin

class SkinPage : public PropertyPage {
public:
    explicit SkinPage(PlayerSettings& settings) : PropertyPage(178, QStringLiteral("Skin")), settings_(settings) {
        auto* row = new QHBoxLayout();
        row->addWidget(new QLabel(QStringLiteral("File : "), this));
        file_ = AddTextEdit(*this, *row, 1040);
        Body()->addLayout(row);
        auto* browse = new QPushButton(QStringLiteral("Browse..."), this);
        browse->setObjectName(ControlId(1041));
        auto* buttons = new QHBoxLayout();
        buttons->addStretch();
        buttons->addWidget(browse);
        Body()->addLayout(buttons);
        Body()->addStretch();
        connect(browse, &QPushButton::clicked, this, &SkinPage::Browse);
    }
    void OnInitDialog() override { file_->setText(QString::fromStdWString(GetText(settings_.skinFile))); }
    void OnApply() override { SetText(settings_.skinFile, file_->text().toStdWString()); }

private:
    void Browse() {
        FileBrowserRequest request;
        request.extensions = {L".gps"};
        request.maxPath = kPathUnits + 1;
        request.includeSubfolders = settings_.searchSubFolders != 0;
        request.initialFolder = GetText(settings_.lastDir);
        if (BrowseForFiles(request, this) != 1) return;
        settings_.searchSubFolders = request.includeSubfolders ? 1 : 0;
        if (request.results.empty()) return;
        const std::wstring& path = request.results.front();
        file_->setText(QString::fromStdWString(path));
        size_t slash = path.rfind(L'/');
        SetText(settings_.lastDir, slash == std::wstring::npos ? std::wstring() : path.substr(0, slash));
    }

    PlayerSettings& settings_;
    QLineEdit* file_;
};

// ---------------------------------------------------------------- Plug-ins

class PluginsPage : public PropertyPage {
public:
    explicit PluginsPage(PlayerSettings& settings)
        : PropertyPage(171, QStringLiteral("Plug-ins")), settings_(settings) {
        list_ = AddListWithButtons(*this, 1084, {{1083, "Configure..."}});
        configure_ = findChild<QPushButton*>(ControlId(1083));
        connect(list_, &QListWidget::itemSelectionChanged, this, &PluginsPage::UpdateButton);
        connect(list_, &QListWidget::itemDoubleClicked, this, &PluginsPage::Configure);
        connect(configure_, &QPushButton::clicked, this, &PluginsPage::Configure);
    }
    void OnInitDialog() override {
        configure_->setEnabled(false);
        PlayerEngine* engine = settings_.optionsEngine;
        if (!engine) return;
        for (int i = 0; i < engine->GetPluginCount(); ++i) {
            const VlDecoderRecord* record = engine->GetPlugin(i);
            if (!record) continue;
            wchar_t name[260] = {};
            record->GetName(name);
            name[259] = 0;
            auto* item = new QListWidgetItem(QString::fromWCharArray(name), list_);
            item->setData(Qt::UserRole, i);
        }
    }

private:
    // The selected plug-in when it has something to configure, else -1.
    int SelectedConfigurable() const {
        QList<QListWidgetItem*> selected = list_->selectedItems();
        PlayerEngine* engine = settings_.optionsEngine;
        if (selected.isEmpty() || !engine) return -1;
        int index = selected.front()->data(Qt::UserRole).toInt();
        return engine->GetPluginCaps(index) & VL_CAP_CONFIGURE ? index : -1;
    }
    void UpdateButton() { configure_->setEnabled(SelectedConfigurable() >= 0); }
    void Configure() {
        int index = SelectedConfigurable();
        if (index < 0) return;
        if (const VlDecoderRecord* record = settings_.optionsEngine->GetPlugin(index)) record->Configure(this);
    }

    PlayerSettings& settings_;
    QListWidget* list_;
    QPushButton* configure_;
};

template <class Page>
PropertyPage* Create(PlayerSettings& settings) {
    return new Page(settings);
}

}  // namespace

QListWidget* AddListWithButtons(PropertyPage& page, int listId, std::initializer_list<std::pair<int, const char*>> buttons) {
    auto* list = new QListWidget(&page);
    list->setObjectName(ControlId(listId));
    page.Body()->addWidget(list, 1);
    auto* row = new QHBoxLayout();
    for (const auto& [id, text] : buttons) {
        auto* button = new QPushButton(QString::fromUtf8(text), &page);
        button->setObjectName(ControlId(id));
        button->setFixedHeight(DialogPixels(20));
        row->addWidget(button);
    }
    row->addStretch();
    page.Body()->addLayout(row);
    return list;
}

const OptionPageKind kBaseOptionPages[6] = {
    {115, Create<PreferencesPage>}, {176, Create<DecoderPage>},      {175, Create<StreamingPage>},
    {178, Create<SkinPage>},        {177, CreateAssociationsPage}, {171, Create<PluginsPage>},
};

}  // namespace vl
