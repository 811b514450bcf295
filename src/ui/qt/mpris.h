#pragma once
// The player on the session bus as a media player the desktop can drive (its media keys, sound
// menu, playerctl): the MediaPlayer2 root and Player interfaces over the main window's commands.
// Without a session bus it does nothing. Changes are found by comparing the published values
// every 200 ms and after each call, and sent as PropertiesChanged; a jump of the position is
// sent as Seeked. Destroy it before the window.
#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

#include <memory>

namespace vl {

class MainWindow;

class Mpris : public QObject {
    Q_OBJECT

public:
    explicit Mpris(MainWindow& window);
    ~Mpris() override;

    // False when there is no session bus or the name is taken.
    bool IsRegistered() const { return registered_; }

    // ---- what the interfaces publish ----
    QString PlaybackStatus() const;
    QString LoopStatus() const;
    void SetLoopStatus(const QString& status);
    bool Shuffle() const;
    void SetShuffle(bool on);
    double Volume() const;
    void SetVolume(double volume);
    qlonglong Position() const;  // microseconds
    QVariantMap Metadata() const;
    bool CanGoNext() const;
    bool CanPlay() const;
    bool CanSeek() const;

    // ---- what the interfaces do ----
    void Raise();
    void Quit();
    void Play();
    void Pause();
    void PlayPause();
    void Stop();
    void Next();
    void Previous();
    void Seek(qlonglong offset);
    void SetPosition(const QDBusObjectPath& track, qlonglong position);
    // False (with an error text) for a scheme or file the player cannot open.
    bool OpenUri(const QString& uri, QString& error);

    // Sends what changed since the last look.
    void Refresh();

private:
    QDBusObjectPath TrackId() const;
    void SeekTo(qlonglong position);
    void SendChanges(const char* interface, const QVariantMap& now, QVariantMap& before);

    MainWindow& window_;
    QTimer poll_;
    bool registered_ = false;
    QVariantMap lastPlayer_;
    qlonglong lastPosition_ = 0;
    qint64 lastPositionClock_ = 0;
};

}  // namespace vl
