#include "lyrics/qt/lyrics_search_dialog.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cwchar>
#include <vector>

#include "lyrics/lyrics_sources.h"
#include "lyrics/lyrics_settings.h"
#include "platform/screen_profile.h"
#include "settings/qt/dialog_conventions.h"
#include "settings/qt/settings_dialogs_qt.h"
#include "ui/qt/main_window.h"
#include "ui/string_table.h"

namespace vl {

namespace {

constexpr size_t kSearchUrlChars = 1024;  // the buffer, terminator included
constexpr int kMaxEditChars = 511;

QString Text(int id) { return QString::fromWCharArray(GetString(id)); }
QString Id(int id) { return QString::number(id); }

// Text grows with the screen's resolution, like every other length of the dialogs.
void UseScaledFont(QWidget& widget) {
    QFont font = widget.font();
    font.setPixelSize(ScaleY(12));
    widget.setFont(font);
}

// Return in an edit means Search only.
QPushButton* MakeButton(const QString& text, const QString& name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

// Base pixels at 96 dpi of the client area below the title.
constexpr int kMargin = 4;
constexpr int kRowHeight = 22;
constexpr int kRowStep = 26;
constexpr int kLabelWidth = 48;
constexpr int kButtonWidth = 64;
constexpr int kSingerColumn = 58;
constexpr int kSongColumnLess = 67;

}  // namespace

struct LyricsSearchDialog::Job {
    bool download = false;
    LyricsSearchClient client;
    LyricsAccount account;
    std::wstring searchUrl;  // in and out
    std::wstring singer, title;
    std::wstring address;
    std::vector<std::wstring> targets;
    std::wstring stored;
    std::vector<LyricsHit> hits;
    int result = 0;
};

LyricsSearchDialog::LyricsSearchDialog(MainWindow* window) : QDialog(window), owner(window) {
    setObjectName(Id(168));
    setWindowTitle(QStringLiteral("Search Lyrics"));
    setModal(false);
    UseScaledFont(*this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, ScaleY(kMargin));
    layout->setSpacing(ScaleY(2));
    AddTitleRow(*this, *layout, QStringLiteral("Search Lyrics"))->setContentsMargins(ScaleX(kMargin), ScaleY(2), 0, 0);

    client_ = new QWidget(this);
    client_->installEventFilter(this);
    layout->addWidget(client_, 1);
    singerLabel_ = new QLabel(QStringLiteral("Singer:"), client_);
    titleLabel_ = new QLabel(QStringLiteral("Title:"), client_);
    singer_ = new QLineEdit(client_);
    singer_->setObjectName(Id(1060));
    singer_->setMaxLength(kMaxEditChars);
    title_ = new QLineEdit(client_);
    title_->setObjectName(Id(1061));
    title_->setMaxLength(kMaxEditChars);
    search_ = MakeButton(QStringLiteral("Search"), Id(1046), client_);
    search_->setDefault(true);
    download_ = MakeButton(QStringLiteral("Download"), Id(1062), client_);
    list = new QTreeWidget(client_);
    list->setObjectName(Id(1004));
    list->setRootIsDecorated(false);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setHeaderLabels({Text(IDS_LYRICS_SINGER), Text(IDS_LYRICS_SONG_NAME)});
    list->header()->setStretchLastSection(false);
    list->setColumnWidth(0, ScaleX(kSingerColumn));

    // Below the list: the account, the busy state with Cancel, and Done.
    auto* row = new QHBoxLayout();
    row->setContentsMargins(ScaleX(kMargin), 0, ScaleX(kMargin), 0);
    account_ = MakeButton(QStringLiteral("Account..."), QStringLiteral("Account"), this);
    busy_ = new QLabel(this);
    busy_->setObjectName(QStringLiteral("Busy"));
    cancel_ = MakeButton(QStringLiteral("Cancel"), Id(2), this);
    done_ = MakeButton(QStringLiteral("Done"), Id(1), this);
    for (QPushButton* button : {account_, cancel_, done_}) button->setFixedWidth(ScaleX(kButtonWidth));
    row->addWidget(account_);
    row->addWidget(busy_, 1);
    row->addWidget(cancel_);
    row->addWidget(done_);
    layout->addLayout(row);
    SetBusy(false, QString());

    connect(search_, &QPushButton::clicked, this, &LyricsSearchDialog::Search);
    connect(download_, &QPushButton::clicked, this, &LyricsSearchDialog::Download);
    connect(account_, &QPushButton::clicked, this, &LyricsSearchDialog::EditAccount);
    connect(cancel_, &QPushButton::clicked, this, &LyricsSearchDialog::CancelRequest);
    connect(done_, &QPushButton::clicked, this, &LyricsSearchDialog::CloseDialog);
    connect(list, &QTreeWidget::itemDoubleClicked, this, [this] { Download(); });

    InitFullScreenDialog(*this, window);
}

LyricsSearchDialog::~LyricsSearchDialog() { CancelRequest(); }

bool LyricsSearchDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == client_ && event->type() == QEvent::Resize) LayOut(client_->width(), client_->height());
    return QDialog::eventFilter(watched, event);
}

