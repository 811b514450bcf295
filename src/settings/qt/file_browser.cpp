#include "settings/qt/file_browser.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "platform/files.h"
#include "platform/screen_profile.h"
#include "settings/browse_folder.h"
#include "settings/qt/dialog_conventions.h"
#include "ui/qt/app_icon.h"
#include "ui/qt/wait_cursor.h"
#include "ui/string_table.h"

namespace vl {

namespace {

constexpr int kPathRole = Qt::UserRole;

// The folder listed last in this run; unset until the first listing.
std::wstring g_lastFolder;
bool g_listedOnce = false;

std::wstring StartFolder() {
    QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (!music.isEmpty() && IsDirectory(music.toStdWString())) return music.toStdWString();
    return QDir::homePath().toStdWString();
}

QString Text(int id) { return QString::fromWCharArray(GetString(id)); }

class FileBrowserDialog : public DeviceDialog {
public:
    FileBrowserDialog(FileBrowserRequest& request, QWidget* owner)
        : DeviceDialog(164, QStringLiteral("Find..."), kDoneAndCancel, owner), request_(request) {
        QVBoxLayout* layout = Body();

        tree_ = new QTreeWidget(this);
        tree_->setObjectName(QStringLiteral("FolderTree"));
        tree_->setHeaderHidden(true);
        tree_->setRootIsDecorated(true);
        int icon = (GetScreenProfile().dpiX + 3) * 16 / 96;
        tree_->setIconSize(QSize(icon, icon));
        layout->addWidget(tree_, 1);

        list_ = new QTreeWidget(this);
        list_->setObjectName(QStringLiteral("FileList"));
        list_->setRootIsDecorated(false);
        list_->setColumnCount(2);
        list_->setHeaderLabels({Text(40107), Text(40109)});
        list_->setSelectionMode(request_.multiSelect ? QAbstractItemView::ExtendedSelection
                                                     : QAbstractItemView::SingleSelection);
        list_->setSelectionBehavior(QAbstractItemView::SelectRows);
        list_->header()->setStretchLastSection(false);
        list_->header()->setSectionResizeMode(QHeaderView::Fixed);
        layout->addWidget(list_, 1);

        auto* bottom = new QHBoxLayout();
        subfolders_ = new QCheckBox(QStringLiteral("Include sub-folders"), this);
        subfolders_->setObjectName(QStringLiteral("1018"));
        bottom->addWidget(subfolders_);
        bottom->addStretch();
        QPushButton* selectAll = AddButton(*this, 3, QStringLiteral("Select All"));
        bottom->addWidget(selectAll);
        selectAll->setVisible(request_.multiSelect);
        layout->addLayout(bottom);

        connect(selectAll, &QPushButton::clicked, this, [this] {
            for (int i = 0; i < list_->topLevelItemCount(); ++i) list_->topLevelItem(i)->setCheckState(0, Qt::Checked);
        });
        connect(subfolders_, &QCheckBox::toggled, this, [this](bool on) {
            request_.includeSubfolders = on;
            if (QTreeWidgetItem* item = tree_->currentItem()) ListFiles(ItemPath(item));
        });
        connect(tree_, &QTreeWidget::itemExpanded, this, &FileBrowserDialog::Expand);
        connect(tree_, &QTreeWidget::itemCollapsed, this, &FileBrowserDialog::Collapse);
        connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
            if (item) ListFiles(ItemPath(item));
        });

        WaitCursor wait;
        auto* root = new QTreeWidgetItem(tree_, {Text(40088)});
        root->setIcon(0, AppIcon());
        root->setData(0, kPathRole, QString());
        root->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        root->setExpanded(true);
        std::wstring folder = request_.initialFolder;
        if (folder.empty()) folder = g_listedOnce ? g_lastFolder : StartFolder();
        ExpandAlong(folder);
        // The first listing already followed the request's switch.
        subfolders_->blockSignals(true);
        subfolders_->setChecked(request_.includeSubfolders);
        subfolders_->blockSignals(false);
    }

