// The one place where the download meets the data-set side: the decode, the
// logger graph window, the graph of a data set and the temporary collection
// file.

#include "logger/download.h"

TDataSetSteps BindDataSetSteps()
{
    // Bound to the decoder, the logger graph window and the collection file
    // once the data-set code exists; until then a download decodes to "no
    // data" and nothing else is touched.
    TDataSetSteps steps;
    steps.DecodeMemoryImage = [](const QByteArray &) { return 6; };
    steps.PrepareLoggerGraphWindow = [] {};
    steps.GraphDataSet = [](int) {};
    steps.WriteTempCollection = [](const QByteArray &, int) { return true; };
    return steps;
}