void LyricsSearchDialog::LayOut(int w, int h) {
    int left = ScaleX(kMargin), top = ScaleY(kMargin);
    int rowHeight = ScaleY(kRowHeight), step = ScaleY(kRowStep);
    int buttonWidth = ScaleX(kButtonWidth);
    int buttonLeft = w - buttonWidth - ScaleX(2);
    search_->setGeometry(buttonLeft, top, buttonWidth, rowHeight);
    download_->setGeometry(buttonLeft, top + step, buttonWidth, rowHeight);
    int editLeft = left + ScaleX(kLabelWidth);
    int editWidth = buttonLeft - ScaleX(4) - editLeft;
    singerLabel_->setGeometry(left, top, ScaleX(kLabelWidth), rowHeight);
    titleLabel_->setGeometry(left, top + step, ScaleX(kLabelWidth), rowHeight);
    singer_->setGeometry(editLeft, top, editWidth, rowHeight);
    title_->setGeometry(editLeft, top + step, editWidth, rowHeight);
    int listTop = top + 2 * step;
    list->setGeometry(left, listTop, w - 2 * left, h - listTop - left);
    list->setColumnWidth(1, w - ScaleX(kSongColumnLess));
}

void LyricsSearchDialog::OpenFor(const PlaylistEntry* forEntry, int index, wchar_t* url) {
    if (!forEntry) return;
    if (!entry || entry->path != forEntry->path) ClearList();
    entry = std::make_unique<PlaylistEntry>(*forEntry);
    entryIndex = index;
    searchUrl = url ? url : ownSearchUrl_;
    downloaded = 0;
    std::wstring playlistTitle = entry->title;
    if (playlistTitle.empty() && owner) owner->GetEntryTitle(index, playlistTitle);
    LyricsQuery query = QueryForEntry(*entry, playlistTitle);
    title_->setText(QString::fromStdWString(query.title));
    singer_->setText(QString::fromStdWString(query.singer));
    show();
    raise();
    activateWindow();
}

void LyricsSearchDialog::ClearList() { list->clear(); }

void LyricsSearchDialog::Search() {
    if (IsBusy() || !searchUrl) return;
    std::wstring title = title_->text().left(kMaxEditChars).toStdWString();
    if (title.empty()) {
        ShowMessage(IDS_LYRICS_NO_TITLE);
        return;
    }
    ClearList();
    auto job = std::make_shared<Job>();
    LoadLyricsAccount(job->account);
    job->searchUrl = searchUrl;
    job->title = title;
    job->singer = singer_->text().left(kMaxEditChars).toStdWString();
    StartJob(job, QStringLiteral("Searching..."));
}

void LyricsSearchDialog::Download() {
    if (IsBusy() || !entry) return;
    QTreeWidgetItem* row = nullptr;
    for (int i = 0; i < list->topLevelItemCount() && !row; ++i)
        if (list->topLevelItem(i)->isSelected()) row = list->topLevelItem(i);
    if (!row) return;
    auto job = std::make_shared<Job>();
    job->download = true;
    job->address = row->data(0, Qt::UserRole).toString().toStdWString();
    job->targets = LyricsDownloadTargets(entry->path, entry->tags, LyricsFolderSetting());
    StartJob(job, QStringLiteral("Downloading..."));
}

void LyricsSearchDialog::StartJob(std::shared_ptr<Job> job, const QString& busyText) {
    job->client.SetTimeouts(timeouts_);
    job_ = job;
    SetBusy(true, busyText);
    bool started = worker_.Start([this, job] {
        if (job->download) job->result = job->client.Download(job->address, job->targets, &job->stored);
        else job->result = job->client.Search(job->account, job->searchUrl, job->singer, job->title, job->hits);
        QMetaObject::invokeMethod(this, [this, job] { FinishJob(job); }, Qt::QueuedConnection);
    });
    if (!started) {
        job_.reset();
        SetBusy(false, QString());
        ShowMessage(IDS_LYRICS_NO_CONNECTION);
    }
}

