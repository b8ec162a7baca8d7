#include "testregistry.h"
#include "graphtestsupport.h"

#include "core/base/datetime.h"
#include "core/base/paths.h"
#include "gui/base/opensave.h"
#include "gui/logger/collection.h"
#include "gui/graph/window/annoedit.h"
#include "gui/graph/window/graph.h"
#include "gui/graph/window/graphsetup.h"
#include "gui/graph/window/realtime.h"
#include "gui/graph/engine/pesgraph.h"
#include "gui/graph/window/setupscale.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <qcustomplot.h>
#include <QtTest>

namespace {

TAppState &State() { return GraphTest::Main()->State; }

// A shown stand-alone graph window with a graph set up over one minute.
struct ShownGraph {
    TfrmGraph w;
    ShownGraph()
    {
        w.resize(900, 640);
        SetUpGraph(w.PESGraph1, 5, 50, -10, 46000.5 + 60 / 86400.0, 46000.5, 10);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.PESGraph1->Redraw();
        QCoreApplication::processEvents();
    }
    // Pixel of the graph's plot widget for a point of the graph widget.
    QWidget *plotWidget() const { return w.PESGraph1->plot(); }
    QPoint toPlot(const QPoint &graphPixel) const
    {
        return plotWidget()->mapFrom(w.PESGraph1, graphPixel);
    }
    void click(const QPoint &graphPixel)
    {
        QTest::mouseClick(plotWidget(), Qt::LeftButton, {}, toPlot(graphPixel));
        QCoreApplication::processEvents();
    }
};

} // namespace

class TestGraphWindow : public QObject
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
        GraphTest::RemoveTemplates();
        QLocale::setDefault(QLocale::system());
    }

    void components_data();
    void components();
    void dataSetList();
    void closeRealTimeQuestion_data();
    void closeRealTimeQuestion();
    void closeLoggerQuestion();
    void realTimeCloseKeepsLoggerFlag();
    void quitAsksEverythingFirst_data();
    void quitAsksEverythingFirst();
    void clearResetsAnnotationIndex();
    void channelBoxes();
    void splitAxes();
    void textClickOnRightEdge();
    void clicksThatPlaceNothing();
    void crossClick();
    void doubleClickDeletesAnnotation();
    void colourForAllAnnotations();
    void dataPointLabel();
    void pointerReadout();
    void samplingRateChangeAnsweredNo();
    void samplingRateChangeCancelled_data();
    void samplingRateChangeCancelled();
    void staleCloseAnswersAskAgain_data();
    void staleCloseAnswersAskAgain();
    void loggerCloseSavingOneSetKeepsDownloadUnsaved();
    void yScale_data();
    void yScale();
    void customizeAsksToSave();
    void activationDisablesOutputToGraph();
};

void TestGraphWindow::components_data()
{
    QTest::addColumn<QString>("name");
    for (const char *n : {"pnlDataSets", "Grid2", "StaticText1", "ToolBar1", "ToolButton1", "ToolButton2",
                          "ToolButton4", "ToolButton5", "ToolButton9", "ToolButton15", "tbntSep3", "tbntClr",
                          "UndoZoom", "chkSplit", "Button1", "btnChangeScale", "Button3", "pnlGraphStatistic",
                          "txtDataNo", "txtStartTime", "pnlSamplingRate", "ComboBox1", "ComboBox2", "Button2",
                          "ToolBar2", "chkRH", "chkT1", "chkT2", "chkWETBULB", "chkDEWPOINT", "PESGraph1",
                          "Panel12", "pnlStatistic", "txtRHMax", "txtRHMin", "txtRHAvg", "txtT1Max", "txtT1Min",
                          "txtT1Avg", "txtT2Max", "txtT2Min", "txtT2Avg", "Label4", "Label1", "Label5", "Label17"})
        QTest::newRow(n) << QString::fromLatin1(n);
}

void TestGraphWindow::components()
{
    QFETCH(QString, name);
    TfrmGraph w;
    QCOMPARE(w.objectName(), QStringLiteral("frmGraph"));
    QVERIFY2(w.findChild<QWidget *>(name), qPrintable(name));
}

