#include "ui/qt/mpris.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDateTime>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <cmath>

#include "engine/player_engine.h"
#include "lyrics/lyrics_model.h"
#include "platform/text.h"
#include "platform/wave_out.h"
#include "settings/player_settings.h"
#include "ui/command_line.h"
#include "ui/commands.h"
#include "ui/qt/main_window.h"

namespace vl {

namespace {

const char kObjectPath[] = "/org/mpris/MediaPlayer2";
const char kPlayerInterface[] = "org.mpris.MediaPlayer2.Player";
const char kNoTrack[] = "/org/mpris/MediaPlayer2/TrackList/NoTrack";

QString Text(const wchar_t* text) { return QString::fromWCharArray(text); }

}  // namespace

class MprisRoot : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)

public:
    explicit MprisRoot(Mpris* mpris) : QDBusAbstractAdaptor(mpris), mpris_(mpris) {}
    bool CanQuit() const { return true; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    QString Identity() const { return QStringLiteral("Versolune"); }
    QString DesktopEntry() const { return QStringLiteral("versolune"); }
    QStringList SupportedUriSchemes() const { return {QStringLiteral("file"), QStringLiteral("http")}; }
    QStringList SupportedMimeTypes() const {
        return {QStringLiteral("audio/mpeg"),     QStringLiteral("audio/ogg"),
                QStringLiteral("audio/x-vorbis+ogg"), QStringLiteral("audio/x-wav"),
                QStringLiteral("audio/flac"),     QStringLiteral("audio/x-mpegurl"),
                QStringLiteral("audio/x-scpls")};
    }

public slots:
    void Raise() { mpris_->Raise(); }
    void Quit() { mpris_->Quit(); }

private:
    Mpris* mpris_;
};

class MprisPlayer : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(QString LoopStatus READ LoopStatus WRITE SetLoopStatus)
    Q_PROPERTY(double Rate READ Rate WRITE SetRate)
    Q_PROPERTY(bool Shuffle READ Shuffle WRITE SetShuffle)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoNext)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPlay)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)

public:
    explicit MprisPlayer(Mpris* mpris) : QDBusAbstractAdaptor(mpris), mpris_(mpris) {
        setAutoRelaySignals(true);
    }
    QString PlaybackStatus() const { return mpris_->PlaybackStatus(); }
    QString LoopStatus() const { return mpris_->LoopStatus(); }
    void SetLoopStatus(const QString& s) { mpris_->SetLoopStatus(s); }
    double Rate() const { return 1.0; }
    void SetRate(double) {}  // one speed only
    bool Shuffle() const { return mpris_->Shuffle(); }
    void SetShuffle(bool on) { mpris_->SetShuffle(on); }
    QVariantMap Metadata() const { return mpris_->Metadata(); }
    double Volume() const { return mpris_->Volume(); }
    void SetVolume(double v) { mpris_->SetVolume(v); }
    qlonglong Position() const { return mpris_->Position(); }
    bool CanGoNext() const { return mpris_->CanGoNext(); }
    bool CanPlay() const { return mpris_->CanPlay(); }
    bool CanSeek() const { return mpris_->CanSeek(); }
    bool CanControl() const { return true; }

public slots:
    void Next() { mpris_->Next(); }
    void Previous() { mpris_->Previous(); }
    void Pause() { mpris_->Pause(); }
    void PlayPause() { mpris_->PlayPause(); }
    void Stop() { mpris_->Stop(); }
    void Play() { mpris_->Play(); }
    void Seek(qlonglong offset) { mpris_->Seek(offset); }
    void SetPosition(const QDBusObjectPath& track, qlonglong position) { mpris_->SetPosition(track, position); }
    void OpenUri(const QString& uri, const QDBusMessage& message) {
        QString error;
        if (mpris_->OpenUri(uri, error)) return;
        message.setDelayedReply(true);
        QDBusConnection::sessionBus().send(message.createErrorReply(QDBusError::InvalidArgs, error));
    }

signals:
    void Seeked(qlonglong Position);

private:
    Mpris* mpris_;
};

Mpris::Mpris(MainWindow& window) : window_(window) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    new MprisRoot(this);
    new MprisPlayer(this);
    if (!bus.registerObject(kObjectPath, this)) return;
    if (!bus.registerService(QStringLiteral("org.mpris.MediaPlayer2.versolune"))) {
        bus.unregisterObject(kObjectPath);
        return;
    }
    registered_ = true;
    lastPosition_ = Position();
    lastPositionClock_ = QDateTime::currentMSecsSinceEpoch();
    connect(&poll_, &QTimer::timeout, this, &Mpris::Refresh);
    poll_.start(200);
}

