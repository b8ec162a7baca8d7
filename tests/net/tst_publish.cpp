// qm738-cli publish run as a program against a mosquitto broker of the
// test's own and the simulated meters: what a subscriber receives, the last
// will, a broker that goes away and comes back, and the failures that end
// the command.

#include "brokerrig.h"
#include "testregistry.h"

#include "core/live/decoder.h"
#include "core/live/readingtext.h"
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
    void brokerAway();

private:
    TBrokerRig broker;
    int m_rows = 0;
};

void TestPublish::initTestCase()
{
    QString error;
    QVERIFY2(broker.Start(true, &error), qPrintable(error));
    const QFile::Permissions owner = QFile::ReadOwner | QFile::WriteOwner;
    QVERIFY(WriteFile(broker.Path("good.pw"), QByteArray(TBrokerRig::Password) + '\n', owner));
    QVERIFY(WriteFile(broker.Path("wrong.pw"), "not-the-password\n", owner));
    QVERIFY(WriteFile(broker.Path("shared.pw"), TBrokerRig::Password, owner | QFile::ReadGroup | QFile::ReadOther));
    const QString settings = QStringLiteral("# as a service reads them\nbroker = %1\ncafile = %2\nusername = %3\n"
                                            "password-file = %4\ndiscovery = ha\ninsecure = no\n")
                                 .arg(broker.TlsUrl(), broker.Path("ca.crt"), QLatin1String(TBrokerRig::User),
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

// Failures that end the command at once, with one message and its code.
void TestPublish::refusals_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");

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

    auto tool = StartPublish(args + QStringList{"--usb"});
    QVERIFY(tool->waitForFinished(20000));
    const QString err = QString::fromUtf8(tool->readAllStandardError());
    QCOMPARE(tool->exitCode(), code);
    QVERIFY2(err.contains(message), qPrintable(err));
    QCOMPARE(err.count(QLatin1Char('\n')), 1);
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

// The broker stops for 10 s and starts again: every reading taken meanwhile
// reaches a subscriber (whose session the broker keeps) in order, with its
// own time, and at most the readings in flight when the broker went come twice.
void TestPublish::brokerAway()
{
    TReceived received(broker.Subscribe({QStringLiteral("qm738/gap/state")}, QStringLiteral("gap-watcher")));
    auto tool = StartPublish({"--usb", "--broker", broker.Url(), "--name", "gap", "--interval", "0.5"});
    QTRY_VERIFY_WITH_TIMEOUT(received.On("/state").size() >= 4, 10000);
    broker.Stop();
    const QDateTime stopped = QDateTime::currentDateTime();
    QTest::qWait(10000);
    QString error;
    QVERIFY2(broker.Restart(&error), qPrintable(error));
    const QDateTime restarted = QDateTime::currentDateTime();
    // Back-off: attempts 1, 2, 4 and 8 s apart, so back at the latest 15 s after the stop.
    QTRY_VERIFY_WITH_TIMEOUT(!received.On("/state").isEmpty()
                                 && TimeOf(received.On("/state").constLast()) > restarted.addSecs(1),
                             20000);
    ::kill(pid_t(tool->processId()), SIGTERM);
    QVERIFY(tool->waitForFinished(10000));
    const QByteArray log = tool->readAllStandardError();

    const QList<QByteArray> states = received.On("/state");
    QList<QDateTime> times;
    int twice = 0;
    int during = 0;
    for (const QByteArray &state : states) {
        const QDateTime t = TimeOf(state);
        QVERIFY(t.isValid());
        if (!times.isEmpty() && t <= times.constLast()) {
            QVERIFY2(states.count(state) > 1, state.constData()); // only a repeat comes out of order
            ++twice;
            continue;
        }
        if (!times.isEmpty())
            QVERIFY2(times.constLast().msecsTo(t) < 1500, qPrintable(t.toString(Qt::ISODateWithMs))); // none missing
        times << t;
        during += t > stopped && t < restarted ? 1 : 0;
    }
    qInfo("%lld readings, %d of them while the broker was away, %d received twice", qlonglong(states.size()), during,
          twice);
    QVERIFY(during >= 15);
    QVERIFY(twice <= 16);
    QVERIFY2(!log.contains("dropped"), log.constData());
}

QM738_REGISTER_TEST(TestPublish)
#include "tst_publish.moc"
