// The publisher against a fake connection and a spool of its own: readings
// kept in order while the broker is away and across a restart, state and
// history, the in-flight window, availability, and discovery in step with
// the readings' units.

#include "testregistry.h"

#include "core/net/publisher.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

struct TSent {
    QByteArray topic;
    QByteArray payload;
    int mid;
};

class TFakeSink : public IMqttSink {
public:
    bool connected = false;
    QVector<TSent> sent;
    bool IsConnected() const override { return connected; }
    int Publish(const QByteArray &topic, const QByteArray &payload, int, bool) override
    {
        sent.append({topic, payload, nextMid});
        return nextMid++;
    }

private:
    int nextMid = 1;
};

TPublisherSettings Settings(int window)
{
    TPublisherSettings s;
    s.topic = QStringLiteral("qm738/room");
    s.window = window;
    s.discoveryPrefix = QStringLiteral("homeassistant");
    s.deviceId = QStringLiteral("qm738_room");
    s.deviceName = QStringLiteral("QM738 room");
    s.rediscoveryDelayMs = 0;
    return s;
}

// A publisher on a spool of its own and a fake connection, driven by steps:
// "rN" / "fN" N readings in °C / °F (reading k has T1 = k, taken now);
// "c" connected; "l" connection lost; "aN" the broker acknowledges the N
// oldest outstanding readings (messages of availability and discovery on
// the way are acknowledged as they come), "a*" everything, as often as it
// comes; "x" it refuses the oldest outstanding reading (not authorised);
// "m1" / "m0" the meter answers / stops; "s" a clean stop; "b" Home
// Assistant announces itself; "k" the program is killed and started again
// on the same spool.
struct TRig {
    QTemporaryDir dir;
    TFakeSink sink;
    std::unique_ptr<TSpool> spool;
    std::unique_ptr<TPublisher> publisher;
    TPublisherSettings settings;
    int next = 0;
    int acked = 0;        // index into sink.sent of the next message to acknowledge
    QStringList delivered;

    explicit TRig(int window) : settings(Settings(window)) { Start(); }

    void Start()
    {
        publisher.reset();
        spool = std::make_unique<TSpool>();
        QString error;
        QVERIFY2(spool->Open(dir.path(), 8 << 20, 1000, &error), qPrintable(error));
        publisher = std::make_unique<TPublisher>(settings, sink, *spool);
    }

    // "s3", "h3": reading 3 on state or history; "°C": the configs (T1's);
    // "online", "offline": availability.
    static QString Token(const TSent &m)
    {
        if (m.topic.endsWith("/availability"))
            return QString::fromUtf8(m.payload);
        if (m.topic.endsWith("/config"))
            return m.topic.contains("/t1/")
                       ? QJsonDocument::fromJson(m.payload).object().value(QStringLiteral("unit_of_measurement")).toString()
                       : QString();
        const int k = QJsonDocument::fromJson(m.payload).object().value(QStringLiteral("T1")).toInt(-1);
        return (m.topic.endsWith("/state") ? QStringLiteral("s%1") : QStringLiteral("h%1")).arg(k);
    }

    bool AckOne(int reason = 0)
    {
        while (acked < sink.sent.size() && !Token(sink.sent.at(acked)).contains(QRegularExpression("^[sh]\\d")))
            publisher->Delivered(sink.sent.at(acked++).mid, 0);
        if (acked >= sink.sent.size())
            return false;
        const TSent m = sink.sent.at(acked++); // a copy: delivering sends more
        const quint64 before = publisher->DeliveredCount();
        publisher->Delivered(m.mid, reason);
        if (publisher->DeliveredCount() > before)
            delivered << Token(m).mid(1);
        return true;
    }

