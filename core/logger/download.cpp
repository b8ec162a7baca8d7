#include "core/logger/download.h"

#include "core/base/appstate.h"
#include "core/base/bytes.h"
#include "core/link/frames.h"
#include "core/link/linklog.h"
#include "core/link/meterlink.h"
#include "core/link/usbbackend.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>

namespace {

void ProcessMessages()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// A short pause while polling the port: a page reply takes 37.5 ms at 9600
// baud, so a quarter millisecond keeps the delay after its last byte small.
void PollPause()
{
    ProcessMessages();
    QThread::usleep(250);
}

} // namespace

int TransferSizeFor(int endAddress)
{
    int size = endAddress + 1;
    if (size > TMemoryDownload::MemorySize || size < 256)
        size = TMemoryDownload::MemorySize;
    return (size + TMemoryDownload::PageBytes - 1) / TMemoryDownload::PageBytes * TMemoryDownload::PageBytes;
}

TMemoryDownload::TMemoryDownload(TMeterLink &link, TDataSetSteps steps, TTransferProgress progress)
    : Link(link), Steps(std::move(steps)), Progress(std::move(progress))
{
}

int TMemoryDownload::DownloadMemory()
{
    Image.clear();
    int r = Link.State().SerialLink ? TransferSerial() : TransferUsb();
    if (r != DownloadResult::Ok) {
        Image.clear();
        return r;
    }
    r = Steps.DecodeMemoryImage ? Steps.DecodeMemoryImage(Image) : DownloadResult::NoData;
    if (r == DownloadResult::Ok) {
        // A temporary file that could not be written has shown its message;
        // the download then failed.
        if (Steps.WriteTempCollection && !Steps.WriteTempCollection(Image, ReceivedBytes))
            r = DownloadResult::NotKept;
        else if (Steps.GraphDataSet)
            Steps.GraphDataSet(0);
    }
    Image.clear();
    return r;
}

// ---- shared ----------------------------------------------------------------

void TMemoryDownload::BeginTransfer(const uint8_t *firstReply)
{
    End = firstReply[10] << 16 | LinkBytes::ReadBE16(firstReply + 11);
    Size = TransferSizeFor(End);
    ReceivedBytes = 0;
    Image.reserve(Size);
    if (Progress.Show)
        Progress.Show(Size);
    AppendPage(firstReply);
}

void TMemoryDownload::AppendPage(const uint8_t *reply)
{
    Image.append(reinterpret_cast<const char *>(reply), PageBytes);
    ReceivedBytes += PageBytes;
}

void TMemoryDownload::ShowProgress()
{
    if (Progress.SetBytesReceived)
        Progress.SetBytesReceived(ReceivedBytes);
    ProcessMessages();
}

bool TMemoryDownload::CancelRequested() const
{
    return Progress.CancelRequested && Progress.CancelRequested();
}

void TMemoryDownload::Diagnostic(const char *label, const QString &text)
{
    LinkLogNote(label, text.toLatin1().constData());
    if (Progress.Diagnostic)
        Progress.Diagnostic(QLatin1String(label), text);
}

// ---- serial ----------------------------------------------------------------

void TMemoryDownload::SendSerial(uint8_t command)
{
    // The serial frame buffer: bytes 2 to 5 are never written, so stay zero.
    TFrameBuffer &frame = Link.Buffers().MainSerialFrame;
    frame.Compose(command);
    IMeterTransport *port = Link.SerialTransport();
    if (port && port->IsOpen())
        port->Write(frame.data(), FrameSize);
}

int TMemoryDownload::WaitForSerialBytes(int count, int ms)
{
    IMeterTransport *port = Link.SerialTransport();
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        const int n = port ? std::max(0, port->BytesWaiting()) : 0;
        // Cancel also ends a wait, so a silent meter does not hold the user.
        if (n >= count || timer.elapsed() >= ms || CancelRequested())
            return n;
        PollPause();
    }
}

bool TMemoryDownload::ReadSerialReply(int waiting, uint8_t *reply)
{
    IMeterTransport *port = Link.SerialTransport();
    if (!port)
        return false;
    const int got = port->Read(reply, PageReplySize);
    DropSerialBytes(waiting - PageReplySize);
    return got == PageReplySize;
}

void TMemoryDownload::DropSerialBytes(int waiting)
{
    IMeterTransport *port = Link.SerialTransport();
    uint8_t scrap[256];
    while (port && waiting > 0) {
        const int n = port->Read(scrap, std::min<int>(waiting, sizeof scrap));
        if (n <= 0)
            break;
        waiting -= n;
    }
}

