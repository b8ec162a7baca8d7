// The one place where the download meets the data-set side: the decode, the
// logger graph window, the graph of a data set and the temporary collection
// file.

#include "gui/logger/collection.h"
#include "core/logger/download.h"
#include "gui/logger/loggergraph.h"

TDataSetSteps BindDataSetSteps()
{
    TDataSetSteps steps;
    steps.DecodeMemoryImage = [](const QByteArray &image) { return DecodeMemoryImage(image); };
    steps.PrepareLoggerGraphWindow = [] { PrepareLoggerGraphWindow(); };
    steps.GraphDataSet = [](int d) { GraphDataSet(d); };
    steps.WriteTempCollection = [](const QByteArray &image, int count) { return WriteTempCollection(image, count); };
    return steps;
}
