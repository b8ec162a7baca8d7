#include "gui/graph/window/graph.h"

#include "core/base/appstate.h"
#include "core/base/datetime.h"
#include "gui/base/dialogs.h"
#include "core/base/paths.h"
#include "gui/base/langapply.h"
#include "gui/graph/window/graphfileio.h"
#include "gui/graph/window/graphhost.h"
#include "gui/graph/window/annoedit.h"
#include "gui/graph/window/graphicons.h"
#include "gui/graph/window/graphsetup.h"
#include "gui/graph/engine/pesgraph.h"
#include "core/record/rtrecording.h"
#include "gui/graph/window/setupscale.h"
#include "core/graph/graphmodel.h"
#include "core/graph/statistics.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QComboBox>
#include "gui/graph/window/flowlayout.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include "gui/graph/window/graphparts.h"

using namespace GraphParts;

// ---- tools -------------------------------------------------------------------------

void TfrmGraph::SetCursorMode(int mode)
{
    GraphAppState().GraphCursorMode = mode;
    switch (mode) {
    case CursorModeText:
        PESGraph1->setArrowCursor(PESGraph::CursorIBeam);
        ToolButton9->setChecked(true);
        break;
    case CursorModeCross:
        PESGraph1->setCustomCursor(GraphCrossCursor());
        ToolButton5->setChecked(true);
        break;
    default:
        PESGraph1->setArrowCursor(PESGraph::CursorArrow);
        ToolButton4->setChecked(true);
        break;
    }
}

void TfrmGraph::ToolButton1Click()
{
    pnlGraphStatistic->setVisible(ToolButton1->isChecked());
    pnlGraphResize();
}

void TfrmGraph::ToolButton2Click()
{
    const bool on = ToolButton2->isChecked();
    pnlStatistic->setVisible(on);
    PESGraph1->setShowLineAnnotations(on);
    PESGraph1->Redraw();
}

void TfrmGraph::ToolButton4Click() { SetCursorMode(CursorModeNormal); }
void TfrmGraph::ToolButton5Click() { SetCursorMode(CursorModeCross); }
void TfrmGraph::ToolButton9Click() { SetCursorMode(CursorModeText); }

void TfrmGraph::ToolButton15Click()
{
    TAppState &st = GraphAppState();
    QColor color = ColorFromAnno(st.AnnoColor);
    if (!Dialogs::ChooseColor(this, color))
        return;
    for (int i = 0; i <= st.LastAnnotationIndex; ++i)
        PESGraph1->setGraphAnnotationColor(i, color);
    st.AnnoColor = AnnoFromColor(color);
    PESGraph1->Redraw();
}

void TfrmGraph::tbntClrClick()
{
    const int answer = Dialogs::Message(this, Dialogs::Kind::Confirmation, Fixed("Save Real-Time Graph ?"),
                                        Dialogs::Yes | Dialogs::No);
    // A save that did not happen keeps the recording.
    if (answer == Dialogs::Yes && !HostSaveGraphAs(PESGraph1, this))
        return;
    PESGraph1->sgUndoZoom();
    UndoZoom->setEnabled(false);
    ClearGraph();
    RealTimeModel().Clear();
}

void TfrmGraph::UndoZoomClick()
{
    PESGraph1->sgUndoZoom();
    PESGraph1->sgResetImage();
    PESGraph1->sgInvalidateImage();
    UndoZoom->setEnabled(false);
}

void TfrmGraph::chkSplitClick()
{
    if (chkSplit->isChecked()) {
        PESGraph1->setMultiAxesSubsets(0, 1);
        PESGraph1->setMultiAxesSubsets(1, 2);
        PESGraph1->setMultiAxesSubsets(2, 2);
        PESGraph1->setMultiAxesProportions(0, 0.2);
        PESGraph1->setMultiAxesProportions(1, 0.4);
        PESGraph1->setMultiAxesProportions(2, 0.4);
        ToolButton5->setEnabled(false);
        ToolButton9->setEnabled(false);
        SetCursorMode(CursorModeNormal);
    } else {
        PESGraph1->resetMultiAxes();
        ToolButton5->setEnabled(true);
        ToolButton9->setEnabled(true);
    }
    PESGraph1->Redraw();
    PESGraph1->sgReinitAndReset();
}

