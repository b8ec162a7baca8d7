#pragma once
// Test doubles of the link: a USB backend and a byte-stream transport whose
// answers each test scripts, and a view that records what the link does to
// windows.

#include "core/link/linkview.h"
#include "core/link/transport.h"
#include "core/link/usbbackend.h"
#include "core/live/livereading.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QStringList>
#include <QVector>

#include <array>
#include <deque>
#include <functional>
#include <vector>

using TFrame = std::array<uint8_t, 7>;

// A 64-byte live reply with good framing and checksum; bytes 1-61 from `fill`.
QByteArray MakeLiveReply(uint8_t fill = 0x11);
// Recomputes the checksum of a live reply.
void FixLiveChecksum(QByteArray &reply);
// An identity reply of `size` bytes with "738" (or `code`) at 23-25.
QByteArray MakeIdentityReply(int size = 32, const char *code = "738");
// A 36-byte page reply for page `page` with a good checksum and 0x05.
QByteArray MakePageReply(uint16_t page, uint8_t fill = 0x20);

class TFakeUsbBackend : public IUsbBackend {
public:
    int MvUsbOpen(uint16_t vendorId, uint16_t productId) override;
    int MvUsbSetTimeouts(int readTimeout, int writeTimeout) override;
    int MvUsbWrite(int length, const uint8_t *frame) override;
    int MvUsbPostWrite() override;
    int MvUsbRead(int length, uint8_t *buffer) override;
    int MvUsbClose() override;

    // Results to return (0 success).
    int openResult = 0, timeoutsResult = 0, writeResult = 0, readResult = 0;
    // Replies handed out by successive reads; when empty, `defaultReply` is used.
    std::deque<QByteArray> replies;
    QByteArray defaultReply;
    // Answers by command letter (checked before `replies`).
    std::function<QByteArray(const TFrame &)> responder;
    // When set, a failed read still writes these bytes (partial data).
    QByteArray partialOnFailure;

    int opens = 0, closes = 0, timeouts = 0, writes = 0, postWrites = 0, reads = 0;
    bool open = false;
    QVector<TFrame> frames;
    QVector<int> readLengths;
    uint16_t lastVendor = 0, lastProduct = 0;
    QStringList calls;
};

class TFakeSerial : public IMeterTransport {
public:
    bool SetDeviceName(const QString &name) override;
    QString DeviceName() const override { return name_; }
    QString SystemLocation() const override;
    bool Open() override;
    void Close() override;
    bool IsOpen() const override { return open_; }
    void SetTimeouts(int, int) override {}
    bool Write(const uint8_t *bytes, int count) override;
    int BytesWaiting() override;
    int Read(uint8_t *buffer, int count) override;
    bool Purge() override;

    // Devices that can be opened; what each answers to a frame.
    QStringList openable;
    std::function<QByteArray(const QString &device, const TFrame &frame)> responder;
    bool failWrite = false, failCount = false, failRead = false;

    QByteArray waiting;
    QVector<TFrame> frames;
    QStringList opened;       // device names, in order of successful opens
    int closes = 0;
    int readCalls = 0;
    int largestRead = 0;

private:
    QString name_;
    bool open_ = false;
};

class TFakeView : public ILinkView {
public:
    QString Text(const QString &key) override;
    void SetStatusText(int panel, const QString &text) override { status[panel] = text; }
    void SetMainTimerInterval(int ms) override { intervals << ms; }
    void SetCommandEnabled(TLinkCommand command, bool enabled) override { enabledState[command] = enabled; }
    void SetCommandVisible(TLinkCommand command, bool visible) override { visibleState[command] = visible; }
    bool PanelWindowExists() const override { return panel; }
    void SetPanelNoConnectionVisible(bool visible) override { noConnectionVisible = visible; }
    void SetPanelLinkIconVisible(bool visible) override { linkIconVisible = visible; }
    void RenderPanel(const TLiveReading &reading) override { ++renders; lastRendered = reading; }
    bool RealTimeGraphWindowExists() const override { return graph; }
    void AppendRealTimePoint(uint8_t status, double time, const float values[5]) override;
    QStringList PortList() const override { return ports; }
    void SetPortList(const QStringList &list) override { ports = list; }
    void SelectPort(int index) override { selected = index; selections << index; }
    void ShowSearchProgress() override { ++progressShown; progressOpen = true; }
    void SetSearchProgressText(const QString &text) override { progressTexts << text; }
    void CloseSearchProgress() override { progressOpen = false; }

    bool panel = true, graph = true;
    QMap<int, QString> status;
    QList<int> intervals;
    QMap<TLinkCommand, bool> enabledState, visibleState;
    bool noConnectionVisible = true, linkIconVisible = true;
    int renders = 0;
    TLiveReading lastRendered;
    struct Point { uint8_t status; double time; float values[5]; };
    QVector<Point> points;
    QStringList ports;
    int selected = -1;
    QList<int> selections;
    int progressShown = 0;
    bool progressOpen = false;
    QStringList progressTexts;
};
