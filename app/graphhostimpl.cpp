#include "app/graphhostimpl.h"

#include "app/documents.h"
#include "app/frmmain.h"
#include "core/base/sleepinhibitor.h"
#include "gui/files/graphfile.h"
#include "gui/graph/window/graph.h"
#include "gui/logger/collection.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolButton>

TAppState &TMainGraphHost::State() { return Window.State; }
QWidget *TMainGraphHost::MainWindow() { return &Window; }

int TMainGraphHost::MeterUnitCode() const
{
    const int unit = Window.LiveReading.unitCode;
    return Window.State.Connected && unit >= 0 && unit <= 2 ? unit : -1;
}

QWidget *TMainGraphHost::EmbedGraphWindow(TfrmGraph *window)
{
    QMdiSubWindow *frame = Window.AddChildWindow(window);
    window->WatchActivation(Window.MdiArea);
    frame->show();
    return frame;
}

QSize TMainGraphHost::ClientAreaSize() const { return Window.MdiArea->viewport()->size(); }

TfrmGraph *TMainGraphHost::RealTimeGraphWindow() const
{
    return qobject_cast<TfrmGraph *>(Window.RealTimeGraphWindow.data());
}

void TMainGraphHost::SetRealTimeGraphWindow(TfrmGraph *window)
{
    Window.RealTimeGraphWindow = window;
    Window.RealTimeGraph1->setChecked(window != nullptr);
}

TfrmGraph *TMainGraphHost::LoggerGraphWindow() const
{
    return qobject_cast<TfrmGraph *>(Window.LoggerGraphWindow.data());
}

void TMainGraphHost::SetLoggerGraphWindow(TfrmGraph *window) { Window.LoggerGraphWindow = window; }

void TMainGraphHost::SetRunStopCommands(bool runEnabled, bool stopEnabled)
{
    Window.btnRun->setEnabled(runEnabled);
    Window.Run1->setEnabled(runEnabled);
    Window.btnStop->setEnabled(stopEnabled);
    Window.Stop1->setEnabled(stopEnabled);
    if (Window.SleepInhibitor)
        Window.SleepInhibitor->SetHeld(QStringLiteral("recording"), stopEnabled);
}

void TMainGraphHost::SetOutputToGraphEnabled(bool enabled)
{
    if (Window.btnOutputToGraph)
        Window.btnOutputToGraph->setEnabled(enabled);
}

void TMainGraphHost::SetLoggerDataUnsaved(bool unsaved) { ::SetLoggerDataUnsaved(Window.State, unsaved); }

bool TMainGraphHost::SaveGraphAs(PESGraph *graph, QWidget *parent) { return ::SaveGraphAs(graph, parent); }
bool TMainGraphHost::SaveDocument(QWidget *child) { return ::SaveDocument(child); }