    void accept() override {
        request_.results.clear();
        for (int i = 0; i < list_->topLevelItemCount(); ++i) {
            QTreeWidgetItem* row = list_->topLevelItem(i);
            if (row->checkState(0) == Qt::Checked) request_.results.push_back(row->data(0, kPathRole).toString().toStdWString());
        }
        DeviceDialog::accept();
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        DeviceDialog::resizeEvent(event);
        // Once the list itself has its new size (its viewport follows it later in this turn).
        QMetaObject::invokeMethod(this, [this] { SizeColumns(); }, Qt::QueuedConnection);
    }

private:
    // The two columns share the list's width 2 : 1.
    void SizeColumns() {
        int width = list_->viewport()->width() - 2;
        if (list_->verticalScrollBar()->isVisible()) width = list_->width() - list_->verticalScrollBar()->width() - 2;
        list_->setColumnWidth(0, width * 2 / 3);
        list_->setColumnWidth(1, width - width * 2 / 3);
    }

    static std::wstring ItemPath(QTreeWidgetItem* item) { return item->data(0, kPathRole).toString().toStdWString(); }

    void Expand(QTreeWidgetItem* item) {
        if (item->childCount() > 0) return;
        WaitCursor wait;
        std::wstring path = ItemPath(item);
        QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
        for (const BrowseFolder& folder : ListBrowseFolders(path)) {
            auto* child = new QTreeWidgetItem(item, {QString::fromStdWString(folder.name)});
            child->setIcon(0, folderIcon);
            child->setData(0, kPathRole, QString::fromStdWString(BrowseChildPath(path, folder.name)));
            child->setChildIndicatorPolicy(folder.hasChildren ? QTreeWidgetItem::ShowIndicator
                                                              : QTreeWidgetItem::DontShowIndicator);
        }
        item->setChildIndicatorPolicy(item->childCount() > 0 ? QTreeWidgetItem::ShowIndicator
                                                             : QTreeWidgetItem::DontShowIndicator);
    }

    // The children are read again at the next expansion, so the tree follows the disk.
    void Collapse(QTreeWidgetItem* item) {
        for (QTreeWidgetItem* at = tree_->currentItem(); at; at = at->parent())
            if (at->parent() == item) {
                tree_->setCurrentItem(item);
                break;
            }
        qDeleteAll(item->takeChildren());
        item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    }

    // From the root down, one exact name per component; stops at the first one not found.
    void ExpandAlong(const std::wstring& folder) {
        QTreeWidgetItem* item = tree_->topLevelItem(0);
        const QStringList parts = QString::fromStdWString(folder).split(QLatin1Char('/'), Qt::SkipEmptyParts);
        for (const QString& part : parts) {
            QTreeWidgetItem* next = nullptr;
            for (int i = 0; i < item->childCount() && !next; ++i)
                if (item->child(i)->text(0) == part) next = item->child(i);
            if (!next) break;
            next->setExpanded(true);
            item = next;
        }
        tree_->setCurrentItem(item);
        tree_->scrollToItem(item);
    }

    void ListFiles(const std::wstring& folder) {
        WaitCursor wait;
        list_->setUpdatesEnabled(false);
        list_->clear();
        for (const BrowseFile& file : ListBrowseFiles(folder, request_.extensions, request_.includeSubfolders, request_.maxPath)) {
            auto* row = new QTreeWidgetItem(list_, {QString::fromStdWString(file.name),
                                                    QString::fromStdWString(FormatBrowseSize(file.size))});
            row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
            row->setCheckState(0, Qt::Unchecked);
            row->setData(0, kPathRole, QString::fromStdWString(file.path));
        }
        list_->setUpdatesEnabled(true);
        g_lastFolder = folder;
        g_listedOnce = true;
    }

    FileBrowserRequest& request_;
    QTreeWidget* tree_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QCheckBox* subfolders_ = nullptr;
};

}  // namespace

int BrowseForFiles(FileBrowserRequest& request, QWidget* owner) {
    request.results.clear();
    FileBrowserDialog dialog(request, owner);
    return dialog.exec() == QDialog::Accepted ? 1 : 2;
}

}  // namespace vl
