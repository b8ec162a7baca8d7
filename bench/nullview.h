#pragma once
// A link view that shows nothing: the benchmarks time the link, not windows.

#include "core/link/nullview.h"
