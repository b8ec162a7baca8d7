#include "gui/graph/window/realtime.h"

#include "core/base/appstate.h"
#include "core/base/datetime.h"
#include "core/base/translation.h"
#include "core/files/rtjournal.h"
#include "core/graph/statistics.h"
#include "core/live/decoder.h"
#include "gui/base/dialogs.h"
#include "gui/graph/window/graph.h"
#include "gui/graph/window/graphhost.h"
#include "gui/graph/window/graphsetup.h"
#include "gui/graph/engine/pesgraph.h"
#include "gui/graph/window/setuprealtime.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace {

const char *const kObserving = "qm738ObservesRecording";

// A journal write or sync that failed is said once, in the window's strip;
// the recording goes on in memory, as the graph shows it.
void ShowJournalFailure()
{
    QString reason;
    if (!RealTimeJournal().TakeFailure(&reason))
        return;
    if (TfrmGraph *window = RealTimeWindow()) {
        window->lblJournalStatus->setText(
            GetTextOrDefault(QStringLiteral("IDS_JOURNAL_WRITE_FAILED")).arg(reason));
        window->lblJournalStatus->show();
    }
}

// Syncs the journal between points, so none waits more than 10 s for the disk
// even when the points stop coming.
void StartJournalSyncTimer()
{
    static QTimer *timer = nullptr;
    if (timer || !QCoreApplication::instance())
        return;
    timer = new QTimer(QCoreApplication::instance());
    timer->setInterval(2000);
    QObject::connect(timer, &QTimer::timeout, [] {
        RealTimeJournal().SyncIfDue(8000);
        ShowJournalFailure();
    });
    timer->start();
}

// What the journal keeps of the window's look.
TRealTimeJournalHeader JournalLook(TfrmGraph *window)
{
    PESGraph *g = window->PESGraph1;
    TRealTimeJournalHeader h;
    h.unit = g->YAxisLabel();
    for (int s = 0; s < g->Subsets(); ++s) {
        h.labels << g->SubsetLabels(s);
        h.colors << uint32_t(g->SubsetColors(s).rgba());
    }
    return h;
}

void SetRunStopCommands(bool runEnabled, bool stopEnabled)
{
    if (IGraphHost *host = GraphHost())
        host->SetRunStopCommands(runEnabled, stopEnabled);
}

void ShowNormal(TfrmGraph *window)
{
    if (QWidget *frame = window->parentWidget()) {
        if (frame->isMinimized() || frame->isMaximized())
            frame->showNormal();
    }
}

// ---- the window observes the model -------------------------------------------------

// Widens the Y axis of each subset's axis to the point's values, rounded out
// to tens, never narrowing it; markers and null values left out. Not once
// the user has set the axis by hand (Y Axis) since Run.
void ExtendYAxis(TfrmGraph *window, const float y[5])
{
    if (window->YAxisSetByHand)
        return;
    PESGraph *g = window->PESGraph1;
    const TGraphModel &m = g->model();
    const int working = g->WorkingAxis();
    bool changed = false;
    for (int s = 0; s < 5 && s < g->Subsets(); ++s) {
        const float v = y[s];
        if (v == RealTimeNull || v == RealTimeOverRange || v == RealTimeUnderRange || !std::isfinite(v))
            continue;
        const int axis = m.axisOfSubset(s);
        if (axis < 0 || axis >= m.axes.size())
            continue;
        double low = m.axes.at(axis).minY;
        double high = m.axes.at(axis).maxY;
        if (!ExtendAxisToValue(v, &low, &high))
            continue;
        g->setWorkingAxis(axis);
        g->setManualScaleControlY(PESGraph::ScaleManualMinMax);
        g->setManualMinY(low);
        g->setManualMaxY(high);
        changed = true;
    }
    if (changed)
        g->setWorkingAxis(working);
}

void DrawPoint(TfrmGraph *window, const TRealTimeRecording &model, int n)
{
    PESGraph *g = window->PESGraph1;
    const TRealTimePoint &p = model.Points().at(n);
    const TAppState &st = model.State();
    if (g->ManualMaxX() < p.x)
        g->setManualMaxX(p.x + st.RealTimeSpanStep);
    float y[5];
    PlottedValues(p, y);
    for (int k = 0; k < g->Subsets() && k < 5; ++k) {
        g->setXDataII(k, n, p.x);
        g->setYData(k, n, y[k]);
    }
    ExtendYAxis(window, y);
}

