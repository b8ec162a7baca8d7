#include "gui/base/about.h"
#include "gui/base/dialogs.h"
#include "app/frmmain.h"
#include "gui/base/helpwindow.h"
#include "core/base/paths.h"
#include "gui/graph/window/graph.h"
#include "gui/graph/engine/pesgraph.h"
#include "app/mdiarrange.h"
#include "core/logger/datasets.h"
#include "gui/logger/list.h"
#include "gui/logger/loggergraph.h"
#include "testregistry.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScreen>
#include <QSerialPort>
#include <QSettings>
#include <QTableWidget>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QtTest>

namespace {
// A child window that refuses to close while `refuse` is set.
class StubbornChild : public QWidget {
public:
    bool refuse = true;
protected:
    void closeEvent(QCloseEvent *e) override
    {
        if (refuse)
            e->ignore();
        else
            e->accept();
    }
};
} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void init() { QSettings(QStringLiteral("QM738"), QStringLiteral("QM738")).clear(); }
    void cleanup()
    {
        Dialogs::SetUrlHandler({});
        Dialogs::SetExecHandler({});
        qunsetenv("QM738_EXTRA_PORTS");
    }

    void hasEveryComponent_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *n : {"File1", "Open1", "Save1", "Print1", "PrinterSetup1", "Exit1", "RealTime1",
                              "Run1", "Stop1", "DataLogger1", "LoadData1", "View1", "ControlPanel1",
                              "RealTimeGraph1", "Window1", "Tile1", "Cascade1", "Help1", "Contents1",
                              "About1", "SpeedButton1", "SpeedButton2", "btnPrint", "btnDataLogger",
                              "btnOutputToGraph", "btnRun", "btnStop", "BitBtn1", "BitBtn2",
                              "ComboBoxDeviceName", "StatusBar1", "Panel1", "MainTimer", "MaxMinTimer",
                              "Comm1", "siLangDispatcher1", "lblerr", "Label11"})
            QTest::newRow(n) << QString::fromLatin1(n);
    }
    void hasEveryComponent()
    {
        QFETCH(QString, name);
        TfrmMain w;
        QVERIFY2(w.findChild<QObject *>(name), qPrintable(name));
    }

    void startsInItsDesignedState()
    {
        qputenv("QM738_EXTRA_PORTS", "/tmp/qm738-a:/tmp/qm738-b");
        TfrmMain w;
        QCOMPARE(w.objectName(), QStringLiteral("frmMain"));
        QCOMPARE(w.windowTitle(), QStringLiteral("QM738"));
        QVERIFY(!w.Run1->isEnabled());
        QVERIFY(!w.Stop1->isEnabled());
        QVERIFY(!w.btnRun->isEnabled());
        QVERIFY(!w.btnStop->isEnabled());
        QVERIFY(!w.btnOutputToGraph->isEnabled());
        QVERIFY(w.ControlPanel1->isChecked());
        QVERIFY(w.RealTimeGraph1->isChecked());
        QCOMPARE(w.Panel1->height(), 59);
        QCOMPARE(w.MainTimer->interval(), 500);
        QVERIFY(!w.MainTimer->isActive());
        QCOMPARE(w.MaxMinTimer->interval(), 500);
        QVERIFY(w.MaxMinTimer->isActive());
        QVERIFY(w.ComboBoxDeviceName->isEditable());
        QCOMPARE(w.ComboBoxDeviceName->lineEdit()->placeholderText(), QStringLiteral("ComPort"));
        // The extra ports come after the system's own, the first entry is selected,
        // and the port is not opened.
        const int n = w.ComboBoxDeviceName->count();
        QVERIFY(n >= 2);
        QCOMPARE(w.ComboBoxDeviceName->itemText(n - 1), QStringLiteral("/tmp/qm738-b"));
        QCOMPARE(w.ComboBoxDeviceName->currentIndex(), 0);
        QVERIFY(!w.Comm1->isOpen());
        QCOMPARE(w.State.RealTimeRate, 2);
        QCOMPARE(w.State.AnnoColor, 0xFFFFFF);
        QCOMPARE(TfrmMain::Instance(), &w);
    }

    void showingRunsTheStartUpSteps()
    {
        TfrmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.IsStarted());
        QVERIFY(w.MainTimer->isActive());
        QVERIFY(w.State.UserFolder.endsWith(QLatin1String("/QM738/")));
        QVERIFY(qAbs(w.State.RealTimeSpanStep - 10.0 / 86400.0) < 1e-9);
        // French is active: the status shows the connection state, menus and hints are French.
        QCOMPARE(w.StatusText(1), QStringLiteral("Connexion Off"));
        QCOMPARE(w.Exit1->text(), QStringLiteral("Q&uitter"));
        QCOMPARE(w.SpeedButton1->toolTip(), QStringLiteral("Ouvrir fichier"));
        QCOMPARE(w.windowTitle(), QStringLiteral("QM738"));
        w.close();
    }

    void exitTakesTheNormalClosePath()
    {
        TfrmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.State.RealTimeRate = 17;
        auto *child = new StubbornChild;
        child->setWindowTitle(QStringLiteral("Real-Time Graph"));
        w.AddChildWindow(child)->show();

        // A child that refuses to close keeps the program open and nothing is written.
        w.Exit1->trigger();
        QVERIFY(w.isVisible());
        QVERIFY(!QSettings(QStringLiteral("QM738"), QStringLiteral("QM738")).contains("RealTimeRate"));

        child->refuse = false;
        w.Exit1->trigger();
        QVERIFY(!w.isVisible());
        QVERIFY(!w.MainTimer->isActive());
        QCOMPARE(QSettings(QStringLiteral("QM738"), QStringLiteral("QM738")).value("RealTimeRate").toInt(), 17);
        QCOMPARE(QSettings(QStringLiteral("QM738"), QStringLiteral("QM738")).value("AnnoColor").toInt(), 0xFFFFFF);
    }

    void windowMenuListsAndArrangesChildren()
    {
        TfrmMain w;
        w.resize(900, 600);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        // Only the two windows made here: the front panel and the real-time
        // graph made at start-up go.
        if (w.PanelWindow)
            w.PanelWindow->parentWidget()->close();
        if (w.RealTimeGraphWindow)
            w.RealTimeGraphWindow->parentWidget()->close();
        QTRY_VERIFY(w.MdiArea->subWindowList().isEmpty());
        for (const char *title : {"One", "Two"}) {
            auto *c = new QWidget;
            c->setWindowTitle(QLatin1String(title));
            c->resize(200, 150);
            w.AddChildWindow(c)->show();
        }
        emit w.Window1->aboutToShow();
        QStringList texts;
        for (QAction *a : w.Window1->actions())
            texts << a->text();
        QVERIFY2(texts.contains(QStringLiteral("&1 One")) && texts.contains(QStringLiteral("&2 Two")),
                 qPrintable(texts.join('|')));
        w.Tile1->trigger();
        const auto windows = w.MdiArea->subWindowList();
        QVERIFY(windows[0]->geometry() != windows[1]->geometry());
        QVERIFY(!windows[0]->geometry().intersects(windows[1]->geometry()));
        w.Cascade1->trigger();
        QVERIFY(windows[0]->geometry().topLeft() != windows[1]->geometry().topLeft());
        w.close();
    }

    void windowsFitTheFrameWhicheverTheArrangement_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::newRow("1024 x 768") << QSize(1024, 768);
        QTest::newRow("1280 x 900") << QSize(1280, 900);
        QTest::newRow("1920 x 1080") << QSize(1920, 1080);
    }
    void windowsFitTheFrameWhicheverTheArrangement()
    {
        QFETCH(QSize, screen);
        TfrmMain w;
        w.setGeometry(QRect(QPoint(0, 0), screen));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QRect area = w.MdiArea->viewport()->rect();
        auto allInside = [&] {
            for (QMdiSubWindow *sw : w.MdiArea->subWindowList())
                if (!area.contains(sw->geometry()))
                    return false;
            return true;
        };
        // The panel and the real-time graph made at start fit the client area.
        QCOMPARE(w.MdiArea->subWindowList().size(), 2);
        QVERIFY(allInside());
        // Two graphs opened from files join them.
        QList<TfrmGraph *> graphs{qobject_cast<TfrmGraph *>(w.RealTimeGraphWindow.data())};
        for (const char *path : {"/tmp/cellar.ghf", "/tmp/attic.ghf"}) {
            auto *file = new TfrmGraph;
            file->setWindowTitle(QLatin1String(path));
            file->Embed();
            graphs << file;
        }

        for (QAction *arrange : {w.Tile1, w.Cascade1}) {
            arrange->trigger();
            QCoreApplication::processEvents();
            // The frame keeps its size, the windows stay inside it, and the
            // plots keep their minimum.
            QCOMPARE(w.size(), screen);
            QCOMPARE(w.MdiArea->viewport()->rect(), area);
            QVERIFY2(allInside(), qPrintable(arrange->objectName()));
            for (TfrmGraph *g : graphs)
                QVERIFY(g->PESGraph1->height() >= g->PESGraph1->minimumHeight());
        }
        // Tiled, no window hides another; a front panel left out of the tile
        // (the graphs keep their plots) lies behind the others.
        w.Tile1->trigger();
        const auto windows = w.MdiArea->subWindowList();
        const auto stacked = w.MdiArea->subWindowList(QMdiArea::StackingOrder);
        for (int i = 0; i < windows.size(); ++i)
            for (int j = i + 1; j < windows.size(); ++j) {
                if (!windows[i]->geometry().intersects(windows[j]->geometry()))
                    continue;
                QMdiSubWindow *panel = qobject_cast<TfrmPanel *>(windows[i]->widget()) ? windows[i] : windows[j];
                QVERIFY(qobject_cast<TfrmPanel *>(panel->widget()));
                QCOMPARE(stacked.first(), panel);
            }
        for (TfrmGraph *g : graphs)
            QVERIFY(g->VisiblePlotHeight() >= TfrmMain::kTileMinPlotHeight);
        w.close();
    }

    // At start every statistics row of the real-time window shows; two graphs
    // tile (side by side or one above the other) instead of cascading.
    void startLayoutAndTwoGraphsTiled_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::newRow("1024 x 768") << QSize(1024, 768);
        QTest::newRow("1280 x 900") << QSize(1280, 900);
    }
    void startLayoutAndTwoGraphsTiled()
    {
        QFETCH(QSize, screen);
        TfrmMain w;
        w.setGeometry(QRect(QPoint(0, 0), screen));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCoreApplication::processEvents();
        auto *rt = qobject_cast<TfrmGraph *>(w.RealTimeGraphWindow.data());
        QVERIFY(rt);
        const QRect area = w.MdiArea->viewport()->rect();
        QVERIFY(area.contains(rt->parentWidget()->geometry()));
        const QRect inside = rt->rect();
        for (int ch = 0; ch < 3; ++ch)
            for (QLineEdit *edit : {rt->MaxEdit(ch), rt->MinEdit(ch), rt->AvgEdit(ch)})
                QVERIFY2(inside.contains(QRect(edit->mapTo(rt, QPoint(0, 0)), edit->size())),
                         qPrintable(edit->objectName()));

        auto *file = new TfrmGraph;
        file->setWindowTitle(QStringLiteral("/tmp/cellar.ghf"));
        file->Embed();
        w.Tile1->trigger();
        QCoreApplication::processEvents();
        const QRect a = rt->parentWidget()->geometry();
        const QRect b = file->parentWidget()->geometry();
        QVERIFY2(!a.intersects(b), "the two graphs were cascaded");
        for (TfrmGraph *g : {rt, file})
            QVERIFY(g->VisiblePlotHeight() >= TfrmMain::kTileMinPlotHeight);

        // A table opened afterwards (as a later start hands one over) lies on screen.
        auto *table = new TfrmList;
        table->Embed();
        QTRY_VERIFY2(area.contains(table->parentWidget()->geometry()),
                 qPrintable(QStringLiteral("%1,%2 %3x%4").arg(table->parentWidget()->x()).arg(table->parentWidget()->y())
                                .arg(table->parentWidget()->width()).arg(table->parentWidget()->height())));
        w.close();
    }

    void tileGivesGraphsTheirHeightFirst_data()
    {
        // The client areas of the three screens; a panel, graphs that need
        // more height when narrow (their bars wrap), and tables.
        QTest::addColumn<QSize>("area");
        QTest::addColumn<int>("graphs");
        QTest::addColumn<int>("tables");
        QTest::newRow("1024 x 768, two graphs, a table") << QSize(1024, 676) << 2 << 1;
        QTest::newRow("1280 x 900, two graphs, a table") << QSize(1280, 808) << 2 << 1;
        QTest::newRow("1920 x 1080, two graphs, two tables") << QSize(1920, 988) << 2 << 2;
        QTest::newRow("1024 x 768, two graphs") << QSize(1024, 676) << 2 << 0;
    }
    void tileGivesGraphsTheirHeightFirst()
    {
        QFETCH(QSize, area);
        QFETCH(int, graphs);
        QFETCH(int, tables);
        TMdiWindowLimits panel;
        panel.minimum = QSize(161, 357);
        panel.maximum = panel.natural = QSize(322, 713);
        TMdiWindowLimits graph;
        graph.minimum = QSize(330, 268);
        graph.wanted = [](int width) { return width <= 420 ? 676 : width < 540 ? 629 : 505; };
        TMdiWindowLimits table;
        table.minimum = QSize(100, 98);
        QVector<TMdiWindowLimits> windows{panel};
        windows << QVector<TMdiWindowLimits>(graphs, graph) << QVector<TMdiWindowLimits>(tables, table);

        const QRect client(QPoint(0, 0), area);
        const QVector<QRect> rects = TileWindowRects(client, windows, TfrmMain::kTileMinHeight);
        for (int i = 0; i < rects.size(); ++i) {
            QVERIFY2(client.contains(rects[i]), qPrintable(QString::number(i)));
            for (int j = i + 1; j < rects.size(); ++j)
                QVERIFY(!rects[i].intersects(rects[j]));
            if (windows[i].wanted)
                QVERIFY(rects[i].height() >= graph.wanted(rects[i].width()));
            else
                QVERIFY(rects[i].height() >= windows[i].minimum.height());
        }
        // The whole panel, its proportions kept.
        QCOMPARE(rects[0].width(), 322 * rects[0].height() / 713);
    }

    // The data-logger window, maximised, shows its whole legend, its list
    // (scrolled at most) and every statistics row; tiled with the panel, the
    // real-time graph and a table, no graph keeps a plot lower than 150 px.
    void loggerWindowFitsTheScreen_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::newRow("1024 x 768") << QSize(1024, 768);
    }
    void loggerWindowFitsTheScreen()
    {
        QFETCH(QSize, screen);
        TfrmMain w;
        w.setGeometry(QRect(QPoint(0, 0), screen));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        TLoggerStore store;
        TDataSet set;
        set.startTime = 46000.5;
        set.intervalSeconds = 2;
        set.recordCount = 12;
        set.unitCode = 1;
        store.DataSets << set;
        for (int r = 0; r < 12; ++r)
            for (float v : {45.0f + r, 22.0f, 23.5f, 15.0f, 10.0f}) {
                store.Values << v;
                store.Times << set.startTime + r * 2 / 86400.0;
            }
        TfrmGraph *logger = PrepareLoggerGraphWindow();
        GraphDataSetIn(logger, store, 0);
        logger->parentWidget()->showMaximized();
        QCoreApplication::processEvents();
        QVERIFY(logger->VisiblePlotHeight() >= TfrmMain::kTileMinPlotHeight);
        QVERIFY(logger->PESGraph1->legendWhole());
        const QRect inside = logger->rect();
        for (int ch = 0; ch < 3; ++ch)
            for (QLineEdit *edit : {logger->MaxEdit(ch), logger->MinEdit(ch), logger->AvgEdit(ch)})
                QVERIFY2(inside.contains(QRect(edit->mapTo(logger, QPoint(0, 0)), edit->size())),
                         qPrintable(edit->objectName()));
        QVERIFY(inside.contains(QRect(logger->Grid2->mapTo(logger, QPoint(0, 0)), logger->Grid2->size())));

        logger->parentWidget()->showNormal();
        auto *table = new TfrmList;
        table->Embed();
        w.Tile1->trigger();
        QCoreApplication::processEvents();
        for (QMdiSubWindow *sw : w.MdiArea->subWindowList())
            if (auto *graph = qobject_cast<TfrmGraph *>(sw->widget()))
                QVERIFY2(graph->VisiblePlotHeight() >= TfrmMain::kTileMinPlotHeight, qPrintable(graph->windowTitle()));
        w.close();
    }

    void helpShowsItsPageOrSaysItIsMissing_data()
    {
        QTest::addColumn<bool>("present");
        QTest::newRow("page present") << true;
        QTest::newRow("page missing") << false;
    }
    void helpShowsItsPageOrSaysItIsMissing()
    {
        QFETCH(bool, present);
        // The page lies in the program's folder, with a picture beside it.
        const QString page = HelpFilePath();
        const QString picture = QFileInfo(page).absolutePath() + QStringLiteral("/help-test.png");
        if (present) {
            QImage(8, 8, QImage::Format_RGB32).save(picture);
            QFile f(page);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("<html><head><title>Aide</title></head><body><p><a href=\"#en\">English</a>"
                    "<a href=\"https://example.org/\">web</a></p><img src=\"help-test.png\">"
                    "<h2 id=\"en\">Help</h2></body></html>");
        }
        TfrmMain w;
        QStringList messages;
        Dialogs::SetMessageHandler([&](const Dialogs::MessageRequest &r) {
            messages << r.text;
            return int(Dialogs::Ok);
        });
        QUrl opened;
        Dialogs::SetUrlHandler([&](const QUrl &u) { opened = u; });
        w.Contents1->trigger();
        Dialogs::SetMessageHandler({});
        if (!present) {
            QVERIFY(!w.HelpWindow);
            QCOMPARE(messages.size(), 1);
            QVERIFY(messages[0].contains(QStringLiteral("introuvable")));
            QVERIFY(messages[0].contains(QDir::toNativeSeparators(page)));
            return;
        }
        QVERIFY(messages.isEmpty());
        QVERIFY(w.HelpWindow && w.HelpWindow->isVisible());
        // The whole window, its title bar allowed for, lies on the screen.
        const QRect screen = w.screen()->availableGeometry();
        QVERIFY2(screen.contains(w.HelpWindow->geometry().adjusted(0, -30, 0, 0)),
                 qPrintable(QStringLiteral("%1,%2 %3x%4").arg(w.HelpWindow->x()).arg(w.HelpWindow->y())
                                .arg(w.HelpWindow->width()).arg(w.HelpWindow->height())));
        QTextBrowser *browser = w.HelpWindow->Browser;
        QCOMPARE(browser->source().toLocalFile(), page);
        QCOMPARE(w.HelpWindow->windowTitle(), QStringLiteral("Aide"));
        // The picture beside the page is found.
        const QVariant image = browser->loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("help-test.png")));
        QVERIFY(!QImage::fromData(image.toByteArray()).isNull());
        // An anchor stays in the window; a web address goes to the desktop.
        emit browser->anchorClicked(QUrl(QStringLiteral("#en")));
        QCOMPARE(browser->source().fragment(), QStringLiteral("en"));
        QVERIFY(opened.isEmpty());
        emit browser->anchorClicked(QUrl(QStringLiteral("https://example.org/")));
        QCOMPARE(opened, QUrl(QStringLiteral("https://example.org/")));
        delete w.HelpWindow.data();
        QFile::remove(page);
        QFile::remove(picture);
    }

    void about()
    {
        TfrmMain w;

        QString version;
        QSize size;
        Dialogs::SetExecHandler([&](QDialog *d) {
            size = d->size();
            version = d->findChild<QLabel *>(QStringLiteral("lblVersion"))->text();
            return int(QDialog::Accepted);
        });
        w.About1->trigger();
        QCOMPARE(size, QSize(383, 117));
        QCOMPARE(version, QStringLiteral(QM738_VERSION));
        QVERIFY(!w.AboutBox);
    }

    void statusBarHasTwoPanels()
    {
        TfrmMain w;
        w.SetStatusText(1, QStringLiteral("Connexion Off"));
        QCOMPARE(w.StatusText(1), QStringLiteral("Connexion Off"));
        QCOMPARE(w.findChild<QLabel *>(QStringLiteral("StatusBar1Panel0"))->width(), 150);
        QCOMPARE(w.StatusText(5), QString());
    }
};

QM738_REGISTER_TEST(TestMainWindow)
#include "tst_mainwindow.moc"
