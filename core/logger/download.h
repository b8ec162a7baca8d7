#pragma once
// The memory download: reads the used part of the meter's logger memory page
// by page (32 bytes each) over the active link into the memory image, then
// hands the image to the data-set side. Plain code over the link's transports;
// what it shows and what follows the transfer come in as callbacks, so it runs
// without any window.

#include <QByteArray>
#include <QString>

#include <functional>

class TMeterLink;

// Result codes of DownloadMemory and the two transfers (0 is success).
namespace DownloadResult {
constexpr int Ok = 0;
constexpr int TooManyDataSets = 2;      // decoder: more than 4000 data sets announced
constexpr int SerialIncomplete = 3;     // the serial transfer ended short of the transfer size
constexpr int NoData = 6;               // decoder: no data set in the image
constexpr int NotKept = 7;              // the temporary collection could not be written (said already)
constexpr int SerialNoFirstPage = 9;    // no valid first page after 3 tries
constexpr int UsbPassWriteFailed = 123; // writing "p" or "r" failed in the first pass
constexpr int UsbEndWriteFailed = 125;  // writing the closing "q" of the first pass failed
constexpr int UsbOpenFailed = 1002;
constexpr int UsbTimeoutsFailed = 1003;
constexpr int UsbFirstWriteFailed = 1004;
constexpr int UsbFirstReadFailed = 1005;
constexpr int UsbFirstBadEnd = 1006;    // byte 35 of the first page reply is not 0x05
constexpr int RecoveryRequestFailed = 1260;
constexpr int RecoveryWriteFailed = 1261;
constexpr int RecoveryReadFailed = 1263;
// The user pressed Cancel: no message, the previous data stays.
constexpr int Cancelled = -1;
} // namespace DownloadResult

// What follows a good transfer, on the data-set side.
struct TDataSetSteps {
    // Decodes the image into the store and the data-set list: 0, 2 or 6, or
    // NotKept when the new sets could not be kept on disk and so were not
    // shown (the previous ones stay).
    std::function<int(const QByteArray &image)> DecodeMemoryImage;
    // Restores or creates the "DataLogger" graph window.
    std::function<void()> PrepareLoggerGraphWindow;
    // Graphs data set d in the logger window.
    std::function<void(int d)> GraphDataSet;
    // Writes the first `count` bytes of the image to the temporary collection
    // file; false after it has shown a clear message.
    std::function<bool(const QByteArray &image, int count)> WriteTempCollection;
};

// The data-set steps of the program (logger/datasetsteps.cpp).
TDataSetSteps BindDataSetSteps();

// What a transfer shows while it runs. Every member may be empty.
struct TTransferProgress {
    std::function<void(int size)> Show;            // first page in: a transfer of size bytes
    std::function<void(int bytes)> SetBytesReceived;
    std::function<bool()> CancelRequested;         // polled at each page boundary
    std::function<void(bool destroy)> Close;       // serial destroys, USB hides
    // A diagnostic text for one of the main window's hidden labels (Label10,
    // Label9, Label1); the link log gets it too.
    std::function<void(const QString &label, const QString &text)> Diagnostic;
};

// Time limits of the transfers in milliseconds.
struct TTransferTimes {
    int firstPageMs = 3000;      // serial: wait for the first page reply
    int staleBytesMs = 1500;     // serial: a part reply older than this is dropped
    int silenceMs = 5000;        // serial: no reply for this long ends the transfer
    int usbFirstReplyMs = 100;   // USB: wait after the first "P"
    int usbRetryMs = 1000;       // USB: wait before "r"
    int usbRecoveryMs = 300;     // USB: waits of a recovery attempt
};

// The transfer size for an end address: EndAddress + 1, the whole memory when
// that is above 262144 or below 256, rounded up to whole pages.
int TransferSizeFor(int endAddress);

class TMemoryDownload {
public:
    static constexpr int MemorySize = 262144;
    static constexpr int PageBytes = 32;
    static constexpr int MaxSerialFailures = 20;
    static constexpr int MaxRecoveryFailures = 5;

    TMemoryDownload(TMeterLink &link, TDataSetSteps steps, TTransferProgress progress = {});

    void SetSteps(TDataSetSteps steps) { Steps = std::move(steps); }
    void SetProgress(TTransferProgress progress) { Progress = std::move(progress); }
    void SetTimes(const TTransferTimes &times) { Times = times; }

    // One transfer on the active link, the decode, the temporary collection
    // file and the graph of data set 0. Returns a DownloadResult code.
    int DownloadMemory();

    // Each leaves the pages it received in the memory image and their count
    // in ReceivedByteCount().
    int TransferSerial();
    int TransferUsb();

    const QByteArray &MemoryImage() const { return Image; }
    int ReceivedByteCount() const { return ReceivedBytes; }
    int EndAddress() const { return End; }
    int TransferSize() const { return Size; }

private:
    // End address and size from the first page, the progress window, the first page stored.
    void BeginTransfer(const uint8_t *firstReply);
    void AppendPage(const uint8_t *reply);
    void ShowProgress();
    bool CancelRequested() const;
    void Diagnostic(const char *label, const QString &text);

    // Serial helpers.
    void SendSerial(uint8_t command);
    // Polls the count of bytes waiting until it reaches `count`, `ms` pass or
    // the user cancels, processing window messages; returns the last count.
    int WaitForSerialBytes(int count, int ms);
    // Reads all `waiting` bytes; the first 36 land in `reply`. False when
    // fewer than 36 could be read.
    bool ReadSerialReply(int waiting, uint8_t *reply);
    void DropSerialBytes(int waiting);

    // USB helpers.
    bool UsbWrite(uint8_t command);
    int UsbRecovery(int result, int &remaining);

    TMeterLink &Link;
    TDataSetSteps Steps;
    TTransferProgress Progress;
    TTransferTimes Times;

    QByteArray Image;
    int ReceivedBytes = 0;
    int End = 0;
    int Size = 0;
    bool WasCancelled = false;
};

// After a failed download: tells the meter over USB, whatever link was used,
// that the download is off (the device is not opened for it, no reply read).
void SendAbortTransfer(TMeterLink &link);
