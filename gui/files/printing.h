#pragma once
// The File menu's Print and Printer Setup. A table window prints its grid as
// fixed-pitch text lines on the printer the main window keeps; a graph window
// goes through its print page (background, title, statistics) and then the
// print dialog on the same printer; any other window prints nothing. Without any printer installed, the printer starts
// as a PDF file in the user's folder, so "print to file" is the choice.

#include <QString>

class QPrinter;
class QWidget;
class TfrmGraph;
class TfrmList;

// Prints every row of the table, the title row first. False, with a reason
// in *error, when the printer could not start or failed.
bool PrintTable(const TfrmList &list, QPrinter &printer, QString *error = nullptr);

// Choices of a graph printout.
struct TGraphPrintOptions {
    bool whiteBackground = true; // white paper instead of the screen's colours, to save ink
    bool title = true;           // window caption, data-set start and unit above the plot
    bool statistics = true;      // MAX, MIN with their times, and MOY below the plot
};

// What a graph printout is called: the data set shown ("Data Set N" in the
// active language) in the data-logger window, else the window's caption.
QString GraphPrintName(const TfrmGraph &window);
// The title line of a graph printout: caption, data-set start and unit.
QString GraphPrintTitle(const QString &caption, const QString &start, const QString &unit);
// The graph's print page: background, title and statistics. False when cancelled.
bool AskGraphPrintOptions(QWidget *parent, TGraphPrintOptions &options);
// Prints the graph window on one page with the chosen title and statistics.
bool PrintGraph(TfrmGraph &window, QPrinter &printer, const TGraphPrintOptions &options, QString *error = nullptr);

// btnPrintClick on `child` (the active child window, may be null).
void PrintDocument(QWidget *child, QPrinter &printer, QWidget *parent = nullptr);

// PrinterSetup1Click: the page set-up dialog for `printer`.
void ShowPrinterSetup(QPrinter &printer, QWidget *parent = nullptr);

// Gives a printer PDF output in `folder` when the system has no printer.
void PreparePrinter(QPrinter &printer, const QString &folder);
