#include "core/link/meterlink.h"

#include "core/base/appstate.h"
#include "core/base/bytes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <cstring>

TMeterLink::TMeterLink(TAppState &state, TLinkBuffers &buffers)
    : AppState(state), LinkBuffers(buffers)
{
}

void TMeterLink::SetPollTimerEnabled(bool enabled)
{
    if (PollTimerControl)
        PollTimerControl(enabled);
}

bool TMeterLink::ExchangeLive()
{
    if (AppState.UsbLink)
        return ExchangeLiveUsb();
    if (AppState.SerialLink)
        return ExchangeLiveSerial();
    return true;
}

bool TMeterLink::OpenUsbForExchange()
{
    if (!Usb)
        return false;
    if (Usb->MvUsbOpen(Ids.vendorId, Ids.productId) != 0 || Usb->MvUsbSetTimeouts(UsbTimeout, UsbTimeout) != 0) {
        Usb->MvUsbClose();
        return false;
    }
    return true;
}

bool TMeterLink::ExchangeLiveUsb()
{
    if (!OpenUsbForExchange())
        return false;
    TFrameBuffer &frame = LinkBuffers.MainUsbFrame;
    frame.ComposeCounted(MeterCommand::Live, LinkBuffers.NextRequestCounter());
    Usb->MvUsbWrite(FrameSize, frame.data());
    Usb->MvUsbPostWrite();
    LinkBuffers.ClearReply();
    const bool ok = Usb->MvUsbRead(LiveReplySize, LinkBuffers.Reply) == 0;
    Usb->MvUsbClose();
    return ok;
}

bool TMeterLink::ExchangeLiveSerial()
{
    TFrameBuffer &frame = LinkBuffers.MainSerialFrame;
    frame.Compose(MeterCommand::Live);
    if (Serial && Serial->IsOpen()) {
        if (!Serial->Write(frame.data(), FrameSize))
            Serial->Close();
    }

    WaitBlocking(SerialLiveWait);

    int waiting = 0;
    if (Serial && Serial->IsOpen()) {
        waiting = Serial->BytesWaiting();
        if (waiting < 0)
            waiting = 0;
    }
    if (waiting < LiveReplySize)
        return false;

    // The first 64 bytes form the reply; the rest of what was counted is read
    // and dropped in bounded chunks. The verdict uses what was actually read,
    // so a failed read never lets an older reply pass for a new one.
    const int got = Serial->Read(LinkBuffers.Reply, LiveReplySize);
    int rest = waiting - LiveReplySize;
    uint8_t scrap[256];
    while (rest > 0) {
        const int n = Serial->Read(scrap, rest < int(sizeof scrap) ? rest : int(sizeof scrap));
        if (n <= 0)
            break;
        rest -= n;
    }
    return CheckLiveReply(LinkBuffers.Reply, got);
}

bool TMeterLink::ProbeUsbIdentity(uint8_t command)
{
    if (!OpenUsbForExchange())
        return false;
    TFrameBuffer &frame = LinkBuffers.MainUsbFrame;
    frame.Compose(command);
    Usb->MvUsbWrite(FrameSize, frame.data());
    Usb->MvUsbPostWrite();
    const bool ok = Usb->MvUsbRead(IdentityReplySize, LinkBuffers.Reply) == 0;
    Usb->MvUsbClose();
    return ok;
}

int TMeterLink::RequestPage(uint16_t page)
{
    WaitWhilePollBusy();
    SetPollTimerEnabled(false);
    if (!Usb)
        return PageResult::OpenFailed;

    if (Usb->MvUsbOpen(Ids.vendorId, Ids.productId) != 0)
        return PageResult::OpenFailed;
    WaitWithMessages(PageStepWait);
    if (Usb->MvUsbSetTimeouts(UsbTimeout, UsbTimeout) != 0)
        return PageResult::TimeoutsFailed;
    WaitWithMessages(PageStepWait);
    TFrameBuffer &frame = LinkBuffers.MainUsbFrame;
    frame.ComposePage(MeterCommand::Page, page);
    if (Usb->MvUsbWrite(FrameSize, frame.data()) != 0)
        return PageResult::WriteFailed;
    Usb->MvUsbPostWrite();
    WaitWithMessages(PageStepWait);
    if (Usb->MvUsbRead(PageReplySize, LinkBuffers.Reply) != 0)
        return PageResult::ReadFailed;
    if (LinkBuffers.Reply[35] != PageReplyEnd)
        return PageResult::BadTerminator;
    if (LinkBytes::ReadBE16(LinkBuffers.Reply + 32) != page)
        return PageResult::WrongPage;
    return PageResult::Ok;
}

int TMeterLink::SendKeyCommand(const TFrameBuffer &panelFrame)
{
    return SendKeyCommand(panelFrame.data());
}

int TMeterLink::SendKeyCommand(const uint8_t *frame7)
{
    if (!Usb || !frame7)
        return KeyResult::ReadFailed; // every step fails; the read is the last
    int result = KeyResult::Ok;
    if (Usb->MvUsbOpen(Ids.vendorId, Ids.productId) != 0)
        result = KeyResult::OpenFailed;
    if (Usb->MvUsbSetTimeouts(UsbTimeout, UsbTimeout) != 0)
        result = KeyResult::TimeoutsFailed;
    if (Usb->MvUsbWrite(FrameSize, frame7) != 0)
        result = KeyResult::WriteFailed;
    Usb->MvUsbPostWrite();
    try {
        uint8_t reply[AcknowledgementSize] = {};
        if (Usb->MvUsbRead(AcknowledgementSize, reply) != 0)
            result = KeyResult::ReadFailed;
        else if (!CheckAcknowledgement(reply, AcknowledgementSize))
            result = KeyResult::NotAcknowledged;
    } catch (...) {
        result = KeyResult::ReadFault;
    }
    return result;
}

void TMeterLink::WaitWhilePollBusy()
{
    while (AppState.PollBusy) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (AppState.PollBusy)
            QThread::msleep(1);
    }
}

void TMeterLink::WaitWithMessages(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() <= ms) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

void TMeterLink::WaitBlocking(int ms)
{
    QElapsedTimer timer;
    timer.start();
    qint64 elapsed;
    while ((elapsed = timer.elapsed()) <= ms) {
        const qint64 left = ms - elapsed + 1;
        QThread::msleep(static_cast<unsigned long>(left < 5 ? left : 5));
    }
}

QString IdentityText(const uint8_t *reply)
{
    QString text;
    for (int i = 1; i < IdentityReplySize - 1; ++i)
        text += reply[i] >= 0x20 && reply[i] < 0x7F ? QChar(reply[i]) : QChar(' ');
    return text.simplified();
}