int TMemoryDownload::TransferSerial()
{
    ReceivedBytes = 0;
    WasCancelled = false;
    Link.WaitWhilePollBusy();
    Link.SetPollTimerEnabled(false);
    IMeterTransport *port = Link.SerialTransport();
    if (port)
        port->Purge();

    // First page: the reply must be whole, its checksum right and its last byte 0x05.
    uint8_t reply[PageReplySize] = {};
    bool first = false;
    for (int attempt = 0; attempt < 3 && !first; ++attempt) {
        SendSerial(MeterCommand::Page);
        // The whole reply is waited for: at 9600 baud its 36 bytes take 37.5 ms
        // to arrive, so a count taken at its first bytes would fail every try.
        const int n = WaitForSerialBytes(PageReplySize, Times.firstPageMs);
        if (n < PageReplySize) {
            if (port)
                port->Purge();
            continue;
        }
        if (ReadSerialReply(n, reply) && CheckPageReply(reply, PageReplySize, 0, TLinkKind::Serial)) {
            SendSerial(MeterCommand::NextPage);
            first = true;
        }
    }
    if (!first)
        return DownloadResult::SerialNoFirstPage;

    BeginTransfer(reply);

    int failures = 0;
    QElapsedTimer activity;
    activity.start();
    while (activity.elapsed() < Times.silenceMs) {
        if (failures > MaxSerialFailures) {
            SendSerial(MeterCommand::EndTransfer);
            break;
        }
        if (CancelRequested()) {
            WasCancelled = true;
            break;
        }
        const int n = port ? std::max(0, port->BytesWaiting()) : 0;
        if (n >= PageReplySize) {
            const bool whole = ReadSerialReply(n, reply);
            AppendPage(reply);
            if (whole && LinkBytes::Checksum8(reply, PageBytes) == reply[34]) {
                failures = 0;
                // The page that completes the transfer asks for no further page
                // (at the end of a full memory the meter would not answer it);
                // nor does a page after which the user cancelled.
                const bool done = ReceivedBytes >= Size;
                if (!done && !CancelRequested()) {
                    for (int i = 0; i < 10; ++i) {
                        SendSerial(MeterCommand::NextPage);
                        if (WaitForSerialBytes(1, Times.silenceMs) > 0 || CancelRequested())
                            break;
                    }
                }
                ShowProgress();
            } else {
                ++failures;
                ProcessMessages();
                SendSerial(MeterCommand::RepeatPageSerial);
                Image.chop(PageBytes);
                ReceivedBytes -= PageBytes;
            }
            activity.restart();
        } else if (n > 0 && activity.elapsed() > Times.staleBytesMs) {
            DropSerialBytes(n);
            ++failures;
            ProcessMessages();
            SendSerial(MeterCommand::RepeatPageSerial);
            activity.restart();
        } else {
            PollPause();
        }
        if (ReceivedBytes != 0 && ReceivedBytes >= Size)
            break;
    }

    SendSerial(MeterCommand::EndTransfer);
    if (Progress.Close)
        Progress.Close(true);
    if (WasCancelled)
        return DownloadResult::Cancelled;
    return ReceivedBytes < Size ? DownloadResult::SerialIncomplete : DownloadResult::Ok;
}

// ---- USB -------------------------------------------------------------------

bool TMemoryDownload::UsbWrite(uint8_t command)
{
    // The main USB frame buffer: parameter bytes keep what earlier requests put there.
    TFrameBuffer &frame = Link.Buffers().MainUsbFrame;
    frame.Compose(command);
    return Link.UsbBackend()->MvUsbWrite(FrameSize, frame.data()) == 0;
}

