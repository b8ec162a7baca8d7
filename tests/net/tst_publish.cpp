// qm738-cli publish run as a program against a mosquitto broker of the
// test's own and the simulated meters: what a subscriber receives, the last
// will, a broker that goes away and comes back, and the failures that end
// the command.

#include "brokerrig.h"
#include "testregistry.h"

#include "core/live/decoder.h"
#include "core/live/readingtext.h"
#include "core/net/publisher.h"
#include "core/net/spool.h"
#include "sim/ptymeter.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <csignal>

namespace {

// The lines "topic payload" that a subscriber printed so far.
class TReceived {
public:
    explicit TReceived(std::unique_ptr<QProcess> sub) : m_sub(std::move(sub)) {}
    ~TReceived()
    {
        m_sub->kill();
        m_sub->waitForFinished(2000);
    }
    QList<QByteArray> On(const QByteArray &topicEnd)
    {
        m_text += m_sub->readAllStandardOutput();
        QList<QByteArray> payloads;
        for (const QByteArray &line : m_text.left(m_text.lastIndexOf('\n') + 1).split('\n')) {
            const qsizetype space = line.indexOf(' ');
            if (space > 0 && line.left(space).endsWith(topicEnd))
                payloads << line.mid(space + 1);
        }
        return payloads;
    }

private:
    std::unique_ptr<QProcess> m_sub;
    QByteArray m_text;
};

std::unique_ptr<QProcess> StartPublish(const QStringList &args, const QStringList &env = {})
{
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.remove(QStringLiteral("QM738_MQTT_PASSWORD"));
    e.insert(QStringLiteral("QM738_DEMO_METER"), QStringLiteral("usb"));
    for (const QString &pair : env)
        e.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    p->setProcessEnvironment(e);
    p->start(QStringLiteral(QM738_CLI_PATH), QStringList{QStringLiteral("publish")} + args);
    p->waitForStarted(5000);
    return p;
}

QJsonObject WithoutTime(const QByteArray &json)
{
    QJsonObject o = QJsonDocument::fromJson(json).object();
    o.remove(QStringLiteral("time"));
    return o;
}

QDateTime TimeOf(const QByteArray &json)
{
    return QDateTime::fromString(QJsonDocument::fromJson(json).object().value(QStringLiteral("time")).toString(),
                                 Qt::ISODateWithMs);
}

bool WriteFile(const QString &path, const QByteArray &bytes, QFile::Permissions permissions)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.setPermissions(permissions);
}

} // namespace

class TestPublish : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void readings_data();
    void readings();
    void refusals_data();
    void refusals();
    void lastWill();
    void resolver_data();
    void resolver();
    void brokerAway();

private:
    TBrokerRig broker;
    int m_rows = 0;
    int m_refusalRows = 0;
};

void TestPublish::initTestCase()
{
    QString error;
    QVERIFY2(broker.Start(true, &error), qPrintable(error));
    const QFile::Permissions owner = QFile::ReadOwner | QFile::WriteOwner;
    QVERIFY(WriteFile(broker.Path("good.pw"), QByteArray(TBrokerRig::Password) + '\n', owner));
    QVERIFY(WriteFile(broker.Path("wrong.pw"), "not-the-password\n", owner));
    QVERIFY(WriteFile(broker.Path("shared.pw"), TBrokerRig::Password, owner | QFile::ReadGroup | QFile::ReadOther));
    // As a service reads them: a '#' inside a value is kept (the CA's file
    // name), one after a blank starts a comment; the file's usb gives way to
    // the row's --port.
    QVERIFY(QFile::copy(broker.Path("ca.crt"), broker.Path("ca#site.crt")));
    const QString settings = QStringLiteral("# the settings of a site\nusb\nbroker = %1\ncafile = %2\nusername = %3\n"
                                            "password-file = %4\ndiscovery = ha   # Home Assistant's prefix\n"
                                            "insecure = no\n")
                                 .arg(broker.TlsUrl(), broker.Path("ca#site.crt"), QLatin1String(TBrokerRig::User),
                                      broker.Path("good.pw"));
    QVERIFY(WriteFile(broker.Path("publish.conf"), settings.toUtf8(), owner | QFile::ReadGroup | QFile::ReadOther));
}