    void Step(const QString &step)
    {
        const QString count = step.mid(1);
        if (step.startsWith(QLatin1Char('r')) || step.startsWith(QLatin1Char('f'))) {
            for (int i = count.toInt(); i > 0; --i, ++next) {
                TLiveReading r;
                r.rh = 50;
                r.t1 = float(next);
                r.unitCode = step.startsWith(QLatin1Char('f')) ? 0 : 1;
                publisher->AddReading(r, QDateTime::currentDateTime());
            }
        } else if (step == QLatin1String("c") || step == QLatin1String("l")) {
            sink.connected = step == QLatin1String("c");
            acked = sink.sent.size(); // what an earlier connection carried is gone
            sink.connected ? publisher->Connected() : publisher->ConnectionLost();
        } else if (step == QLatin1String("k")) {
            sink.connected = false;
            acked = sink.sent.size();
            Start();
        } else if (step == QLatin1String("m1") || step == QLatin1String("m0")) {
            publisher->SetMeterAnswering(step == QLatin1String("m1"));
        } else if (step == QLatin1String("s")) {
            publisher->PublishOffline();
        } else if (step == QLatin1String("b")) {
            publisher->MessageReceived("homeassistant/status", "online");
            publisher->Pump();
        } else if (step == QLatin1String("x")) {
            AckOne(MqttNotAuthorized);
        } else if (count == QLatin1String("*")) {
            while (AckOne()) {}
        } else {
            for (int i = count.toInt(); i > 0; --i)
                AckOne();
        }
    }

    QStringList Sent() const
    {
        QStringList tokens;
        for (const TSent &m : sink.sent)
            if (!Token(m).isEmpty())
                tokens << Token(m);
        return tokens;
    }
};

} // namespace

class TestPublisher : public QObject {
    Q_OBJECT

private slots:
    void queue_data();
    void queue();
    void discovery_data();
    void discovery();
    void spoolReopened_data();
    void spoolReopened();
    void spoolBounded();
};

// `sent` lists what is handed to the connection in order, `delivered` the
// readings the broker acknowledged, `pending` what stays in the spool.
void TestPublisher::queue_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("window");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QStringList>("delivered");
    QTest::addColumn<int>("pending");

    using L = QStringList;
    QTest::newRow("broker away, then back: the newest is the state, the rest history")
        << "m1 r5 c a*" << 16 << L{"online", "°C", "s4", "h0", "h1", "h2", "h3"} << L{"4", "0", "1", "2", "3"} << 0;
    QTest::newRow("window bounds what is in flight") << "m1 c r6 a2 a*" << 3
                                                     << L{"online", "°C", "s0", "s1", "s2", "s3", "s4", "s5"}
                                                     << L{"0", "1", "2", "3", "4", "5"} << 0;
    QTest::newRow("lost in flight: history after the next connection")
        << "m1 c r3 a1 l r1 c a*" << 2 << L{"online", "°C", "s0", "s1", "s2", "online", "°C", "s3", "h1", "h2"}
        << L{"0", "3", "1", "2"} << 0;
    QTest::newRow("killed during an outage: the spool keeps every reading")
        << "m1 c r2 a* l r3 k m1 r1 c a*" << 16 << L{"online", "°C", "s0", "s1", "online", "°C", "s5", "h2", "h3", "h4"}
        << L{"0", "1", "5", "2", "3", "4"} << 0;
    QTest::newRow("unit changes while connected: configs between the units' states")
        << "m1 c r2 f2 r1 a*" << 16 << L{"online", "°C", "s0", "s1", "°F", "s2", "s3", "°C", "s4"}
        << L{"0", "1", "2", "3", "4"} << 0;
    QTest::newRow("unit change during an outage: configs before the state, history in order")
        << "m1 c r1 a* l r2 f2 c a*" << 16 << L{"online", "°C", "s0", "online", "°F", "s4", "h1", "h2", "h3"}
        << L{"0", "4", "1", "2", "3"} << 0;
    QTest::newRow("refused: kept in the spool") << "m1 c r2 x a*" << 16 << L{"online", "°C", "s0", "s1"} << L{"1"} << 1;
    QTest::newRow("meter stops and returns, clean stop")
        << "m1 c m0 m1 s" << 16 << L{"online", "offline", "online", "offline"} << L{} << 0;
    QTest::newRow("Home Assistant starts: configs and the state again")
        << "m1 c r1 a* b a*" << 16 << L{"online", "°C", "s0", "°C", "s0"} << L{"0"} << 0;
}

