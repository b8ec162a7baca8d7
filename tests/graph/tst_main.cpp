// Runs every test class registered in this executable.
#include "testregistry.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTest>
#include <memory>
#include <utility>
#include <vector>

namespace {
std::vector<std::pair<QByteArray, TestRegistry::Factory>> &registry()
{
    static std::vector<std::pair<QByteArray, TestRegistry::Factory>> list;
    return list;
}
} // namespace

int TestRegistry::Add(const char *name, Factory factory)
{
    registry().emplace_back(name, std::move(factory));
    return int(registry().size());
}

// The journal writer that tst_rtjournal.cpp starts as a child process and
// kills, and the program at start racing another for an orphan journal.
int JournalWriterMain(const char *path);
int JournalClaimerMain(const char *folder, const char *answer);

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--journal-writer") == 0)
        return JournalWriterMain(argv[2]);
    if (argc == 4 && qstrcmp(argv[1], "--journal-claimer") == 0)
        return JournalClaimerMain(argv[2], argv[3]);
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QByteArray only;
    std::vector<char *> args(argv, argv + argc);
    if (argc > 1) {
        for (const auto &entry : registry())
            if (entry.first == argv[1]) {
                only = argv[1];
                args.erase(args.begin() + 1);
            }
    }
    int failures = 0;
    for (const auto &entry : registry()) {
        if (!only.isEmpty() && entry.first != only)
            continue;
        std::unique_ptr<QObject> test(entry.second());
        failures += QTest::qExec(test.get(), int(args.size()), args.data());
    }
    return failures == 0 ? 0 : 1;
}
