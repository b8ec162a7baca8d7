// The publisher's spool and connection under load:
// - appending a reading to the spool (one write(), the sync on the spool's
//   own thread at most a second later), per reading: median and p99;
// - 100,000 readings spooled while the broker was away, delivered to a
//   local mosquitto at QoS 1 once it is back: readings a second, and the
//   resident memory (/proc/self/statm) before and after;
// - `qm738-cli publish` at a 0.5 s interval while the broker's name goes to
//   a DNS server that never answers: how late each reading is against its
//   schedule (from the spool's times), median and p99.

#include "../tests/net/brokerrig.h"

#include "core/live/readingtext.h"
#include "core/net/mqttclient.h"
#include "core/net/publisher.h"
#include "core/net/spool.h"

#include <QtTest>

#include <csignal>
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

template <typename T> T Percentile(std::vector<T> v, double p)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? T() : v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

// A folder on the disk the build is on (not a tmpfs), for syncs that cost what they cost.
QString DiskFolder()
{
    return QDir::currentPath() + QStringLiteral("/bench-spool-XXXXXX");
}

} // namespace

class BenchPublish : public QObject {
    Q_OBJECT

private slots:
    void spoolAppend()
    {
        QTemporaryDir dir(DiskFolder());
        TSpool spool;
        QString error;
        QVERIFY2(spool.Open(dir.path(), qint64(256) << 20, 1000, &error), qPrintable(error));
        const QDateTime start = QDateTime::currentDateTime();
        const QByteArray payload = ReadingJsonLine(Reading(1), start).toUtf8();
        constexpr int total = 20000;
        std::vector<qint64> ns;
        ns.reserve(total);
        QElapsedTimer clock;
        QBENCHMARK_ONCE {
            for (int k = 0; k < total; ++k) {
                clock.start();
                quint64 seq = 0;
                spool.Append(start.toMSecsSinceEpoch() + k, 1, payload, &seq);
                ns.push_back(clock.nsecsElapsed());
            }
            spool.Flush();
        }
        qInfo("spool append of a %lld-byte reading: median %.1f us, p99 %.1f us, max %.1f us (%d readings)",
              qlonglong(payload.size()), Percentile(ns, 0.5) / 1000.0, Percentile(ns, 0.99) / 1000.0,
              Percentile(ns, 1.0) / 1000.0, total);
        QVERIFY(Percentile(ns, 0.5) <= 50000);
    }

    void backlogDelivered()
    {
        constexpr int total = 100000;
        QTemporaryDir dir(DiskFolder());
        TBrokerRig broker;
        QString error;
        QVERIFY2(broker.Start(false, &error), qPrintable(error));
        broker.Stop();
        TSpool spool;
        QVERIFY2(spool.Open(dir.path(), qint64(256) << 20, 1000, &error), qPrintable(error));
        TMqttSettings mqtt;
        QVERIFY(ParseBrokerUrl(broker.Url(), &mqtt, &error));
        mqtt.clientId = "qm738-bench";
        TMqttClient client(mqtt);
        TPublisherSettings settings;
        settings.topic = QStringLiteral("qm738/bench");
        TPublisher publisher(settings, client, spool);
        client.OnConnected = [&] { publisher.Connected(); };
        client.OnLost = [&](const QString &) { publisher.ConnectionLost(); };
        client.OnDelivered = [&](int mid, int reason) { publisher.Delivered(mid, reason); };
        publisher.SetMeterAnswering(true);
        const QDateTime start = QDateTime::currentDateTime().addDays(-1);
        for (int k = 0; k < total; ++k)
            publisher.AddReading(Reading(k), start.addMSecs(500 * qint64(k)));
        QCOMPARE(int(publisher.Queued()), total);
        const qint64 before = ResidentBytes();

        QVERIFY2(broker.Restart(&error), qPrintable(error));
        QElapsedTimer clock;
        QBENCHMARK_ONCE {
            while (!client.IsConnected())
                client.Run(5);
            clock.start();
            while (publisher.Queued() > 0 && clock.elapsed() < 120000) {
                client.Run(5);
                publisher.Pump();
            }
        }
        const qint64 ms = std::max<qint64>(clock.elapsed(), 1);
        qInfo("%d spooled readings delivered at QoS 1 in %lld ms: %.0f a second; resident %.2f MiB before, %.2f MiB after",
              total, ms, total * 1000.0 / double(ms), before / 1048576.0, ResidentBytes() / 1048576.0);
        QCOMPARE(int(publisher.Queued()), 0);
        QVERIFY(total * 1000.0 / double(ms) >= 5000);
    }

    void pollWhileDnsHangs()
    {
        TDnsRig dns(false);
        QTemporaryDir state(DiskFolder());
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QM738_DEMO_METER"), QStringLiteral("usb"));
        env.insert(QStringLiteral("XDG_STATE_HOME"), state.path());
        const QStringList ns = dns.Setting().split(QLatin1Char('='));
        env.insert(ns.value(0), ns.value(1));
        tool.setProcessEnvironment(env);
        QBENCHMARK_ONCE {
            tool.start(QStringLiteral(QM738_CLI_PATH),
                       {"publish", "--usb", "--broker", "mqtt://broker.qm738.test", "--name", "jitter", "--interval", "0.5"});
            QVERIFY(tool.waitForStarted(5000));
            QTest::qWait(30000);
            ::kill(pid_t(tool.processId()), SIGTERM);
            QVERIFY(tool.waitForFinished(10000));
        }
        TSpool spool;
        QString error;
        QVERIFY2(spool.Open(state.path() + QStringLiteral("/qm738/spool/jitter"), 8 << 20, 1000, &error),
                 qPrintable(error));
        std::vector<qint64> late;
        const qint64 first = spool.TimeMs(spool.First());
        for (quint64 s = spool.First(); s < spool.End(); ++s)
            late.push_back(spool.TimeMs(s) - (first + 500 * qint64(s - spool.First())));
        qInfo("%zu readings while %d DNS questions went unanswered: late by median %lld ms, p99 %lld ms, most %lld ms",
              late.size(), dns.Questions(), Percentile(late, 0.5), Percentile(late, 0.99), Percentile(late, 1.0));
        QVERIFY(dns.Questions() > 0);
        QVERIFY(late.size() >= 50);
        QVERIFY(Percentile(late, 0.99) <= 50);
    }
};

QTEST_GUILESS_MAIN(BenchPublish)
#include "bench_publish.moc"