Mpris::~Mpris() {
    if (!registered_) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(QStringLiteral("org.mpris.MediaPlayer2.versolune"));
    bus.unregisterObject(kObjectPath);
}

QString Mpris::PlaybackStatus() const {
    switch (window_.GetEngine()->GetState()) {
    case 1:
    case 3: return QStringLiteral("Playing");
    case 2: return QStringLiteral("Paused");
    default: return QStringLiteral("Stopped");
    }
}

QString Mpris::LoopStatus() const {
    switch (window_.GetSettings()->repeat) {
    case 1: return QStringLiteral("Playlist");
    case 2: return QStringLiteral("Track");
    default: return QStringLiteral("None");
    }
}

void Mpris::SetLoopStatus(const QString& status) {
    if (status == QLatin1String("None")) window_.OnCommand(IDM_REPEAT_NONE);
    else if (status == QLatin1String("Playlist")) window_.OnCommand(IDM_REPEAT_ALL);
    else if (status == QLatin1String("Track")) window_.OnCommand(IDM_REPEAT_ONE);
    Refresh();
}

bool Mpris::Shuffle() const { return window_.GetSettings()->shuffle != 0; }

void Mpris::SetShuffle(bool on) {
    if (on != Shuffle()) window_.OnCommand(IDM_SHUFFLE);
    Refresh();
}

double Mpris::Volume() const { return (GetWaveVolume() & 0xFFFF) / 65535.0; }

void Mpris::SetVolume(double volume) {
    if (std::isnan(volume)) return;
    uint32_t level = static_cast<uint32_t>(std::lround(std::clamp(volume, 0.0, 1.0) * 65535.0));
    SetWaveVolume(level | (level << 16));
    window_.ShowVolumeChange();
    Refresh();
}

qlonglong Mpris::Position() const { return static_cast<qlonglong>(window_.GetEngine()->GetPosition()) * 1000; }

QDBusObjectPath Mpris::TrackId() const {
    int index = window_.GetCurrentIndex();
    if (index < 0 || !window_.GetEntry(index)) return QDBusObjectPath(kNoTrack);
    return QDBusObjectPath(QStringLiteral("/io/github/versolune/track/%1").arg(index));
}

QVariantMap Mpris::Metadata() const {
    QVariantMap m;
    int index = window_.GetCurrentIndex();
    PlaylistEntry* entry = index >= 0 ? window_.GetEntry(index) : nullptr;
    m.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(TrackId()));
    if (!entry) return m;
    int duration = window_.GetEngine()->GetDuration();
    if (duration > 0) m.insert(QStringLiteral("mpris:length"), static_cast<qlonglong>(duration) * 1000);
    QString title = Text(entry->tags.title);
    if (title.isEmpty()) {
        std::wstring shown;
        window_.GetEntryTitle(index, shown);
        title = QString::fromStdWString(shown);
    }
    m.insert(QStringLiteral("xesam:title"), title);
    QString artist = Text(entry->tags.artist);
    if (!artist.isEmpty()) m.insert(QStringLiteral("xesam:artist"), QStringList{artist});
    QString album = Text(entry->tags.album);
    if (!album.isEmpty()) m.insert(QStringLiteral("xesam:album"), album);
    QString path = QString::fromStdWString(entry->path);
    m.insert(QStringLiteral("xesam:url"),
             window_.IsUrl(entry->path) ? path : QUrl::fromLocalFile(path).toString());
    const LyricsModel& lyrics = window_.lyrics;
    if (lyrics.IsLoaded() && lyrics.GetLineCount() > 0) {
        QStringList lines;
        for (int i = 0; i < lyrics.GetLineCount(); ++i) {
            const LyricLine& line = lyrics.GetLine(i);
            QString text = QString::fromStdWString(line.text).trimmed();
            if (line.secondText) text += QStringLiteral(" / ") + QString::fromStdWString(*line.secondText);
            lines << text;
        }
        m.insert(QStringLiteral("xesam:asText"), lines.join(QLatin1Char('\n')));
    }
    return m;
}

bool Mpris::CanGoNext() const { return window_.GetEntryCount() > 0; }
bool Mpris::CanPlay() const { return window_.GetEntryCount() > 0; }
bool Mpris::CanSeek() const { return window_.GetCurrentIndex() >= 0 && window_.GetEngine()->GetDuration() > 0; }

void Mpris::Raise() {
    window_.show();
    window_.showNormal();
    window_.raise();
    window_.activateWindow();
}

void Mpris::Quit() { window_.close(); }