void TfrmGraph::UpdateToolStates()
{
    const bool whole = PESGraph1->MultiAxesProportions(0) == 1.0;
    ToolButton5->setEnabled(whole);
    ToolButton9->setEnabled(whole);
    if (!whole && GraphAppState().GraphCursorMode != CursorModeNormal)
        SetCursorMode(CursorModeNormal);
}

void TfrmGraph::ApplyLoadedGraph()
{
    {
        const QSignalBlocker block(chkSplit);
        chkSplit->setChecked(PESGraph1->MultiAxesSubsets(1) != 0);
    }
    PESGraph1->setAllowDataLabels(0);
    PESGraph1->sgReinitAndReset();
    UpdateToolStates();
    PESGraph1->setAllowGraphAnnotHotSpots(true);
}

void TfrmGraph::chkRHClick()
{
    PESGraph1->clearRandomSubsetsToGraph();
    int position = 0;
    const QCheckBox *boxes[5] = {chkRH, chkT1, chkT2, chkWETBULB, chkDEWPOINT};
    for (int k = 0; k < 5; ++k)
        if (boxes[k]->isChecked())
            PESGraph1->setRandomSubsetsToGraph(position++, k);
    PESGraph1->Redraw();
    PESGraph1->sgReinitAndReset();
}

void TfrmGraph::Button1Click()
{
    const double minX = PESGraph1->ManualMinX();
    const double maxX = PESGraph1->ManualMaxX();
    PESGraph1->sgCustomize();
    PESGraph1->setManualScaleControlX(PESGraph::ScaleManualMinMax);
    PESGraph1->setManualMinX(minX);
    PESGraph1->setManualMaxX(maxX);
    PESGraph1->setWorkingAxis(0);
    PESGraph1->sgUndoZoom();
    UndoZoom->setEnabled(false);
    PESGraph1->Redraw();
}

void TfrmGraph::PESGraph1CustomizeDlg(int result)
{
    if (result != 1)
        return;
    if (Dialogs::Message(this, Dialogs::Kind::Confirmation, Fixed("Do you want to save the changes ?"),
                         Dialogs::Yes | Dialogs::No)
        == Dialogs::Yes)
        SaveGraphFile(PESGraph1, TemplateWritePath());
}

void TfrmGraph::btnChangeScaleClick()
{
    PESGraph1->setWorkingAxis(0);
    TfrmSetupScale dialog(this);
    dialog.edtT1Min->setText(QString::number(qint64(PESGraph1->ManualMinY())));
    dialog.edtT1Max->setText(QString::number(qint64(PESGraph1->ManualMaxY())));
    if (Dialogs::Exec(&dialog) != QDialog::Accepted)
        return;
    bool okMin = false, okMax = false;
    const int minY = dialog.edtT1Min->text().trimmed().toInt(&okMin);
    const int maxY = dialog.edtT1Max->text().trimmed().toInt(&okMax);
    if (!okMin || !okMax) {
        const QString bad = !okMin ? dialog.edtT1Min->text() : dialog.edtT1Max->text();
        Dialogs::Message(this, Dialogs::Kind::Error, bad + Fixed(" is invalid."));
        return;
    }
    PESGraph1->setWorkingAxis(0);
    PESGraph1->setManualScaleControlY(PESGraph::ScaleManualMinMax);
    PESGraph1->setManualMinY(minY);
    PESGraph1->setManualMaxY(maxY);
    YAxisSetByHand = true; // wins over the widening of a recording
    PESGraph1->Redraw();
    if (dialog.chkSave->isChecked())
        SaveGraphFile(PESGraph1, TemplateWritePath());
}

