#include "testregistry.h"
#include "graphtestsupport.h"

#include "core/base/datetime.h"
#include "core/base/translation.h"
#include "gui/graph/window/graph.h"
#include "gui/graph/window/graphsetup.h"
#include "gui/graph/engine/pesgraph.h"
#include "gui/graph/window/realtime.h"
#include "gui/graph/window/setuprealtime.h"

#include "gui/files/graphfile.h"
#include "gui/graph/window/graphfileio.h"
#include "core/files/rtjournal.h"

#include <QAction>
#include <QLabel>
#include <QTemporaryDir>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QToolButton>
#include <QtTest>

namespace {

TAppState &State() { return GraphTest::Main()->State; }

// Runs a recording of `points` points through the set-up dialog.
TfrmGraph *Start(GraphTest::Answers &answers, const QString &points, int minutes = 0, int seconds = 2)
{
    State().Connected = true;
    answers.exec = [=](QDialog *d) {
        auto *setup = qobject_cast<TfrmSetupRealTime *>(d);
        if (!setup)
            return int(QDialog::Rejected);
        setup->edtRealTimeNo->setText(points);
        setup->ComboBox1->setCurrentIndex(minutes);
        setup->ComboBox2->setCurrentIndex(seconds);
        return int(QDialog::Accepted);
    };
    RealTimeRun();
    return RealTimeWindow();
}

const double kT0 = 46000.5;
double At(int i) { return kT0 + i * 2 / 86400.0; }

} // namespace

class TestRealTime : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QLocale::setDefault(QLocale::c());
        GraphTest::RemoveTemplates();
        GraphTest::ResetMain();
    }
    void cleanup()
    {
        GraphTest::ResetMain();
        QLocale::setDefault(QLocale::system());
    }

    void runNeedsConnection();
    void dialogPeriodTexts();
    void zeroRateBecomesTwoSeconds();
    void runPreparesGraph();
    void invalidPointNumber_data();
    void invalidPointNumber();
    void runWithDataAsksFirst();
    void fullGraphStopsWithoutTrimming();
    void stopAfterTenTrims();
    void flaggedRH();
    void flaggedT2_data();
    void flaggedT2();
    void derivedNullWhenT1Flagged();
    void runningExtremes();
    void xAxisGrowsBySpanStep();
    void appendNeverWritesBeyondPoints();
    void fullStopInsideTickDoesNotWait();
    void closingWindowEndsRecording();
    void unitChangeKeepsOneUnit();
    void axisFollowsAKelvinRecording();
};

void TestRealTime::runNeedsConnection()
{
    GraphTest::Answers answers;
    CreateRealTimeGraphWindow();
    State().Connected = false;
    RealTimeRun();
    QCOMPARE(answers.execCount, 0);
    QVERIFY(!State().RealTimeRecording);
}

void TestRealTime::dialogPeriodTexts()
{
    GraphTest::Answers answers;
    State().Connected = true;
    State().RealTimeRate = 2;
    CreateRealTimeGraphWindow();
    QString opened, afterChange;
    answers.exec = [&](QDialog *d) {
        auto *setup = qobject_cast<TfrmSetupRealTime *>(d);
        opened = setup->edtPeriod->text();
        setup->ComboBox2->setCurrentIndex(3);
        setup->ComboBox2->setCurrentIndex(2);
        afterChange = setup->edtPeriod->text();
        return int(QDialog::Rejected);
    };
    RealTimeRun();
    QCOMPARE(opened, QStringLiteral("1:6:40"));
    QCOMPARE(afterChange, QStringLiteral("1:06:40"));
    QVERIFY(!State().RealTimeRecording); // cancelled
}

void TestRealTime::zeroRateBecomesTwoSeconds()
{
    TfrmSetupRealTime d;
    d.SetRate(1, 0);
    d.ComboBox1->setCurrentIndex(0);
    QCOMPARE(d.ComboBox1->currentIndex(), 0);
    QCOMPARE(d.ComboBox2->currentIndex(), 2);
    QCOMPARE(d.edtPeriod->text(), QStringLiteral("1:06:40"));
}

