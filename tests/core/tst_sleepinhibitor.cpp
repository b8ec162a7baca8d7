// Keeping the computer awake: against a private D-Bus daemon standing in for
// the system and session buses, with a fake logind (its inhibitor is the
// write end of a pipe: while it is held the read end gives no end of file)
// and a fake desktop portal.

#include "core/base/sleepinhibitor.h"
#include "testregistry.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

class TFakeLogin : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    ~TFakeLogin() override { Forget(); }
    bool silent = false; // never answers
    QStringList asked;
    // The inhibitor handed out last is still open somewhere.
    bool Held() const
    {
        char c;
        return m_readEnd >= 0 && ::read(m_readEnd, &c, 1) < 0 && errno == EAGAIN;
    }
    void Forget()
    {
        if (m_readEnd >= 0)
            ::close(m_readEnd);
        m_readEnd = -1;
        asked.clear();
    }
public slots:
    QDBusUnixFileDescriptor Inhibit(const QString &what, const QString &who, const QString &why, const QString &mode)
    {
        asked << QStringList{what, who, mode}.join(QLatin1Char('|'));
        if (silent) {
            setDelayedReply(true);
            return {};
        }
        Q_UNUSED(why);
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
            return {};
        if (m_readEnd >= 0)
            ::close(m_readEnd);
        m_readEnd = ends[0];
        QDBusUnixFileDescriptor fd(ends[1]); // a copy of its own
        ::close(ends[1]);
        return fd;
    }
private:
    int m_readEnd = -1;
};

class TFakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Inhibit")
public:
    static inline const QString kRequest = QStringLiteral("/org/freedesktop/portal/desktop/request/1_1/t1");
    QList<uint> flags;
    int closed = 0;
    bool Held() const { return flags.size() > closed; }
public slots:
    QDBusObjectPath Inhibit(const QString &, uint how, const QVariantMap &)
    {
        flags << how;
        return QDBusObjectPath(kRequest);
    }
};

class TFakeRequest : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Request")
public:
    explicit TFakeRequest(TFakePortal &portal) : m_portal(portal) {}
public slots:
    void Close() { ++m_portal.closed; }
private:
    TFakePortal &m_portal;
};

class TestSleepInhibitor : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void heldWhileAnyHolderRemains_data();
    void heldWhileAnyHolderRemains();
    void withoutServiceWorkGoesOnSilently_data();
    void withoutServiceWorkGoesOnSilently();

private:
    bool Held(const QString &via) const { return via == QLatin1String("login") ? m_login.Held() : m_portal.Held(); }

    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    TFakeLogin m_login;
    TFakePortal m_portal;
    TFakeRequest m_request{m_portal};
};

void TestSleepInhibitor::initTestCase()
{
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty())
        QSKIP("dbus-daemon is not installed");
    // A bus of our own: anyone may own any name, no service is started on demand.
    const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN\"\n"
               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig><type>session</type><listen>unix:path="
               + QFile::encodeName(m_dir.filePath(QStringLiteral("bus")))
               + "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                 "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/>"
                 "</policy></busconfig>\n");
    file.close();
    m_daemon.start(daemon, {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                            QStringLiteral("--print-address")});
    QVERIFY(m_daemon.waitForReadyRead(10000));
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    QVERIFY(!m_address.isEmpty());
    // The program's usual buses are this one.
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_address.toUtf8());
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8());

    QDBusConnection fake = QDBusConnection::connectToBus(m_address, QStringLiteral("fake-services"));
    QVERIFY(fake.isConnected());
    QVERIFY(fake.registerObject(QStringLiteral("/org/freedesktop/login1"), &m_login, QDBusConnection::ExportAllSlots));
    QVERIFY(fake.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &m_portal,
                                QDBusConnection::ExportAllSlots));
    QVERIFY(fake.registerObject(TFakePortal::kRequest, &m_request, QDBusConnection::ExportAllSlots));
}

void TestSleepInhibitor::cleanupTestCase()
{
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-services"));
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
    }
}

void TestSleepInhibitor::cleanup()
{
    QDBusConnection fake(QStringLiteral("fake-services"));
    fake.unregisterService(QStringLiteral("org.freedesktop.login1"));
    fake.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
    m_login.Forget();
    m_login.silent = false;
    m_portal.flags.clear();
    m_portal.closed = 0;
}