// The serial meter with the status byte given; the subscriber sees its
// readings as `read --format json` prints them, the discovery configs, and
// availability online, then offline after SIGTERM.
void TestPublish::readings_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("env");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("flagged");
    QTest::addColumn<QString>("discovery"); // the prefix of the configs, if any

    const QString tls = broker.TlsUrl();
    QTest::newRow("MQTT 3.1.1, discovery") << QStringList{"--broker", broker.Url(), "--discovery"} << QStringList{}
                                           << 0x00 << QStringList{} << "homeassistant";
    QTest::newRow("MQTT 5, QoS 0, T2 over its range")
        << QStringList{"--broker", broker.Url(), "--mqtt-version", "5", "--qos", "0"} << QStringList{} << 0x04
        << QStringList{"T2"} << "";
    QTest::newRow("TLS, settings file, password file, RH over its range")
        << QStringList{"--config", broker.Path("publish.conf")} << QStringList{} << 0x01 << QStringList{"RH"} << "ha";
    QTest::newRow("TLS insecure, password from the environment, T1 under its range")
        << QStringList{"--broker", tls, "--insecure", "--username", TBrokerRig::User}
        << QStringList{QStringLiteral("QM738_MQTT_PASSWORD=") + TBrokerRig::Password} << 0x20 << QStringList{"T1"} << "";
}

void TestPublish::readings()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, env);
    QFETCH(int, status);
    QFETCH(QStringList, flagged);
    QFETCH(QString, discovery);

    auto meter = std::make_shared<TSimMeter>();
    meter->SetReadings(456, 231, 720);
    meter->SetStatusByte(uint8_t(status));
    TPtyMeter pty(meter);
    pty.SetByteTimeUs(0);
    QVERIFY(pty.Start());
    TLiveReading expected;
    const QByteArray reply = pty.WithMeter([](TSimMeter &m) { return m.LiveReply(); });
    DecodeLiveReply(reinterpret_cast<const uint8_t *>(reply.constData()), expected);
    expected.status = uint8_t(reply.at(6)); // as the poll cycle keeps it
    const QByteArray expectedJson = ReadingJsonLine(expected, QDateTime::currentDateTime()).toUtf8();

    // A name of its own: the retained messages of the rows before stay apart.
    const QString name = QStringLiteral("Room %1").arg(++m_rows);
    const QByteArray topic = QStringLiteral("qm738/room_%1/").arg(m_rows).toUtf8();
    QStringList topics{QString::fromUtf8(topic + '#')};
    if (!discovery.isEmpty())
        topics << discovery + QStringLiteral("/#");
    TReceived received(broker.Subscribe(topics));
    auto tool = StartPublish(args + QStringList{"--port", pty.PortPath(), "--name", name, "--interval", "0.5"}, env);
    QTRY_VERIFY_WITH_TIMEOUT(received.On("/state").size() >= 2 || tool->state() != QProcess::Running, 10000);
    QVERIFY2(tool->state() == QProcess::Running, tool->readAllStandardError().constData());

    for (const QByteArray &state : received.On(topic + "state")) {
        const QJsonObject o = WithoutTime(state);
        QCOMPARE(o, WithoutTime(expectedJson));
        QVERIFY(TimeOf(state).isValid());
        QCOMPARE(o.value(QStringLiteral("flags")).toVariant().toStringList(), flagged);
        for (const QString &channel : flagged)
            QVERIFY(o.value(channel).isNull());
        QCOMPARE(o.value(QStringLiteral("DEW POINT")).isNull(), flagged.contains("RH") || flagged.contains("T1"));
    }
    QCOMPARE(received.On(topic + "availability").value(0), QByteArray("online"));
    const QList<QByteArray> configs = received.On("/config");
    QCOMPARE(configs.size(), discovery.isEmpty() ? 0 : 5);
    for (const QByteArray &config : configs) {
        const QJsonObject c = QJsonDocument::fromJson(config).object();
        QCOMPARE(c.value(QStringLiteral("state_topic")).toString(), QString::fromUtf8(topic + "state"));
        QVERIFY(c.value(QStringLiteral("unique_id")).toString().startsWith(QStringLiteral("qm738_room_%1_").arg(m_rows)));
    }
    // The password is nowhere in the command line.
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(tool->processId()));
    QVERIFY(cmdline.open(QIODevice::ReadOnly));
    QVERIFY(!cmdline.readAll().contains(TBrokerRig::Password));

    ::kill(pid_t(tool->processId()), SIGTERM);
    QVERIFY(tool->waitForFinished(10000));
    QCOMPARE(tool->exitCode(), 130);
    QTRY_COMPARE_WITH_TIMEOUT(received.On(topic + "availability").value(1), QByteArray("offline"), 5000);
    QVERIFY(!tool->readAllStandardError().contains(TBrokerRig::Password));
}