void TestRealTime::runPreparesGraph()
{
    GraphTest::Answers answers;
    CreateRealTimeGraphWindow();
    const double before = DateTimeUtil::Now();
    TfrmGraph *w = Start(answers, QStringLiteral(" 500"), 1, 30);
    QVERIFY(w);
    QVERIFY(State().RealTimeRecording);
    QCOMPARE(State().RealTimeRate, 90);
    QCOMPARE(w->ComboBox1->currentIndex(), 1);
    QCOMPARE(w->ComboBox2->currentIndex(), 30);
    PESGraph *g = w->PESGraph1;
    QCOMPARE(g->Points(), 500);
    QCOMPARE(g->YData(4, 499), 9999.0f);
    QVERIFY(g->ManualMinX() >= before);
    QCOMPARE(qRound((g->ManualMaxX() - g->ManualMinX()) * 86400.0), 100);
    QVERIFY(!w->tbntClr->isEnabled());
    QVERIFY(!g->TAShow());
    QVERIFY(!w->txtStartTime->text().isEmpty());
    TfrmMain *main = GraphTest::Main();
    QVERIFY(!main->btnRun->isEnabled());
    QVERIFY(!main->Run1->isEnabled());
    QVERIFY(main->btnStop->isEnabled());
    QVERIFY(main->Stop1->isEnabled());
}

void TestRealTime::invalidPointNumber_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("zero") << QStringLiteral("    0");
    QTest::newRow("blank") << QStringLiteral("     ");
}

void TestRealTime::invalidPointNumber()
{
    QFETCH(QString, typed);
    GraphTest::Answers answers;
    TfrmGraph *w = CreateRealTimeGraphWindow();
    const int pointsBefore = w->PESGraph1->Points();
    Start(answers, typed, 1, 0);
    QCOMPARE(answers.messages, QStringList{typed + GetTextOrDefault(QStringLiteral("IDS_19"))});
    QVERIFY(!State().RealTimeRecording);
    QCOMPARE(w->PESGraph1->Points(), pointsBefore);
    QCOMPARE(w->ComboBox1->currentIndex(), 1); // only the rate lists changed
}

void TestRealTime::runWithDataAsksFirst()
{
    GraphTest::Answers answers;
    CreateRealTimeGraphWindow();
    State().RealTimePointCount = 3;
    answers.messageAnswers = {Dialogs::Cancel};
    Start(answers, QStringLiteral(" 2000"));
    QCOMPARE(answers.messages.size(), 1);
    QCOMPARE(answers.messages.first(),
             GetTextOrDefault(QStringLiteral("IDS_17")) + GetTextOrDefault(QStringLiteral("IDS_18")));
    QCOMPARE(answers.execCount, 0);
    QVERIFY(!State().RealTimeRecording);
}

void TestRealTime::fullGraphStopsWithoutTrimming()
{
    GraphTest::Answers answers;
    CreateRealTimeGraphWindow();
    TfrmGraph *w = Start(answers, QStringLiteral(" 2000"));
    for (int i = 0; i < 2000; ++i) {
        QVERIFY(State().RealTimeRecording);
        AppendRealTimePoint(0, At(i), 50.0f, 20.0f, 30.0f, 15.0f, 10.0f);
    }
    QVERIFY(!State().RealTimeRecording);
    QCOMPARE(State().RealTimePointCount, 2000);
    QCOMPARE(w->PESGraph1->Points(), 2000);
    QCOMPARE(w->PESGraph1->XDataII(0, 1999), At(1999));
    QCOMPARE(w->txtDataNo->text(), QStringLiteral("2000"));
    QCOMPARE(w->txtRHAvg->text(), QStringLiteral("50.0"));
    QVERIFY(GraphTest::Main()->btnRun->isEnabled());
    QVERIFY(!GraphTest::Main()->btnStop->isEnabled());
}

void TestRealTime::stopAfterTenTrims()
{
    GraphTest::Answers answers;
    CreateRealTimeGraphWindow();
    TfrmGraph *w = Start(answers, QStringLiteral(" 2000"));
    for (int i = 0; i < 10; ++i)
        AppendRealTimePoint(0, At(i), 40.0f + i, 20.0f, i < 5 ? 3000.0f : 30.0f, 15.0f, 10.0f);
    const double before = DateTimeUtil::Now();
    GraphTest::Main()->btnStopClick();
    const double after = DateTimeUtil::Now();
    PESGraph *g = w->PESGraph1;
    QCOMPARE(g->Points(), 10);
    QCOMPARE(g->YData(0, 9), 49.0f);
    QVERIFY(g->ManualMaxX() >= before && g->ManualMaxX() <= after);
    QCOMPARE(w->txtRHAvg->text(), QStringLiteral("44.5"));
    QCOMPARE(w->txtT1Avg->text(), QStringLiteral("20.0"));
    QCOMPARE(w->txtT2Avg->text(), QStringLiteral("30.0")); // 3000 is not below 3000
    QVERIFY(w->tbntClr->isEnabled());
    QVERIFY(!State().RealTimeRecording);
}

