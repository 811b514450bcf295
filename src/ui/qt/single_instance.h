#pragma once
// One player per user: the first start listens on the local socket "Orvanel" in the runtime
// folder; a second start connects, sends its messages and waits until the first has handled
// them (as SendMessage would). Frames on the socket, all numbers little-endian 32-bit:
//
//   [message][length][payload]
//     message 273 (WM_COMMAND): payload = the command id
//     message 74  (WM_COPYDATA): payload = dwData, then the record's bytes (cbData of them)
//
// The first start answers each frame with 4 bytes (the handler's result) once it is done.
#include <QLocalServer>
#include <QObject>

#include <cstdint>
#include <string>

namespace vl {

class MainWindow;

// The socket's full path: <runtime folder>/Orvanel; empty when the runtime folder is refused.
QString InstanceSocketPath();

// The running player's side.
class InstanceServer : public QObject {
    Q_OBJECT

public:
    explicit InstanceServer(QObject* parent = nullptr);
    // Claims the name: false when another player answers on it (a stale socket of a player
    // that is gone is taken over). Without a private runtime folder it says so on stderr and
    // returns true without listening.
    bool Listen();
    // Messages go to this window; while there is none, connections wait.
    void SetWindow(MainWindow* window);

private:
    void OnConnection();
    void ServeWaiting();
    void Serve(class QLocalSocket* socket);

    QLocalServer server_;
    MainWindow* window_ = nullptr;
};

// The second start's side: restores the running window when it is hidden, brings it forward
// and hands over the command line (nothing when it is empty). False when no player answered.
bool HandOverToRunningPlayer(const std::wstring& commandLine, int timeoutMs = 60000);

}  // namespace vl