int TMemoryDownload::TransferUsb()
{
    ReceivedBytes = 0;
    WasCancelled = false;
    Link.WaitWhilePollBusy();
    Link.SetPollTimerEnabled(false);
    Diagnostic("Label10", QStringLiteral("normal"));

    IUsbBackend *usb = Link.UsbBackend();
    uint8_t *reply = Link.Buffers().Reply;
    if (!usb || usb->MvUsbOpen(Link.UsbIds().vendorId, Link.UsbIds().productId) != 0)
        return DownloadResult::UsbOpenFailed;
    if (usb->MvUsbSetTimeouts(TMeterLink::UsbTimeout, TMeterLink::UsbTimeout) != 0)
        return DownloadResult::UsbTimeoutsFailed;
    TFrameBuffer &frame = Link.Buffers().MainUsbFrame;
    frame.ComposePage(MeterCommand::Page, 1);
    if (usb->MvUsbWrite(FrameSize, frame.data()) != 0)
        return DownloadResult::UsbFirstWriteFailed;
    usb->MvUsbPostWrite();
    TMeterLink::WaitWithMessages(Times.usbFirstReplyMs);
    if (usb->MvUsbRead(PageReplySize, reply) != 0)
        return DownloadResult::UsbFirstReadFailed;
    if (reply[35] != PageReplyEnd)
        return DownloadResult::UsbFirstBadEnd;

    BeginTransfer(reply);
    int remaining = Size - PageBytes;
    int result = DownloadResult::Ok;

    // First pass: "p" for every page; a failed read is tried once more with "r".
    bool passComplete = true;
    while (remaining > 0) {
        if (CancelRequested()) {
            WasCancelled = true;
            break;
        }
        if (!UsbWrite(MeterCommand::NextPage)) {
            usb->MvUsbClose();
            result = DownloadResult::UsbPassWriteFailed;
            passComplete = false;
            break;
        }
        usb->MvUsbPostWrite();
        if (usb->MvUsbRead(PageReplySize, reply) != 0) {
            TMeterLink::WaitWithMessages(Times.usbRetryMs);
            if (!UsbWrite(MeterCommand::RepeatPageUsb)) {
                usb->MvUsbClose();
                result = DownloadResult::UsbPassWriteFailed;
                passComplete = false;
                break;
            }
            usb->MvUsbPostWrite();
            if (usb->MvUsbRead(PageReplySize, reply) != 0) {
                passComplete = false;
                break;
            }
            // The page "r" brought is the one "p" failed to bring: it is stored
            // in its place, or every later page would land one place early.
        }
        remaining -= PageBytes;
        AppendPage(reply);
        ShowProgress();
    }
    if (WasCancelled) {
        UsbWrite(MeterCommand::EndTransfer);
    } else {
        if (passComplete && !UsbWrite(MeterCommand::EndTransfer))
            result = DownloadResult::UsbEndWriteFailed;
        Diagnostic("Label9", QStringLiteral("%1/%2").arg(ReceivedBytes).arg(End + 1));
        result = UsbRecovery(result, remaining);
    }

    if (Progress.Close)
        Progress.Close(false);
    return WasCancelled ? DownloadResult::Cancelled : result;
}

// Recovery: restart at the first missing page until the used memory is in,
// giving up after 5 failed attempts in a row.
int TMemoryDownload::UsbRecovery(int result, int &remaining)
{
    IUsbBackend *usb = Link.UsbBackend();
    TLinkBuffers &buffers = Link.Buffers();
    int failures = 0;
    // With an end address beyond the memory the goal is never reached: the
    // phase also ends when no page of the transfer remains.
    while (!WasCancelled && ReceivedBytes < End + 1 && failures < MaxRecoveryFailures && remaining > 0) {
        if (CancelRequested()) {
            WasCancelled = true;
            UsbWrite(MeterCommand::EndTransfer);
            break;
        }
        result = DownloadResult::Ok;
        Diagnostic("Label10", QStringLiteral("retry"));
        buffers.MainUsbFrame.ComposeCounted(MeterCommand::Live, buffers.NextRequestCounter());
        usb->MvUsbWrite(FrameSize, buffers.MainUsbFrame.data());
        usb->MvUsbPostWrite();
        uint8_t scrap[ReplyBufferSize];
        usb->MvUsbRead(IdentityReplySize, scrap);
        TMeterLink::WaitWithMessages(Times.usbRecoveryMs);

        const uint16_t page = static_cast<uint16_t>(ReceivedBytes / PageBytes);
        Link.RequestPage(page);
        TMeterLink::WaitWithMessages(Times.usbRecoveryMs);
        if (Link.RequestPage(page) != PageResult::Ok) {
            result = DownloadResult::RecoveryRequestFailed;
        } else {
            while (remaining > 0) {
                if (CancelRequested()) {
                    WasCancelled = true;
                    break;
                }
                if (!UsbWrite(MeterCommand::NextPage)) {
                    usb->MvUsbClose();
                    result = DownloadResult::RecoveryWriteFailed;
                    break;
                }
                usb->MvUsbPostWrite();
                if (usb->MvUsbRead(PageReplySize, buffers.Reply) != 0) {
                    result = DownloadResult::RecoveryReadFailed;
                    break;
                }
                failures = 0;
                remaining -= PageBytes;
                AppendPage(buffers.Reply);
                ShowProgress();
            }
        }
        if (result != DownloadResult::Ok) {
            ++failures;
            Diagnostic("Label1", QStringLiteral("%1 code=%2").arg(failures).arg(result));
        } else {
            UsbWrite(MeterCommand::EndTransfer);
        }
    }
    return result;
}

void SendAbortTransfer(TMeterLink &link)
{
    if (IUsbBackend *usb = link.UsbBackend()) {
        usb->MvUsbPostWrite();
        TFrameBuffer &frame = link.Buffers().MainUsbFrame;
        frame.Compose(MeterCommand::AbortTransfer);
        usb->MvUsbWrite(FrameSize, frame.data());
    }
}
