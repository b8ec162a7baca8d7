#pragma once
// The meter link: carries command frames and replies over the active
// transport (USB HID or the serial port) and owns the two waits every
// exchange uses. Every failure comes back as a value; nothing throws.

#include "core/link/frames.h"
#include "core/link/transport.h"
#include "core/link/usbbackend.h"
#include "core/link/usbfactory.h"

#include <QString>
#include <functional>

struct TAppState;

// Result codes of RequestPage.
namespace PageResult {
constexpr int Ok = 0;
constexpr int OpenFailed = 1002;
constexpr int TimeoutsFailed = 1003;
constexpr int WriteFailed = 1004;
constexpr int ReadFailed = 1005;
constexpr int BadTerminator = 1006;
constexpr int WrongPage = 1007;
} // namespace PageResult

// Result codes of SendKeyCommand.
namespace KeyResult {
constexpr int Ok = 0;
constexpr int OpenFailed = 7002;
constexpr int TimeoutsFailed = 7003;
constexpr int WriteFailed = 7004;
constexpr int ReadFailed = 7005;
constexpr int NotAcknowledged = 7006;
constexpr int ReadFault = 7007;
} // namespace KeyResult

class TMeterLink {
public:
    static constexpr int UsbTimeout = 100;          // both USB time-outs
    static constexpr int SerialLiveWait = 200;      // ms between the serial request and the count
    static constexpr int PageStepWait = 100;        // ms between the steps of a page request

    TMeterLink(TAppState &state, TLinkBuffers &buffers);

    // The transports in use (not owned; either may be null).
    void SetUsbBackend(IUsbBackend *usb) { Usb = usb; }
    IUsbBackend *UsbBackend() const { return Usb; }
    void SetSerialTransport(IMeterTransport *serial) { Serial = serial; }
    IMeterTransport *SerialTransport() const { return Serial; }
    void SetUsbIds(TUsbIds ids) { Ids = ids; }
    TUsbIds UsbIds() const { return Ids; }
    // Switches the poll timer on or off (the main window's MainTimer).
    void SetPollTimerControl(std::function<void(bool enabled)> control) { PollTimerControl = std::move(control); }
    void SetPollTimerEnabled(bool enabled);

    TAppState &State() { return AppState; }
    TLinkBuffers &Buffers() { return LinkBuffers; }

    // One live request and reply over the active transport, the reply left in
    // the reply buffer. USB wins when both link flags are set; with neither
    // set nothing is sent and the result is true.
    bool ExchangeLive();
    bool ExchangeLiveUsb();
    bool ExchangeLiveSerial();

    // USB identity exchange with the given command; the 32-byte reply lands
    // in the reply buffer; true when the read succeeded.
    bool ProbeUsbIdentity(uint8_t command);

    // One page of logger memory over USB into the reply buffer; a PageResult
    // code. Leaves the poll timer disabled and the device open.
    int RequestPage(uint16_t page);

    // A front-panel key over USB; a KeyResult code. Every step is attempted
    // and the code of the last failing one is returned. Never closes.
    int SendKeyCommand(const TFrameBuffer &panelFrame);
    int SendKeyCommand(const uint8_t *frame7);

    // Waits until no poll tick is under way, processing window messages.
    void WaitWhilePollBusy();

    // Waits `ms` milliseconds processing window messages.
    static void WaitWithMessages(int ms);
    // Waits `ms` milliseconds without processing window messages.
    static void WaitBlocking(int ms);

private:
    // Opens the device and sets the time-outs for a live or identity exchange;
    // on a failure of either the device is closed and false returned.
    bool OpenUsbForExchange();

    TAppState &AppState;
    TLinkBuffers &LinkBuffers;
    IUsbBackend *Usb = nullptr;
    IMeterTransport *Serial = nullptr;
    TUsbIds Ids;
    std::function<void(bool)> PollTimerControl;
};

// The identity reply as text: its printable bytes between STX and ETX.
QString IdentityText(const uint8_t *reply);
