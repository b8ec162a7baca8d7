// Data Logger > Load: what it refuses, how it reports each outcome, that it
// cannot run twice at once, and that Cancel leaves the previous data alone.

#include "downloadrig.h"

#include "gui/base/dialogs.h"
#include "gui/logger/collection.h"
#include "gui/logger/loadcommand.h"
#include "gui/base/scope.h"
#include "gui/logger/transferwindow.h"

#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "../testregistry.h"

namespace {

// The command on a rig, with every message box answered and recorded.
struct TLoadRig : TDownloadRig {
    TLoadCommand command{link, supervisor, discovery, view};
    QStringList messages;
    QStringList awake; // each keep-awake call and the messages shown before it

    TLoadRig()
    {
        command.SetKeepAwake([this](bool on) {
            awake << QStringLiteral("%1 after %2 messages").arg(on ? "on" : "off").arg(messages.size());
        });
        command.SetSteps(Steps());
        command.SetText([](const QString &key) { return key + QStringLiteral(" text"); });
        command.SetSelectedPort([this] { return pty ? pty->PortPath() : QString(); });
        Dialogs::SetMessageHandler([this](const Dialogs::MessageRequest &r) {
            messages << r.text;
            return int(Dialogs::Ok);
        });
    }
    ~TLoadRig() { Dialogs::SetMessageHandler({}); }
};

} // namespace

class TstLoadCommand : public QObject {
    Q_OBJECT
private slots:
    void refusals_data();
    void refusals();
    void reports_data();
    void reports();
    void secondLoadDuringTransferDoesNothing();
    void unsavedDownloadAskedFirst_data();
    void unsavedDownloadAskedFirst();
    void cancelKeepsPreviousData_data();
    void cancelKeepsPreviousData();
};

void TstLoadCommand::refusals_data()
{
    QTest::addColumn<bool>("connected");
    QTest::addColumn<QString>("key");
    QTest::newRow("no connection") << false << QStringLiteral("IDS_75");
    QTest::newRow("meter recording") << true << QStringLiteral("IDS_76");
}

void TstLoadCommand::refusals()
{
    QFETCH(bool, connected);
    QFETCH(QString, key);
    TLoadRig rig;
    if (connected)
        QVERIFY(rig.Connect(false));
    rig.reading.loggerRecording = true;
    rig.usb.ClearLog();
    rig.timerSwitches.clear();

    rig.command.LoadData1Click();
    QCOMPARE(rig.messages, QStringList{key + QStringLiteral(" text")});
    QVERIFY(rig.awake.isEmpty());
    QVERIFY(rig.usb.Frames().isEmpty());
    QVERIFY(rig.timerSwitches.isEmpty());
    QCOMPARE(rig.prepared, 0);
    QCOMPARE(rig.state.Connected, connected);
    QVERIFY(!rig.command.LoadingData());
}

void TstLoadCommand::reports_data()
{
    QTest::addColumn<int>("decodeResult");
    QTest::addColumn<bool>("badFirstPage");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("abortSent");

    QTest::newRow("success") << 0 << false << QString() << false;
    QTest::newRow("no data") << 6 << false << QStringLiteral("IDS_78") << false;
    QTest::newRow("too many sets") << 2 << false << TLoadCommand::ErrorText(2) << true;
    QTest::newRow("first page ends in 0x04") << 0 << true << TLoadCommand::ErrorText(1006) << true;
}

void TstLoadCommand::reports()
{
    QFETCH(int, decodeResult);
    QFETCH(bool, badFirstPage);
    QFETCH(QString, message);
    QFETCH(bool, abortSent);

    TLoadRig rig;
    QVERIFY(rig.Connect(false));
    rig.decodeResult = decodeResult;
    if (badFirstPage)
        rig.meter->InjectPageFault(1, TSimPageFault::BadEnd);
    rig.usb.ClearLog();

    rig.command.LoadData1Click();
    if (message.startsWith(QStringLiteral("IDS_")))
        message += QStringLiteral(" text");
    QCOMPARE(rig.messages, message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(rig.prepared, 1);
    // Awake for the transfer only, not while its message waits for the user.
    QCOMPARE(rig.awake, (QStringList{QStringLiteral("on after 0 messages"), QStringLiteral("off after 0 messages")}));
    const bool ok = decodeResult == 0 && !badFirstPage;
    QCOMPARE(rig.state.LoggerDataUnsaved, ok);
    QCOMPARE(rig.graphed, ok ? QList<int>{0} : QList<int>{});
    QCOMPARE(rig.tempCount >= 0, ok);
    QCOMPARE(rig.UsbCommands().endsWith('Q'), abortSent);
    // The link is dropped; the poll cycle finds the meter again.
    QVERIFY(!rig.state.Connected && !rig.state.UsbLink);
    QCOMPARE(rig.timerSwitches.last(), true);
    rig.supervisor.MainTimerTimer();
    QVERIFY(rig.state.Connected);
    QVERIFY(!rig.command.LoadingData());
}

void TstLoadCommand::secondLoadDuringTransferDoesNothing()
{
    TLoadRig rig;
    QVERIFY(rig.Connect(false));
    rig.usb.ClearLog();
    bool loadingDuringTransfer = false;
    TTransferProgress progress;
    progress.Show = [&](int) {
        loadingDuringTransfer = rig.command.LoadingData();
        rig.command.LoadData1Click(); // as if the button were pressed again
    };
    rig.command.Download().SetProgress(progress);

    rig.command.LoadData1Click();
    QVERIFY(loadingDuringTransfer);
    QCOMPARE(int(rig.UsbCommands().count('P')), 1);
    QCOMPARE(rig.decodes, 1);
    QCOMPARE(rig.prepared, 1);
    QVERIFY(rig.messages.isEmpty());
}

void TstLoadCommand::unsavedDownloadAskedFirst_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("saveChosen");
    QTest::addColumn<bool>("loaded");
    QTest::newRow("Cancel") << int(Dialogs::Cancel) << false << false;
    QTest::newRow("No") << int(Dialogs::No) << false << true;
    QTest::newRow("Yes, saved") << int(Dialogs::Yes) << true << true;
    QTest::newRow("Yes, save dialog cancelled") << int(Dialogs::Yes) << false << false;
}

