#pragma once
// Dialog 168 "Search Lyrics": looks up lyric files for a playlist entry on the lyrics service
// and stores the chosen one as the entry's .lrc file. Modeless, made once for the life of its
// window and only shown and hidden.
//
// Requests run on a worker thread, so the window keeps playing and drawing meanwhile; the
// dialog shows that it is busy and offers Cancel (closing it cancels too). The outcome comes
// back to the user-interface thread, which alone touches the widgets, the search address
// buffer and the owner. A cancelled request shows no message.
#include <QDialog>

#include <memory>
#include <string>

#include "lyrics/lyrics_search.h"
#include "platform/thread.h"
#include "ui/playlist.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace vl {

class MainWindow;

class LyricsSearchDialog : public QDialog {
    Q_OBJECT

public:
    explicit LyricsSearchDialog(MainWindow* owner);
    ~LyricsSearchDialog() override;

    // searchUrl: the "SearchURL" buffer of 1024 characters (the dialog's own one when null).
    void OpenFor(const PlaylistEntry* entry, int entryIndex, wchar_t* searchUrl);
    void Search();    // button 1046
    void Download();  // button 1062: the first selected row
    void CloseDialog();
    // Stops the request in progress; returns once its thread has ended.
    void CancelRequest();
    bool IsBusy() const { return worker_.Joinable(); }
    // For requests started later (the tests shorten them).
    void SetTimeouts(const HttpTimeouts& timeouts) { timeouts_ = timeouts; }

    int downloaded = 0;
    wchar_t* searchUrl = nullptr;
    MainWindow* owner;
    QTreeWidget* list = nullptr;
    int entryIndex = -1;
    // A copy: the playlist may lose the entry while the dialog is open.
    std::unique_ptr<PlaylistEntry> entry;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Job;
    void LayOut(int width, int height);  // the client area below the title
    void ClearList();
    void StartJob(std::shared_ptr<Job> job, const QString& busyText);
    void FinishJob(const std::shared_ptr<Job>& job);
    void SetBusy(bool busy, const QString& text);
    void ShowMessage(int id, const QString& more = QString());
    void EditAccount();

    QWidget* client_ = nullptr;
    QLabel* singerLabel_ = nullptr;
    QLabel* titleLabel_ = nullptr;
    QLineEdit* singer_ = nullptr;
    QLineEdit* title_ = nullptr;
    QPushButton* search_ = nullptr;
    QPushButton* download_ = nullptr;
    QPushButton* account_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* done_ = nullptr;
    QLabel* busy_ = nullptr;
    wchar_t ownSearchUrl_[1024] = {};
    HttpTimeouts timeouts_;
    Thread worker_;
    std::shared_ptr<Job> job_;  // the request in progress
};

// For a window without a search dialog of its own: gives it one (made on first use, its child)
// and opens it for the entry at index, with the lyrics settings' search address when the
// window keeps lyrics settings.
void OpenLyricsSearch(MainWindow& window, int index);

// The "Account..." dialog: the service's address, the user's name and pass with it.
class LyricsAccountDialog : public QDialog {
    Q_OBJECT

public:
    LyricsAccountDialog(const LyricsAccount& account, QWidget* owner);
    LyricsAccount Account() const;

private:
    QLineEdit* server_ = nullptr;
    QLineEdit* user_ = nullptr;
    QLineEdit* pass_ = nullptr;
};

}  // namespace vl
