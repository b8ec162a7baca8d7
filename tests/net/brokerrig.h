#pragma once
// A mosquitto broker of the test's own: free ports on 127.0.0.1, its
// configuration, persistence, password file and TLS files (a CA and a
// certificate for localhost made with openssl) in a temporary folder.
// The plain listener lets anyone in (the test's subscriber); a client
// that names a user must give its password. The TLS listener, when made,
// takes the same users.
//
// And a DNS server of the test's own on a free UDP port of 127.0.0.1 (for
// QM738_NAMESERVER): it answers every name with ::1 and 127.0.0.1, or
// reads the questions and never answers.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <poll.h>
#include <thread>

class TBrokerRig {
public:
    static constexpr const char *User = "meter";
    static constexpr const char *Password = "s3cret-Pa55";

    ~TBrokerRig() { Stop(); }

    // Writes the files and starts the broker; with `tls` a second listener
    // with the test CA's certificate for localhost. False with the reason.
    bool Start(bool tls, QString *error)
    {
        m_port = FreePort();
        m_tlsPort = tls ? FreePort() : 0;
        QString config = QStringLiteral("per_listener_settings false\nallow_anonymous true\n"
                                        "persistence true\npersistence_location %1/\nmax_queued_messages 100000\n"
                                        "password_file %1/passwd\nlistener %2 127.0.0.1\n")
                             .arg(m_dir.path())
                             .arg(m_port);
        if (const passwd *me = getpwuid(getuid())) // a broker started by root keeps root's rights
            config += QStringLiteral("user %1\n").arg(QString::fromLocal8Bit(me->pw_name));
        if (!Run(QStringLiteral("mosquitto_passwd"),
                 {QStringLiteral("-c"), QStringLiteral("-b"), Path("passwd"), QLatin1String(User), QLatin1String(Password)},
                 error))
            return false;
        if (tls) {
            if (!MakeTlsFiles(error))
                return false;
            config += QStringLiteral("listener %1 127.0.0.1\ncafile %2\ncertfile %3\nkeyfile %4\n")
                          .arg(m_tlsPort)
                          .arg(Path("ca.crt"), Path("server.crt"), Path("server.key"));
        }
        QFile file(Path("mosquitto.conf"));
        if (!file.open(QIODevice::WriteOnly) || file.write(config.toUtf8()) < 0) {
            *error = QStringLiteral("cannot write the broker's configuration");
            return false;
        }
        file.close();
        return Restart(error);
    }

    // Starts the broker again with the same configuration (after Stop).
    bool Restart(QString *error)
    {
        m_broker = std::make_unique<QProcess>();
        m_broker->setProcessChannelMode(QProcess::MergedChannels);
        m_broker->setStandardOutputFile(Path("broker.log"), QIODevice::Append);
        m_broker->start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), Path("mosquitto.conf")});
        if (!m_broker->waitForStarted(5000)) {
            *error = QStringLiteral("cannot start mosquitto: ") + m_broker->errorString();
            return false;
        }
        QElapsedTimer clock;
        clock.start();
        while (!Accepts(m_port) || (m_tlsPort && !Accepts(m_tlsPort))) {
            if (clock.elapsed() > 5000 || m_broker->state() != QProcess::Running) {
                QFile log(Path("broker.log"));
                log.open(QIODevice::ReadOnly);
                *error = QStringLiteral("mosquitto does not listen: ") + QString::fromUtf8(log.readAll());
                return false;
            }
            QThread::msleep(20);
        }
        return true;
    }

    // SIGTERM: the broker saves its sessions and closes every connection.
    void Stop()
    {
        if (!m_broker)
            return;
        m_broker->terminate();
        if (!m_broker->waitForFinished(5000))
            m_broker->kill();
        m_broker->waitForFinished(2000);
        m_broker.reset();
    }

    int Port() const { return m_port; }
    QString Url() const { return QStringLiteral("mqtt://127.0.0.1:%1").arg(m_port); }
    QString TlsUrl() const { return QStringLiteral("mqtts://localhost:%1").arg(m_tlsPort); }
    QString Path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

    // mosquitto_sub on the plain listener, printing "topic payload" lines of
    // `topics`; with an id, a lasting session that the broker keeps across
    // its own restart.
    std::unique_ptr<QProcess> Subscribe(const QStringList &topics, const QString &id = QString()) const
    {
        auto sub = std::make_unique<QProcess>();
        QStringList args{QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"), QString::number(m_port),
                         QStringLiteral("-q"), QStringLiteral("1"), QStringLiteral("-v")};
        if (!id.isEmpty())
            args << QStringLiteral("-c") << QStringLiteral("-i") << id;
        for (const QString &t : topics)
            args << QStringLiteral("-t") << t;
        sub->start(QStringLiteral("mosquitto_sub"), args);
        sub->waitForStarted(5000);
        return sub;
    }

