#pragma once
// Several Qt Test classes in one executable: each test file registers its
// class with QM738_REGISTER_TEST(ClassName); tst_main.cpp runs them all.
// Run one class only: tests_graph ClassName [Qt Test options and functions].

#include <QObject>
#include <functional>

namespace TestRegistry {
using Factory = std::function<QObject *()>;
int Add(const char *name, Factory factory);
} // namespace TestRegistry

#define QM738_REGISTER_TEST(Class)                                                                 \
    static const int qm738Registered##Class = TestRegistry::Add(#Class, [] { return new Class; });
