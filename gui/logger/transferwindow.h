#pragma once
// The transfer progress window: frmScope in its transfer role, made for each
// transfer, centred, on top and not modal. Its Cancel button asks the
// transfer to stop at the next page boundary.

#include "core/logger/download.h"

#include <QElapsedTimer>
#include <QPointer>

class QWidget;
class TfrmScope;

// Seconds still to wait at the rate so far: `bytes` of `total` received in
// `elapsedMs`. -1 while too little has come in to tell.
int TransferSecondsLeft(qint64 elapsedMs, int bytes, int total);

class TTransferWindow {
public:
    // `text` gives keyed texts (IDS_53) in the active language.
    TTransferWindow(QWidget *parent, std::function<QString(const QString &key)> text);
    ~TTransferWindow();
    TTransferWindow(const TTransferWindow &) = delete;
    TTransferWindow &operator=(const TTransferWindow &) = delete;

    // A new window for a transfer of `size` bytes, shown at once.
    void ShowTransferProgress(int size);
    void SetBytesReceived(int bytes);
    bool CancelRequested() const;
    // Asks the running transfer to stop, as the window's Cancel button does.
    void Cancel();
    // Forgets a Cancel asked by Cancel(), before a new load.
    void ResetCancel();
    // Destroys the window (serial) or hides it (USB).
    void Close(bool destroy);

    // The current window, or null.
    TfrmScope *Window() const;

    // The callbacks a download reports through.
    TTransferProgress Callbacks();

private:
    void Apply(int bytes);

    QWidget *Parent;
    std::function<QString(const QString &)> Text;
    QPointer<TfrmScope> Scope;
    QElapsedTimer LastPaint;
    QElapsedTimer Started;
    int Total = 0;
    bool Cancelled = false;
};
