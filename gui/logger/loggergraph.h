#pragma once
// The data-logger graph window ("DataLogger"): the decode into the
// process-wide store, the window itself and the graph of one data set.
// Everything goes through ILoggerHost; without a host (or a window) the
// operations do nothing beyond what their result says.

#include <QByteArray>

#include <functional>

class TfrmGraph;
struct TLoggerStore;

// DecodeDataSets with the current time into a fresh store; on success it
// replaces LoggerHost()->Store() and fills the logger window's Grid2 (when
// the window exists). On failure the store and the list stay as they were.
// Returns the decoder's code (0, 2 or 6).
// With `keep`, the new sets replace the shown ones only when keep() (which
// writes the temporary collection) returns true; otherwise the result is
// DownloadResult::NotKept and nothing changes.
int DecodeMemoryImage(const QByteArray &image, const std::function<bool()> &keep = {});

// Restores the "DataLogger" window when it exists, else creates it with its
// data-set panel, places it top left over the frame and sets up an empty graph.
TfrmGraph *PrepareLoggerGraphWindow();

// Graphs data set d of the host's store in the logger window (nothing without one).
void GraphDataSet(int d);
// The same for any graph window and store; d outside the store does nothing.
void GraphDataSetIn(TfrmGraph *window, const TLoggerStore &store, int d);