void TestGraphWindow::dataSetList()
{
    TfrmGraph w;
    QVERIFY(w.pnlDataSets->isHidden());
    QCOMPARE(w.Grid2->columnCount(), 11);
    QCOMPARE(w.Grid2->horizontalHeaderItem(0)->text(), QStringLiteral("Set"));
    QCOMPARE(w.Grid2->horizontalHeaderItem(7)->text(), QStringLiteral("RH Offset"));
    QCOMPARE(w.Grid2->columnWidth(3), 65);
    QVERIFY(w.tbntClr->isHidden());
    QVERIFY(!w.pnlSamplingRate->isEnabled());
    QVERIFY(w.ToolButton1->isChecked() && w.ToolButton2->isChecked() && w.ToolButton4->isChecked());
    QVERIFY(!w.UndoZoom->isEnabled());
    QCOMPARE(w.txtRHAvg->text(), QStringLiteral("***.* "));

    QSignalSpy chosen(&w, &TfrmGraph::DataSetChosen);
    w.Grid2->setRowCount(3);
    w.Grid2->setItem(1, 1, new QTableWidgetItem(QStringLiteral("08/12/26")));
    w.Grid2->setCurrentCell(0, 0);
    w.Grid2Click(); // an empty row graphs nothing
    w.Grid2->setCurrentCell(1, 0);
    w.Grid2Click();
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen.first().first().toInt(), 1);
}

void TestGraphWindow::closeRealTimeQuestion_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("saveAs");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<bool>("unsavedAfter");
    QTest::newRow("No closes") << int(Dialogs::No) << QString() << true << false;
    QTest::newRow("Cancel keeps") << int(Dialogs::Cancel) << QString() << false << true;
    QTest::newRow("Yes and saved closes") << int(Dialogs::Yes) << QStringLiteral("rt.ghf") << true << false;
    // A save that did not happen must not lose the recording.
    QTest::newRow("Yes, save cancelled, keeps") << int(Dialogs::Yes) << QString() << false << true;
}

void TestGraphWindow::closeRealTimeQuestion()
{
    QFETCH(int, answer);
    QFETCH(QString, saveAs);
    QFETCH(bool, closed);
    QFETCH(bool, unsavedAfter);
    GraphTest::Answers answers;
    answers.messageAnswers = {answer};
    QTemporaryDir dir;
    if (!saveAs.isEmpty())
        answers.filePath = dir.filePath(saveAs);
    TfrmGraph *w = CreateRealTimeGraphWindow();
    State().RealTimeGraphUnsaved = true;
    QCOMPARE(w->parentWidget()->close(), closed);
    QCOMPARE(answers.messages, QStringList{QStringLiteral("Save Real-Time Graph ?")});
    QCOMPARE(State().RealTimeGraphUnsaved, unsavedAfter);
    QCOMPARE(bool(GraphTest::Main()->RealTimeGraphWindow), !closed);
    if (!saveAs.isEmpty())
        QVERIFY(QFileInfo(answers.filePath).isFile());
}

void TestGraphWindow::closeLoggerQuestion()
{
    GraphTest::Answers answers;
    auto *w = new TfrmGraph;
    w->setWindowTitle(TfrmGraph::LoggerCaption());
    w->Embed();
    GraphTest::Main()->LoggerGraphWindow = w;
    State().LoggerDataUnsaved = true;
    answers.messageAnswers = {Dialogs::Cancel, Dialogs::No};
    QVERIFY(!w->parentWidget()->close());
    QVERIFY(State().LoggerDataUnsaved);
    QVERIFY(w->parentWidget()->close());
    QCOMPARE(answers.messages, QStringList(2, QStringLiteral("Save DataLogger Data ?")));
    QVERIFY(!State().LoggerDataUnsaved);
    QVERIFY(!GraphTest::Main()->LoggerGraphWindow);
}

void TestGraphWindow::realTimeCloseKeepsLoggerFlag()
{
    // Closing the real-time window says nothing about the download: the
    // data-logger window still asks about it.
    GraphTest::Answers answers;
    auto *logger = new TfrmGraph;
    logger->setWindowTitle(TfrmGraph::LoggerCaption());
    logger->Embed();
    TfrmGraph *rt = CreateRealTimeGraphWindow();
    State().LoggerDataUnsaved = true;
    QVERIFY(rt->parentWidget()->close());
    QVERIFY(State().LoggerDataUnsaved);
    QVERIFY(logger->parentWidget()->close());
    QCOMPARE(answers.messages, QStringList{QStringLiteral("Save DataLogger Data ?")});
}

