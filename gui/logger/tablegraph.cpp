#include "gui/logger/tablegraph.h"

#include "gui/base/dialogs.h"
#include "core/files/textformat.h"
#include "gui/graph/window/graph.h"
#include "gui/graph/window/graphsetup.h"
#include "gui/graph/engine/pesgraph.h"
#include "gui/logger/list.h"
#include "gui/logger/loggerhost.h"
#include "core/base/progresspump.h"
#include "gui/base/scope.h"

#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>

namespace {

QString HostText(const char *key, const char *english)
{
    QString text;
    if (ILoggerHost *host = LoggerHost())
        text = host->Text(QLatin1String(key));
    return text.trimmed().isEmpty() ? QString::fromLatin1(english) : text;
}

QString RowDateTime(const TfrmList &list, int row)
{
    return list.Cell(1, row) + QLatin1Char(' ') + list.Cell(2, row);
}

} // namespace

bool ReadTablePoints(const TfrmList &list, TTablePoints *points, QString *error,
                     const std::function<bool(int row)> &rowStart)
{
    const int rows = list.RowCount() - 1;
    const TextFormat::TDateTimeReader reader;
    for (int r : {1, rows}) {
        double &at = r == 1 ? points->first : points->last;
        if (!reader.Read(RowDateTime(list, r), &at)) {
            *error = TextFormat::TDateTimeReader::ErrorText(RowDateTime(list, r));
            return false;
        }
    }
    const QLocale locale;
    points->rows = rows;
    points->x.fill(0.0, 5 * rows);
    points->y.fill(TextFormat::kNoValue, 5 * rows);
    for (int r = 1; r <= rows; ++r) {
        if (rowStart && !rowStart(r))
            return false;
        double x = 0;
        if (!reader.Read(RowDateTime(list, r), &x))
            continue; // an unreadable inner row is left out
        const int at = 5 * (r - 1);
        for (int s = 0; s < 5; ++s)
            points->x[at + s] = x;
        for (int s = 0; s < 3; ++s)
            points->y[at + s] = TextFormat::MeasuredValueFromText(locale, list.Cell(3 + s, r));
        for (int s = 3; s < 5; ++s)
            points->y[at + s] = TextFormat::DerivedValueFromText(locale, list.Cell(3 + s, r));
    }
    return true;
}

TfrmGraph *GraphTableWindow(TfrmList *list)
{
    if (!list)
        return nullptr;
    if (list->Cell(1, 1).isEmpty()) {
        Dialogs::Message(list->window(), Dialogs::Kind::Information, HostText("IDS_55", "No data to graph !"));
        return nullptr;
    }
    const int rows = list->RowCount() - 1;
    auto *window = new TfrmGraph;
    window->setWindowTitle(list->windowTitle());
    window->Embed();

    TfrmScope progress; // no parent: a window closed meanwhile cannot take it along
    progress.SetRole(TfrmScope::Role::ExportProgress);
    progress.BitBtn2->hide(); // graphing cannot be cancelled
    progress.setWindowTitle(HostText("IDS_56", "Graphing Progress"));
    progress.SText1->setText(HostText("IDS_57", "graphing....."));
    progress.Progress1->setRange(0, rows);
    progress.Progress1->setValue(0);

    TTablePoints points;
    QString error;
    TProgressPump pump;
    bool shown = false;
    // Messages run while the rows are read: either window may be closed meanwhile.
    const QPointer<TfrmList> table(list);
    const QPointer<TfrmGraph> graphWindow(window);
    const bool read = ReadTablePoints(*list, &points, &error, [&](int r) {
        if (!shown) {
            // The X range is known now: set up the graph, then show the progress.
            SetUpGraph(window->PESGraph1, 5, 100, -20, points.last, points.first, rows);
            window->UpdateToolStates();
            progress.CentreOnScreen();
            progress.show();
            shown = true;
        }
        progress.Progress1->setValue(r);
        if (pump.Due())
            pump.Run();
        return table && graphWindow;
    });
    progress.hide();
    if (!graphWindow)
        return nullptr;
    if (!read && !error.isEmpty()) {
        Dialogs::Message(window->window(), Dialogs::Kind::Error, error);
        return window;
    }
    // A table closed part-way leaves its remaining rows empty.
    PESGraph *graph = window->PESGraph1;
    graph->LoadXData(points.x.constData(), points.x.size());
    graph->LoadYData(points.y.constData(), points.y.size());
    graph->setUnit(list->Unit());
    window->FitYAxisToValues();
    if (QWidget *frame = window->parentWidget()) {
        frame->showNormal();
        // Top-left of the frame, filling its client area, as graph files open.
        if (QWidget *area = frame->parentWidget(); area && area->width() > 0)
            frame->setGeometry(0, 0, area->width(), std::max(200, area->height()));
    }
    window->ComputeGraphStatistics();
    graph->sgReinitAndReset();
    graph->Redraw();
    return window;
}
