#pragma once
// Registration of a test class with the shared runner (testregistry.h,
// testmain.cpp), which runs every class of the executable in a sandbox home.

#include "testregistry.h"

template <class T>
struct TRegisterTest {
    TRegisterTest() { TestRegistry::Add(T::staticMetaObject.className(), [] { return new T; }); }
};