void TestGraphWindow::quitAsksEverythingFirst_data()
{
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<QStringList>("asked");
    const QString logger = QStringLiteral("Save DataLogger Data ?");
    const QString realTime = QStringLiteral("Save Real-Time Graph ?");
    QTest::newRow("Cancel at the data-logger question") << QList<int>{Dialogs::Cancel} << QStringList{logger};
    QTest::newRow("No, then Cancel at the real-time question")
        << QList<int>{Dialogs::No, Dialogs::Cancel} << QStringList{logger, realTime};
}

void TestGraphWindow::quitAsksEverythingFirst()
{
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, asked);
    GraphTest::Answers script;
    // The real-time window first in the frame, so its close would come first.
    TfrmGraph *rt = CreateRealTimeGraphWindow();
    auto *logger = new TfrmGraph;
    logger->setWindowTitle(TfrmGraph::LoggerCaption());
    logger->Embed();
    GraphTest::Main()->LoggerGraphWindow = logger;
    State().LoggerDataUnsaved = true;
    State().RealTimeGraphUnsaved = true;
    const int windows = GraphTest::Main()->MdiArea->subWindowList().size();
    script.messageAnswers = answers;
    script.defaultAnswer = Dialogs::Cancel;

    QVERIFY(!GraphTest::Main()->close());
    QCOMPARE(script.messages, asked);
    // Every window and flag as it was, and the windows ask again.
    QCOMPARE(GraphTest::Main()->MdiArea->subWindowList().size(), windows);
    QCOMPARE(GraphTest::Main()->RealTimeGraphWindow.data(), rt);
    QCOMPARE(GraphTest::Main()->LoggerGraphWindow.data(), logger);
    QVERIFY(State().LoggerDataUnsaved && State().RealTimeGraphUnsaved);
    script.messages.clear();
    QVERIFY(!logger->parentWidget()->close());
    QVERIFY(!rt->parentWidget()->close());
    QCOMPARE(script.messages, (QStringList{asked.first(), QStringLiteral("Save Real-Time Graph ?")}));
}

void TestGraphWindow::clearResetsAnnotationIndex()
{
    GraphTest::Answers answers;
    TfrmGraph *w = CreateRealTimeGraphWindow();
    PESGraph *g = w->PESGraph1;
    for (int i = 4; i <= 7; ++i) {
        g->setGraphAnnotationType(i, PESGraph::AnnotCross);
        g->setGraphAnnotationX(i, g->ManualMinX() + 1e-5);
        g->setGraphAnnotationY(i, 10.0);
    }
    State().LastAnnotationIndex = 7;
    State().RealTimePointCount = 4;
    g->setYData(0, 0, 42.0f);
    w->txtRHMax->setText(QStringLiteral("x"));
    w->tbntClrClick();
    QCOMPARE(answers.messages, QStringList{QStringLiteral("Save Real-Time Graph ?")});
    QCOMPARE(State().LastAnnotationIndex, 3);
    QCOMPARE(State().RealTimePointCount, 0);
    QCOMPARE(g->YData(0, 0), 9999.0f);
    QVERIFY(w->txtRHMax->text().isEmpty());
    QVERIFY(w->txtRHAvg->text().isEmpty());
    for (int i = 4; i <= 7; ++i) {
        QCOMPARE(g->GraphAnnotationX(i), 0.0);
        QCOMPARE(g->GraphAnnotationY(i), 0.0);
    }
}

void TestGraphWindow::channelBoxes()
{
    TfrmGraph w;
    SetUpGraph(w.PESGraph1, 5, 50, -10, 0, 0, 10);
    w.chkRH->click();
    w.chkT2->click();
    QCOMPARE(w.PESGraph1->shownSubsets(), (QList<int>{1, 3, 4}));
    w.chkRH->click();
    QCOMPARE(w.PESGraph1->shownSubsets(), (QList<int>{0, 1, 3, 4}));
}

