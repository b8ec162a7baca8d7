#include "app/linkhost.h"

#include "core/live/decoder.h"
#include "gui/graph/window/graph.h"
#include "gui/graph/engine/pesgraph.h"
#include "gui/graph/window/realtime.h"

#include "gui/base/about.h"
#include "app/frmmain.h"
#include "core/base/translation.h"
#include "core/link/usbfactory.h"
#include "sim/simusbbackend.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolButton>

// ---- view ----

QString TMainLinkView::Text(const QString &key)
{
    // The table's text; the link's own French text while the table lacks the key.
    const QString text = GetTextOrDefault(key);
    return text.isEmpty() ? DefaultLinkText(key) : text;
}

void TMainLinkView::SetStatusText(int panel, const QString &text)
{
    Window.SetStatusText(panel, text);
}

void TMainLinkView::SetMainTimerInterval(int ms)
{
    Window.MainTimer->setInterval(ms);
}

namespace {

// The widget or action behind a command; the clear button lives in the
// real-time graph window.
void ApplyToCommand(TfrmMain &w, TLinkCommand command, const std::function<void(QWidget *)> &widget,
                    const std::function<void(QAction *)> &action)
{
    switch (command) {
    case TLinkCommand::BtnRun: widget(w.btnRun); return;
    case TLinkCommand::Run1: action(w.Run1); return;
    case TLinkCommand::BtnStop: widget(w.btnStop); return;
    case TLinkCommand::Stop1: action(w.Stop1); return;
    case TLinkCommand::BtnDataLogger: widget(w.btnDataLogger); return;
    case TLinkCommand::DataLogger1:
        if (w.DataLogger1) {
            widget(w.DataLogger1);
            action(w.DataLogger1->menuAction());
        }
        return;
    case TLinkCommand::RealTimeClear:
        if (w.RealTimeGraphWindow) {
            const QString name = LinkCommandName(command);
            if (auto *a = w.RealTimeGraphWindow->findChild<QAction *>(name))
                action(a);
            else
                widget(w.RealTimeGraphWindow->findChild<QWidget *>(name));
        }
        return;
    }
}

} // namespace

void TMainLinkView::SetCommandEnabled(TLinkCommand command, bool enabled)
{
    ApplyToCommand(Window, command,
                   [enabled](QWidget *wd) { if (wd) wd->setEnabled(enabled); },
                   [enabled](QAction *a) { if (a) a->setEnabled(enabled); });
}

void TMainLinkView::SetCommandVisible(TLinkCommand command, bool visible)
{
    // A menu is shown or hidden through its entry in the menu bar.
    ApplyToCommand(Window, command,
                   [visible](QWidget *wd) { if (wd && !qobject_cast<QMenu *>(wd)) wd->setVisible(visible); },
                   [visible](QAction *a) { if (a) a->setVisible(visible); });
}

bool TMainLinkView::PanelWindowExists() const
{
    return !Window.PanelWindow.isNull();
}

void TMainLinkView::SetPanelNoConnectionVisible(bool visible)
{
    if (Window.PanelWindow)
        if (auto *w = Window.PanelWindow->findChild<QWidget *>(QStringLiteral("lblNoConnection")))
            w->setVisible(visible);
}

void TMainLinkView::SetPanelLinkIconVisible(bool visible)
{
    if (Window.PanelWindow)
        if (auto *w = Window.PanelWindow->findChild<QWidget *>(QStringLiteral("ingBlutoothLink")))
            w->setVisible(visible);
}

void TMainLinkView::RenderPanel(const TLiveReading &reading)
{
    Window.RenderPanel(reading);
}

bool TMainLinkView::RealTimeGraphWindowExists() const
{
    return !Window.RealTimeGraphWindow.isNull();
}

void TMainLinkView::AppendRealTimePoint(uint8_t status, double time, const float values[5])
{
    if (AppendRealTimePointHook) {
        AppendRealTimePointHook(status, time, values);
        return;
    }
    // The values are in the unit the meter shows; the recording keeps its own.
    ::AppendRealTimePoint(status, time, values, Window.LiveReading.unitCode);
}

QStringList TMainLinkView::PortList() const
{
    QStringList ports;
    for (int i = 0; i < Window.ComboBoxDeviceName->count(); ++i)
        ports << Window.ComboBoxDeviceName->itemText(i);
    return ports;
}

void TMainLinkView::SetPortList(const QStringList &ports)
{
    const QSignalBlocker block(Window.ComboBoxDeviceName);
    Window.ComboBoxDeviceName->clear();
    Window.ComboBoxDeviceName->addItems(ports);
}

void TMainLinkView::SelectPort(int index)
{
    const QSignalBlocker block(Window.ComboBoxDeviceName);
    Window.ComboBoxDeviceName->setCurrentIndex(index);
}

void TMainLinkView::ShowSearchProgress()
{
    if (frmAbout) {
        frmAbout->close();
        delete frmAbout.data();
    }
    frmAbout = new TfrmAbout(&Window);
    frmAbout->BitBtn1->hide();
    frmAbout->ShowAndPaint();
}

void TMainLinkView::SetSearchProgressText(const QString &text)
{
    if (frmAbout && frmAbout->Label3) {
        frmAbout->Label3->setText(text);
        frmAbout->Label3->repaint();
    }
}

void TMainLinkView::CloseSearchProgress()
{
    if (frmAbout) {
        frmAbout->close();
        delete frmAbout.data();
    }
    frmAbout = nullptr;
}

// ---- host ----

namespace {

// With QM738_DEMO_METER=usb the USB layer talks to the in-process simulated
// meter (unless a test has put its own backend there).
std::unique_ptr<IUsbBackend> CreateProgramUsbBackend()
{
    RegisterDemoUsbMeter();
    return CreateUsbBackend();
}

} // namespace

TLinkHost::TLinkHost(TfrmMain &window)
    : Usb(CreateProgramUsbBackend()), Serial(window.Comm1), Link(window.State, Buffers), View(window),
      Supervisor(window.State, Link, View, window.LiveReading),
      Discovery(window.State, Link, Supervisor, View)
{
    Link.SetUsbBackend(Usb.get());
    Link.SetSerialTransport(&Serial);
    Link.SetUsbIds(UsbIdsFromSettings());
    QTimer *timer = window.MainTimer;
    Link.SetPollTimerControl([timer](bool on) {
        if (on)
            timer->start();
        else
            timer->stop();
    });
}

TLinkHost::~TLinkHost()
{
    if (Usb)
        Usb->MvUsbClose();
}