// Failures that end the command, the last message saying why, with its code.
void TestPublish::refusals_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");

    const QString settings = broker.Path("publish.conf");
    QTest::newRow("wildcard in the topic") << QStringList{"--broker", broker.Url(), "--topic", "lab/#"} << 2
                                           << "wildcards";
    QTest::newRow("empty level in the topic") << QStringList{"--broker", broker.Url(), "--topic", "lab//room"} << 2
                                              << "empty level";
    QTest::newRow("two settings files") << QStringList{"--config", settings, "--config", settings} << 2
                                        << "--config is given 2 times";
    QTest::newRow("certificate authority file missing")
        << QStringList{"--broker", broker.TlsUrl(), "--cafile", broker.Path("missing.crt")} << 5
        << "missing.crt: No such file or directory";
    // No client may publish under $SYS: the broker answers "not authorised".
    QTest::newRow("publishing not authorised (MQTT 5)")
        << QStringList{"--broker", broker.Url(), "--mqtt-version", "5", "--topic", "$SYS/qm738"} << 6
        << "Not authorized (0x87)";
    QTest::newRow("wrong password") << QStringList{"--broker", broker.Url(), "--username", TBrokerRig::User,
                                                   "--password-file", broker.Path("wrong.pw")}
                                    << 6 << "refused the connection";
    QTest::newRow("certificate the system does not know") << QStringList{"--broker", broker.TlsUrl()} << 6
                                                          << "certificate verify failed";
    QTest::newRow("password file others may read") << QStringList{"--broker", broker.Url(), "--username",
                                                                  TBrokerRig::User, "--password-file",
                                                                  broker.Path("shared.pw")}
                                                   << 5 << "chmod 600";
}

void TestPublish::refusals()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);

    // A name of each row's own: the readings a row leaves in its spool stay apart.
    auto tool = StartPublish(args + QStringList{"--usb", "--name", QStringLiteral("refusal %1").arg(m_refusalRows++)});
    QVERIFY(tool->waitForFinished(20000));
    const QStringList lines = QString::fromUtf8(tool->readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(tool->exitCode(), code);
    QVERIFY2(lines.size() <= 3 && lines.value(lines.size() - (code == 6 && lines.size() > 1 ? 2 : 1)).contains(message),
             qPrintable(lines.join(QLatin1Char('\n'))));
}

// Killed without a chance to say goodbye: the broker publishes the last will.
void TestPublish::lastWill()
{
    TReceived received(broker.Subscribe({QStringLiteral("qm738/will/availability")}));
    auto tool = StartPublish({"--usb", "--broker", broker.Url(), "--name", "will", "--interval", "0.5"});
    QTRY_COMPARE_WITH_TIMEOUT(received.On("availability").value(0), QByteArray("online"), 10000);
    tool->kill(); // SIGKILL
    QVERIFY(tool->waitForFinished(5000));
    QTRY_COMPARE_WITH_TIMEOUT(received.On("availability").value(1), QByteArray("offline"), 5000);
}

// The broker's name through a DNS server of the test's own. One that never
// answers holds up only the connection: the meter is read at its interval
// (the readings wait in the spool). One that gives ::1 first, where no
// broker listens, and then 127.0.0.1: the next address is tried.
void TestPublish::resolver_data()
{
    QTest::addColumn<bool>("answers");
    QTest::newRow("DNS never answers") << false;
    QTest::newRow("::1 refused, then 127.0.0.1") << true;
}

