// The simulated meter's logger memory and its page transfers.
#include <QTest>

#include "live/testlist.h"
#include "sim/simmeter.h"
#include "simtesthelpers.h"

namespace {

QByteArray Send(TSimMeter &m, char command, int page = 0)
{
    const auto f = Frame(command, page);
    return m.Answer(f.data(), 7).bytes;
}

int TransferSize(int endAddress)
{
    int size = endAddress + 1;
    if (size > 262144 || size < 256)
        size = 262144;
    return (size + 31) / 32 * 32;
}

} // namespace

class TstSimLogger : public QObject {
    Q_OBJECT
private slots:
    void demoMemoryLayout();
    void demoDataSetsMatchTheirDescription();
    void emptyMemory();
    void pageReplyCarriesPageEchoAndChecksum();
    void pageZeroStartsAtFirstPage();
    void nextAndRepeatedPages();
    void endOfTransferStopsNextPage();
    void pagesBeyondMemoryAreNotAnswered();
    void wholeDownloadReproducesMemory();
    void recordingAppendsADataSet();
    void recordingStopsWhenMemoryIsFull();
};

void TstSimLogger::demoMemoryLayout()
{
    TSimMeter m;
    const QByteArray mem = m.Memory();
    QCOMPARE(mem.size(), 262144);
    QCOMPARE(BE16(mem, 8), 3);
    int end = 0;
    const QVector<TParsedSet> sets = ParseMemory(mem, &end);
    QCOMPARE(sets.size(), 3);
    QCOMPARE(sets[0].offset, 0xB00);
    // first set's header bytes: A5 5A, then BCD 25 06 14 13 45 30
    QCOMPARE(mem.mid(0xB00, 9).toHex(), QByteArray("a55a00250614134530"));
    QCOMPARE(sets[0].start, QDateTime(QDate(2025, 6, 14), QTime(13, 45, 30)));
    for (int i = 0; i < 3; ++i)
        QVERIFY(sets[i].markersOk);
    QCOMPARE(sets[1].offset, 0xB00 + 20 + 8 * 12);
    QCOMPARE(sets[2].offset, sets[1].offset + 20 + 8 * 30);
    QCOMPARE(end, sets[2].offset + 20 + 8 * 8 - 1);
    QCOMPARE(end, 3275);
    QCOMPARE(m.EndAddress(), end);
    QCOMPARE(TransferSize(end), 3296);
}

void TstSimLogger::demoDataSetsMatchTheirDescription()
{
    TSimMeter m(5);
    const QVector<TParsedSet> parsed = ParseMemory(m.Memory());
    const QVector<TSimDataSet> described = TSimMeter::DemoDataSets(5);
    QCOMPARE(parsed.size(), described.size());
    for (int i = 0; i < parsed.size(); ++i) {
        const TParsedSet &p = parsed[i];
        const TSimDataSet &d = described[i];
        QCOMPARE(p.start, d.start);
        QCOMPARE(p.intervalMinutes, int(d.intervalMinutes));
        QCOMPARE(p.intervalSeconds, int(d.intervalSeconds));
        QCOMPARE(p.unit, int(d.unitCode));
        QCOMPARE(p.type, int(d.coupleType));
        QCOMPARE(p.rhOffset, int(d.rhOffset));
        QCOMPARE(p.t1Offset, int(d.t1Offset));
        QCOMPARE(p.t2Offset, int(d.t2Offset));
        QCOMPARE(p.records.size(), d.records.size());
        for (int j = 0; j < p.records.size(); ++j)
            for (int k = 0; k < 3; ++k)
                QCOMPARE(p.records[j][k], int(d.records[j][k]));
    }
    // the second set is in degF with type J and signed offsets
    QCOMPARE(parsed[1].unit, 0);
    QCOMPARE(parsed[1].type, 1);
    QCOMPARE(parsed[1].t1Offset, -3);
    // plausible records
    for (const TParsedSet &p : parsed)
        for (const auto &r : p.records) {
            QVERIFY(r[0] > 380 && r[0] < 520);
            QVERIFY(r[1] > 190 && r[1] < 250);
            QVERIFY(r[2] > 660 && r[2] < 780);
        }
}

void TstSimLogger::emptyMemory()
{
    TSimMeter m;
    m.ClearMemory();
    int end = 0;
    QVERIFY(ParseMemory(m.Memory(), &end).isEmpty());
    QCOMPARE(BE16(m.Memory(), 8), 0);
    QCOMPARE(end, 0xAFF);
}

void TstSimLogger::pageReplyCarriesPageEchoAndChecksum()
{
    TSimMeter m;
    const QByteArray r = Send(m, 'P', 1);
    QCOMPARE(r.size(), 36);
    QVERIFY(PageReplyOk(r));
    QCOMPARE(r.left(32), m.Memory().left(32));
    QCOMPARE(BE16(r, 32), 1);
    const QByteArray r89 = Send(m, 'P', 89);
    QCOMPARE(r89.left(32), m.Memory().mid(88 * 32, 32));
    QCOMPARE(BE16(r89, 32), 89);
    const QByteArray r300 = Send(m, 'P', 300);   // 16-bit page numbers
    QCOMPARE(BE16(r300, 32), 300);
    QCOMPARE(r300.left(32), m.Memory().mid(299 * 32, 32));
}

void TstSimLogger::pageZeroStartsAtFirstPage()
{
    TSimMeter m;
    const QByteArray r = Send(m, 'P', 0);   // the serial download's start
    QVERIFY(PageReplyOk(r));
    QCOMPARE(r.left(32), m.Memory().left(32));
    QCOMPARE(Send(m, 'p').left(32), m.Memory().mid(32, 32));
}

