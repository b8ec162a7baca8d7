#include "app/loggerhostimpl.h"

#include "app/frmmain.h"
#include "core/base/translation.h"
#include "gui/graph/window/graph.h"

#include <QStatusBar>
#include <QToolButton>

TAppState &TMainLoggerHost::State() { return Window.State; }
TLoggerStore &TMainLoggerHost::Store() { return Window.LoggerStore; }
void TMainLoggerHost::AddChildWindow(QWidget *child) { Window.AddChildWindow(child); }

TfrmGraph *TMainLoggerHost::LoggerGraphWindow() const
{
    return qobject_cast<TfrmGraph *>(Window.LoggerGraphWindow.data());
}

void TMainLoggerHost::SetLoggerGraphWindow(TfrmGraph *window) { Window.LoggerGraphWindow = window; }

void TMainLoggerHost::SetOutputToGraphEnabled(bool enabled)
{
    if (Window.btnOutputToGraph)
        Window.btnOutputToGraph->setEnabled(enabled);
}

QString TMainLoggerHost::Text(const QString &key) { return GetTextOrDefault(key); }

void TMainLoggerHost::ShowStatusMessage(const QString &text)
{
    if (Window.StatusBar1)
        Window.StatusBar1->showMessage(text, 15000);
}