void TfrmGraph::Button3Click()
{
    QFont font = pnlStatistic->font();
    if (!Dialogs::ChooseFont(this, font))
        return;
    pnlGraphStatistic->setFont(font);
    pnlStatistic->setFont(font);
}

// ---- sampling rate, clear ---------------------------------------------------------

void TfrmGraph::SetRateLists(int minutes, int seconds)
{
    const QSignalBlocker b1(ComboBox1);
    const QSignalBlocker b2(ComboBox2);
    ComboBox1->setCurrentIndex(minutes);
    ComboBox2->setCurrentIndex(seconds);
}

void TfrmGraph::ComboBox1Change()
{
    if (!IsRealTimeRole())
        return;
    TAppState &st = GraphAppState();
    int rate = std::max(0, ComboBox1->currentIndex()) * 60 + std::max(0, ComboBox2->currentIndex());
    if (rate == st.RealTimeRate)
        return;
    if (rate == 0) {
        SetRateLists(0, 2);
        rate = 2;
    }
    if (st.RealTimeRecording || st.RealTimePointCount > 0) {
        const QString text = Fixed("Sampling Rate is being changed and it is recording Real-Time data or there are "
                                   "data in Real_Time graph.")
                             + Fixed("If you want to make new sampling rate effective,it have to reset the graph.\n")
                             + Fixed("Do you want to save the Real-Time graph ?");
        const int answer = Dialogs::Message(this, Dialogs::Kind::Confirmation, text,
                                            Dialogs::Yes | Dialogs::No | Dialogs::Cancel);
        // Cancel, or a save that did not happen: the recording goes on at its
        // own rate, and the lists show that rate again. No point is added to
        // the graph while it is being saved.
        const bool wasRecording = st.RealTimeRecording;
        st.RealTimeRecording = st.RealTimeRecording && answer != Dialogs::Yes;
        if (answer == Dialogs::Cancel || (answer == Dialogs::Yes && !HostSaveGraphAs(PESGraph1, this))) {
            st.RealTimeRecording = wasRecording;
            SetRateLists(st.RealTimeRate / 60, st.RealTimeRate % 60);
            return;
        }
    }
    st.RealTimeRate = rate;
    st.RealTimeRecording = false;
    tbntClr->setEnabled(true);
    if (IGraphHost *host = GraphHost())
        host->SetRunStopCommands(true, false);
    ClearGraph();
    RealTimeModel().Clear();
    PESGraph1->setLineGapThreshold(1e20);
    st.RealTimeSpanStep = 100.0 * rate / 86400.0;
    PESGraph1->setFocus();
}

void TfrmGraph::FitYAxisToValues()
{
    TGraphModel fitted = PESGraph1->model();
    if (!FitAxesToValues(fitted))
        return;
    const int working = PESGraph1->WorkingAxis();
    for (int a = 0; a < fitted.axes.size(); ++a) {
        PESGraph1->setWorkingAxis(a);
        PESGraph1->setManualScaleControlY(fitted.axes.at(a).control);
        PESGraph1->setManualMinY(fitted.axes.at(a).minY);
        PESGraph1->setManualMaxY(fitted.axes.at(a).maxY);
    }
    PESGraph1->setWorkingAxis(working);
}

int TfrmGraph::VisiblePlotHeight()
{
    // Sizes settle before the plot lays itself out again at their size; the
    // plot's least height follows that layout, so twice.
    for (int pass = 0; pass < 2; ++pass) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        PESGraph1->Redraw();
    }
    QWidget *plot = PESGraph1;
    QRect shown = plot->rect();
    if (auto *scroll = findChild<QScrollArea *>(QStringLiteral("sbxGraph"))) {
        QWidget *viewport = scroll->viewport();
        shown = QRect(plot->mapFrom(viewport, QPoint(0, 0)), viewport->size());
    }
    const QRect area = PESGraph1->plotAreaRect();
    const QRect visible = area.intersected(shown);
    // A plot cut at a side (a window too narrow, scrolled) does not count as shown.
    return visible.width() < area.width() ? 0 : visible.height();
}

