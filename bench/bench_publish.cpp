// The publisher over a long run: 100,000 readings fed as fast as it takes
// them, to a local mosquitto at QoS 1, or with the broker away so that the
// queue fills to its bound and drops the oldest. Resident memory (from
// /proc/self/statm) may grow by at most 1 MiB after the first 10,000
// readings, or, with the broker away, after the queue is full.

#include "../tests/net/brokerrig.h"

#include "core/net/mqttclient.h"
#include "core/net/publisher.h"

#include <QtTest>

#include <unistd.h>

namespace {

qint64 ResidentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(1).toLongLong() * sysconf(_SC_PAGESIZE);
}

TLiveReading Reading(int k)
{
    TLiveReading r;
    r.rh = 40 + float(k % 200) / 10;
    r.t1 = 20 + float(k % 50) / 10;
    r.t2 = 100 + float(k % 900) / 10;
    r.wetBulb = 15;
    r.dewPoint = 10;
    r.unitCode = 1;
    return r;
}

} // namespace

class BenchPublish : public QObject {
    Q_OBJECT

private slots:
    void memory_data()
    {
        QTest::addColumn<bool>("brokerAway");
        QTest::newRow("to a local broker, QoS 1") << false;
        QTest::newRow("broker away, queue at its bound") << true;
    }

    void memory()
    {
        QFETCH(bool, brokerAway);
        constexpr int total = 100000;
        constexpr qsizetype capacity = 43200;
        const int settled = brokerAway ? int(capacity) : 10000;

        TBrokerRig broker;
        QString error;
        QVERIFY2(broker.Start(false, &error), qPrintable(error));
        TMqttSettings mqtt;
        QVERIFY(ParseBrokerUrl(broker.Url(), &mqtt, &error));
        mqtt.willTopic = AvailabilityTopic(QStringLiteral("qm738/bench"));
        mqtt.willPayload = "offline";
        TMqttClient client(mqtt);
        TPublisherSettings settings;
        settings.topic = QStringLiteral("qm738/bench");
        settings.capacity = capacity;
        TPublisher publisher(settings, client);
        client.OnConnected = [&] { publisher.Connected(); };
        client.OnLost = [&](const QString &) { publisher.ConnectionLost(); };
        client.OnDelivered = [&](int mid) { publisher.Delivered(mid); };
        publisher.SetMeterAnswering(true);
        if (brokerAway)
            broker.Stop();
        else
            for (int i = 0; i < 500 && !client.IsConnected(); ++i)
                client.Run(10);
        QVERIFY(brokerAway != client.IsConnected());

        qint64 atSettled = 0;
        QElapsedTimer clock;
        QBENCHMARK_ONCE {
            clock.start();
            const QDateTime start = QDateTime::currentDateTime();
            for (int k = 0; k < total; ++k) {
                publisher.AddReading(Reading(k), start.addMSecs(500 * qint64(k)));
                if (!brokerAway) {
                    client.Run(0);
                    while (publisher.Queued() > settings.window)
                        client.Run(1);
                }
                if (k + 1 == settled)
                    atSettled = ResidentBytes();
            }
            while (!brokerAway && publisher.Queued() > 0)
                client.Run(1);
        }
        const qint64 atEnd = ResidentBytes();
        qInfo("%d readings in %lld ms (%.0f per second); resident %.2f MiB after %d, %.2f MiB after %d: "
              "%+lld KiB; delivered %llu, dropped %llu",
              total, clock.elapsed(), total * 1000.0 / std::max<qint64>(clock.elapsed(), 1), atSettled / 1048576.0,
              settled, atEnd / 1048576.0, total, (atEnd - atSettled) / 1024,
              static_cast<unsigned long long>(publisher.DeliveredCount()),
              static_cast<unsigned long long>(publisher.Dropped()));
        QVERIFY(atEnd - atSettled <= 1024 * 1024);
        QCOMPARE(int(publisher.DeliveredCount() + publisher.Dropped() + quint64(publisher.Queued())), total);
    }
};

QTEST_GUILESS_MAIN(BenchPublish)
#include "bench_publish.moc"