void TestPublisher::queue()
{
    QFETCH(QString, steps);
    QFETCH(int, window);
    QFETCH(QStringList, sent);
    QFETCH(QStringList, delivered);
    QFETCH(int, pending);

    TRig rig(window);
    for (const QString &step : steps.split(QLatin1Char(' '))) {
        rig.Step(step);
        QVERIFY(rig.publisher->InFlight() <= window);
    }
    QCOMPARE(rig.Sent().join(' '), sent.join(' '));
    QCOMPARE(rig.delivered, delivered);
    QCOMPARE(int(rig.publisher->Queued()), pending);
    if (steps.contains(QLatin1Char('x'))) {
        QByteArray topic;
        int reason = 0;
        QVERIFY(rig.publisher->TakeRefusal(&topic, &reason));
        QCOMPARE(topic, QByteArray("qm738/room/state"));
        QCOMPARE(reason, MqttNotAuthorized);
    }
}

void TestPublisher::discovery_data()
{
    QTest::addColumn<int>("unitCode");
    QTest::addColumn<QString>("unit");

    QTest::newRow("F") << 0 << "°F";
    QTest::newRow("C") << 1 << "°C";
    QTest::newRow("K") << 2 << "K";
}

// Five valid configs under one device, each with its own stable id, the
// topics, the measurement class, its unit and a template into the state.
void TestPublisher::discovery()
{
    QFETCH(int, unitCode);
    QFETCH(QString, unit);

    const auto configs = DiscoveryConfigs(Settings(1), uint8_t(unitCode));
    QCOMPARE(configs.size(), 5);
    const QStringList keys{"RH", "T1", "T2", "WET BULB", "DEW POINT"};
    QSet<QString> ids;
    for (int k = 0; k < 5; ++k) {
        QJsonParseError error;
        const QJsonObject c = QJsonDocument::fromJson(configs.at(k).second, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QVERIFY(configs.at(k).first.startsWith("homeassistant/sensor/qm738_room/"));
        QVERIFY(configs.at(k).first.endsWith("/config"));
        ids << c.value(QStringLiteral("unique_id")).toString();
        QCOMPARE(c.value(QStringLiteral("name")).toString(), keys.at(k));
        QCOMPARE(c.value(QStringLiteral("state_topic")).toString(), QStringLiteral("qm738/room/state"));
        QCOMPARE(c.value(QStringLiteral("availability_topic")).toString(), QStringLiteral("qm738/room/availability"));
        QCOMPARE(c.value(QStringLiteral("state_class")).toString(), QStringLiteral("measurement"));
        QCOMPARE(c.value(QStringLiteral("device_class")).toString(), k == 0 ? "humidity" : "temperature");
        QCOMPARE(c.value(QStringLiteral("unit_of_measurement")).toString(), k == 0 ? QStringLiteral("%") : unit);
        QVERIFY(c.value(QStringLiteral("value_template")).toString().contains(QStringLiteral("value_json['%1']").arg(keys.at(k))));
        QCOMPARE(c.value(QStringLiteral("device")).toObject().value(QStringLiteral("identifiers")).toArray(),
                 QJsonArray{QStringLiteral("qm738_room")});
        // Home Assistant's current keys: the entity id by default_entity_id,
        // the program in the origin (never as the meter's version), an expiry.
        QCOMPARE(c.value(QStringLiteral("default_entity_id")).toString(), QStringLiteral("sensor.") + c.value(QStringLiteral("unique_id")).toString());
        QVERIFY(!c.contains(QStringLiteral("object_id")));
        QCOMPARE(c.value(QStringLiteral("origin")).toObject().value(QStringLiteral("sw_version")).toString(), QStringLiteral(QM738_VERSION));
        QVERIFY(!c.value(QStringLiteral("device")).toObject().contains(QStringLiteral("sw_version")));
        QCOMPARE(c.value(QStringLiteral("expire_after")).toInt(), 6);
    }
    QCOMPARE(ids.size(), 5);
    QVERIFY(ids.contains(QStringLiteral("qm738_room_t1")));
}

// Ten readings spooled, the first three delivered, the spool closed and
// damaged as a crash or a bad disk would: it opens again (never refusing to
// start) with every whole reading before the damage, the rest cut and
// counted, and goes on appending where it can be read back.
void TestPublisher::spoolReopened_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<int>("pending");
    QTest::addColumn<bool>("cut");

    QTest::newRow("none") << "" << 7 << false;
    QTest::newRow("last record torn") << "torn" << 6 << true;
    QTest::newRow("garbage after the last record") << "garbage" << 7 << true;
    QTest::newRow("a byte of record 7 changed") << "flip" << 4 << true;
    QTest::newRow("head lost: delivered ones come again") << "head" << 10 << false;
}