void ShowAverages(TfrmGraph *window, const TRealTimeRecording &model)
{
    double average[3];
    int counted[3];
    model.Averages(average, counted);
    for (int k = 0; k < 3; ++k)
        window->AvgEdit(k)->setText(AverageText(counted[k], average[k]));
}

void ShowExtremes(TfrmGraph *window, const TRealTimeRecording &model, int which)
{
    for (int k = 0; k < 3; ++k)
        for (int m = 0; m < 2; ++m)
            if (which & (1 << (2 * k + m)))
                window->SetExtremeText(k, m == 0, model.ExtremeText(k, m == 0));
}

QString UnitName(int unit)
{
    const QString symbol = UnitSymbol(unit);
    return symbol.isEmpty() ? QStringLiteral("?") : symbol;
}

void ShowUnitNotice(TfrmGraph *window, int meterUnit, int recordingUnit)
{
    if (meterUnit == recordingUnit || recordingUnit < 0) {
        window->lblUnitNotice->hide();
        return;
    }
    window->lblUnitNotice->setText(GetTextOrDefault(QStringLiteral("IDS_UNIT_DIFFERS"))
                                       .arg(UnitName(meterUnit), UnitName(recordingUnit)));
    window->lblUnitNotice->show();
}

void Observe(TfrmGraph *window)
{
    if (window->property(kObserving).toBool())
        return;
    window->setProperty(kObserving, true);
    TRealTimeRecording *model = &RealTimeModel();

    QObject::connect(model, &TRealTimeRecording::Started, window, [window, model] {
        PESGraph *g = window->PESGraph1;
        g->setPoints(model->Capacity());
        for (int s = 0; s < g->Subsets(); ++s)
            for (int p = 0; p < g->Points(); ++p) {
                g->setXDataII(s, p, 0.0);
                g->setYData(s, p, RealTimeNull);
            }
        for (int k = 0; k < 3; ++k) {
            window->MaxEdit(k)->clear();
            window->MinEdit(k)->clear();
            window->AvgEdit(k)->clear();
        }
        window->txtStartTime->setText(LocaleUtil::DateTimeText(model->StartTime()));
        g->setManualScaleControlX(PESGraph::ScaleManualMinMax);
        g->setManualMinX(model->StartTime());
        g->setManualMaxX(model->StartTime() + 100.0 / 86400.0);
        g->setTAShow(false);
        g->setUnit(UnitSymbol(model->Unit()));
        window->YAxisSetByHand = false;
        window->tbntClr->setEnabled(false);
        window->lblJournalStatus->hide();
        window->lblUnitNotice->hide();
        g->Redraw();
    });
    QObject::connect(model, &TRealTimeRecording::PointAppended, window, [window, model](int n, int extremes) {
        DrawPoint(window, *model, n);
        ShowExtremes(window, *model, extremes);
        // The printout names the recording's unit, not the meter's.
        window->PESGraph1->setUnit(UnitSymbol(model->Unit()));
        window->PESGraph1->Redraw();
        window->txtDataNo->setText(QString::number(model->Count()));
        ShowJournalFailure();
    });
    QObject::connect(model, &TRealTimeRecording::MeterUnitChanged, window,
                     [window](int meterUnit, int recordingUnit) { ShowUnitNotice(window, meterUnit, recordingUnit); });
    QObject::connect(model, &TRealTimeRecording::Stopped, window, [window, model] {
        ShowNormal(window);
        window->tbntClr->setEnabled(true);
        PESGraph *g = window->PESGraph1;
        const int count = model->Count();
        if (count < g->Points())
            g->setPoints(count);
        g->setManualMaxX(DateTimeUtil::Now());
        ShowAverages(window, *model);
        g->Redraw();
    });
    QObject::connect(model, &TRealTimeRecording::Recovered, window, [window, model] {
        PESGraph *g = window->PESGraph1;
        const int n = model->Count();
        const double start = model->StartTime();
        const double last = model->Points().at(n - 1).x;
        g->setPoints(n);
        window->SetRateLists(model->Rate() / 60, model->Rate() % 60);
        g->setManualScaleControlX(PESGraph::ScaleManualMinMax);
        g->setManualMinX(start);
        // The axis is set once for all points, not widened point by point.
        g->setManualMaxX(std::max(last, start + 1.0 / 86400.0));
        g->setTAShow(false);
        g->setUnit(UnitSymbol(model->Unit()));
        window->YAxisSetByHand = false;
        for (int p = 0; p < n; ++p)
            DrawPoint(window, *model, p);
        for (int k = 0; k < 3; ++k) {
            window->MaxEdit(k)->clear();
            window->MinEdit(k)->clear();
        }
        ShowExtremes(window, *model, 0x3f);
        window->txtStartTime->setText(LocaleUtil::DateTimeText(start));
        window->txtDataNo->setText(QString::number(n));
        g->setManualMaxX(std::max(last, start + 1.0 / 86400.0));
        ShowAverages(window, *model);
        window->tbntClr->setEnabled(true);
        g->Redraw();
    });
}

} // namespace