void TestRealTime::flaggedRH()
{
    GraphTest::Answers answers;
    CreateRealTimeGraphWindow();
    TfrmGraph *w = Start(answers, QStringLiteral("   10"));
    AppendRealTimePoint(0x10, At(0), 55.0f, 20.0f, 30.0f, 15.0f, 10.0f);
    QCOMPARE(w->PESGraph1->YData(0, 0), 9000.0f);
    QCOMPARE(w->txtRHMax->text(), QStringLiteral("OL"));
    QCOMPARE(w->txtRHMin->text(), QStringLiteral("OL"));
    QCOMPARE(w->PESGraph1->YData(3, 0), 9999.0f);
    QCOMPARE(w->PESGraph1->YData(4, 0), 9999.0f);
    QCOMPARE(w->PESGraph1->YData(1, 0), 20.0f);
    QCOMPARE(w->txtT1Max->text(), LocaleUtil::ValueAt(20.0, At(0)));
}

void TestRealTime::flaggedT2_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<float>("t2");
    QTest::addColumn<float>("plotted");
    QTest::addColumn<QString>("maxText");
    QTest::newRow("bit 2 below 0") << 0x04 << -5.0f << -9000.0f << "-OL";
    QTest::newRow("bit 6 above 0") << 0x40 << 1300.0f << 9000.0f << "OL";
    QTest::newRow("flagged 0 stays 0") << 0x04 << 0.0f << 0.0f << "0.0@";
    QTest::newRow("not flagged") << 0x00 << -5.0f << -5.0f << "-5.0@";
}

void TestRealTime::flaggedT2()
{
    QFETCH(int, status);
    QFETCH(float, t2);
    QFETCH(float, plotted);
    QFETCH(QString, maxText);
    GraphTest::Answers answers;
    CreateRealTimeGraphWindow();
    TfrmGraph *w = Start(answers, QStringLiteral("   10"));
    AppendRealTimePoint(uint8_t(status), At(0), 50.0f, 20.0f, t2, 15.0f, 10.0f);
    QCOMPARE(w->PESGraph1->YData(2, 0), plotted);
    QVERIFY2(w->txtT2Max->text().startsWith(maxText), qPrintable(w->txtT2Max->text()));
    QCOMPARE(w->PESGraph1->YData(3, 0), 15.0f); // T2 flags leave the derived values alone
}

void TestRealTime::derivedNullWhenT1Flagged()
{
    GraphTest::Answers answers;
    CreateRealTimeGraphWindow();
    TfrmGraph *w = Start(answers, QStringLiteral("   10"));
    AppendRealTimePoint(0x20, At(0), 50.0f, 20.0f, 30.0f, 15.0f, 10.0f);
    QCOMPARE(w->PESGraph1->YData(1, 0), 9000.0f);
    QCOMPARE(w->PESGraph1->YData(3, 0), 9999.0f);
    QCOMPARE(w->txtT1Max->text(), QStringLiteral("OL"));
}

void TestRealTime::runningExtremes()
{
    GraphTest::Answers answers;
    CreateRealTimeGraphWindow();
    TfrmGraph *w = Start(answers, QStringLiteral("   10"));
    const float rh[] = {50.0f, 60.0f, 60.0f, 40.0f};
    for (int i = 0; i < 4; ++i)
        AppendRealTimePoint(0, At(i), rh[i], 20.0f, 30.0f, 15.0f, 10.0f);
    QCOMPARE(w->txtRHMax->text(), LocaleUtil::ValueAt(60.0, At(1))); // a tie keeps the first
    QCOMPARE(w->txtRHMin->text(), LocaleUtil::ValueAt(40.0, At(3)));
    QCOMPARE(w->txtDataNo->text(), QStringLiteral("4"));
    QCOMPARE(State().RealTimePointCount, 4);
}