void TstSimLogger::nextAndRepeatedPages()
{
    TSimMeter m;
    Send(m, 'P', 1);
    QCOMPARE(Send(m, 'p').left(32), m.Memory().mid(32, 32));
    QCOMPARE(Send(m, 'r').left(32), m.Memory().mid(32, 32));
    QCOMPARE(Send(m, 'n').left(32), m.Memory().mid(32, 32));
    const QByteArray third = Send(m, 'p');
    QCOMPARE(BE16(third, 32), 3);
    QCOMPARE(third.left(32), m.Memory().mid(64, 32));
    // a restart at a given page: the next "p" continues after it
    Send(m, 'P', 2);
    QCOMPARE(Send(m, 'p').left(32), m.Memory().mid(64, 32));
    // a live request in the middle does not move the transfer
    Send(m, 'A');
    QCOMPARE(BE16(Send(m, 'p'), 32), 4);
}

void TstSimLogger::endOfTransferStopsNextPage()
{
    TSimMeter m;
    QVERIFY(Send(m, 'p').isEmpty());   // no transfer started
    QVERIFY(Send(m, 'r').isEmpty());
    Send(m, 'P', 1);
    Send(m, 'q');
    QVERIFY(Send(m, 'p').isEmpty());
    Send(m, 'P', 1);
    Send(m, 'Q');
    QVERIFY(Send(m, 'n').isEmpty());
}

void TstSimLogger::pagesBeyondMemoryAreNotAnswered()
{
    TSimMeter m;
    QVERIFY(!Send(m, 'P', 8192).isEmpty());
    QVERIFY(Send(m, 'p').isEmpty());
    QVERIFY(Send(m, 'P', 8193).isEmpty());
}

void TstSimLogger::wholeDownloadReproducesMemory()
{
    TSimMeter m;
    QByteArray image;
    QByteArray r = Send(m, 'P', 1);
    const int end = U8(r, 10) << 16 | U8(r, 11) << 8 | U8(r, 12);
    const int size = TransferSize(end);
    image += r.left(32);
    while (image.size() < size) {
        r = Send(m, 'p');
        QVERIFY(PageReplyOk(r));
        QCOMPARE(BE16(r, 32), image.size() / 32 + 1);
        image += r.left(32);
    }
    Send(m, 'q');
    QCOMPARE(image.size(), 3296);
    QCOMPARE(image, m.Memory().left(size));
    QCOMPARE(ParseMemory(image).size(), 3);
}

void TstSimLogger::recordingAppendsADataSet()
{
    TSimMeter m;
    m.SetManualClock(true);
    m.SetClockBase(QDateTime(QDate(2026, 3, 9), QTime(10, 20, 30)));
    m.SetTimeMs(5000);
    m.SetUnitCode(0);
    m.SetCoupleType(4);
    m.SetReadings(455, 215, 705);
    Send(m, 'E');
    QVERIFY(m.Recording());
    const QByteArray live = Send(m, 'A');
    QVERIFY(live.at(3) & 0x08);
    QVERIFY(live.at(57) & 0x20);   // REC
    m.AdvanceMs(4000);
    m.SetReadings(460, 216, 706);
    m.AdvanceMs(6000);
    Send(m, 'E');
    QVERIFY(!m.Recording());
    m.AdvanceMs(10000);   // nothing more after the stop

    int end = 0;
    const QVector<TParsedSet> sets = ParseMemory(m.Memory(), &end);
    QCOMPARE(sets.size(), 4);
    const TParsedSet &s = sets[3];
    QVERIFY(s.markersOk);
    QCOMPARE(s.offset, 3276);
    QCOMPARE(s.start, QDateTime(QDate(2026, 3, 9), QTime(10, 20, 35)));
    QCOMPARE(s.unit, 0);
    QCOMPARE(s.type, 4);
    QCOMPARE(s.intervalMinutes * 60 + s.intervalSeconds, 2);
    QCOMPARE(s.records.size(), 6);   // at 0, 2, 4, 6, 8 and 10 s
    QCOMPARE(s.records[0][0], 455);
    QCOMPARE(s.records[2][1], 215);   // taken before the new readings
    QCOMPARE(s.records[3][1], 216);
    QCOMPARE(s.records[5][2], 706);
    QCOMPARE(end, s.offset + 20 + 8 * 6 - 1);
    QCOMPARE(m.DataSets().size(), 4);
    QCOMPARE(m.DataSets()[3].records.size(), 6);
}

void TstSimLogger::recordingStopsWhenMemoryIsFull()
{
    TSimMeter m;
    m.SetManualClock(true);
    m.ClearMemory();
    TSimDataSet big;
    big.start = QDateTime(QDate(2025, 1, 1), QTime(0, 0));
    big.records.resize((262144 - 0xB00 - 20) / 8 - 6);   // room for one more set of four records
    QVERIFY(m.AddDataSet(big));
    Send(m, 'E');
    QVERIFY(m.Recording());
    m.AdvanceMs(60000);
    QVERIFY(!m.Recording());
    QVERIFY(m.MemoryFull());
    int end = 0;
    const QVector<TParsedSet> sets = ParseMemory(m.Memory(), &end);
    QCOMPARE(sets.size(), 2);
    QVERIFY(sets[1].markersOk);
    QCOMPARE(sets[1].records.size(), 4);
    QVERIFY(end < 262144);
    QVERIFY(end + 8 >= 262144);   // no room for another record
    const QByteArray live = Send(m, 'A');
    QVERIFY(live.at(3) & 0x10);   // REC and FULL blink
    QVERIFY(live.at(57) & 0x10);   // FULL
    // a full memory refuses a new recording
    Send(m, 'E');
    QVERIFY(!m.Recording());
}

static TRegisterTest<TstSimLogger> registerSimLogger;
#include "tst_simlogger.moc"
