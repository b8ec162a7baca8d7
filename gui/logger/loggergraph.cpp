#include "gui/logger/loggergraph.h"

#include "core/base/datetime.h"
#include "core/live/decoder.h"
#include "gui/graph/window/graph.h"
#include "gui/graph/window/graphsetup.h"
#include "gui/graph/engine/pesgraph.h"
#include "core/logger/datasetdecoder.h"
#include "core/logger/datasetlist.h"
#include "core/logger/download.h"
#include "gui/logger/datasetgrid.h"
#include "gui/logger/loggerhost.h"

#include <QDateTime>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>

int DecodeMemoryImage(const QByteArray &image, const std::function<bool()> &keep)
{
    TLoggerStore fresh;
    const int result = DecodeDataSets(image, fresh, QDateTime::currentDateTime());
    ILoggerHost *host = LoggerHost();
    if (result != DecodeOk || !host)
        return result;
    if (keep && !keep())
        return DownloadResult::NotKept;
    host->Store() = std::move(fresh);
    if (TfrmGraph *window = host->LoggerGraphWindow()) {
        FillDataSetList(window->Grid2, host->Store());
        window->ShowDataSetPanel(); // as wide as its new columns
    }
    return result;
}

TfrmGraph *PrepareLoggerGraphWindow()
{
    ILoggerHost *host = LoggerHost();
    if (TfrmGraph *existing = host ? host->LoggerGraphWindow() : nullptr) {
        // In front of the other windows, so what is loaded into it is seen.
        if (auto *frame = qobject_cast<QMdiSubWindow *>(existing->parentWidget())) {
            frame->showNormal();
            if (QMdiArea *area = frame->mdiArea())
                area->setActiveSubWindow(frame);
            frame->raise();
        } else {
            existing->showNormal();
            existing->raise();
        }
        return existing;
    }

    auto *window = new TfrmGraph;
    window->setWindowTitle(TfrmGraph::LoggerCaption());
    if (host)
        host->SetLoggerGraphWindow(window);
    // A click on row r of the list graphs data set r - 1.
    QObject::connect(window, &TfrmGraph::DataSetChosen, window, [](int row) { GraphDataSet(row - 1); });
    window->Embed();
    if (auto *frame = qobject_cast<QMdiSubWindow *>(window->parentWidget())) {
        frame->showNormal();
        if (QMdiArea *area = frame->mdiArea()) {
            // As wide as the frame's client area, 60 pixels less high.
            const QSize client = area->viewport()->size();
            frame->setGeometry(0, 0, std::max(400, client.width()), std::max(300, client.height() - 60));
        }
    }
    window->ShowDataSetPanel();

    const double now = DateTimeUtil::Now();
    SetUpGraph(window->PESGraph1, 5, 130.0f, 30.0f, now + 500.0 / 86400.0, now, 500);
    window->UpdateToolStates();
    window->PESGraph1->setAllowGraphAnnotHotSpots(true);
    window->PESGraph1->Redraw();
    return window;
}

void GraphDataSet(int d)
{
    ILoggerHost *host = LoggerHost();
    if (TfrmGraph *window = host ? host->LoggerGraphWindow() : nullptr)
        GraphDataSetIn(window, host->Store(), d);
}

void GraphDataSetIn(TfrmGraph *window, const TLoggerStore &store, int d)
{
    if (!window || d < 0 || d >= store.DataSets.size())
        return;
    const TDataSet &set = store.DataSets.at(d);
    const qsizetype first = FirstValueOf(store, d);
    const int n = set.recordCount;
    const qsizetype count = 5 * qsizetype(n);
    if (first + count > store.Values.size() || first + count > store.Times.size())
        return; // a store whose arrays do not match its sets: nothing to draw

    PESGraph *g = window->PESGraph1;
    const double start = set.startTime;
    SetUpGraph(g, 5, 100.0f, -20.0f, start + double(n) * set.intervalSeconds / 86400.0, start, n);
    window->UpdateToolStates();
    // The set's block goes to the graph in one piece.
    g->LoadXData(store.Times.constData() + first, count);
    g->LoadYData(store.Values.constData() + first, count);
    g->setUnit(UnitSymbol(set.unitCode));
    window->ShownDataSet = d + 1;
    window->FitYAxisToValues();

    window->ComputeGraphStatistics();
    window->txtStartTime->setText(LocaleUtil::DateTimeText(start));
    // The set's own interval, not the one computed from the points.
    window->SetRateLists(set.intervalSeconds / 60, set.intervalSeconds % 60);
    window->txtDataNo->setText(QString::number(n));
    g->sgUndoZoom();
    g->Redraw();
}