void TestSleepInhibitor::heldWhileAnyHolderRemains_data()
{
    QTest::addColumn<QString>("service");
    QTest::addColumn<int>("via");
    QTest::newRow("logind") << QStringLiteral("org.freedesktop.login1") << int(TSleepInhibitor::TVia::Login);
    QTest::newRow("desktop portal") << QStringLiteral("org.freedesktop.portal.Desktop")
                                    << int(TSleepInhibitor::TVia::Portal);
}

void TestSleepInhibitor::heldWhileAnyHolderRemains()
{
    QFETCH(QString, service);
    QFETCH(int, via);
    QVERIFY(QDBusConnection(QStringLiteral("fake-services")).registerService(service));
    const QString kind = via == int(TSleepInhibitor::TVia::Login) ? QStringLiteral("login") : QStringLiteral("portal");

    TSleepInhibitor inhibitor; // the usual buses, as the program has them
    QSignalSpy settled(&inhibitor, &TSleepInhibitor::Settled);
    QElapsedTimer clock;
    clock.start();
    inhibitor.SetHeld(QStringLiteral("recording"), true);
    QVERIFY(settled.wait(5000));
    qInfo("inhibitor taken after %lld ms", clock.elapsed());
    QCOMPARE(int(inhibitor.Via()), via);
    QVERIFY(Held(kind));
    if (kind == QLatin1String("login"))
        QCOMPARE(m_login.asked, QStringList{QStringLiteral("sleep:idle|QM738|block")});
    else
        QCOMPARE(m_portal.flags, QList<uint>{4 | 8});

    // A download during the recording; the recording ends first.
    inhibitor.SetHeld(QStringLiteral("download"), true);
    inhibitor.SetHeld(QStringLiteral("recording"), false);
    inhibitor.SetHeld(QStringLiteral("recording"), false);
    QTest::qWait(100);
    QVERIFY(Held(kind));
    QCOMPARE(m_login.asked.size() + m_portal.flags.size(), 1); // one inhibitor for both

    inhibitor.SetHeld(QStringLiteral("download"), false);
    QTRY_VERIFY(!Held(kind));
    QCOMPARE(int(inhibitor.Via()), int(TSleepInhibitor::TVia::None));

    // Taken again by the next recording; let go when the program ends.
    {
        TSleepInhibitor again;
        again.SetHeld(QStringLiteral("recording"), true);
        QTRY_VERIFY(Held(kind));
    }
    QTRY_VERIFY(!Held(kind));
}

void TestSleepInhibitor::withoutServiceWorkGoesOnSilently_data()
{
    QTest::addColumn<bool>("bus");
    QTest::addColumn<bool>("silentLogin");
    QTest::addColumn<int>("settledWithinMs");
    QTest::newRow("no bus") << false << false << 200;
    QTest::newRow("a bus without either service") << true << false << 200;
    QTest::newRow("a logind that never answers") << true << true << TSleepInhibitor::kTimeoutMs + 1000;
}

void TestSleepInhibitor::withoutServiceWorkGoesOnSilently()
{
    QFETCH(bool, bus);
    QFETCH(bool, silentLogin);
    QFETCH(int, settledWithinMs);
    if (silentLogin) {
        m_login.silent = true;
        QVERIFY(QDBusConnection(QStringLiteral("fake-services")).registerService(QStringLiteral("org.freedesktop.login1")));
    }
    const QString address = bus ? m_address : QStringLiteral("unix:path=") + m_dir.filePath(QStringLiteral("no-bus"));
    TSleepInhibitor inhibitor(address, address);
    QSignalSpy settled(&inhibitor, &TSleepInhibitor::Settled);
    QElapsedTimer clock;
    clock.start();
    inhibitor.SetHeld(QStringLiteral("recording"), true);
    const qint64 returned = clock.elapsed();
    QTRY_VERIFY_WITH_TIMEOUT(settled.count() == 1, settledWithinMs);
    qInfo("SetHeld returned after %lld ms, settled without an inhibitor after %lld ms", returned, clock.elapsed());
    QVERIFY(returned < 100); // the caller never waits for an answer
    QCOMPARE(int(inhibitor.Via()), int(TSleepInhibitor::TVia::None));
    inhibitor.SetHeld(QStringLiteral("recording"), false);
    QCOMPARE(settled.count(), 1);
}

QM738_REGISTER_TEST(TestSleepInhibitor)
#include "tst_sleepinhibitor.moc"
