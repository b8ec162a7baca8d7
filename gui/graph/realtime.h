#pragma once
// Real-time recording: Run asks for the number of points and the sampling
// rate and clears the real-time graph; the poll cycle then appends one point
// per sampling period; Stop ends the recording, trims the graph to the points
// recorded and shows the averages.

#include <cstdint>

class QString;
class QWidget;
class TfrmGraph;
class TRealTimeJournal;
struct TRealTimeJournalContents;

// Y values with a meaning of their own.
constexpr float RealTimeOverRange = 9000.0f;    // "OL"
constexpr float RealTimeUnderRange = -9000.0f;  // "-OL"
constexpr float RealTimeNull = 9999.0f;         // not drawn

// Running extremes of RH, T1, T2 since the last Run.
struct TRealTimeExtremes {
    float maximum[3] = {-9999.0f, -9999.0f, -9999.0f};
    float minimum[3] = {9999.0f, 9999.0f, 9999.0f};
    void Reset() { *this = TRealTimeExtremes(); }
};
TRealTimeExtremes &RealTimeExtremes();

// The real-time graph window, or null.
TfrmGraph *RealTimeWindow();

// Run (btnRun, Run1). Does nothing unless a meter is connected.
void RealTimeRun();
// Stop (btnStop, Stop1). `fromAppend`: called by the append of a poll tick
// because the graph is full; that tick holds PollBusy, so no wait for it.
void RealTimeStop(bool fromAppend = false);

// Called by the poll cycle when RealTimeRecording is set, the real-time
// window exists and RealTimeRate seconds have passed. `status` is byte 6 of
// the live reply (error bits 0/4 RH, 1/5 T1, 2/6 T2); `time` the poll's
// local date-time (days since 30 Dec 1899); values in the display unit.
void AppendRealTimePoint(uint8_t status, double time, float rh, float t1, float t2, float wetBulb,
                         float dewPoint);
// values: RH, T1, T2, WET BULB, DEW POINT.
void AppendRealTimePoint(uint8_t status, double time, const float values[5]);

// The journal of the current (or recovered) recording.
TRealTimeJournal &RealTimeJournal();
// Deletes the journal: the recording was saved, cleared or discarded.
void DiscardRealTimeJournal();
// Puts a journaled recording into the real-time window as after Stop, marked
// unsaved, and takes over its journal. False when there is nothing to put.
bool RecoverRealTimeRecording(const QString &path, const TRealTimeJournalContents &contents);
// At start: asks about each journal that no running program owns; Yes
// recovers it, No deletes it. The number of recordings recovered.
int OfferRealTimeRecovery(QWidget *parent);
