// Another program writing into an archive: imports downloads n = 0 .. count-1
// of series `seed` (ArchiveTestData::SeriesImage), one transaction each,
// printing "imported n" after each. Exit code 0, or 1 with the message.
//
// With a fourth argument, files may grow to at most that many bytes (a full
// disk, as RLIMIT_FSIZE makes it).
//
// Usage: qm738-archive-peer ARCHIVE SEED COUNT [MAX_FILE_BYTES]

#include "archivetestdata.h"
#include "core/archive/archive.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4 && args.size() != 5) {
        std::fprintf(stderr, "usage: qm738-archive-peer ARCHIVE SEED COUNT [MAX_FILE_BYTES]\n");
        return 2;
    }
    if (args.size() == 5) {
        std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead
        const rlimit limit{rlim_t(args.at(4).toLongLong()), rlim_t(args.at(4).toLongLong())};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    TArchive archive;
    QString error;
    if (!archive.Open(args.at(1), &error)) {
        std::fprintf(stderr, "open: %s\n", qPrintable(error));
        return 1;
    }
    const int seed = args.at(2).toInt();
    const int count = args.at(3).toInt();
    for (int n = 0; n < count; ++n) {
        TArchiveImport report;
        if (!archive.Import(ArchiveTestData::SeriesImage(seed, n), {QStringLiteral("file"), QString(), QString()},
                            &report, &error)) {
            std::fprintf(stderr, "import %d: %s\n", n, qPrintable(error));
            return 1;
        }
        std::printf("imported %d\n", n);
        std::fflush(stdout);
    }
    return 0;
}