TfrmGraph *RealTimeWindow()
{
    IGraphHost *host = GraphHost();
    TfrmGraph *window = host ? host->RealTimeGraphWindow() : nullptr;
    if (window)
        Observe(window);
    return window;
}

TfrmGraph *CreateRealTimeGraphWindow()
{
    IGraphHost *host = GraphHost();
    auto *window = new TfrmGraph;
    window->setWindowTitle(TfrmGraph::RealTimeCaption());
    if (host)
        host->SetRealTimeGraphWindow(window);
    Observe(window);
    window->tbntSep3->setVisible(true);
    window->tbntClr->setVisible(true);
    window->Embed();
    if (host) {
        if (QWidget *frame = window->parentWidget()) {
            // Beside the front panel, which the main window places at the left,
            // and never larger than the client area.
            const QSize area = host->ClientAreaSize();
            const int width = area.width() - 330 >= 400 ? area.width() - 330 : area.width();
            frame->resize(width, area.height());
            frame->move(std::min(frame->x(), area.width() - width), 0);
        }
    }

    const double now = DateTimeUtil::Now();
    PESGraph *g = window->PESGraph1;
    SetUpGraph(g, 5, 50.0f, -10.0f, now + 110.0 / 86400.0, now, 100);
    window->UpdateToolStates();
    g->setNoRandomPointsToExport(true);
    g->setFocalRect(false);
    g->setAllowBar(false);
    g->setLineGapThreshold(1e20);

    const int rate = GraphAppState().RealTimeRate;
    window->pnlSamplingRate->setEnabled(true);
    window->SetRateLists(rate / 60, rate % 60);
    g->Redraw();
    return window;
}

void RealTimeRun()
{
    TAppState &st = GraphAppState();
    if (!st.Connected)
        return;
    TfrmGraph *window = RealTimeWindow();
    if (!window) {
        window = CreateRealTimeGraphWindow();
    } else {
        ShowNormal(window);
        if (st.RealTimeRecording || st.RealTimePointCount > 0) {
            const QString text = GetTextOrDefault(QStringLiteral("IDS_17")) + GetTextOrDefault(QStringLiteral("IDS_18"));
            const int answer = Dialogs::Message(window, Dialogs::Kind::Confirmation, text,
                                                Dialogs::Yes | Dialogs::No | Dialogs::Cancel);
            if (answer == Dialogs::Cancel)
                return;
            // A save that did not happen keeps the recording.
            if (answer == Dialogs::Yes && !HostSaveGraphAs(window->PESGraph1, window))
                return;
        }
    }
    if (!window)
        return;

    TfrmSetupRealTime dialog(GraphHost() ? GraphHost()->MainWindow() : nullptr);
    dialog.SetRate(window->ComboBox1->currentIndex(), window->ComboBox2->currentIndex());
    dialog.edtPeriod->setText(PeriodText(qint64(st.RealTimeRate) * 2000, false));
    if (Dialogs::Exec(&dialog) != QDialog::Accepted)
        return;
    window->SetRateLists(dialog.ComboBox1->currentIndex(), dialog.ComboBox2->currentIndex());
    const QString typed = dialog.edtRealTimeNo->text();
    bool ok = false;
    const int points = typed.trimmed().toInt(&ok);
    // A recording of no points would leave the graph without cells.
    if (!ok || points <= 0) {
        Dialogs::Message(window, Dialogs::Kind::Error, typed + GetTextOrDefault(QStringLiteral("IDS_19")));
        return;
    }
    const int rate = std::max(0, window->ComboBox1->currentIndex()) * 60 + std::max(0, window->ComboBox2->currentIndex());
    st.RealTimeRate = rate;
    if (rate == 0)
        return;

    // The recording is in the unit the meter shows now (Run after Stop
    // included); it is journaled point by point, and one that cannot be is
    // said so.
    const int unit = GraphHost() ? GraphHost()->MeterUnitCode() : -1;
    QString error;
    const QString folder = TRealTimeJournal::Folder();
    const bool journaled = RealTimeModel().Start(points, rate, DateTimeUtil::Now(), unit, JournalLook(window),
                                                 TRealTimeJournal::NewPath(folder), &error);
    SetRunStopCommands(false, true);
    if (!journaled)
        Dialogs::Message(window, Dialogs::Kind::Warning,
                         GetTextOrDefault(QStringLiteral("IDS_JOURNAL_FAILED")).arg(QDir::toNativeSeparators(folder), error));
    StartJournalSyncTimer();
}

