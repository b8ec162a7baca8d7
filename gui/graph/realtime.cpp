#include "gui/graph/realtime.h"

#include "core/base/appstate.h"
#include "core/base/datetime.h"
#include "gui/base/dialogs.h"
#include "core/base/translation.h"
#include "gui/graph/graphhost.h"
#include "gui/graph/graph.h"
#include "gui/graph/graphsetup.h"
#include "gui/graph/pesgraph.h"
#include "core/files/rtjournal.h"
#include "gui/graph/setuprealtime.h"
#include "core/graph/statistics.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QDir>
#include <QMdiSubWindow>
#include <QTimer>
#include <QToolButton>

namespace {

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

TRealTimeJournalHeader JournalHeader(TfrmGraph *window, double start, int rate)
{
    PESGraph *g = window->PESGraph1;
    TRealTimeJournalHeader h;
    h.start = start;
    h.rate = rate;
    h.points = g->Points();
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

bool Flagged(uint8_t status, int bitA, int bitB)
{
    return (status & (1u << bitA)) || (status & (1u << bitB));
}

} // namespace

TRealTimeExtremes &RealTimeExtremes()
{
    static TRealTimeExtremes extremes;
    return extremes;
}

TfrmGraph *RealTimeWindow()
{
    IGraphHost *host = GraphHost();
    return host ? host->RealTimeGraphWindow() : nullptr;
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

    PESGraph *g = window->PESGraph1;
    g->setPoints(points);
    for (int s = 0; s < g->Subsets(); ++s)
        for (int p = 0; p < g->Points(); ++p) {
            g->setXDataII(s, p, 0.0);
            g->setYData(s, p, RealTimeNull);
        }
    st.RealTimePointCount = 0;
    RealTimeExtremes().Reset();
    for (int k = 0; k < 3; ++k) {
        window->MaxEdit(k)->clear();
        window->MinEdit(k)->clear();
        window->AvgEdit(k)->clear();
    }
    const double start = DateTimeUtil::Now();
    window->txtStartTime->setText(LocaleUtil::DateTimeText(start));
    g->setManualScaleControlX(PESGraph::ScaleManualMinMax);
    g->setManualMinX(start);
    g->setManualMaxX(start + 100.0 / 86400.0);
    g->setTAShow(false);
    window->tbntClr->setEnabled(false);
    window->lblJournalStatus->hide();
    g->Redraw();

    st.RealTimeRecording = true;
    SetRunStopCommands(false, true);

    // The recording is journaled point by point; one that cannot be is said so.
    QString error;
    const QString folder = TRealTimeJournal::Folder();
    if (!RealTimeJournal().Begin(TRealTimeJournal::NewPath(folder), JournalHeader(window, start, rate), &error))
        Dialogs::Message(window, Dialogs::Kind::Warning,
                         GetTextOrDefault(QStringLiteral("IDS_JOURNAL_FAILED")).arg(QDir::toNativeSeparators(folder), error));
    StartJournalSyncTimer();
}

void AppendRealTimePoint(uint8_t status, double time, const float values[5])
{
    AppendRealTimePoint(status, time, values[0], values[1], values[2], values[3], values[4]);
}

namespace {

// The text of a running extreme: value@time, or "OL"/"-OL" for a flagged channel.
QString ExtremeText(int k, uint8_t status, float v, double time)
{
    if (!Flagged(status, k, k + 4))
        return LocaleUtil::ValueAt(v, time);
    if (k < 2 || v > 0)
        return QStringLiteral("OL");
    if (v < 0)
        return QStringLiteral("-OL");
    return LocaleUtil::ValueAt(v, time);
}

// Puts point `n` into the graph and the running extremes. With `extremeAt`
// (six entries: max and min of RH, T1, T2) the points of new extremes are
// noted there instead of shown.
void PlacePoint(TfrmGraph *window, int n, uint8_t status, double time, float rh, float t1, float t2,
                float wetBulb, float dewPoint, int *extremeAt = nullptr)
{
    TAppState &st = GraphAppState();
    PESGraph *g = window->PESGraph1;
    if (g->ManualMaxX() < time)
        g->setManualMaxX(time + st.RealTimeSpanStep);
    for (int k = 0; k < g->Subsets() && k < 5; ++k)
        g->setXDataII(k, n, time);

    const bool rhFlag = Flagged(status, 0, 4);
    const bool t1Flag = Flagged(status, 1, 5);
    const bool t2Flag = Flagged(status, 2, 6);
    g->setYData(0, n, rhFlag ? RealTimeOverRange : rh);
    g->setYData(1, n, t1Flag ? RealTimeOverRange : t1);
    float t2y = t2;
    if (t2Flag) {
        if (t2 > 0)
            t2y = RealTimeOverRange;
        else if (t2 < 0)
            t2y = RealTimeUnderRange;
    }
    g->setYData(2, n, t2y);
    const bool derivedInvalid = rhFlag || t1Flag;
    g->setYData(3, n, derivedInvalid ? RealTimeNull : wetBulb);
    g->setYData(4, n, derivedInvalid ? RealTimeNull : dewPoint);

    TRealTimeExtremes &ex = RealTimeExtremes();
    const float received[3] = {rh, t1, t2};
    for (int k = 0; k < 3; ++k) {
        const float v = received[k];
        for (bool maximum : {true, false}) {
            if (maximum ? !(v > ex.maximum[k]) : !(v < ex.minimum[k]))
                continue;
            (maximum ? ex.maximum[k] : ex.minimum[k]) = v;
            if (extremeAt)
                extremeAt[k * 2 + (maximum ? 0 : 1)] = n;
            else
                window->SetExtremeText(k, maximum, ExtremeText(k, status, v, time));
        }
    }
}

// The averages of RH, T1 and T2 over the first `count` points.
void ShowAverages(TfrmGraph *window, int count)
{
    PESGraph *g = window->PESGraph1;
    for (int k = 0; k < 3; ++k) {
        double sum = 0;
        int counted = 0;
        for (int p = 0; p < count && p < g->Points(); ++p) {
            const double y = g->YData(k, p);
            if (y > -300.0 && y < 3000.0) {
                sum += y;
                ++counted;
            }
        }
        window->AvgEdit(k)->setText(AverageText(counted, counted ? sum / counted : 0.0));
    }
}

} // namespace

void AppendRealTimePoint(uint8_t status, double time, float rh, float t1, float t2, float wetBulb, float dewPoint)
{
    TAppState &st = GraphAppState();
    TfrmGraph *window = RealTimeWindow();
    if (!window)
        return;
    PESGraph *g = window->PESGraph1;
    const int n = st.RealTimePointCount;
    // Never write beyond the graph's cells; a full graph ends the recording.
    if (n < 0 || n >= g->Points()) {
        if (st.RealTimeRecording)
            RealTimeStop(true);
        return;
    }
    PlacePoint(window, n, status, time, rh, t1, t2, wetBulb, dewPoint);
    if (st.RealTimeRecording) {
        TRealTimeJournalPoint point;
        point.x = time;
        point.status = status;
        const float values[5] = {rh, t1, t2, wetBulb, dewPoint};
        std::copy(values, values + 5, point.y);
        if (!RealTimeJournal().Append(point))
            ShowJournalFailure();
    }

    g->Redraw();
    st.RealTimePointCount += 1;
    window->txtDataNo->setText(QString::number(st.RealTimePointCount));
    if (st.RealTimePointCount > g->Points() - 1)
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
    st.RealTimeRecording = false;
    RealTimeJournal().SyncIfDue();
    SetRunStopCommands(true, false);
    TfrmGraph *window = RealTimeWindow();
    if (!window)
        return;
    ShowNormal(window);
    window->tbntClr->setEnabled(true);
    PESGraph *g = window->PESGraph1;
    const int count = st.RealTimePointCount;
    if (count < g->Points()) {
        g->setPoints(count);
        g->Redraw();
    }
    g->setManualMaxX(DateTimeUtil::Now());
    ShowAverages(window, count);
    g->Redraw();
}

TRealTimeJournal &RealTimeJournal()
{
    static TRealTimeJournal journal;
    return journal;
}

void DiscardRealTimeJournal()
{
    RealTimeJournal().Remove();
}

bool RecoverRealTimeRecording(const QString &path, const TRealTimeJournalContents &contents)
{
    TAppState &st = GraphAppState();
    const int n = int(contents.points.size());
    if (n <= 0 || st.RealTimeRecording)
        return false;
    TfrmGraph *window = RealTimeWindow();
    if (!window)
        window = CreateRealTimeGraphWindow();
    if (!window)
        return false;
    const TRealTimeJournalHeader &h = contents.header;
    PESGraph *g = window->PESGraph1;
    g->setPoints(n);
    for (int s = 0; s < g->Subsets(); ++s) {
        if (s < h.labels.size())
            g->setSubsetLabels(s, h.labels[s]);
        if (s < h.colors.size())
            g->setSubsetColors(s, QColor::fromRgba(h.colors[s]));
    }
    g->setYAxisLabel(h.unit);
    const int rate = std::max(1, h.rate);
    st.RealTimeRate = rate;
    window->SetRateLists(rate / 60, rate % 60);
    RealTimeExtremes().Reset();
    g->setManualScaleControlX(PESGraph::ScaleManualMinMax);
    g->setManualMinX(h.start);
    // The axis is set once for all points, not widened point by point.
    g->setManualMaxX(std::max(contents.points.last().x, h.start + 1.0 / 86400.0));
    g->setTAShow(false);
    // The extremes are shown once, from the points where they were reached.
    int extremeAt[6] = {-1, -1, -1, -1, -1, -1};
    for (int p = 0; p < n; ++p) {
        const TRealTimeJournalPoint &q = contents.points[p];
        PlacePoint(window, p, q.status, q.x, q.y[0], q.y[1], q.y[2], q.y[3], q.y[4], extremeAt);
    }
    for (int k = 0; k < 3; ++k) {
        window->MaxEdit(k)->clear();
        window->MinEdit(k)->clear();
        for (int m = 0; m < 2; ++m) {
            if (extremeAt[k * 2 + m] < 0)
                continue;
            const TRealTimeJournalPoint &q = contents.points[extremeAt[k * 2 + m]];
            window->SetExtremeText(k, m == 0, ExtremeText(k, q.status, q.y[k], q.x));
        }
    }
    st.RealTimePointCount = n;
    window->txtStartTime->setText(LocaleUtil::DateTimeText(h.start));
    window->txtDataNo->setText(QString::number(n));
    g->setManualMaxX(std::max(contents.points.last().x, h.start + 1.0 / 86400.0));
    ShowAverages(window, n);
    window->tbntClr->setEnabled(true);
    SetRunStopCommands(st.Connected, false);
    st.RealTimeGraphUnsaved = true;
    // The journal stays until the recovered recording is saved, cleared or discarded.
    RealTimeJournal().Adopt(path);
    g->Redraw();
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
        if (Dialogs::Message(parent, Dialogs::Kind::Confirmation, text, Dialogs::Yes | Dialogs::No) != Dialogs::Yes) {
            journal.Remove();
            continue;
        }
        if (!RecoverRealTimeRecording(path, contents)) {
            journal.Release(); // kept for the next start
            break;
        }
        ++recovered;
    }
    return recovered;
}
