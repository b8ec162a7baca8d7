#pragma once
// Every graph is set up by one operation: start from the user's graph
// template when there is one, then impose five channel subsets on date-time
// X values, the number of points, empty cells, the X range and one Y axis.
// The default look applies only without a template.

class PESGraph;
class QWidget;

// The subsets of every graph: 0 RH, 1 T1, 2 T2, 3 WET BULB, 4 DEW POINT.
enum TGraphSubset { SubsetRH = 0, SubsetT1 = 1, SubsetT2 = 2, SubsetWetBulb = 3, SubsetDewPoint = 4 };

// The engine settings every graph control starts with, before any set-up.
void InitGraphDefaults(PESGraph *graph);

// False when a template exists but cannot be read (a message was shown); the
// set-up then ends there.
bool SetUpGraph(PESGraph *graph, int subsets, float yMax, float yMin, double xMax, double xMin, int points);