void TfrmGraph::ClearGraph()
{
    TAppState &st = GraphAppState();
    for (int s = 0; s < PESGraph1->Subsets(); ++s)
        for (int p = 0; p < PESGraph1->Points(); ++p) {
            PESGraph1->setYData(s, p, 9999.0f);
            PESGraph1->setXDataII(s, p, 0.0);
        }
    txtDataNo->clear();
    for (int k = 0; k < 3; ++k) {
        MaxEdit(k)->clear();
        MinEdit(k)->clear();
        AvgEdit(k)->clear();
    }
    st.RealTimePointCount = 0;
    // An empty recording has nothing left to save; the next point marks it again.
    if (IsRealTimeRole())
        st.RealTimeGraphUnsaved = false;
    for (int i = 3; i <= st.LastAnnotationIndex; ++i) {
        PESGraph1->setGraphAnnotationX(i, 0.0);
        PESGraph1->setGraphAnnotationY(i, 0.0);
    }
    st.LastAnnotationIndex = 3;
    PESGraph1->Redraw();
}

namespace {
// A value text longer than its edit shows its start (the value), not its end.
void SetValueText(QLineEdit *edit, const QString &text)
{
    edit->setText(text);
    edit->setCursorPosition(0);
}
} // namespace

void TfrmGraph::SetExtremeText(int channel, bool maximum, const QString &text)
{
    SetValueText(maximum ? MaxEdit(channel) : MinEdit(channel), text);
}

// ---- statistics -------------------------------------------------------------------

void TfrmGraph::ComputeGraphStatistics()
{
    const TGraphStatistics st = ::ComputeGraphStatistics(PESGraph1->model());
    SetRateLists(st.minutesIndex, st.secondsIndex);
    SetValueText(txtStartTime, st.startText);
    txtDataNo->setText(st.dataNoText);
    for (int k = 0; k < 3; ++k) {
        SetValueText(MaxEdit(k), st.maxText[k]);
        SetValueText(MinEdit(k), st.minText[k]);
        SetValueText(AvgEdit(k), st.avgText[k]);
    }
}

void TfrmGraph::Button2Click()
{
    static const char *labels[12] = {"Start Time:", "Sampling:", "Data No:", "RH MAX:", "RH MIN:", "RH AVG:",
                                     "T1 MAX:",     "T1 MIN:",   "T1 AVG:",  "T2 MAX:", "T2 MIN:", "T2 AVG:"};
    const QString values[12] = {txtStartTime->text(),
                                ComboBox1->currentText() + QLatin1Char(':') + ComboBox2->currentText(),
                                txtDataNo->text(),
                                txtRHMax->text(), txtRHMin->text(), txtRHAvg->text(),
                                txtT1Max->text(), txtT1Min->text(), txtT1Avg->text(),
                                txtT2Max->text(), txtT2Min->text(), txtT2Avg->text()};
    PESGraph *g = PESGraph1;
    // Rebuilt over a table already shown (a graph reopened), it stays where the user put it.
    const QPoint location = g->TAShow() ? g->TALocation() : QPoint(550, 50);
    g->setTARows(15);
    g->setTAColumns(2);
    g->setTAShow(true);
    for (int r = 0; r < 15; ++r) {
        g->setTAText(r, 0, r < 12 ? QLatin1String(labels[r]) : QString());
        g->setTAText(r, 1, r < 12 ? values[r] : QString());
        g->setTAColor(r, 1, PEargb(255, 255, 0, 0));
    }
    // Opaque, at the size of the graph's labels: readable over the curves.
    g->setTABackColor(PEargb(255, 255, 255, 255));
    g->setTAHeaderRows(false);
    g->setTAHeaderColumn(false);
    g->setTABorder(PESGraph::TABorderInset);
    g->setTATextSize(100);
    g->setTALocation(location);
    g->setTAMovable(true);
    g->Redraw();
}

