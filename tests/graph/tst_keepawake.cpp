// The computer is kept awake from Run until the recording ends, however it ends.

#include "testregistry.h"
#include "graphtestsupport.h"

#include "core/base/sleepinhibitor.h"
#include "gui/graph/window/graph.h"
#include "gui/graph/window/graphsetup.h"
#include "gui/graph/window/realtime.h"
#include "gui/graph/window/setuprealtime.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

class TestKeepAwake : public QObject
{
    Q_OBJECT
private slots:
    void init() { GraphTest::ResetMain(); }
    void cleanup() { GraphTest::ResetMain(); }
    void recordingKeepsAwakeUntilItEnds_data();
    void recordingKeepsAwakeUntilItEnds();
};

void TestKeepAwake::recordingKeepsAwakeUntilItEnds_data()
{
    QTest::addColumn<QString>("end");
    QTest::newRow("Stop") << QStringLiteral("stop");
    QTest::newRow("graph full") << QStringLiteral("full");
    QTest::newRow("window closed") << QStringLiteral("close");
    QTest::newRow("sampling rate changed, not saved") << QStringLiteral("rate");
}

void TestKeepAwake::recordingKeepsAwakeUntilItEnds()
{
    QFETCH(QString, end);
    GraphTest::Answers answers;
    TSleepInhibitor &inhibitor = *GraphTest::Main()->SleepInhibitor;
    GraphTest::Main()->State.Connected = true;
    CreateRealTimeGraphWindow();
    QVERIFY(!inhibitor.Wanted());
    answers.exec = [](QDialog *d) {
        auto *setup = qobject_cast<TfrmSetupRealTime *>(d);
        if (!setup)
            return int(QDialog::Rejected);
        setup->edtRealTimeNo->setText(QStringLiteral("2"));
        setup->ComboBox2->setCurrentIndex(2);
        return int(QDialog::Accepted);
    };
    RealTimeRun();
    QVERIFY(GraphTest::Main()->State.RealTimeRecording);
    QVERIFY(inhibitor.Wanted());
    AppendRealTimePoint(0, 46000.5, 50.0f, 20.0f, 30.0f, 15.0f, 10.0f);
    QVERIFY(inhibitor.Wanted());
    if (end == QLatin1String("stop"))
        RealTimeStop();
    else if (end == QLatin1String("full"))
        AppendRealTimePoint(0, 46000.6, 50.0f, 20.0f, 30.0f, 15.0f, 10.0f);
    else if (end == QLatin1String("rate"))
        RealTimeWindow()->ComboBox2->setCurrentIndex(5); // "No" to saving
    else
        QVERIFY(RealTimeWindow()->parentWidget()->close());
    QVERIFY(!GraphTest::Main()->State.RealTimeRecording);
    QVERIFY(!inhibitor.Wanted());
}

QM738_REGISTER_TEST(TestKeepAwake)
#include "tst_keepawake.moc"
