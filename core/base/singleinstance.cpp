#include "core/base/singleinstance.h"

#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

const QByteArray kMagic = QByteArrayLiteral("QM738 files\n");
// Far beyond any real command line; a message that claims more is not one.
constexpr quint32 kMaxFiles = 4096;
constexpr quint32 kMaxPathBytes = 65536;
// A connection that has not sent a whole message by then is dropped.
constexpr int kReceiveTimeoutMs = 5000;

QString SystemError(const QString &what)
{
    return what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

namespace InstanceMessage {

QByteArray Encode(const QStringList &files)
{
    QByteArray bytes = kMagic;
    QDataStream out(&bytes, QIODevice::WriteOnly | QIODevice::Append);
    out << quint32(files.size());
    for (const QString &file : files) {
        const QByteArray utf8 = file.toUtf8();
        out << quint32(utf8.size());
        out.writeRawData(utf8.constData(), int(utf8.size()));
    }
    return bytes;
}

TDecode Decode(const QByteArray &bytes, QStringList *files)
{
    if (!bytes.startsWith(kMagic))
        return kMagic.startsWith(bytes) ? TDecode::Incomplete : TDecode::Invalid;
    QDataStream in(bytes.mid(kMagic.size()));
    quint32 count = 0;
    in >> count;
    if (in.status() != QDataStream::Ok)
        return TDecode::Incomplete;
    if (count > kMaxFiles)
        return TDecode::Invalid;
    QStringList read;
    for (quint32 i = 0; i < count; ++i) {
        quint32 length = 0;
        in >> length;
        if (in.status() != QDataStream::Ok)
            return TDecode::Incomplete;
        if (length > kMaxPathBytes)
            return TDecode::Invalid;
        QByteArray utf8(int(length), Qt::Uninitialized);
        if (in.readRawData(utf8.data(), int(length)) != int(length))
            return TDecode::Incomplete;
        read << QString::fromUtf8(utf8);
    }
    if (files)
        *files = read;
    return TDecode::Complete;
}

} // namespace InstanceMessage

TSingleInstance::TSingleInstance(const QString &socketPath, QObject *parent)
    : QObject(parent), m_socketPath(socketPath)
{
}

TSingleInstance::~TSingleInstance()
{
    delete m_server; // removes the socket file
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

QString TSingleInstance::DefaultSocketPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath() + QStringLiteral("/qm738-%1").arg(::getuid());
    return folder + QStringLiteral("/qm738-instance");
}

TSingleInstance::TStart TSingleInstance::Start(const QStringList &files, int timeoutMs)
{
    QStringList absolute;
    for (const QString &file : files)
        absolute << QFileInfo(file).absoluteFilePath();
    const QByteArray message = InstanceMessage::Encode(absolute);
    m_error.clear();

    QDir().mkpath(QFileInfo(m_socketPath).absolutePath());
    if (m_lockFd < 0)
        m_lockFd = ::open(QFile::encodeName(LockPath()).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_lockFd < 0) {
        m_error = SystemError(LockPath());
        return TStart::Alone;
    }
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (::flock(m_lockFd, LOCK_EX | LOCK_NB) == 0)
            return TStart::First;
        if (errno != EWOULDBLOCK && errno != EINTR) {
            m_error = SystemError(LockPath());
            break;
        }
        // Another process owns the lock; it may not be listening yet.
        if (HandOver(message, int(std::max<qint64>(timeoutMs - clock.elapsed(), 1)))) {
            ::close(m_lockFd);
            m_lockFd = -1;
            return TStart::HandedOver;
        }
        if (!m_error.isEmpty() || clock.elapsed() >= timeoutMs) {
            if (m_error.isEmpty())
                m_error = QStringLiteral("the running program does not listen on %1").arg(m_socketPath);
            break;
        }
        QThread::msleep(20);
    }
    ::close(m_lockFd);
    m_lockFd = -1;
    return TStart::Alone;
}

// True when the owner took the message. False with no error when nobody
// listens yet (the caller tries again); false with an error when the owner
// was reached but did not answer, so the files are not sent twice.
bool TSingleInstance::HandOver(const QByteArray &message, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(std::min(timeoutMs, 1000)))
        return false;
    QElapsedTimer clock;
    clock.start();
    socket.write(message);
    while (socket.bytesToWrite() > 0 && clock.elapsed() < timeoutMs)
        if (!socket.waitForBytesWritten(int(std::max<qint64>(timeoutMs - clock.elapsed(), 1))))
            break; // the owner went away
    while (socket.bytesAvailable() < 1 && clock.elapsed() < timeoutMs
           && socket.state() == QLocalSocket::ConnectedState)
        socket.waitForReadyRead(int(std::max<qint64>(timeoutMs - clock.elapsed(), 1)));
    char answer = 0;
    if (socket.read(&answer, 1) == 1 && answer == InstanceMessage::Acknowledge) {
        // The owner has the files; it opens them once told to. Not told (the
        // confirmation not written), it never does, and this start opens them.
        socket.write(&InstanceMessage::Confirm, 1);
        if (socket.waitForBytesWritten(int(std::max<qint64>(timeoutMs - clock.elapsed(), 100))) || socket.bytesToWrite() == 0)
            return true;
    }
    m_error = QStringLiteral("the running program did not take the files");
    return false;
}

bool TSingleInstance::Serve()
{
    if (m_server)
        return true;
    if (m_lockFd < 0) {
        m_error = QStringLiteral("another program owns %1").arg(LockPath());
        return false;
    }
    // Holding the lock, any socket file there is a dead program's.
    QLocalServer::removeServer(m_socketPath);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_socketPath)) {
        m_error = m_server->errorString();
        delete m_server;
        m_server = nullptr;
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, &TSingleInstance::Accept);
    return true;
}

void TSingleInstance::Accept()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Receive(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(kReceiveTimeoutMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        Receive(socket);
    }
}

void TSingleInstance::Receive(QLocalSocket *socket)
{
    QStringList files;
    switch (InstanceMessage::Decode(socket->peek(socket->bytesAvailable()), &files)) {
    case InstanceMessage::TDecode::Incomplete:
        return;
    case InstanceMessage::TDecode::Invalid:
        socket->abort();
        socket->deleteLater();
        return;
    case InstanceMessage::TDecode::Complete:
        break;
    }
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    socket->readAll();
    socket->write(&InstanceMessage::Acknowledge, 1);
    socket->flush();
    // The files are this program's once the start confirms; a start that
    // gave up meanwhile closes the socket instead and opens them itself.
    const auto confirmed = [this, socket, files] {
        if (socket->bytesAvailable() < 1)
            return;
        char answer = 0;
        socket->read(&answer, 1);
        disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
        socket->disconnectFromServer();
        if (answer == InstanceMessage::Confirm)
            emit FilesReceived(files);
    };
    connect(socket, &QLocalSocket::readyRead, this, confirmed);
    confirmed();
}
