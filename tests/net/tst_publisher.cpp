// The publisher against a fake connection: the queue keeps readings in
// order while the broker is away, bounds itself, hands readings over again
// after a lost connection; availability and discovery follow the meter.

#include "testregistry.h"

#include "core/net/publisher.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

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

// Reading k: T1 = k degrees C, taken k seconds after a fixed time.
TLiveReading Reading(int k, uint8_t unit = 1)
{
    TLiveReading r;
    r.rh = 50;
    r.t1 = float(k);
    r.unitCode = unit;
    return r;
}

QDateTime TimeOf(int k)
{
    return QDateTime(QDate(2026, 12, 1), QTime(12, 0), Qt::OffsetFromUTC, 3600).addSecs(k);
}

int ReadingNumber(const QByteArray &payload)
{
    return QJsonDocument::fromJson(payload).object().value(QStringLiteral("T1")).toInt(-1);
}

TPublisherSettings Settings(int capacity, int window)
{
    TPublisherSettings s;
    s.topic = QStringLiteral("qm738/room");
    s.capacity = capacity;
    s.window = window;
    s.discoveryPrefix = QStringLiteral("homeassistant");
    s.deviceId = QStringLiteral("qm738_room");
    s.deviceName = QStringLiteral("QM738 room");
    return s;
}

} // namespace

class TestPublisher : public QObject {
    Q_OBJECT

private slots:
    void queue_data();
    void queue();
    void control_data();
    void control();
    void discovery_data();
    void discovery();
};

// Steps: "rN" N readings; "c" connected; "l" connection lost; "aN" the
// broker acknowledges the N oldest outstanding readings, "a*" all, as
// often as they come. `sent` lists the readings handed to the connection
// in order, `acked` those delivered.
void TestPublisher::queue_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("capacity");
    QTest::addColumn<int>("window");
    QTest::addColumn<QList<int>>("sent");
    QTest::addColumn<QList<int>>("acked");
    QTest::addColumn<int>("dropped");

    QTest::newRow("broker away, then back") << "r5 c a*" << 100 << 16 << QList<int>{0, 1, 2, 3, 4}
                                            << QList<int>{0, 1, 2, 3, 4} << 0;
    QTest::newRow("bound reached: oldest go") << "r5 c a*" << 3 << 16 << QList<int>{2, 3, 4} << QList<int>{2, 3, 4} << 2;
    QTest::newRow("window bounds what is in flight") << "c r6 a2 a*" << 100 << 3 << QList<int>{0, 1, 2, 3, 4, 5}
                                                     << QList<int>{0, 1, 2, 3, 4, 5} << 0;
    QTest::newRow("lost in flight: sent again first") << "c r3 a1 l r1 c a*" << 100 << 2
                                                      << QList<int>{0, 1, 2, 1, 2, 3} << QList<int>{0, 1, 2, 3} << 0;
    QTest::newRow("dropped while in flight") << "c r2 l r3 c a*" << 3 << 16 << QList<int>{0, 1, 2, 3, 4}
                                             << QList<int>{2, 3, 4} << 2;
}

