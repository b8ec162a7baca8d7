#pragma once
// Several Qt Test classes in one executable: each test file registers a
// factory, main() runs them all and fails when any of them fails.

#include <QObject>
#include <QTest>
#include <functional>
#include <memory>
#include <vector>

inline std::vector<std::function<QObject *()>> &TestFactories()
{
    static std::vector<std::function<QObject *()>> factories;
    return factories;
}

template <class T>
struct TRegisterTest {
    TRegisterTest() { TestFactories().push_back([] { return new T; }); }
};

inline int RunRegisteredTests(int argc, char *argv[])
{
    int failures = 0;
    for (auto &factory : TestFactories()) {
        std::unique_ptr<QObject> test(factory());
        failures += QTest::qExec(test.get(), argc, argv) != 0 ? 1 : 0;
    }
    return failures;
}
