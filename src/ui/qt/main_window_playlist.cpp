// The window's side of the playlist: opening and playing entries in the engine, the hand-over
// of a command line, and the file dialogs. The list itself is the Playlist model.
#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>

#include "engine/player_engine.h"
#include "lyrics/lyrics_sources.h"
#include "platform/files.h"
#include "settings/known_extensions.h"
#include "settings/player_settings.h"
#include "ui/command_line.h"
#include "ui/commands.h"
#include "ui/string_table.h"
#include "ui/qt/main_window.h"
#include "ui/qt/wait_cursor.h"

namespace vl {

namespace {

// "*.mp3 *.MP3 ..." for the built-in audio extensions and those of the plug-ins.
QString AudioFilter(PlayerEngine* engine) {
    QStringList patterns;
    auto add = [&patterns](const QString& ext) {
        QString lower = ext.toLower();
        if (lower.isEmpty() || patterns.contains(QStringLiteral("*.") + lower)) return;
        patterns << QStringLiteral("*.") + lower << QStringLiteral("*.") + ext.toUpper();
    };
    for (const wchar_t* ext : {L"rmp", L"mp3", L"mp2", L"mpa", L"ogg", L"wav"})
        if (IsKnownExtension(ext, false)) add(QString::fromWCharArray(ext));
    for (int i = 0; engine && i < engine->GetPluginCount(); ++i) {
        const VlDecoderRecord* plugin = engine->GetPlugin(i);
        if (!plugin || !plugin->GetExtensionCount || !plugin->GetExtension) continue;
        for (int k = 0; k < plugin->GetExtensionCount(); ++k) {
            wchar_t ext[32] = {};
            wchar_t description[260] = {};
            if (!plugin->GetExtension(k, ext, description)) continue;
            ext[31] = 0;
            add(QString::fromWCharArray(ext));
        }
    }
    return QStringLiteral("Audio files (%1)").arg(patterns.join(QLatin1Char(' ')));
}

}  // namespace

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
    Play(-1);
}

bool MainWindow::BrowseFiles(bool add) {
    if (dialogBusy) return false;
    dialogBusy = 1;
    QFileDialog dialog(this, QString::fromWCharArray(GetString(add ? 4 : 3)));
    dialog.setObjectName(QStringLiteral("FileBrowser"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilter(AudioFilter(engine));
    std::wstring lastDir = GetText(settings->lastDir);
    if (!lastDir.empty()) dialog.setDirectory(QString::fromStdWString(lastDir));
    bool accepted = dialog.exec() == QDialog::Accepted;
    dialogBusy = 0;
    if (!accepted) return false;
    QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return false;
    SetText(settings->lastDir, DirName(files.front().toStdWString()));
    if (!add) ClearPlaylist();
    for (const QString& file : files) {
        std::wstring path = file.toStdWString();
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
