#include "settings/qt/associations_page.h"

#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <string>

#include "engine/player_engine.h"
#include "settings/desktop_associations.h"
#include "settings/file_types.h"
#include "settings/known_extensions.h"
#include "settings/qt/option_pages.h"

namespace vl {

namespace {

bool IsPlaylistType(const std::wstring& extension) {
    return IsKnownExtension(extension, true) && !IsKnownExtension(extension, false);
}

class AssociationsPage : public PropertyPage {
public:
    explicit AssociationsPage(PlayerSettings& settings)
        : PropertyPage(177, QStringLiteral("Associations")), settings_(settings) {
        list_ = AddListWithButtons(*this, 1080, {{1081, "Check All"}, {1082, "Clear All"}});
        list_->setSortingEnabled(true);
        for (auto [id, state] : {std::pair{1081, Qt::Checked}, std::pair{1082, Qt::Unchecked}}) {
            connect(findChild<QPushButton*>(ControlId(id)), &QPushButton::clicked, this, [this, state = state] {
                for (int i = 0; i < list_->count(); ++i) list_->item(i)->setCheckState(state);
            });
        }
    }

    void OnInitDialog() override {
        for (const wchar_t* extension : kKnownExtensions)
            AddRow(extension, IsPlaylistType(extension) ? kPlaylistClass : kAudioFileClass);
        PlayerEngine* engine = settings_.optionsEngine;
        for (int i = 0; engine && i < engine->GetPluginCount(); ++i) {
            const VlDecoderRecord* record = engine->GetPlugin(i);
            if (!record) continue;
            int count = record->GetExtensionCount();
            for (int e = 0; e < count; ++e) {
                wchar_t extension[32] = {}, description[260] = {};
                if (!record->GetExtension(e, extension, description)) continue;
                extension[31] = 0;
                std::wstring text(extension);
                if (text.empty() || IsKnownExtension(text, false) || HasRow(text)) continue;
                AddRow(text, kAudioFileClass);
            }
        }
    }

    void OnApply() override {
        for (int i = 0; i < list_->count(); ++i) {
            std::wstring extension = list_->item(i)->text().toStdWString();
            bool playlist = IsPlaylistType(extension);
            const wchar_t* className = playlist ? kPlaylistClass : kAudioFileClass;
            bool ticked = list_->item(i)->checkState() == Qt::Checked;
            bool registered = IsFileTypeRegistered(extension, className);
            if (ticked && !registered)
                RegisterFileType(extension, className, playlist ? kPlaylistDescription : kAudioFileDescription,
                                 kFileTypeIconIndex);
            else if (!ticked && registered)
                UnregisterFileType(extension, className);
        }
        // The desktop opens the same types with the player exactly while they are ticked.
        SyncDesktopDefaults();
    }

private:
    bool HasRow(const std::wstring& text) const {
        for (int i = 0; i < list_->count(); ++i)
            if (list_->item(i)->text().compare(QString::fromStdWString(text), Qt::CaseInsensitive) == 0) return true;
        return false;
    }
    void AddRow(const std::wstring& extension, const wchar_t* className) {
        auto* item = new QListWidgetItem(QString::fromStdWString(extension), list_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(IsFileTypeRegistered(extension, className) ? Qt::Checked : Qt::Unchecked);
    }

    PlayerSettings& settings_;
    QListWidget* list_;
};

}  // namespace

PropertyPage* CreateAssociationsPage(PlayerSettings& settings) { return new AssociationsPage(settings); }

}  // namespace vl
