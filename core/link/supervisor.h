#pragma once
// The connection supervisor: one poll tick of MainTimer at a time. While no
// meter is connected a tick probes USB for one; while connected it makes one
// live exchange, decodes a well-framed reply, paints the front panel and feeds
// the real-time graph. Three failed polls in a row drop the connection.

#include "core/live/livereading.h"

#include <QDateTime>
#include <cstdint>
#include <functional>

struct TAppState;
struct TLinkBuffers;
class TMeterLink;
class ILinkView;

class TConnectionSupervisor {
public:
    static constexpr int FailedPollLimit = 3;
    static constexpr int TimerInterval = 500;

    using TDecoder = std::function<void(const uint8_t *reply64, TLiveReading &reading)>;
    using TClock = std::function<QDateTime()>;

    // `reading` is the main window's last decoded live reading.
    TConnectionSupervisor(TAppState &state, TMeterLink &link, ILinkView &view, TLiveReading &reading);

    // The tick handler of MainTimer.
    void MainTimerTimer();
    void ConnectionEstablished();
    void ConnectionLost();
    // Clears the two blinking requests of the front panel (REC/FULL and
    // MAX/MIN/AVG), so its blink tick leaves those indicators alone.
    void ClearBlinkRequests();

    // The live reply decoder (DecodeLiveReply by default).
    void SetDecoder(TDecoder decoder) { Decoder = std::move(decoder); }
    // The wall clock (tests set their own).
    void SetClock(TClock clock) { Clock = std::move(clock); }

    int FailedPolls() const { return FailedPollCount; }
    void ResetFailedPolls() { FailedPollCount = 0; }
    int SecondsCounter() const { return Seconds; }
    uint8_t StatusByte() const { return Status; }
    const TLiveReading &LiveReading() const { return Reading; }

private:
    void ProbeUsb();
    void Poll(double stamp);

    TAppState &State;
    TMeterLink &Link;
    TLinkBuffers &Buffers;
    ILinkView &View;
    TDecoder Decoder;
    TClock Clock;

    TLiveReading &Reading;
    int FailedPollCount = 0;
    uint16_t LastSecond = 0;
    int Seconds = 0;
    uint8_t Status = 0;
};
