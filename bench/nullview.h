#pragma once
// A link view that shows nothing: the benchmarks time the link, not windows.

#include "link/nullview.h"
