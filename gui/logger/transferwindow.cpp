#include "gui/logger/transferwindow.h"

#include "gui/base/scope.h"

#include <QLabel>
#include <algorithm>
#include <QProgressBar>

namespace {
// The window is brought up to date at most this often; a USB transfer
// stores a page every few microseconds.
constexpr int RepaintMs = 25;
} // namespace

int TransferSecondsLeft(qint64 elapsedMs, int bytes, int total)
{
    if (bytes <= 0 || elapsedMs < 1000 || total <= 0)
        return -1;
    if (bytes >= total)
        return 0;
    const double left = double(elapsedMs) * double(total - bytes) / double(bytes) / 1000.0;
    return int(std::min(left + 0.5, 359999.0));
}

TTransferWindow::TTransferWindow(QWidget *parent, std::function<QString(const QString &)> text)
    : Parent(parent), Text(std::move(text))
{
}

TTransferWindow::~TTransferWindow()
{
    delete Scope.data();
}

void TTransferWindow::ShowTransferProgress(int size)
{
    delete Scope.data();
    Scope = new TfrmScope(Parent);
    Scope->setAttribute(Qt::WA_DeleteOnClose, false);
    Scope->setWindowTitle(Text ? Text(QStringLiteral("IDS_53")) : QStringLiteral("Data Retriving Progress"));
    Scope->StartTransfer(size);
    Scope->setModal(false);
    Total = size;
    Scope->CentreOnScreen();
    Scope->show();
    Scope->CentreOnScreen();
    if (Parent)
        Parent->repaint();
    LastPaint.start();
    Started.start();
}

void TTransferWindow::SetBytesReceived(int bytes)
{
    if (!Scope)
        return;
    if (bytes >= Total || !LastPaint.isValid() || LastPaint.elapsed() >= RepaintMs) {
        Apply(bytes);
        LastPaint.restart();
    }
}

void TTransferWindow::Apply(int bytes)
{
    Scope->SetBytesReceived(bytes);
    Scope->SetSecondsLeft(TransferSecondsLeft(Started.isValid() ? Started.elapsed() : 0, bytes, Total));
}

TfrmScope *TTransferWindow::Window() const
{
    return Scope.data();
}

bool TTransferWindow::CancelRequested() const
{
    return Cancelled || (Scope && Scope->CancelRequested());
}

void TTransferWindow::Cancel() { Cancelled = true; }
void TTransferWindow::ResetCancel() { Cancelled = false; }

void TTransferWindow::Close(bool destroy)
{
    if (!Scope)
        return;
    if (destroy) {
        delete Scope.data();
        Scope = nullptr;
    } else {
        Scope->hide();
    }
}

TTransferProgress TTransferWindow::Callbacks()
{
    TTransferProgress p;
    p.Show = [this](int size) { ShowTransferProgress(size); };
    p.SetBytesReceived = [this](int bytes) { SetBytesReceived(bytes); };
    p.CancelRequested = [this] { return CancelRequested(); };
    p.Close = [this](bool destroy) { Close(destroy); };
    return p;
}
