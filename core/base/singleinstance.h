#pragma once
// One running program per user. The first start owns a local socket in the
// user's runtime folder; a later start (a double click, a file manager's
// "open with") connects to it, hands over the files of its command line and
// ends, and the running program opens them.
//
// Who runs is settled by an exclusive flock() on a lock file beside the
// socket ("<socket>.lock"). The running program holds it for its whole life
// and the kernel lets go of it when the process ends, however it ends: so two
// starts at the same moment end with exactly one owner, and a socket file
// left by a crash belongs to nobody and is taken over.
//
// On the socket a start sends one message: the magic "QM738 files\n", the
// number of files and each file's path as UTF-8 (QDataStream: a 32-bit
// big-endian count, then each path as a 32-bit length and its bytes). Paths
// are absolute, relative ones resolved against the sender's working folder.
// The owner answers one byte (0x06) once it has read the files; the start
// then confirms with one byte (0x06) that it leaves them to the owner, and
// only then does the owner open them. A start that gives up waiting closes
// the socket without confirming and opens the files itself: one of the two
// opens them, never both.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

namespace InstanceMessage {

// The message that carries `files` (already absolute).
QByteArray Encode(const QStringList &files);

enum class TDecode { Complete, Incomplete, Invalid };
// Decodes one message from the start of `bytes`: Complete (with the files),
// Incomplete (more bytes needed) or Invalid (not such a message, or one
// larger than any real list of files).
TDecode Decode(const QByteArray &bytes, QStringList *files);

constexpr char Acknowledge = 0x06;
constexpr char Confirm = 0x06;

} // namespace InstanceMessage

class TSingleInstance : public QObject {
    Q_OBJECT
public:
    // `socketPath`: the full path of the socket; its folder is created when missing.
    explicit TSingleInstance(const QString &socketPath, QObject *parent = nullptr);
    ~TSingleInstance() override; // stops serving and lets go of the lock

    // The socket of the user's running program, in the runtime folder.
    static QString DefaultSocketPath();

    enum class TStart {
        First,      // this process owns the lock; Serve() once it can take files
        HandedOver, // the running program took the files: this start ends
        Alone       // neither (no lock file, or the owner never answered): run without serving
    };
    // Takes the lock, or hands `files` (relative ones made absolute) to the
    // owner, retrying until `timeoutMs` while the owner is not listening yet.
    TStart Start(const QStringList &files, int timeoutMs = 5000);

    // Listens on the socket (a stale socket file is removed first). Only for
    // the owner of the lock; false with ErrorString() otherwise.
    bool Serve();

    QString ErrorString() const { return m_error; }

signals:
    // Files handed over by a later start, in the order it named them. Emitted
    // once that start has confirmed that it leaves them to this program.
    void FilesReceived(const QStringList &files);

private:
    QString LockPath() const { return m_socketPath + QStringLiteral(".lock"); }
    bool HandOver(const QByteArray &message, int timeoutMs);
    void Accept();
    void Receive(QLocalSocket *socket);

    QString m_socketPath;
    QString m_error;
    int m_lockFd = -1;
    QLocalServer *m_server = nullptr;
};
