#include "ui/qt/single_instance.h"

#include <QFile>
#include <QLocalSocket>
#include <QPointer>

#include <cstdio>

#include "platform/files.h"
#include "ui/command_line.h"
#include "ui/commands.h"
#include "ui/qt/main_window.h"

namespace vl {

namespace {

constexpr unsigned kWmCommand = 273;
// A frame larger than this is not a command line: the connection is dropped.
constexpr uint32_t kMaxPayload = 16u << 20;

void PutU32(QByteArray& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

uint32_t GetU32(const QByteArray& in, int at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<uint8_t>(in[at + i])) << (8 * i);
    return v;
}

QByteArray Frame(uint32_t message, const QByteArray& payload) {
    QByteArray out;
    PutU32(out, message);
    PutU32(out, static_cast<uint32_t>(payload.size()));
    out.append(payload);
    return out;
}

// Sends one frame and waits for its answer.
bool SendFrame(QLocalSocket& socket, uint32_t message, const QByteArray& payload, int timeoutMs) {
    socket.write(Frame(message, payload));
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    while (socket.bytesAvailable() < 4)
        if (!socket.waitForReadyRead(timeoutMs)) return false;
    socket.read(4);
    return true;
}

}  // namespace

QString InstanceSocketPath() {
    std::wstring dir = GetRuntimeDir();
    return dir.empty() ? QString() : QString::fromStdWString(JoinPath(dir, L"Orvanel"));
}

InstanceServer::InstanceServer(QObject* parent) : QObject(parent) {
    connect(&server_, &QLocalServer::newConnection, this, &InstanceServer::OnConnection);
}

bool InstanceServer::Listen() {
    // A plain bind claims the name atomically: it fails while the socket file exists. (Qt's
    // access options would bind elsewhere and rename over the file, so two players could run.)
    std::string problem;
    if (GetRuntimeDir(&problem).empty()) {
        // No folder that only we can enter: this player runs alone rather than meet a stranger.
        std::fprintf(stderr, "versolune: %s; running without the single-instance hand-over\n", problem.c_str());
        return true;
    }
    QString path = InstanceSocketPath();
    bool ok = server_.listen(path);
    if (!ok) {
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(1000)) return false;  // another player answers
        QLocalServer::removeServer(path);                // left behind by a player that is gone
        ok = server_.listen(path);
    }
    if (ok) QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return ok;
}

void InstanceServer::SetWindow(MainWindow* window) {
    window_ = window;
    ServeWaiting();
}

void InstanceServer::OnConnection() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Serve(socket); });
        Serve(socket);
    }
}

void InstanceServer::ServeWaiting() {
    for (QLocalSocket* socket : findChildren<QLocalSocket*>()) Serve(socket);
}

void InstanceServer::Serve(QLocalSocket* socket) {
    if (!window_) return;  // the window is not there yet: the data waits in the socket
    QPointer<QLocalSocket> guard(socket);
    while (guard && socket->bytesAvailable() >= 8) {
        QByteArray head = socket->peek(8);
        uint32_t message = GetU32(head, 0), length = GetU32(head, 4);
        if (length > kMaxPayload) {
            socket->abort();
            return;
        }
        if (socket->bytesAvailable() < 8 + static_cast<qint64>(length)) return;
        socket->read(8);
        QByteArray payload = socket->read(length);
        uint32_t result = 0;
        if (message == kWmCommand && payload.size() >= 4) {
            int id = static_cast<int>(GetU32(payload, 0) & 0xFFFF);
            result = static_cast<uint32_t>(window_->OnCommand(id));
            if (id == IDM_SHOW_HIDE) {
                // The show command restores a hidden player; either way it comes forward.
                window_->raise();
                window_->activateWindow();
            }
        } else if (message == WM_COPYDATA && payload.size() >= 4) {
            std::string bytes(payload.constData() + 4, payload.size() - 4);
            window_->OnCopyData(GetU32(payload, 0), bytes);
        }
        if (!guard) return;
        QByteArray answer;
        PutU32(answer, result);
        socket->write(answer);
        socket->flush();
    }
}

bool HandOverToRunningPlayer(const std::wstring& commandLine, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(InstanceSocketPath());
    if (!socket.waitForConnected(2000)) return false;
    QByteArray show;
    PutU32(show, IDM_SHOW_HIDE);
    if (!SendFrame(socket, kWmCommand, show, timeoutMs)) return false;
    std::string record = BuildCommandLineRecord(commandLine);
    if (!record.empty()) {
        QByteArray payload;
        PutU32(payload, static_cast<uint32_t>(kCommandLineData));
        payload.append(record.data(), static_cast<qsizetype>(record.size()));
        if (!SendFrame(socket, WM_COPYDATA, payload, timeoutMs)) return false;
    }
    socket.disconnectFromServer();
    return true;
}

}  // namespace vl