void TestRealTime::xAxisGrowsBySpanStep()
{
    GraphTest::Answers answers;
    CreateRealTimeGraphWindow();
    TfrmGraph *w = Start(answers, QStringLiteral("   10"));
    State().RealTimeSpanStep = 9000.0 / 86400.0;
    PESGraph *g = w->PESGraph1;
    const double t = g->ManualMaxX() + 1.0 / 86400.0;
    AppendRealTimePoint(0, t, 50.0f, 20.0f, 30.0f, 15.0f, 10.0f);
    QCOMPARE(g->ManualMaxX(), t + 9000.0 / 86400.0);
    const double inside = t + 1.0 / 86400.0;
    AppendRealTimePoint(0, inside, 50.0f, 20.0f, 30.0f, 15.0f, 10.0f);
    QCOMPARE(g->ManualMaxX(), t + 9000.0 / 86400.0);
}

void TestRealTime::appendNeverWritesBeyondPoints()
{
    GraphTest::Answers answers;
    CreateRealTimeGraphWindow();
    TfrmGraph *w = Start(answers, QStringLiteral("    3"));
    PESGraph *g = w->PESGraph1;
    g->setPoints(2); // the graph shrank under the recording
    State().RealTimePointCount = 2;
    AppendRealTimePoint(0, At(0), 50.0f, 20.0f, 30.0f, 15.0f, 10.0f);
    QCOMPARE(g->Points(), 2);
    QCOMPARE(State().RealTimePointCount, 2);
    QVERIFY(!State().RealTimeRecording); // a full graph ends the recording
    // Without a recording, an append past the end still writes nothing.
    AppendRealTimePoint(0, At(1), 50.0f, 20.0f, 30.0f, 15.0f, 10.0f);
    QCOMPARE(g->Points(), 2);
}

void TestRealTime::fullStopInsideTickDoesNotWait()
{
    GraphTest::Answers answers;
    CreateRealTimeGraphWindow();
    Start(answers, QStringLiteral("    2"));
    AppendRealTimePoint(0, At(0), 50.0f, 20.0f, 30.0f, 15.0f, 10.0f);
    State().PollBusy = true; // the poll tick that appends holds the flag
    QElapsedTimer timer;
    timer.start();
    AppendRealTimePoint(0, At(1), 50.0f, 20.0f, 30.0f, 15.0f, 10.0f);
    const qint64 elapsed = timer.elapsed();
    State().PollBusy = false;
    QVERIFY(!State().RealTimeRecording);
    QVERIFY2(elapsed < 1000, qPrintable(QStringLiteral("the stop waited %1 ms").arg(elapsed)));
}

void TestRealTime::closingWindowEndsRecording()
{
    GraphTest::Answers answers;
    CreateRealTimeGraphWindow();
    TfrmGraph *w = Start(answers, QStringLiteral("   10"));
    AppendRealTimePoint(0, At(0), 50.0f, 20.0f, 30.0f, 15.0f, 10.0f);
    QVERIFY(w->parentWidget()->close());
    TfrmMain *main = GraphTest::Main();
    QVERIFY(!State().RealTimeRecording);
    QCOMPARE(State().RealTimePointCount, 0);
    QVERIFY(main->btnRun->isEnabled()); // connected
    QVERIFY(!main->btnStop->isEnabled());
    QVERIFY(!main->Stop1->isEnabled());
    QVERIFY(!main->RealTimeGraphWindow);
    // Appends after the close find no window and do nothing.
    AppendRealTimePoint(0, At(1), 50.0f, 20.0f, 30.0f, 15.0f, 10.0f);
}