void Mpris::Play() {
    int state = window_.GetEngine()->GetState();
    if (state == 2) window_.OnCommand(IDM_PLAY_PAUSE);
    else if (state == 0 && CanPlay()) window_.Play(std::max(window_.GetCurrentIndex(), 0));
    Refresh();
}

void Mpris::Pause() {
    if (window_.GetEngine()->GetState() == 1) window_.OnCommand(IDM_PLAY_PAUSE);
    Refresh();
}

void Mpris::PlayPause() {
    int state = window_.GetEngine()->GetState();
    if (state == 0) Play();
    else window_.OnCommand(IDM_PLAY_PAUSE);
    Refresh();
}

void Mpris::Stop() {
    window_.OnCommand(IDM_STOP);
    Refresh();
}

void Mpris::Next() {
    window_.OnCommand(IDM_NEXT);
    Refresh();
}

void Mpris::Previous() {
    window_.OnCommand(IDM_PREVIOUS);
    Refresh();
}

void Mpris::SeekTo(qlonglong position) {
    window_.SeekTo(static_cast<int>(position / 1000));
    lastPosition_ = Position();
    lastPositionClock_ = QDateTime::currentMSecsSinceEpoch();
    emit findChild<MprisPlayer*>()->Seeked(lastPosition_);
    Refresh();
}

void Mpris::Seek(qlonglong offset) {
    if (!CanSeek()) return;
    qlonglong length = static_cast<qlonglong>(window_.GetEngine()->GetDuration()) * 1000;
    qlonglong target = Position() + offset;
    if (target >= length) {
        Next();
        return;
    }
    SeekTo(std::max<qlonglong>(target, 0));
}

void Mpris::SetPosition(const QDBusObjectPath& track, qlonglong position) {
    if (!CanSeek() || track != TrackId()) return;
    qlonglong length = static_cast<qlonglong>(window_.GetEngine()->GetDuration()) * 1000;
    if (position < 0 || position > length) return;
    SeekTo(position);
}

bool Mpris::OpenUri(const QString& uri, QString& error) {
    QUrl url(uri);
    std::wstring path;
    if (url.isLocalFile()) {
        QString local = url.toLocalFile();
        if (!QFileInfo::exists(local)) {
            error = QStringLiteral("No such file: ") + local;
            return false;
        }
        path = local.toStdWString();
    } else if (url.scheme() == QLatin1String("http")) {
        path = uri.toStdWString();
    } else {
        error = QStringLiteral("Unsupported address: ") + uri;
        return false;
    }
    window_.OnCopyData(kCommandLineData, BuildCommandLineRecord(JoinCommandLine({path})));
    Refresh();
    return true;
}

void Mpris::SendChanges(const char* interface, const QVariantMap& now, QVariantMap& before) {
    QVariantMap changed;
    for (auto it = now.begin(); it != now.end(); ++it)
        if (before.value(it.key()) != it.value()) changed.insert(it.key(), it.value());
    before = now;
    if (changed.isEmpty()) return;
    QDBusMessage signal = QDBusMessage::createSignal(kObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(interface) << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

void Mpris::Refresh() {
    if (!registered_) return;
    QVariantMap now;
    now.insert(QStringLiteral("PlaybackStatus"), PlaybackStatus());
    now.insert(QStringLiteral("LoopStatus"), LoopStatus());
    now.insert(QStringLiteral("Shuffle"), Shuffle());
    now.insert(QStringLiteral("Volume"), Volume());
    now.insert(QStringLiteral("Metadata"), Metadata());
    now.insert(QStringLiteral("CanGoNext"), CanGoNext());
    now.insert(QStringLiteral("CanGoPrevious"), CanGoNext());
    now.insert(QStringLiteral("CanPlay"), CanPlay());
    now.insert(QStringLiteral("CanPause"), CanPlay());
    now.insert(QStringLiteral("CanSeek"), CanSeek());
    bool sameTrack = !lastPlayer_.isEmpty() && lastPlayer_.value(QStringLiteral("Metadata")) == now.value(QStringLiteral("Metadata"));
    SendChanges(kPlayerInterface, now, lastPlayer_);

    // A position that moved otherwise than the clock did was a seek (keys, seek bar, A-B loop).
    qint64 clock = QDateTime::currentMSecsSinceEpoch();
    qlonglong position = Position();
    qlonglong expected = lastPosition_;
    if (PlaybackStatus() == QLatin1String("Playing")) expected += (clock - lastPositionClock_) * 1000;
    if (sameTrack && std::llabs(position - expected) > 1500000)
        emit findChild<MprisPlayer*>()->Seeked(position);
    lastPosition_ = position;
    lastPositionClock_ = clock;
}

}  // namespace vl

#include "mpris.moc"