void TestGraphWindow::splitAxes()
{
    TfrmGraph w;
    SetUpGraph(w.PESGraph1, 5, 50, -10, 0, 0, 10);
    w.ToolButton9Click();
    w.chkSplit->setChecked(true);
    w.chkSplitClick();
    PESGraph *g = w.PESGraph1;
    QCOMPARE(g->axisCount(), 3);
    QCOMPARE(g->MultiAxesSubsets(0), 1);
    QCOMPARE(g->MultiAxesSubsets(1), 2);
    QCOMPARE(g->MultiAxesProportions(0), 0.2);
    QCOMPARE(g->MultiAxesProportions(2), 0.4);
    QVERIFY(!w.ToolButton5->isEnabled());
    QVERIFY(!w.ToolButton9->isEnabled());
    QCOMPARE(State().GraphCursorMode, int(CursorModeNormal));
    w.chkSplit->setChecked(false);
    w.chkSplitClick();
    QCOMPARE(g->axisCount(), 1);
    QVERIFY(w.ToolButton5->isEnabled());
    QVERIFY(w.ToolButton9->isEnabled());
}

void TestGraphWindow::textClickOnRightEdge()
{
    GraphTest::Answers answers;
    answers.exec = [](QDialog *d) {
        auto *editor = qobject_cast<TfrmAnnoEdit *>(d);
        if (!editor)
            return int(QDialog::Rejected);
        editor->Edit1->setText(QStringLiteral("door opened"));
        return int(QDialog::Accepted);
    };
    State().AnnoColor = 0x0000FF; // red
    ShownGraph s;
    s.w.ToolButton9->click();
    QCOMPARE(State().GraphCursorMode, int(CursorModeText));
    const QRect area = s.w.PESGraph1->plotAreaRect();
    QVERIFY(area.width() > 50);
    const QPoint edge(area.left() + area.width(), area.center().y());
    s.click(edge);
    QCOMPARE(answers.execCount, 1);
    QCOMPARE(State().LastAnnotationIndex, 4);
    PESGraph *g = s.w.PESGraph1;
    QCOMPARE(g->GraphAnnotationType(4), int(PESGraph::AnnotNoSymbol));
    QCOMPARE(g->GraphAnnotationText(4), QStringLiteral("door opened"));
    QCOMPARE(g->GraphAnnotationColor(4), QColor(255, 0, 0));
    double x = 0, y = 0;
    g->pixelToGraph(QPointF(edge), &x, &y, 0);
    QCOMPARE(g->GraphAnnotationX(4), x);
    QCOMPARE(g->GraphAnnotationY(4), y);
}

void TestGraphWindow::clicksThatPlaceNothing()
{
    GraphTest::Answers answers;
    answers.exec = [](QDialog *) { return int(QDialog::Accepted); };
    ShownGraph s;
    const QRect area = s.w.PESGraph1->plotAreaRect();
    s.w.ToolButton4->click();
    s.click(area.center()); // normal mode
    s.w.ToolButton5->click();
    s.click(QPoint(area.left() + area.width() + 3, area.center().y())); // outside
    s.w.ToolButton9->click();
    answers.exec = [](QDialog *) { return int(QDialog::Rejected); };
    s.click(area.center()); // cancelled editor
    QCOMPARE(State().LastAnnotationIndex, 3);
}

void TestGraphWindow::crossClick()
{
    GraphTest::Answers answers;
    ShownGraph s;
    s.w.ToolButton5->click();
    QCOMPARE(State().GraphCursorMode, int(CursorModeCross));
    s.click(s.w.PESGraph1->plotAreaRect().center());
    QCOMPARE(answers.execCount, 0);
    QCOMPARE(State().LastAnnotationIndex, 4);
    QCOMPARE(s.w.PESGraph1->GraphAnnotationType(4), int(PESGraph::AnnotCross));
    QVERIFY(s.w.PESGraph1->GraphAnnotationText(4).isEmpty());
}