void TestPublisher::spoolReopened()
{
    QFETCH(QString, damage);
    QFETCH(int, pending);
    QFETCH(bool, cut);

    QTemporaryDir dir;
    QString error;
    const auto payload = [](int k) { return QByteArray::number(k).leftJustified(50, '.'); };
    const int recordSize = 8 + 17 + 50;
    {
        TSpool spool;
        QVERIFY2(spool.Open(dir.path(), 0, 1000, &error), qPrintable(error));
        TSpool second;
        QVERIFY(!second.Open(dir.path(), 0, 1000, &error)); // one publisher per spool
        QVERIFY2(error.contains(QLatin1String("another publisher")), qPrintable(error));
        quint64 seq = 0;
        for (int k = 0; k < 10; ++k)
            QVERIFY(spool.Append(1000 + k, 1, payload(k), &seq));
        for (quint64 s = 1; s <= 3; ++s)
            spool.MarkDelivered(s);
    }
    QFile segment(dir.filePath(QStringLiteral("00000000000000000001.seg")));
    QVERIFY(segment.open(QIODevice::ReadWrite));
    if (damage == QLatin1String("torn")) {
        segment.resize(segment.size() - 5);
    } else if (damage == QLatin1String("garbage")) {
        segment.seek(segment.size());
        segment.write(QByteArray(100, '\x5a'));
    } else if (damage == QLatin1String("flip")) {
        segment.seek(7 * recordSize + 30);
        segment.write("#");
    } else if (damage == QLatin1String("head")) {
        QVERIFY(QFile::remove(dir.filePath(QStringLiteral("head"))));
    }
    segment.close();

    TSpool spool;
    QVERIFY2(spool.Open(dir.path(), 0, 1000, &error), qPrintable(error));
    QCOMPARE(int(spool.Pending()), pending);
    QCOMPARE(spool.CutBytes() > 0, cut);
    TSpoolRecord record;
    for (quint64 s = spool.First(); s < spool.End(); ++s) {
        QVERIFY(spool.Read(s, &record));
        QCOMPARE(record.payload, payload(int(s) - 1));
        QCOMPARE(record.timeMs, qint64(1000 + s - 1));
    }
    quint64 seq = 0;
    QVERIFY(spool.Append(2000, 0, "after", &seq));
    QCOMPARE(seq, spool.End() - 1);
    QVERIFY(spool.Read(seq, &record));
    QCOMPARE(record.payload, QByteArray("after"));
}

// Beyond its bound the spool drops its oldest readings, counts them, and
// keeps every newer one readable.
void TestPublisher::spoolBounded()
{
    QTemporaryDir dir;
    QString error;
    TSpool spool;
    QVERIFY2(spool.Open(dir.path(), 2 * TSpool::SegmentBytes, 1000, &error), qPrintable(error));
    const QByteArray payload(1000, 'r');
    quint64 seq = 0;
    for (int k = 0; k < 3000; ++k)
        QVERIFY(spool.Append(k, 1, payload, &seq));
    QVERIFY(spool.Dropped() > 0);
    QCOMPARE(quint64(spool.Pending()) + spool.Dropped(), quint64(3000));
    QCOMPARE(spool.End(), quint64(3001));
    TSpoolRecord record;
    QVERIFY(spool.Read(spool.First(), &record));
    QCOMPARE(record.timeMs, qint64(spool.First() - 1));
    qint64 bytes = 0;
    for (const QFileInfo &f : QDir(dir.path()).entryInfoList({QStringLiteral("*.seg")}))
        bytes += f.size();
    QVERIFY(bytes <= 2 * TSpool::SegmentBytes);
}

QM738_REGISTER_TEST(TestPublisher)
#include "tst_publisher.moc"
