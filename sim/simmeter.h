#pragma once
// A model of the meter: it answers every command frame the program sends as
// the meter would. Live replies carry its readings both as values and as the
// segment bits of its display; the eight keys change its state; its logger
// memory holds data sets laid out as in the real memory and is read page by
// page. Faults can be injected to test how the program copes.
//
// Readings drift slowly around RH 45 %, T1 22 degC and T2 72 degF. They are a
// pure function of the seed and of the meter's clock, so tests that drive the
// clock by hand get the same replies every run.

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QVector>
#include <array>
#include <cstdint>

#include "core/live/livereading.h"

enum class TSimFault {
    BadChecksum,    // live and page replies carry a wrong checksum
    LostBytes,      // a few bytes go missing from the middle of a reply
    LateBytes,      // the reply comes late (lateMs)
    Silence,        // no reply at all
    WrongIdentity,  // the identity reply names another model
    TooManyBytes,   // extra bytes follow the reply
    DisplayUnset,   // live replies carry 0xFF in bytes 40-59 (display not yet written)
};

// Faults of single pages of a memory transfer.
enum class TSimPageFault {
    BadChecksum,  // the page reply carries a wrong checksum
    CutShort,     // the page reply stops after 20 bytes
    NoReply,      // the page reply is lost (over USB the read fails)
    BadEnd,       // byte 35 of the page reply is 0x04 instead of 0x05
    SilenceFrom,  // from this page on the meter answers nothing at all
};

// One reply as it leaves the meter. An empty reply means the meter says nothing.
struct TSimReply {
    QByteArray bytes;
    int delayMs = 0;   // how long the meter waits before it starts sending
};

enum class TSimMaxMin { Off, All, Max, Min, Avg };

// One recording run as the simulator writes it into its logger memory.
struct TSimDataSet {
    QDateTime start;                 // local date-time, whole seconds
    uint8_t intervalMinutes = 0;
    uint8_t intervalSeconds = 2;
    uint8_t unitCode = 1;            // 0 degF, 1 degC, 2 K
    uint8_t coupleType = 0;          // 0..6 = K J E T N R S
    int8_t rhOffset = 0, t1Offset = 0, t2Offset = 0;
    // Per record: RH in 0.1 %, T1 in 0.1 degC, T2 in 0.1 degF.
    QVector<std::array<int16_t, 3>> records;
};

class TSimMeter {
public:
    static constexpr int MemorySize = 262144;
    static constexpr int FirstDataSetOffset = 0xB00;
    static constexpr int PageSize = 32;
    static constexpr int PageCount = MemorySize / PageSize;

    explicit TSimMeter(uint32_t seed = 1);

    // The meter's clock in milliseconds since it was made. By default it runs
    // with real time; a manual clock only moves by SetTimeMs/AdvanceMs.
    void SetManualClock(bool manual);
    void SetTimeMs(int64_t ms);
    void AdvanceMs(int64_t ms);
    int64_t TimeMs() const;
    // The calendar date-time at clock 0, used for new data sets.
    void SetClockBase(const QDateTime &base) { clockBase_ = base; }

    // Answers one command frame (normally 7 bytes). Unknown commands, frames
    // without STX/ETX and the end-of-transfer commands give an empty reply.
    TSimReply Answer(const uint8_t *frame, int length);

    // Replies as the meter builds them, without faults.
    QByteArray LiveReply();
    QByteArray IdentityReply() const;
    QByteArray AcknowledgementReply(uint8_t command) const;
    QByteArray PageReply(int page) const;  // page 1 = addresses 0..31

    // Faults: each applies to the next `count` replies it can affect
    // (count < 0: until cleared).
    void InjectFault(TSimFault fault, int count = -1);
    void ClearFaults();
    void SetLateMs(int ms) { lateMs_ = ms; }
    int LateMs() const { return lateMs_; }
    void SetExtraBytes(int n) { extraBytes_ = n; }
    void SetLostBytes(int n) { lostBytes_ = n; }

    // Whether a USB meter is plugged in (the USB backend's open fails if not).
    void SetPresent(bool present) { present_ = present; }
    bool Present() const { return present_; }

    // Readings. Fixed readings replace the drift until ResumeDrift().
    void SetReadings(int rhTenths, int t1TenthsC, int t2TenthsF);
    void ResumeDrift();
    int RhTenths();      // the values the display shows now (held, MAX, ...)
    int T1TenthsC();
    int T2TenthsF();
    int LiveRhTenths();  // the values measured now
    int LiveT1TenthsC();
    int LiveT2TenthsF();

    // State that the keys change.
    uint8_t UnitCode() const { return unit_; }
    void SetUnitCode(uint8_t unit) { unit_ = unit; }
    bool Hold() const { return hold_; }
    TSimMaxMin MaxMinMode() const { return maxMin_; }
    bool Recording() { Update(); return recording_; }
    bool MemoryFull() { Update(); return full_; }
    bool Backlight() const { return backlight_; }
    bool RecallMode() const { return recall_; }
    int StoredReadingCount() const { return slots_.size(); }
    int RecallSlot() const { return recallSlot_; }