void TestGraphWindow::doubleClickDeletesAnnotation()
{
    TfrmGraph w;
    PESGraph *g = w.PESGraph1;
    g->setGraphAnnotationType(4, PESGraph::AnnotCross);
    g->setGraphAnnotationText(4, QStringLiteral("mark"));
    w.PESGraph1GraphAnnotHotSpot(false, 4);
    QCOMPARE(g->GraphAnnotationType(4), int(PESGraph::AnnotCross));
    w.PESGraph1GraphAnnotHotSpot(true, 4);
    QCOMPARE(g->GraphAnnotationType(4), int(PESGraph::AnnotNoSymbol));
    QVERIFY(g->GraphAnnotationText(4).isEmpty());
    w.PESGraph1GraphHotSpot();
    QCOMPARE(g->toolTip(), QStringLiteral("Double click to delete."));
}

void TestGraphWindow::colourForAllAnnotations()
{
    GraphTest::Answers answers;
    TfrmGraph w;
    State().LastAnnotationIndex = 6;
    answers.color = QColor(0, 0, 255);
    w.ToolButton15Click();
    for (int i = 0; i <= 6; ++i)
        QCOMPARE(w.PESGraph1->GraphAnnotationColor(i), QColor(0, 0, 255));
    QCOMPARE(State().AnnoColor, 0xFF0000);
    answers.color = QColor();
    w.ToolButton15Click(); // cancelled: nothing changes
    QCOMPARE(State().AnnoColor, 0xFF0000);
}

void TestGraphWindow::dataPointLabel()
{
    TfrmGraph w;
    SetUpGraph(w.PESGraph1, 5, 50, -10, 0, 0, 10);
    const double x = 46000.5 + 30 / 86400.0;
    w.PESGraph1->setXDataII(1, 3, x);
    w.PESGraph1->setYData(1, 3, 21.25f);
    w.PESGraph1DataHotSpot(true, 3, 1);
    QCOMPARE(w.PESGraph1->GraphAnnotationType(2), int(PESGraph::AnnotCross));
    QCOMPARE(w.PESGraph1->GraphAnnotationColor(2), QColor(0, 0, 0));
    QCOMPARE(w.PESGraph1->GraphAnnotationX(2), x);
    QCOMPARE(w.PESGraph1->GraphAnnotationText(2), LocaleUtil::LongTime(x) + QStringLiteral("\r21.3"));
}

void TestGraphWindow::pointerReadout()
{
    ShownGraph s;
    const QRect area = s.w.PESGraph1->plotAreaRect();
    const QPoint inside = area.center();
    QTest::mouseMove(s.plotWidget(), s.toPlot(inside));
    QCoreApplication::processEvents();
    double x = 0, y = 0;
    s.w.PESGraph1->pixelToGraph(QPointF(inside), &x, &y, 0);
    const QString expected = LocaleUtil::Fixed1(y) + QLatin1Char('@') + LocaleUtil::LongTime(x);
    QCOMPARE(s.w.Panel12->text(), expected);
    QTest::mouseMove(s.plotWidget(), s.toPlot(QPoint(area.left() - 10, area.top() - 10)));
    QCoreApplication::processEvents();
    QCOMPARE(s.w.Panel12->text(), expected); // outside: the text stays
    // Another data set, collection or graph file replaces the data: the
    // readout of the old data goes.
    QVERIFY(SetUpGraph(s.w.PESGraph1, 5, 100.0f, -20.0f, x + 1.0, x, 10));
    QVERIFY(s.w.Panel12->text().isEmpty());
    QVERIFY(!s.w.Panel12->isVisible());
}

void TestGraphWindow::samplingRateChangeAnsweredNo()
{
    GraphTest::Answers answers;
    answers.messageAnswers = {Dialogs::No};
    State().RealTimeRate = 2;
    TfrmGraph *w = CreateRealTimeGraphWindow();
    State().RealTimeRecording = true;
    State().RealTimePointCount = 5;
    w->PESGraph1->setYData(0, 0, 42.0f);
    w->ComboBox1->setCurrentIndex(1);  // 01:02 first ...
    w->ComboBox2->setCurrentIndex(30); // ... then 01:30: a question each time there are data
    QCOMPARE(answers.messages.size(), 1); // the first change cleared the graph
    QVERIFY(answers.messages.first().startsWith(QStringLiteral("Sampling Rate is being changed")));
    QCOMPARE(State().RealTimeRate, 90);
    QVERIFY(!State().RealTimeRecording);
    QCOMPARE(State().RealTimePointCount, 0);
    QCOMPARE(w->PESGraph1->YData(0, 0), 9999.0f);
    QCOMPARE(qRound(State().RealTimeSpanStep * 86400.0), 9000);
    QVERIFY(GraphTest::Main()->btnRun->isEnabled());
    QVERIFY(!GraphTest::Main()->btnStop->isEnabled());
    QVERIFY(w->tbntClr->isEnabled());
}

