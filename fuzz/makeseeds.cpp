// qm738-fuzz-seeds FOLDER: writes the seed corpus of every fuzz entry into
// FOLDER/<entry>/seed-N, made by the program's own writers so the seeds stay
// valid inputs as the formats evolve. Seeds that no longer exist are removed.
#include "fuzz/fuzzentries.h"

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>

#include <cstdio>

int main(int argc, char **argv)
{
    PrepareFuzzEnvironment(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: qm738-fuzz-seeds FOLDER\n");
        return 2;
    }
    int failures = 0;
    for (const TFuzzTarget &t : FuzzTargets()) {
        QDir dir(args.at(1) + QLatin1Char('/') + QLatin1String(t.name));
        dir.mkpath(QStringLiteral("."));
        for (const QString &old : dir.entryList({QStringLiteral("seed-*")}, QDir::Files))
            dir.remove(old);
        const QVector<QByteArray> seeds = t.seeds();
        for (int i = 0; i < seeds.size(); ++i) {
            const QByteArray &seed = seeds.at(i);
            if (!t.entry(reinterpret_cast<const uint8_t *>(seed.constData()), size_t(seed.size()))) {
                std::fprintf(stderr, "%s: seed %d is not accepted by its parser\n", t.name, i + 1);
                ++failures;
            }
            QSaveFile file(dir.filePath(QStringLiteral("seed-%1").arg(i + 1)));
            if (!file.open(QIODevice::WriteOnly) || file.write(seed) != seed.size() || !file.commit()) {
                std::fprintf(stderr, "%s: cannot write seed %d\n", t.name, i + 1);
                ++failures;
            }
        }
        std::printf("%-10s %d seeds\n", t.name, int(seeds.size()));
    }
    return failures ? 1 : 0;
}
