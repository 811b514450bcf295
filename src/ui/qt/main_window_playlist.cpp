// The window's side of the playlist: opening and playing entries in the engine, the hand-over
// of a command line, and the file dialogs. The list itself is the Playlist model.
#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>

#include "engine/player_engine.h"
#include "lyrics/lyrics_sources.h"
#include "platform/files.h"
#include "settings/player_settings.h"
#include "settings/qt/file_browser.h"
#include "settings/qt/playlist_dialog.h"
#include "ui/command_line.h"
#include "ui/commands.h"
#include "ui/string_table.h"
#include "ui/qt/main_window.h"
#include "ui/qt/wait_cursor.h"

namespace vl {

// ---------------------------------------------------------------- forwarding to the model

void MainWindow::AddFolder(const std::wstring& folder) {
    WaitCursor wait;
    SyncPlaylistOptions();
    playlist.AddFolder(folder);
}

bool MainWindow::AddEntry(const std::wstring& path, const std::wstring& title) {
    SyncPlaylistOptions();
    return playlist.AddEntry(path, title);
}

bool MainWindow::DeleteEntry(int index) { return playlist.DeleteEntry(index); }
bool MainWindow::MoveUp(int index) { return playlist.MoveUp(index); }
bool MainWindow::MoveDown(int index) { return playlist.MoveDown(index); }

void MainWindow::ClearPlaylist() {
    playlist.ClearPlaylist();
    update();
}

void MainWindow::SortPlaylist(int key) {
    playlist.SortPlaylist(key);
    InvalidateTrackNumber();
}

int MainWindow::GetEntryCount() { return playlist.GetEntryCount(); }

int MainWindow::GetNextIndex(bool autoAdvance, bool noWrap) {
    SyncPlaylistOptions();
    return playlist.GetNextIndex(autoAdvance, noWrap);
}

int MainWindow::GetPreviousIndex() {
    SyncPlaylistOptions();
    return playlist.GetPreviousIndex();
}

void MainWindow::ResetPlayed() { playlist.ResetPlayed(); }
void MainWindow::EnsureCurrent() { playlist.EnsureCurrent(); }
PlaylistEntry* MainWindow::GetEntry(int index) { return playlist.GetEntry(index); }
bool MainWindow::GetEntryTitle(int index, std::wstring& out) { return playlist.GetEntryTitle(index, out); }
int MainWindow::GetCurrentIndex() { return playlist.GetCurrentIndex(); }
void MainWindow::GetStreamStatus(std::wstring& out) { playlist.GetStreamStatus(out); }
bool MainWindow::SavePlaylist(const std::wstring& path) { return playlist.SavePlaylist(path); }

void MainWindow::LoadPlaylist(const std::wstring& path) {
    SyncPlaylistOptions();
    playlist.LoadPlaylist(path);
}

bool MainWindow::IsPlaylistFile(const std::wstring& path) { return Playlist::IsPlaylistFile(path); }
std::wstring MainWindow::GetDefaultPlaylistPath() { return Playlist::GetDefaultPlaylistPath(); }
bool MainWindow::IsUrl(const std::wstring& path) { return Playlist::IsUrl(path); }

// ---------------------------------------------------------------- engine side

bool MainWindow::OpenEntry(int index) {
    WaitCursor wait;
    PlaylistEntry* entry = GetEntry(index);
    if (!entry) return false;
    Stop();
    UpdateTime();
    InvalidatePlayState();
    InvalidateStreamInfo();
    engine->SetOutputSettings(settings->output);
    engine->SetStreamSettings(settings->stream);
    if (index == GetCurrentIndex() && lastOpenSucceeded) return true;

    bool ok;
    if (IsUrl(entry->path)) {
        ok = engine->OpenStream(entry->path);
    } else {
        ok = engine->Open(entry->path);
    }
    if (ok) {
        engine->GetTrackInfo(entry->trackInfo);
        engine->GetTagInfo(entry->tags);
        if (!IsUrl(entry->path)) LoadLyricsOf(*entry);
        SyncPlaylistOptions();
        playlist.MarkOpened(index);
    }
    volumeDisplay = 0;
    KillTimer(3);
    playlist.SetCurrentIndex(index);
    update();
    if (playlistDialog) playlistDialog->MarkCurrent(index);
    lastOpenSucceeded = ok;
    return ok;
}

void MainWindow::LoadLyricsOf(const PlaylistEntry& entry) {
    LoadLyricsFor(lyrics, entry.path, &entry.tags, LyricsFolderSetting());
}

bool MainWindow::Play(int index) {
    int current = GetCurrentIndex();
    if (index == -1 || index == current) {
        PlaylistEntry* entry = GetEntry(index == -1 ? current : index);
        if (!lyrics.IsLoaded() && entry && !IsUrl(entry->path)) LoadLyricsOf(*entry);
    } else if (!OpenEntry(index)) {
        return false;
    }
    engine->SetOutputSettings(settings->output);
    engine->SetStreamSettings(settings->stream);
    if (engine->Play()) return true;
    OpenEntry(index == -1 ? GetCurrentIndex() : index);
    return engine->Play();
}

void MainWindow::Pause() { engine->Pause(); }

void MainWindow::Stop() {
    engine->Stop();
    // A user stop must not be taken for the natural end of the track.
    QCoreApplication::removePostedEvents(this, WM_ENGINE_STATE);
    KillTimer(7);
}

void MainWindow::CloseTrack() {
    Stop();
    engine->Close();
    // Nothing is open any more, so the next OpenEntry of the current entry opens it again.
    lastOpenSucceeded = false;
}

void MainWindow::SeekTo(int ms) { engine->Seek(ms); }

// ---------------------------------------------------------------- filling

void MainWindow::OnCopyData(unsigned long dwData, const std::string& bytes) {
    if (dwData != kCommandLineData) return;
    ClearPlaylist();
    for (const std::wstring& path : ReadCommandLineRecord(bytes)) {
        if (IsDirectory(path)) AddFolder(path);
        else if (IsPlaylistFile(path)) LoadPlaylist(path);
        else AddEntry(path);
    }
    update();
    RefreshPlaylistDialog();
    Play(-1);
}

bool MainWindow::BrowseFiles(bool add) {
    if (dialogBusy) return false;
    dialogBusy = 1;
    FileBrowserRequest request;
    request.extensions = {L"rmp", L"mp3", L"mp2", L"mpa", L"ogg", L"wav"};
    // Files of the plug-in formats are offered too, as a folder adds them.
    for (const std::wstring& extension : PluginExtensions(engine.get())) request.extensions.push_back(extension);
    request.includeSubfolders = settings->searchSubFolders != 0;
    QWidget* owner = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : this;
    int result = BrowseForFiles(request, owner);
    dialogBusy = 0;
    if (result != 1) return false;
    settings->searchSubFolders = request.includeSubfolders ? 1 : 0;
    if (request.results.empty()) return false;
    if (!add) ClearPlaylist();
    for (const std::wstring& path : request.results) {
        if (IsPlaylistFile(path)) LoadPlaylist(path);
        else AddEntry(path);
    }
    return true;
}

void MainWindow::SavePlaylistAs(QWidget* owner) {
    if (dialogBusy) return;
    dialogBusy = 1;
    QFileDialog dialog(owner ? owner : this, QString::fromWCharArray(GetString(6)));
    dialog.setObjectName(QStringLiteral("SavePlaylist"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("M3U Playlist (*.m3u *.M3U)"));
    dialog.setDefaultSuffix(QStringLiteral("m3u"));
    std::wstring lastDir = GetText(settings->lastDir);
    if (!lastDir.empty()) dialog.setDirectory(QString::fromStdWString(lastDir));
    bool accepted = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    dialogBusy = 0;
    if (accepted) SavePlaylist(dialog.selectedFiles().front().toStdWString());
}

}  // namespace vl