void TestGraphWindow::samplingRateChangeCancelled_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("Cancel") << int(Dialogs::Cancel);
    QTest::newRow("Yes, save cancelled") << int(Dialogs::Yes);
}

void TestGraphWindow::samplingRateChangeCancelled()
{
    // The recording, its points and its rate stay exactly as they were.
    QFETCH(int, answer);
    GraphTest::Answers answers;
    answers.messageAnswers = {answer};
    State().RealTimeRate = 2;
    TfrmGraph *w = CreateRealTimeGraphWindow();
    w->SetRateLists(0, 2);
    State().RealTimeRecording = true;
    State().RealTimePointCount = 5;
    w->PESGraph1->setYData(0, 0, 42.0f);
    w->ComboBox1->setCurrentIndex(1);
    QCOMPARE(answers.messages.size(), 1);
    QCOMPARE(State().RealTimeRate, 2);
    QCOMPARE(w->ComboBox1->currentIndex(), 0);
    QCOMPARE(w->ComboBox2->currentIndex(), 2);
    QVERIFY(State().RealTimeRecording);
    QCOMPARE(State().RealTimePointCount, 5);
    QCOMPARE(w->PESGraph1->YData(0, 0), 42.0f);
    // Without data, 00:00 becomes 00:02 without a question.
    State().RealTimeRecording = false;
    State().RealTimePointCount = 0;
    w->ComboBox2->setCurrentIndex(5);
    answers.messages.clear();
    w->ComboBox2->setCurrentIndex(0);
    QCOMPARE(w->ComboBox2->currentIndex(), 2);
    QCOMPARE(State().RealTimeRate, 2);
    QVERIFY(answers.messages.isEmpty());
}

void TestGraphWindow::staleCloseAnswersAskAgain_data()
{
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("askedAgain");
    QTest::newRow("logout cancelled by another program") << "wait" << true;
    QTest::newRow("a new point after the answer") << "point" << true;
    QTest::newRow("the logout goes on at once") << "" << false;
}

void TestGraphWindow::staleCloseAnswersAskAgain()
{
    // "No" at a desktop logout lets the recording go only if the program ends
    // then; a logout that did not happen, or newer data, asks again.
    QFETCH(QString, after);
    QFETCH(bool, askedAgain);
    GraphTest::Answers answers;
    TfrmGraph *rt = CreateRealTimeGraphWindow();
    State().RealTimeGraphUnsaved = true;
    State().RealTimePointCount = 3;
    GraphTest::Main()->LogoutAnswersMs = 20;
    QVERIFY(GraphTest::Main()->AnswerLogout());
    QCOMPARE(answers.messages.size(), 1);
    QVERIFY(State().RealTimeGraphUnsaved); // nothing let go before the program ends
    if (after == QLatin1String("wait"))
        QTest::qWait(60);
    if (after == QLatin1String("point"))
        State().RealTimePointCount = 4;
    answers.messageAnswers = {Dialogs::Cancel};
    QCOMPARE(rt->parentWidget()->close(), !askedAgain);
    QCOMPARE(answers.messages.size(), askedAgain ? 2 : 1);
    QCOMPARE(State().RealTimeGraphUnsaved, askedAgain);
    GraphTest::Main()->LogoutAnswersMs = 60000;
}