    // Other settings of the meter.
    void SetCoupleType(uint8_t type) { coupleType_ = type; }
    uint8_t CoupleType() const { return coupleType_; }
    void SetBluetooth(bool on) { bluetooth_ = on; }
    void SetBatteryLevel(int level) { battery_ = level; }   // 0..3
    void SetStatusByte(uint8_t status) { status_ = status; }
    // T1 alarm limits in 0.1 degC; the alarm lights with Hi above the upper
    // and Lo below the lower limit.
    void SetAlarmLimits(int lowTenthsC, int highTenthsC);
    void ClearAlarm() { alarmOn_ = false; }
    void SetLogInterval(uint8_t minutes, uint8_t seconds);

    // The display the meter shows now (what a decoder must recover).
    TLcdImage Display();

    // Logger memory.
    // (These catch up with the clock first: a recording may have added records.)
    const QByteArray &Memory() { Update(); return memory_; }
    const QVector<TSimDataSet> &DataSets() { Update(); return sets_; }
    void ClearMemory();
    bool AddDataSet(const TSimDataSet &set);   // false when it does not fit
    void LoadDemoDataSets();                   // the three sets a new meter holds
    static QVector<TSimDataSet> DemoDataSets(uint32_t seed);
    int EndAddress() const;                    // last used address (as last updated)
    // Replaces the memory with data sets that use it up to `bytes` (end
    // address bytes - 1 where the layout allows, at most the whole memory).
    void FillMemory(int bytes, int setCount = 8);

    // Page faults: each applies to the next `count` replies that carry page
    // `page` (page 1 = addresses 0..31), whatever command asked for them.
    void InjectPageFault(int page, TSimPageFault fault, int count = 1);
    void ClearPageFaults();

    // Takes the samples due by the clock (statistics, logger records). Every
    // reply and every reading accessor does this itself.
    void Update();

    // Statistics for tests.
    int FramesAnswered() const { return framesAnswered_; }
    uint8_t LastCommand() const { return lastCommand_; }

private:
    struct TSample { int rh, t1, t2; };
    struct TFaultEntry { TSimFault fault; int remaining; };

    TSample SampleAt(int64_t index) const;
    TSample Shown();
    void PressKey(uint8_t command);
    void StartRecording();
    void StopRecording();
    void AppendRecord(const TSample &s);
    void WriteMemory();
    bool TakeFault(TSimFault fault);
    void ApplyFaults(uint8_t command, TSimReply &reply);
    void ApplyPageFaults(uint8_t command, TSimReply &reply);

    uint32_t seed_;
    bool manualClock_ = false;
    int64_t manualMs_ = 0;
    QElapsedTimer elapsed_;
    QDateTime clockBase_;

    int64_t lastSampleIndex_ = -1;
    bool fixed_ = false;
    TSample fixedSample_{450, 220, 720};
    TSample current_{450, 220, 720};

    uint8_t unit_ = 1;
    uint8_t coupleType_ = 0;
    bool hold_ = false;
    TSample held_{0, 0, 0};
    TSimMaxMin maxMin_ = TSimMaxMin::Off;
    TSample max_{0, 0, 0}, min_{0, 0, 0};
    int64_t sum_[3] = {0, 0, 0};
    int64_t count_ = 0;
    bool recall_ = false;
    int recallSlot_ = 0;
    QVector<TSample> slots_;
    int64_t memLitUntilMs_ = -1;
    bool backlight_ = false;
    bool bluetooth_ = false;
    int battery_ = 3;
    uint8_t status_ = 0;
    bool alarmOn_ = false;
    int alarmLow_ = 0, alarmHigh_ = 0;

    bool recording_ = false;
    bool full_ = false;
    int64_t recordStartSample_ = 0;
    int64_t recordsWritten_ = 0;
    uint8_t logMinutes_ = 0, logSeconds_ = 2;

    QByteArray memory_;
    QVector<TSimDataSet> sets_;

    bool transferActive_ = false;
    int pageCursor_ = 0;

    QVector<TFaultEntry> faults_;
    struct TPageFaultEntry { int page; TSimPageFault fault; int remaining; };
    QVector<TPageFaultEntry> pageFaults_;
    bool silent_ = false;
    int lateMs_ = 700;
    int extraBytes_ = 6;
    int lostBytes_ = 5;
    bool present_ = true;

    int framesAnswered_ = 0;
    uint8_t lastCommand_ = 0;
};

// Fills the memory of `meter` as the environment variable QM738_DEMO_MEMORY
// asks (a byte count, or "full"); nothing when it is not set.
void FillMemoryFromEnvironment(TSimMeter &meter);

// Writes the display part (bytes 38-57) of a live reply from a display image.
void EncodeLcdImage(const TLcdImage &lcd, uint8_t *reply);