private:
    static int FreePort()
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a = {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        int port = 0;
        if (::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0
            && ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &size) == 0)
            port = ntohs(a.sin_port);
        ::close(fd);
        return port;
    }

    static bool Accepts(int port)
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a = {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(uint16_t(port));
        const bool ok = ::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0;
        ::close(fd);
        return ok;
    }

    bool Run(const QString &program, const QStringList &args, QString *error) const
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.setWorkingDirectory(m_dir.path());
        p.start(program, args);
        if (p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
            return true;
        *error = QStringLiteral("%1 failed: %2").arg(program, QString::fromUtf8(p.readAll()));
        return false;
    }

    bool MakeTlsFiles(QString *error) const
    {
        const QString openssl = QStringLiteral("openssl");
        QFile ext(Path("server.ext"));
        if (!ext.open(QIODevice::WriteOnly) || ext.write("subjectAltName=DNS:localhost,IP:127.0.0.1\n") < 0)
            return false;
        ext.close();
        return Run(openssl,
                   {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=QM738 test CA",
                    "-keyout", Path("ca.key"), "-out", Path("ca.crt")},
                   error)
               && Run(openssl,
                      {"req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=localhost", "-keyout", Path("server.key"),
                       "-out", Path("server.csr")},
                      error)
               && Run(openssl,
                      {"x509", "-req", "-in", Path("server.csr"), "-CA", Path("ca.crt"), "-CAkey", Path("ca.key"),
                       "-CAcreateserial", "-days", "2", "-extfile", Path("server.ext"), "-out", Path("server.crt")},
                      error);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_broker;
    int m_port = 0;
    int m_tlsPort = 0;
};

class TDnsRig {
public:
    explicit TDnsRig(bool answers) : m_answers(answers)
    {
        m_fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a = {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        ::bind(m_fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
        ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&a), &size);
        m_port = ntohs(a.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~TDnsRig()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_fd);
    }
    // QM738_NAMESERVER=...
    QString Setting() const { return QStringLiteral("QM738_NAMESERVER=127.0.0.1:%1").arg(m_port); }
    int Questions() const { return m_questions; }

private:
    void Serve()
    {
        while (!m_stop) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            unsigned char q[512];
            sockaddr_in from = {};
            socklen_t size = sizeof from;
            const ssize_t n = ::recvfrom(m_fd, q, sizeof q, 0, reinterpret_cast<sockaddr *>(&from), &size);
            if (n < 17)
                continue;
            ++m_questions;
            if (!m_answers)
                continue;
            // The question ends after its name and the type and class.
            ssize_t end = 12;
            while (end < n && q[end] != 0)
                end += q[end] + 1;
            end += 5;
            if (end > n)
                continue;
            const int type = (q[end - 4] << 8) | q[end - 3];
            const bool known = type == 1 || type == 28; // A, AAAA
            QByteArray r(reinterpret_cast<const char *>(q), int(end));
            r[2] = char(0x81);
            r[3] = char(0x80);
            r[7] = char(known ? 1 : 0); // answers
            r[8] = r[9] = r[10] = r[11] = 0;
            if (known) {
                r.append("\xc0\x0c", 2).append(char(0)).append(char(type)).append("\x00\x01\x00\x00\x00\x3c", 6);
                if (type == 1)
                    r.append("\x00\x04\x7f\x00\x00\x01", 6);
                else
                    r.append("\x00\x10", 2).append(QByteArray(15, 0)).append(char(1));
            }
            ::sendto(m_fd, r.constData(), size_t(r.size()), 0, reinterpret_cast<sockaddr *>(&from), size);
        }
    }

    bool m_answers;
    int m_fd = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_questions{0};
    std::thread m_thread;
};
