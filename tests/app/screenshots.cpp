// qm738-screenshots OUTDIR: pictures of the desk for docs/, made without a
// person: the main window at 1280 x 900 and 1024 x 768 as it starts, with two
// graphs tiled, and the real-time window after the meter changed its unit
// during a recording (the strip's French notice). Run under
// QT_QPA_PLATFORM=offscreen; not a test.
#include "app/frmmain.h"
#include "core/base/appstate.h"
#include "core/base/datetime.h"
#include "gui/base/dialogs.h"
#include "gui/files/graphfile.h"
#include "gui/graph/window/graphfileio.h"
#include "gui/graph/engine/pesgraph.h"
#include "gui/graph/window/graph.h"
#include "gui/graph/window/realtime.h"
#include "gui/graph/window/setuprealtime.h"
#include "gui/logger/loggergraph.h"
#include "core/logger/datasets.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStandardPaths>
#include <QTest>

namespace {

void Settle()
{
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
        QTest::qWait(20);
    }
}

bool Save(QWidget *w, const QString &path)
{
    Settle();
    const bool ok = w->grab().save(path);
    qInfo("%s %s", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    Dialogs::SetMessageHandler([](const Dialogs::MessageRequest &) { return int(Dialogs::No); });
    bool ok = true;
    for (const QSize screen : {QSize(1280, 900), QSize(1024, 768)}) {
        const QString size = QStringLiteral("%1x%2").arg(screen.width()).arg(screen.height());
        TfrmMain w;
        w.setGeometry(QRect(QPoint(0, 0), screen));
        w.show();
        Settle();
        ok = Save(&w, out.filePath(QStringLiteral("start-%1.png").arg(size))) && ok;

        // A recording in °C; the meter then shows °F.
        w.State.Connected = true;
        w.LiveReading.unitCode = 1;
        Dialogs::SetExecHandler([](QDialog *d) {
            if (auto *setup = qobject_cast<TfrmSetupRealTime *>(d)) {
                setup->edtRealTimeNo->setText(QStringLiteral("100"));
                setup->ComboBox1->setCurrentIndex(0);
                setup->ComboBox2->setCurrentIndex(2);
                return int(QDialog::Accepted);
            }
            return int(QDialog::Rejected);
        });
        RealTimeRun();
        const double t0 = DateTimeUtil::Now();
        for (int i = 0; i < 30; ++i) {
            const bool fahrenheit = i >= 15;
            const float c = 21.0f + 0.1f * float(i % 7);
            const float t1 = fahrenheit ? c * 1.8f + 32.0f : c;
            const float values[5] = {48.0f + float(i % 5), t1, fahrenheit ? 77.0f : 25.0f,
                                     fahrenheit ? 60.0f : 15.5f, fahrenheit ? 50.0f : 10.0f};
            AppendRealTimePoint(0, t0 + i * 2 / 86400.0, values, fahrenheit ? 0 : 1);
        }
        ok = Save(&w, out.filePath(QStringLiteral("unit-change-%1.png").arg(size))) && ok;
        RealTimeStop();
        auto *rt = qobject_cast<TfrmGraph *>(w.RealTimeGraphWindow.data());

        // The recording saved and reopened as a second graph, then Window > Tile.
        const QString path = QDir::temp().filePath(QStringLiteral("cave.ghf"));
        SaveGraphFile(rt->PESGraph1, path);
        TfrmGraph *file = OpenGraphFile(path);
        w.Tile1->trigger();
        ok = Save(&w, out.filePath(QStringLiteral("tile-two-graphs-%1.png").arg(size))) && ok;
        for (TfrmGraph *g : {rt, file})
            if (g)
                qInfo("%s: plot %d px shown, window %dx%d", qPrintable(g->windowTitle()), g->VisiblePlotHeight(),
                      g->parentWidget()->width(), g->parentWidget()->height());
        QFile::remove(path);
        if (file)
            file->parentWidget()->close();

        // The data-logger graph beside the real-time graph, then Window > Tile.
        TLoggerStore store;
        TDataSet set;
        set.startTime = t0;
        set.intervalSeconds = 60;
        set.recordCount = 120;
        set.unitCode = 1;
        store.DataSets << set;
        for (int r = 0; r < set.recordCount; ++r)
            for (float v : {45.0f + float(r % 9), 22.0f + 0.05f * float(r % 20), 23.5f, 15.0f, 10.0f}) {
                store.Values << v;
                store.Times << set.startTime + r * 60 / 86400.0;
            }
        TfrmGraph *logger = PrepareLoggerGraphWindow();
        GraphDataSetIn(logger, store, 0);
        w.Tile1->trigger();
        ok = Save(&w, out.filePath(QStringLiteral("tile-logger-realtime-%1.png").arg(size))) && ok;
        for (TfrmGraph *g : {rt, logger})
            qInfo("%s: plot %d px shown, frame %d,%d %dx%d", qPrintable(g->windowTitle()), g->VisiblePlotHeight(),
                  g->parentWidget()->x(), g->parentWidget()->y(), g->parentWidget()->width(), g->parentWidget()->height());
        w.State.LoggerDataUnsaved = false;
        w.State.RealTimeGraphUnsaved = false;
        w.State.Connected = false;
        w.MdiArea->closeAllSubWindows();
        Settle();
    }
    return ok ? 0 : 1;
}