void TestRealTime::unitChangeKeepsOneUnit()
{
    // Run while the meter shows °C; the meter then shows °F, then K.
    GraphTest::Answers answers;
    GraphTest::Main()->LiveReading.unitCode = 1;
    State().Connected = true;
    CreateRealTimeGraphWindow();
    TfrmGraph *w = Start(answers, QStringLiteral("   10"));
    const float celsius[5] = {50.0f, 20.0f, 30.0f, 15.0f, 10.0f};
    const float fahrenheit[5] = {50.0f, 68.0f, 86.0f, 59.0f, 50.0f};
    const float kelvin[5] = {50.0f, 293.2f, 303.2f, 288.2f, 283.2f};
    AppendRealTimePoint(0, At(0), celsius, 1);
    AppendRealTimePoint(0, At(1), fahrenheit, 0);
    QVERIFY(w->lblUnitNotice->isVisibleTo(w));
    QVERIFY(w->lblUnitNotice->text().contains(QStringLiteral("\u00b0F")));
    AppendRealTimePoint(0, At(2), kelvin, 2);
    QVERIFY(w->lblUnitNotice->text().contains(QStringLiteral("K")));
    RealTimeStop();
    PESGraph *g = w->PESGraph1;
    QCOMPARE(g->Points(), 3);
    for (int p = 0; p < 3; ++p)
        for (int k = 0; k < 5; ++k)
            QVERIFY2(qAbs(g->YData(k, p) - celsius[k]) < 1e-3f, qPrintable(QStringLiteral("%1,%2").arg(k).arg(p)));
    QVERIFY2(w->txtT1Max->text().startsWith(QStringLiteral("20.0@")), qPrintable(w->txtT1Max->text()));
    QVERIFY2(w->txtT1Min->text().startsWith(QStringLiteral("20.0@")), qPrintable(w->txtT1Min->text()));
    QVERIFY2(w->txtT2Max->text().startsWith(QStringLiteral("30.0@")), qPrintable(w->txtT2Max->text()));
    QCOMPARE(w->txtT1Avg->text(), QStringLiteral("20.0"));
    QCOMPARE(w->txtT2Avg->text(), QStringLiteral("30.0"));
    QCOMPARE(g->Unit(), QStringLiteral("\u00b0C"));
    // The journal and the saved graph file carry the one unit.
    TRealTimeJournalContents contents;
    QVERIFY(TRealTimeJournal::Read(RealTimeJournal().Path(), &contents));
    QCOMPARE(contents.header.unitCode, 1);
    QCOMPARE(contents.points.size(), 3);
    QVERIFY(qAbs(contents.points.at(2).y[1] - 20.0f) < 1e-3f);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("mixed.ghf"));
    QVERIFY(SaveGraphFile(g, path));
    PESGraph reopened;
    QVERIFY(LoadGraphFile(&reopened, path));
    for (int p = 0; p < 3; ++p)
        QVERIFY(qAbs(reopened.YData(1, p) - 20.0f) < 1e-3f);
    GraphTest::Main()->LiveReading.unitCode = 0;
}

void TestRealTime::axisFollowsAKelvinRecording()
{
    GraphTest::Answers answers;
    GraphTest::Main()->LiveReading.unitCode = 2;
    CreateRealTimeGraphWindow();
    TfrmGraph *w = Start(answers, QStringLiteral("   10"));
    PESGraph *g = w->PESGraph1;
    QCOMPARE(g->ManualMaxY(), 50.0);
    const float kelvin[5] = {45.0f, 296.0f, 9000.0f, 288.2f, 283.2f};
    AppendRealTimePoint(0, At(0), kelvin, 2);
    // Widened to tens, the over-range marker left out, never narrowed.
    QCOMPARE(g->ManualMinY(), -10.0);
    QCOMPARE(g->ManualMaxY(), 300.0);
    const float lower[5] = {45.0f, 291.0f, 30.0f, 288.2f, 283.2f};
    AppendRealTimePoint(0, At(1), lower, 2);
    QCOMPARE(g->ManualMaxY(), 300.0);
    // Y Axis set by hand wins for the rest of the recording.
    answers.exec = [](QDialog *d) {
        d->findChild<QLineEdit *>(QStringLiteral("edtT1Min"))->setText(QStringLiteral("280"));
        d->findChild<QLineEdit *>(QStringLiteral("edtT1Max"))->setText(QStringLiteral("300"));
        return int(QDialog::Accepted);
    };
    w->btnChangeScaleClick();
    QCOMPARE(g->ManualMinY(), 280.0);
    const float higher[5] = {45.0f, 310.0f, 30.0f, 288.2f, 283.2f};
    AppendRealTimePoint(0, At(2), higher, 2);
    QCOMPARE(g->ManualMaxY(), 300.0);
    QCOMPARE(g->ManualMinY(), 280.0);
    RealTimeStop();
    // Saved in K with the real-time axis of -10 ... 50, reopened: its curves show.
    g->setWorkingAxis(0);
    g->setManualMinY(-10.0);
    g->setManualMaxY(50.0);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kelvin.ghf"));
    QVERIFY(SaveGraphFile(g, path));
    TfrmGraph *reopened = OpenGraphFile(path);
    QVERIFY(reopened);
    reopened->PESGraph1->setWorkingAxis(0);
    QVERIFY(reopened->PESGraph1->ManualMaxY() >= 310.0);
    QVERIFY(reopened->PESGraph1->ManualMinY() <= 45.0);
    GraphTest::Main()->LiveReading.unitCode = 0;
}

QM738_REGISTER_TEST(TestRealTime)
#include "tst_realtime.moc"