void AppendRealTimePoint(uint8_t status, double time, float rh, float t1, float t2, float wetBulb, float dewPoint)
{
    const float values[5] = {rh, t1, t2, wetBulb, dewPoint};
    AppendRealTimePoint(status, time, values);
}

void AppendRealTimePoint(uint8_t status, double time, const float values[5], int unit)
{
    TRealTimeRecording &model = RealTimeModel();
    TfrmGraph *window = RealTimeWindow();
    if (!window)
        return;
    // Never write beyond the graph's cells; a full graph ends the recording.
    if (model.Append(status, time, values, unit, window->PESGraph1->Points()) == TRealTimeRecording::TAppend::Full) {
        if (model.Recording())
            RealTimeStop(true);
        return;
    }
    if (model.Count() > window->PESGraph1->Points() - 1)
        RealTimeStop(true);
}

void RealTimeStop(bool fromAppend)
{
    TAppState &st = GraphAppState();
    if (!fromAppend && st.PollBusy) {
        // Between ticks the flag is clear; should a tick be under way, give it a moment.
        QElapsedTimer waited;
        waited.start();
        while (st.PollBusy && waited.elapsed() < 2500)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    TRealTimeRecording &model = RealTimeModel();
    RealTimeWindow(); // the window, if any, observes the stop
    model.Stop();
    SetRunStopCommands(true, false);
}

TRealTimeJournal &RealTimeJournal()
{
    return RealTimeModel().Journal();
}

void DiscardRealTimeJournal()
{
    RealTimeJournal().Remove();
}

bool RecoverRealTimeRecording(const QString &path, const TRealTimeJournalContents &contents)
{
    TAppState &st = GraphAppState();
    if (contents.points.isEmpty() || st.RealTimeRecording)
        return false;
    TfrmGraph *window = RealTimeWindow();
    if (!window)
        window = CreateRealTimeGraphWindow();
    if (!window)
        return false;
    const TRealTimeJournalHeader &h = contents.header;
    PESGraph *g = window->PESGraph1;
    for (int s = 0; s < g->Subsets(); ++s) {
        if (s < h.labels.size())
            g->setSubsetLabels(s, h.labels[s]);
        if (s < h.colors.size())
            g->setSubsetColors(s, QColor::fromRgba(h.colors[s]));
    }
    g->setYAxisLabel(h.unit);
    if (!RealTimeModel().Recover(path, contents))
        return false;
    SetRunStopCommands(st.Connected, false);
    return true;
}

int OfferRealTimeRecovery(QWidget *parent)
{
    int recovered = 0;
    TRealTimeJournal &journal = RealTimeJournal();
    for (const QString &path : TRealTimeJournal::Orphans(TRealTimeJournal::Folder())) {
        if (recovered > 0 || journal.Owns())
            break; // one recording at a time; the others wait for the next start
        // Held from here through the question and the recovery: another
        // program started beside this one skips it.
        if (!journal.Adopt(path))
            continue;
        TRealTimeJournalContents contents;
        if (!TRealTimeJournal::Read(path, &contents) || contents.points.isEmpty()) {
            journal.Remove();
            continue;
        }
        const QString text = GetTextOrDefault(QStringLiteral("IDS_RECOVER_REALTIME"))
                                 .arg(LocaleUtil::DateTimeText(contents.header.start))
                                 .arg(contents.points.size());
        const int answer = Dialogs::Message(parent, Dialogs::Kind::Confirmation, text, Dialogs::Yes | Dialogs::No);
        if (answer == Dialogs::No) {
            journal.Remove(); // only an explicit No discards a recording
            continue;
        }
        if (answer != Dialogs::Yes) {
            journal.Release(); // dismissed (Escape, the close button): asked again at the next start
            break;
        }
        if (!RecoverRealTimeRecording(path, contents)) {
            journal.Release(); // kept for the next start
            break;
        }
        ++recovered;
    }
    return recovered;
}
