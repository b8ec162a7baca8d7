// A libFuzzer program for one entry of fuzzentries.h; the build names the
// entry with QM738_FUZZ_TARGET.
#include "fuzz/fuzzentries.h"

#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

namespace {
const TFuzzTarget *Target = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    PrepareFuzzEnvironment(*argc, *argv);
    // Qt's warnings about malformed input (fonts, colours) would only slow the run.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    Target = FindFuzzTarget(QStringLiteral(QM738_FUZZ_TARGET));
    if (!Target) {
        std::fprintf(stderr, "no fuzz entry named %s\n", QM738_FUZZ_TARGET);
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Target->entry(data, size);
    return 0;
}
