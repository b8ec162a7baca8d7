#pragma once
// Every parser of bytes that come from outside the program (the meter's
// replies, files the user opens, the translation tables), each behind one
// entry function that must survive any input at all. The libFuzzer programs
// call these entries, and the normal test suite feeds them every committed
// seed and every input that once made one of them fail.
//
// A new parser joins with one line in the table of fuzzentries.cpp (its name,
// its entry and the maker of its seeds); `qm738-fuzz-seeds fuzz/corpus` then
// writes its seed corpus and the next configure builds its fuzz program.

#include <QByteArray>
#include <QString>
#include <QVector>

#include <cstddef>
#include <cstdint>

struct TFuzzTarget {
    const char *name;                                  // fuzz_<name>, fuzz/corpus/<name>/
    bool (*entry)(const uint8_t *data, size_t size);   // true when the parser accepted the input
    QVector<QByteArray> (*seeds)();                    // valid inputs, made by the program's own writers
};

const QVector<TFuzzTarget> &FuzzTargets();
const TFuzzTarget *FindFuzzTarget(const QString &name);

// What the entries need before the first input: an application object (some
// parsers build widgets) on the offscreen platform, and no user files touched.
void PrepareFuzzEnvironment(int &argc, char **argv);
