#pragma once
// Several Qt Test classes in one executable: each test file registers its
// class, and the folder's main runs them all in a sandbox home folder so no
// test touches the user's settings or documents.

#include <QObject>
#include <functional>
#include <utility>
#include <vector>

namespace TestRegistry {

using Factory = std::function<QObject *()>;

inline std::vector<std::pair<const char *, Factory>> &All()
{
    static std::vector<std::pair<const char *, Factory>> tests;
    return tests;
}

struct Add {
    Add(const char *name, Factory factory) { All().emplace_back(name, std::move(factory)); }
};

// Runs every registered class (or those named with -class Name) and returns
// the number of failed classes.
int RunAll(int argc, char **argv);

} // namespace TestRegistry

#define QM738_REGISTER_TEST(Class) \
    static TestRegistry::Add qm738_registered_##Class(#Class, [] { return new Class; });
