// The one place where the download meets the data-set side: the decode, the
// logger graph window, the graph of a data set and the temporary collection
// file.

#include "gui/logger/archiving.h"
#include "gui/logger/collection.h"
#include "core/logger/datasetdecoder.h"
#include "core/logger/download.h"
#include "gui/logger/loggergraph.h"

TDataSetSteps BindDataSetSteps()
{
    TDataSetSteps steps;
    // The temporary collection is written before the new sets replace the
    // shown ones: a download that cannot be kept on disk changes nothing, and
    // a later save copies exactly what the list shows.
    // A download shown is a download archived (in one transaction; the status
    // bar says how many sets were new).
    steps.DecodeMemoryImage = [](const QByteArray &image) {
        const int result = DecodeMemoryImage(image, [&image] { return WriteTempCollection(image, int(image.size())); });
        if (result == DecodeOk)
            ArchiveDownload(image);
        return result;
    };
    steps.PrepareLoggerGraphWindow = [] { PrepareLoggerGraphWindow(); };
    steps.GraphDataSet = [](int d) { GraphDataSet(d); };
    return steps;
}