void LyricsSearchDialog::FinishJob(const std::shared_ptr<Job>& job) {
    if (job != job_) return;  // cancelled meanwhile
    worker_.Join();
    job_.reset();
    SetBusy(false, QString());
    if (job->client.IsCancelled()) return;
    if (job->download) {
        if (job->result != 0) return ShowMessage(job->result);
        downloaded = 1;
        // Stored away from the music when its folder could not be written: say where.
        QString where;
        if (job->stored != job->targets[0])
            where = QStringLiteral("\nSaved in the lyrics folder as %1").arg(QString::fromStdWString(job->stored));
        ShowMessage(IDS_LYRICS_DOWNLOADED, where);
        return;
    }
    std::wcsncpy(searchUrl, job->searchUrl.c_str(), kSearchUrlChars - 1);
    searchUrl[kSearchUrlChars - 1] = 0;
    for (const LyricsHit& hit : job->hits) {
        auto* row = new QTreeWidgetItem(list, {QString::fromStdWString(hit.singer), QString::fromStdWString(hit.song)});
        row->setData(0, Qt::UserRole, QString::fromStdWString(hit.address));
    }
    if (list->topLevelItemCount() > 0) {
        list->setCurrentItem(list->topLevelItem(0));
        list->topLevelItem(0)->setSelected(true);
        list->setFocus();
    } else {
        ShowMessage(job->result);
    }
}

void LyricsSearchDialog::CancelRequest() {
    if (!job_) return;
    job_->client.Cancel();
    worker_.Join();
    job_.reset();
    SetBusy(false, QString());
}

void LyricsSearchDialog::SetBusy(bool busy, const QString& text) {
    busy_->setText(text);
    cancel_->setVisible(busy);
    account_->setVisible(!busy);
    search_->setEnabled(!busy);
    download_->setEnabled(!busy);
}

void LyricsSearchDialog::ShowMessage(int id, const QString& more) {
    QMessageBox box(QMessageBox::NoIcon, Text(IDS_LYRICS_CAPTION), Text(id) + more, QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("LyricsMessage"));
    UseScaledFont(box);
    box.exec();
}

void LyricsSearchDialog::CloseDialog() {
    CancelRequest();
    if (downloaded && owner && owner->GetCurrentIndex() == entryIndex) {
        if (PlaylistEntry* current = owner->GetEntry(entryIndex)) owner->LoadLyricsOf(*current);
        owner->update();
    }
    hide();
}

void LyricsSearchDialog::closeEvent(QCloseEvent* event) {
    CloseDialog();
    event->accept();
}

void LyricsSearchDialog::reject() { CloseDialog(); }

void LyricsSearchDialog::EditAccount() {
    LyricsAccount account;
    LoadLyricsAccount(account);
    LyricsAccountDialog dialog(account, this);
    if (dialog.exec() != QDialog::Accepted) return;
    LyricsAccount changed = dialog.Account();
    // The search address came from the old service.
    if (changed.server != account.server && searchUrl) searchUrl[0] = 0;
    SaveLyricsAccount(changed);
}

void OpenLyricsSearch(MainWindow& window, int index) {
    PlaylistEntry* entry = window.GetEntry(index);
    if (!entry) return;
    auto* dialog = window.findChild<LyricsSearchDialog*>(QString(), Qt::FindDirectChildrenOnly);
    if (!dialog) dialog = new LyricsSearchDialog(&window);
    auto* settings = dynamic_cast<LyricsSettings*>(window.GetSettings());
    dialog->OpenFor(entry, index, settings ? settings->searchUrl : nullptr);
}

// ---- LyricsAccountDialog ----

LyricsAccountDialog::LyricsAccountDialog(const LyricsAccount& account, QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("Account"));
    setWindowTitle(QStringLiteral("Account"));
    setModal(true);
    UseScaledFont(*this);
    auto* layout = new QVBoxLayout(this);
    AddTitleRow(*this, *layout, QStringLiteral("Lyrics Service Account"));
    auto* form = new QFormLayout();
    server_ = new QLineEdit(QString::fromStdWString(account.server), this);
    server_->setObjectName(QStringLiteral("LyricsServer"));
    user_ = new QLineEdit(QString::fromStdWString(account.user), this);
    user_->setObjectName(QStringLiteral("LyricsUser"));
    pass_ = new QLineEdit(QString::fromStdWString(account.pass), this);
    pass_->setObjectName(QStringLiteral("LyricsPass"));
    pass_->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("Server:"), server_);
    form->addRow(QStringLiteral("User:"), user_);
    form->addRow(QStringLiteral("Pass:"), pass_);
    layout->addLayout(form);
    layout->addStretch();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(Id(1));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(Id(2));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    InitFullScreenDialog(*this, owner);
}

LyricsAccount LyricsAccountDialog::Account() const {
    LyricsAccount account;
    account.server = server_->text().trimmed().toStdWString();
    account.user = user_->text().toStdWString();
    account.pass = pass_->text().toStdWString();
    return account;
}

}  // namespace vl