void TestGraphWindow::loggerCloseSavingOneSetKeepsDownloadUnsaved()
{
    // Yes, then the chooser's graph save of the data set shown: the download
    // itself is still unsaved and stays flagged on disk for the next start.
    GraphTest::Answers answers;
    QTemporaryDir dir;
    answers.filePath = dir.filePath(QStringLiteral("set.ghf"));
    answers.exec = [](QDialog *d) {
        auto *chooser = qobject_cast<TfrmOpenSave *>(d);
        if (!chooser)
            return int(QDialog::Rejected);
        chooser->btnOpenSingleSet->click(); // the data set shown, as a graph file
        return chooser->result();
    };
    auto *w = new TfrmGraph;
    w->setWindowTitle(TfrmGraph::LoggerCaption());
    w->Embed();
    GraphTest::Main()->LoggerGraphWindow = w;
    SetLoggerDataUnsaved(State(), true);
    answers.messageAnswers = {Dialogs::Yes};
    QVERIFY(w->parentWidget()->close());
    QVERIFY(QFileInfo(answers.filePath).isFile());
    QVERIFY(State().LoggerDataUnsaved);
    QVERIFY(QFileInfo::exists(LoggerDataUnsavedPath()));
    SetLoggerDataUnsaved(State(), false);
}

void TestGraphWindow::yScale_data()
{
    QTest::addColumn<QString>("minText");
    QTest::addColumn<QString>("maxText");
    QTest::addColumn<bool>("save");
    QTest::addColumn<QString>("message");
    QTest::addColumn<double>("minY");
    QTest::addColumn<double>("maxY");
    QTest::newRow("0 to 40") << "0" << "40" << false << "" << 0.0 << 40.0;
    QTest::newRow("saved") << "5" << "45" << true << "" << 5.0 << 45.0;
    QTest::newRow("bad max") << "0" << "4x" << false << "4x is invalid." << -10.0 << 50.0;
    QTest::newRow("both bad") << "a" << "b" << false << "a is invalid." << -10.0 << 50.0;
}

void TestGraphWindow::yScale()
{
    QFETCH(QString, minText);
    QFETCH(QString, maxText);
    QFETCH(bool, save);
    QFETCH(QString, message);
    QFETCH(double, minY);
    QFETCH(double, maxY);
    GraphTest::Answers answers;
    TfrmGraph w;
    SetUpGraph(w.PESGraph1, 5, 50.7f, -10.2f, 0, 0, 10);
    QString shownMin, shownMax;
    answers.exec = [&](QDialog *d) {
        auto *dlg = qobject_cast<TfrmSetupScale *>(d);
        shownMin = dlg->edtT1Min->text();
        shownMax = dlg->edtT1Max->text();
        dlg->edtT1Min->setText(minText);
        dlg->edtT1Max->setText(maxText);
        dlg->chkSave->setChecked(save);
        return int(QDialog::Accepted);
    };
    w.btnChangeScaleClick();
    QCOMPARE(shownMin, QStringLiteral("-10"));
    QCOMPARE(shownMax, QStringLiteral("50"));
    QCOMPARE(answers.messages, message.isEmpty() ? QStringList() : QStringList{message});
    w.PESGraph1->setWorkingAxis(0);
    QCOMPARE(w.PESGraph1->ManualMinY(), message.isEmpty() ? minY : double(-10.2f));
    QCOMPARE(w.PESGraph1->ManualMaxY(), message.isEmpty() ? maxY : double(50.7f));
    QCOMPARE(!TemplateReadPath().isEmpty(), save);
}

void TestGraphWindow::customizeAsksToSave()
{
    GraphTest::Answers answers;
    TfrmGraph w;
    SetUpGraph(w.PESGraph1, 5, 50, -10, 0, 0, 10);
    w.PESGraph1CustomizeDlg(0);
    QVERIFY(answers.messages.isEmpty());
    answers.messageAnswers = {Dialogs::No};
    w.PESGraph1CustomizeDlg(1);
    QCOMPARE(answers.messages, QStringList{QStringLiteral("Do you want to save the changes ?")});
    QVERIFY(TemplateReadPath().isEmpty());
    answers.messageAnswers = {Dialogs::Yes};
    w.PESGraph1CustomizeDlg(1);
    QVERIFY(QFileInfo(TemplateReadPath()).isFile());
}

void TestGraphWindow::activationDisablesOutputToGraph()
{
    TfrmMain *main = GraphTest::Main();
    main->btnOutputToGraph->setEnabled(true);
    TfrmGraph *w = CreateRealTimeGraphWindow();
    main->MdiArea->setActiveSubWindow(nullptr);
    main->MdiArea->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(w->parentWidget()));
    QVERIFY(!main->btnOutputToGraph->isEnabled());
}

QM738_REGISTER_TEST(TestGraphWindow)
#include "tst_graphwindow.moc"
