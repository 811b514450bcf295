#pragma once
// The option pages of the player's settings: Preferences (115), Decoder (176), Streaming (175),
// Skin (178), Associations (177) and Plug-ins (171). Each page fills its controls from the
// settings record when it is first shown and writes them back on Done; nothing here touches
// the registry (the settings are saved at exit) or the engine's output (the window hands the
// record to the engine before the next track).
#include <QCheckBox>
#include <QListWidget>
#include <QVBoxLayout>

#include <cstdint>
#include <initializer_list>
#include <utility>

#include "settings/player_settings.h"
#include "settings/qt/dialog_conventions.h"

namespace vl {

struct OptionPageKind {
    int dialogId;
    PropertyPage* (*create)(PlayerSettings& settings);
};
extern const OptionPageKind kBaseOptionPages[6];

// The list pages' layout: the list (object name listId) fills the page above one row of buttons
// 20 pixels high, {id, text} in order from the left.
QListWidget* AddListWithButtons(PropertyPage& page, int listId, std::initializer_list<std::pair<int, const char*>> buttons);

// A check box of a page bound to one int field of the settings (0/1).
struct BoxBinding {
    int id;
    const char* label;
    int32_t& (*field)(PlayerSettings& settings);
};
// Adds the boxes of bindings to the page's body, in order.
template <size_t N>
void AddBoxes(PropertyPage& page, const BoxBinding (&bindings)[N]) {
    for (const BoxBinding& b : bindings) {
        auto* box = new QCheckBox(QString::fromUtf8(b.label), &page);
        box->setObjectName(ControlId(b.id));
        page.Body()->addWidget(box);
    }
}
template <size_t N>
void ShowBoxes(PropertyPage& page, const BoxBinding (&bindings)[N], PlayerSettings& settings) {
    for (const BoxBinding& b : bindings)
        page.findChild<QCheckBox*>(ControlId(b.id))->setChecked(b.field(settings) != 0);
}
template <size_t N>
void ReadBoxes(PropertyPage& page, const BoxBinding (&bindings)[N], PlayerSettings& settings) {
    for (const BoxBinding& b : bindings)
        b.field(settings) = page.findChild<QCheckBox*>(ControlId(b.id))->isChecked() ? 1 : 0;
}

}  // namespace vl