void TestPublish::resolver()
{
    QFETCH(bool, answers);

    TDnsRig dns(answers);
    const QString name = answers ? QStringLiteral("dns-answers") : QStringLiteral("dns-silent");
    TReceived received(broker.Subscribe({QStringLiteral("qm738/%1/#").arg(name)}));
    auto tool = StartPublish({"--usb", "--broker", QStringLiteral("mqtt://broker.qm738.test:%1").arg(broker.Port()),
                              "--name", name, "--interval", "0.5"},
                             {dns.Setting()});
    if (answers) {
        QTRY_COMPARE_WITH_TIMEOUT(received.On("/availability").value(0), QByteArray("online"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!received.On("/state").isEmpty(), 5000);
    } else {
        QTest::qWait(6000);
        QVERIFY(dns.Questions() > 0);
    }
    ::kill(pid_t(tool->processId()), SIGTERM);
    QVERIFY(tool->waitForFinished(10000));
    QCOMPARE(tool->exitCode(), 130);
    if (answers)
        return;
    // Every reading in the spool, half a second apart.
    TSpool spool;
    QString error;
    QVERIFY2(spool.Open(TSpool::StateFolder() + QStringLiteral("/spool/") + name, 8 << 20, 1000, &error), qPrintable(error));
    QVERIFY2(spool.Pending() >= 10, qPrintable(QString::number(spool.Pending())));
    for (quint64 s = spool.First() + 1; s < spool.End(); ++s) {
        const qint64 gap = spool.TimeMs(s) - spool.TimeMs(s - 1);
        QVERIFY2(gap >= 400 && gap <= 650, qPrintable(QStringLiteral("reading %1: %2 ms after the one before").arg(s).arg(gap)));
    }
}

// The broker stops; 3 s later the tool is killed (SIGKILL) and started
// again; 3 s after that the broker comes back. A subscriber (whose session
// the broker keeps) receives every reading taken meanwhile on history, in
// order, with its own time; none is missing but those the tool was not
// running to take; the state carries only readings taken while connected.
void TestPublish::brokerAway()
{
    TReceived received(broker.Subscribe({QStringLiteral("qm738/gap/state"), QStringLiteral("qm738/gap/history")},
                                        QStringLiteral("gap-watcher")));
    const QStringList args{"--usb", "--broker", broker.Url(), "--name", "gap", "--interval", "0.5"};
    auto tool = StartPublish(args);
    QTRY_VERIFY_WITH_TIMEOUT(received.On("/state").size() >= 4, 10000);
    broker.Stop();
    const QDateTime stopped = QDateTime::currentDateTime();
    QTest::qWait(3000);
    tool->kill();
    QVERIFY(tool->waitForFinished(5000));
    tool = StartPublish(args);
    QTest::qWait(3000);
    QString error;
    QVERIFY2(broker.Restart(&error), qPrintable(error));
    const QDateTime restarted = QDateTime::currentDateTime();
    QTRY_VERIFY_WITH_TIMEOUT(!received.On("/state").isEmpty()
                                 && TimeOf(received.On("/state").constLast()) > restarted.addSecs(1),
                             20000);
    ::kill(pid_t(tool->processId()), SIGTERM);
    QVERIFY(tool->waitForFinished(10000));
    const QByteArray log = tool->readAllStandardError();

    const auto times = [&](const QByteArray &topic) {
        QList<QDateTime> list;
        for (const QByteArray &payload : received.On(topic))
            list << TimeOf(payload);
        return list;
    };
    const QList<QDateTime> history = times("/history");
    QList<QDateTime> all = times("/state") + history;
    for (int i = 1; i < history.size(); ++i)
        QVERIFY2(history.at(i) > history.at(i - 1), qPrintable(history.at(i).toString(Qt::ISODateWithMs)));
    for (const QDateTime &t : times("/state"))
        QVERIFY2(t < stopped || t > restarted.addMSecs(-1500), qPrintable(t.toString(Qt::ISODateWithMs)));
    std::sort(all.begin(), all.end());
    all.erase(std::unique(all.begin(), all.end()), all.end());
    int restarts = 0;
    int during = 0;
    for (int i = 1; i < all.size(); ++i) {
        const qint64 gap = all.at(i - 1).msecsTo(all.at(i));
        restarts += gap > 750 ? 1 : 0;
        QVERIFY2(gap < 3000, qPrintable(QStringLiteral("%1 ms before %2").arg(gap).arg(all.at(i).toString(Qt::ISODateWithMs))));
        during += all.at(i) > stopped && all.at(i) < restarted ? 1 : 0;
    }
    qInfo("%lld readings, %lld on history, %d taken while the broker was away", qlonglong(all.size()),
          qlonglong(history.size()), during);
    QVERIFY(restarts <= 1); // only while the tool was not running
    QVERIFY(during >= 8);
    QVERIFY2(!log.contains("dropped"), log.constData());
}

QM738_REGISTER_TEST(TestPublish)
#include "tst_publish.moc"