void TestPublisher::queue()
{
    QFETCH(QString, steps);
    QFETCH(int, capacity);
    QFETCH(int, window);
    QFETCH(QList<int>, sent);
    QFETCH(QList<int>, acked);
    QFETCH(int, dropped);

    TFakeSink sink;
    TPublisher publisher(Settings(capacity, window), sink);
    publisher.SetMeterAnswering(true);
    QList<int> delivered;
    int next = 0;
    int ackedUpTo = 0; // index into sink.sent of the next state message to acknowledge
    const auto ackOne = [&] {
        while (ackedUpTo < sink.sent.size() && !sink.sent.at(ackedUpTo).topic.endsWith("/state"))
            publisher.Delivered(sink.sent.at(ackedUpTo++).mid); // availability, discovery
        if (ackedUpTo >= sink.sent.size())
            return false;
        const TSent m = sink.sent.at(ackedUpTo++); // a copy: delivering sends more
        const quint64 before = publisher.DeliveredCount();
        publisher.Delivered(m.mid);
        if (publisher.DeliveredCount() > before)
            delivered << ReadingNumber(m.payload);
        return true;
    };
    for (const QString &step : steps.split(QLatin1Char(' '))) {
        const QString count = step.mid(1);
        if (step.startsWith(QLatin1Char('r'))) {
            for (int i = count.toInt(); i > 0; --i, ++next)
                publisher.AddReading(Reading(next), TimeOf(next));
        } else if (step == QLatin1String("c")) {
            sink.connected = true;
            ackedUpTo = sink.sent.size(); // what an earlier connection carried is gone
            publisher.Connected();
        } else if (step == QLatin1String("l")) {
            sink.connected = false;
            publisher.ConnectionLost();
        } else if (count == QLatin1String("*")) {
            while (ackOne()) {}
        } else {
            for (int i = count.toInt(); i > 0; --i)
                ackOne();
        }
        QVERIFY(publisher.InFlight() <= window);
    }

    QList<int> handed;
    for (const TSent &m : sink.sent)
        if (m.topic == publisher.StateTopic())
            handed << ReadingNumber(m.payload);
    QCOMPARE(handed, sent);
    QCOMPARE(delivered, acked);
    QCOMPARE(int(publisher.Dropped()), dropped);
    QVERIFY(publisher.Idle());
}

// Steps: "m1"/"m0" the meter answers / stops; "c" connected; "l" lost;
// "rC", "rF" a reading in C or F; "s" a clean stop. `messages` lists what
// goes out on the availability topic ("online", "offline") and the
// discovery configs (the unit of T1's config, once per set of five).
void TestPublisher::control_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("online at connection") << "m1 c" << QStringList{"online"};
    QTest::newRow("meter stops and returns") << "m1 c m0 m1" << QStringList{"online", "offline", "online"};
    QTest::newRow("meter stopped while away") << "m1 m0 c" << QStringList{"offline"};
    QTest::newRow("clean stop") << "m1 c s" << QStringList{"online", "offline"};
    QTest::newRow("discovery after the first reading") << "m1 c rC rC" << QStringList{"online", "°C"};
    QTest::newRow("unit change republishes") << "m1 c rC rF" << QStringList{"online", "°C", "°F"};
    QTest::newRow("again after reconnection") << "m1 rC c l c" << QStringList{"online", "°C", "online", "°C"};
}

void TestPublisher::control()
{
    QFETCH(QString, steps);
    QFETCH(QStringList, messages);

    TFakeSink sink;
    TPublisher publisher(Settings(100, 16), sink);
    for (const QString &step : steps.split(QLatin1Char(' '))) {
        if (step == QLatin1String("m1") || step == QLatin1String("m0")) {
            publisher.SetMeterAnswering(step == QLatin1String("m1"));
        } else if (step == QLatin1String("c") || step == QLatin1String("l")) {
            sink.connected = step == QLatin1String("c");
            sink.connected ? publisher.Connected() : publisher.ConnectionLost();
        } else if (step == QLatin1String("s")) {
            publisher.PublishOffline();
        } else {
            publisher.AddReading(Reading(1, step == QLatin1String("rF") ? 0 : 1), TimeOf(1));
        }
    }
    QStringList seen;
    int configs = 0;
    for (const TSent &m : sink.sent) {
        if (m.topic == "qm738/room/availability") {
            seen << QString::fromUtf8(m.payload);
        } else if (m.topic.endsWith("/config")) {
            if (configs++ % 5 == 1) // T1's
                seen << QJsonDocument::fromJson(m.payload).object().value(QStringLiteral("unit_of_measurement")).toString();
        }
    }
    QCOMPARE(seen, messages);
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

    const auto configs = DiscoveryConfigs(Settings(1, 1), uint8_t(unitCode));
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
    }
    QCOMPARE(ids.size(), 5);
    QVERIFY(ids.contains(QStringLiteral("qm738_room_t1")));
}

QM738_REGISTER_TEST(TestPublisher)
#include "tst_publisher.moc"
