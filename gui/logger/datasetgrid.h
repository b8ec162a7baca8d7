#pragma once
// Fills the data-set list (Grid2 of the data-logger graph window). Works on
// any QTableWidget, so it runs without a graph window.

class QTableWidget;
struct TLoggerStore;

// Sets the row count to N + 1, writes columns 0 to 9 of rows 1 to N and makes
// the first data set the current, selected row. The unit cell of a set with
// an unknown unit code keeps its previous text.
void FillDataSetList(QTableWidget *grid, const TLoggerStore &store);
