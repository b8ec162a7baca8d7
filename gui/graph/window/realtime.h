#pragma once
// Real-time recording, the window's side. The recording itself is a core
// model (core/record/rtrecording); the commands here keep their names and
// meaning and are thin: Run asks for the number of points and the sampling
// rate and starts the model; the poll cycle appends one point per sampling
// period; Stop ends the recording. The real-time graph window observes the
// model and draws it (points, extremes, averages, the axes, the strip).

#include "core/record/rtrecording.h"
#include "gui/graph/window/graphhost.h"

#include <cstdint>

class QString;
class QWidget;
class TfrmGraph;
class TRealTimeJournal;
struct TRealTimeJournalContents;

// RealTimeModel() (graphhost.h) is the recording of this program.

// The real-time graph window, or null.
TfrmGraph *RealTimeWindow();

// Creates the real-time graph window in the main window's frame (or alone
// without one), stores it in RealTimeGraphWindow, checks the View menu item
// and lets it observe the recording.
TfrmGraph *CreateRealTimeGraphWindow();

// Run (btnRun, Run1). Does nothing unless a meter is connected.
void RealTimeRun();
// Stop (btnStop, Stop1). `fromAppend`: called by the append of a poll tick
// because the graph is full; that tick holds PollBusy, so no wait for it.
void RealTimeStop(bool fromAppend = false);

// Called by the poll cycle when RealTimeRecording is set, the real-time
// window exists and RealTimeRate seconds have passed. `status` is byte 6 of
// the live reply (error bits 0/4 RH, 1/5 T1, 2/6 T2); `time` the poll's
// local date-time (days since 30 Dec 1899); values in the unit the meter
// shows, `unit` (0 degF, 1 degC, 2 K; -1: the recording's own). A reading in
// another unit than the recording's is converted into it first.
void AppendRealTimePoint(uint8_t status, double time, float rh, float t1, float t2, float wetBulb,
                         float dewPoint);
// values: RH, T1, T2, WET BULB, DEW POINT.
void AppendRealTimePoint(uint8_t status, double time, const float values[5], int unit = -1);

// The journal of the current (or recovered) recording.
TRealTimeJournal &RealTimeJournal();
// Deletes the journal: the recording was saved, cleared or discarded.
void DiscardRealTimeJournal();
// Puts a journaled recording into the real-time window as after Stop, marked
// unsaved, and takes over its journal. False when there is nothing to put.
bool RecoverRealTimeRecording(const QString &path, const TRealTimeJournalContents &contents);
// At start: asks about each journal that no running program owns; Yes
// recovers it, No deletes it, a dismissed question (Escape, the close
// button) keeps it for the next start. The number of recordings recovered.
int OfferRealTimeRecovery(QWidget *parent);