void TstLoadCommand::unsavedDownloadAskedFirst()
{
    QFETCH(int, answer);
    QFETCH(bool, saveChosen);
    QFETCH(bool, loaded);
    TLoadRig rig;
    QVERIFY(rig.Connect(false));
    QVERIFY(WriteTempCollection(QByteArray("the unsaved download"), 20));
    SetLoggerDataUnsaved(rig.state, true);
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("kept.738"));
    Dialogs::SetMessageHandler([&](const Dialogs::MessageRequest &r) {
        rig.messages << r.text;
        return answer;
    });
    Dialogs::SetFileHandler([&](const Dialogs::FileRequest &) { return saveChosen ? target : QString(); });

    rig.command.LoadData1Click();
    Dialogs::SetFileHandler({});
    QCOMPARE(rig.messages, QStringList{QStringLiteral("Save DataLogger Data ?")});
    QCOMPARE(rig.prepared, loaded ? 1 : 0);
    QCOMPARE(rig.decodes, loaded ? 1 : 0);
    QCOMPARE(QFileInfo::exists(target), saveChosen);
    // Unsaved still: the old download kept, or the new one.
    QVERIFY(rig.state.LoggerDataUnsaved);
    QVERIFY(QFileInfo::exists(LoggerDataUnsavedPath()));
    SetLoggerDataUnsaved(rig.state, false);
    QVERIFY(!QFileInfo::exists(LoggerDataUnsavedPath()));
}

void TstLoadCommand::cancelKeepsPreviousData_data()
{
    QTest::addColumn<bool>("serialLink");
    QTest::addColumn<int>("silentFrom"); // the meter says nothing from this page on (0: never)
    QTest::newRow("serial") << true << 0;
    QTest::newRow("serial, meter silent after the second page") << true << 3;
    QTest::newRow("usb") << false << 0;
}

void TstLoadCommand::cancelKeepsPreviousData()
{
    QFETCH(bool, serialLink);
    QFETCH(int, silentFrom);
    TLoadRig rig;
    rig.meter->FillMemory(64 * 1024);
    if (silentFrom > 0)
        rig.meter->InjectPageFault(silentFrom, TSimPageFault::SilenceFrom);
    QVERIFY(rig.Connect(serialLink));
    rig.usb.ClearLog();
    rig.state.LoggerDataUnsaved = false;

    // The real progress window; its Cancel button is pressed once it shows.
    TTransferWindow window(nullptr, [](const QString &key) { return key + QStringLiteral(" text"); });
    TTransferProgress progress = window.Callbacks();
    bool shownAsTransfer = false;
    progress.Show = [&, silentFrom](int size) {
        window.ShowTransferProgress(size);
        TfrmScope *scope = window.Window();
        shownAsTransfer = scope->isVisible() && !scope->isModal() && scope->BitBtn2->isVisible()
                          && scope->windowTitle() == QStringLiteral("IDS_53 text")
                          && scope->Progress1->maximum() == size && scope->lblTotalBytes->text().toInt() == size
                          && !scope->GroupBox1->isVisible();
        // With a silent meter the press comes while the next page is awaited.
        QTimer::singleShot(silentFrom > 0 ? 300 : 0, scope, [scope] { QTest::mouseClick(scope->BitBtn2, Qt::LeftButton); });
    };
    rig.command.Download().SetProgress(progress);

    QElapsedTimer timer;
    timer.start();
    rig.command.LoadData1Click();
    // Cancel does not wait out a silent meter (5 s per request of the next page).
    QVERIFY(timer.elapsed() < 4000);
    QVERIFY(shownAsTransfer);
    QVERIFY(rig.messages.isEmpty());
    QCOMPARE(rig.decodes, 0);
    QCOMPARE(rig.tempCount, -1);
    QVERIFY(rig.graphed.isEmpty());
    QVERIFY(!rig.state.LoggerDataUnsaved);
    QVERIFY(rig.command.Download().ReceivedByteCount() < rig.command.Download().TransferSize());
    if (serialLink) {
        QVERIFY(rig.SerialMeterGot(QStringLiteral("02 71 00 00 00 00 03")));
        QVERIFY(!window.Window());                       // destroyed
        if (silentFrom == 0)
            QVERIFY(rig.state.Connected && rig.state.SerialLink); // the port was probed again
    } else {
        QVERIFY(rig.UsbCommands().contains("pq"));
        QVERIFY(!rig.UsbCommands().contains('Q'));
        QVERIFY(window.Window() && !window.Window()->isVisible()); // hidden
        QVERIFY(!rig.state.Connected);
    }
    QCOMPARE(rig.timerSwitches.last(), true);
}

QM738_REGISTER_TEST(TstLoadCommand)
#include "tst_loadcommand.moc"
