// Speed of the data-logger side with a full logger memory: decoding a
// 262,144-byte image holding one data set of 32,413 records, and graphing a
// 32,000-record data set (bulk load and first draw).
#include "gui/graph/window/graph.h"
#include "gui/graph/engine/pesgraph.h"
#include "core/logger/datasetdecoder.h"
#include "gui/logger/loggergraph.h"
#include "sim/simmeter.h"

#include <QFrame>
#include <QTest>
#include <cmath>

namespace {

// A full memory: one set with as many records as fit, smooth like real readings.
QByteArray FullImage(int records)
{
    TSimMeter meter;
    meter.ClearMemory();
    TSimDataSet set;
    set.start = QDateTime(QDate(2025, 6, 14), QTime(13, 45, 30));
    set.intervalSeconds = 2;
    set.unitCode = 1;
    set.records.reserve(records);
    for (int j = 0; j < records; ++j)
        set.records.append({int16_t(450 + 40 * std::sin(j / 300.0)), int16_t(220 + 15 * std::sin(j / 500.0)),
                            int16_t(720 + 30 * std::cos(j / 400.0))});
    if (!meter.AddDataSet(set))
        return QByteArray();
    return meter.Memory();
}

} // namespace

class BenchLogger : public QObject
{
    Q_OBJECT
private slots:
    void decodeFullImage()
    {
        const int records = (TSimMeter::MemorySize - TSimMeter::FirstDataSetOffset - 20) / 8;
        const QByteArray image = FullImage(records);
        QCOMPARE(image.size(), 262144);
        const QDateTime now = QDateTime::currentDateTime();
        TLoggerStore store;
        QBENCHMARK {
            QCOMPARE(DecodeDataSets(image, store, now), 0);
        }
        QCOMPARE(store.DataSets.at(0).recordCount, records);
    }

    void graphDataSetLoadAndFirstDraw()
    {
        TLoggerStore store;
        QCOMPARE(DecodeDataSets(FullImage(32000), store, QDateTime::currentDateTime()), 0);
        TfrmGraph window;
        window.setWindowTitle(TfrmGraph::LoggerCaption());
        window.pnlDataSets->show();
        window.resize(1200, 800);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QBENCHMARK {
            GraphDataSetIn(&window, store, 0);
        }
        QCOMPARE(window.PESGraph1->Points(), 32000);
    }
};

QTEST_MAIN(BenchLogger)
#include "bench_logger.moc"
