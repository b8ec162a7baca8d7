#pragma once
// The File menu's Print and Printer Setup. A table window prints its grid as
// fixed-pitch text lines on the printer the main window keeps; a graph window
// goes through its graph's customisation dialog (without the font, graph,
// style and subsets pages) and then the graph's own print dialog; any other
// window prints nothing. Without any printer installed, the printer starts
// as a PDF file in the user's folder, so "print to file" is the choice.

#include <QString>

class QPrinter;
class QWidget;
class TfrmList;

// Prints every row of the table, the title row first. False, with a reason
// in *error, when the printer could not start or failed.
bool PrintTable(const TfrmList &list, QPrinter &printer, QString *error = nullptr);

// btnPrintClick on `child` (the active child window, may be null).
void PrintDocument(QWidget *child, QPrinter &printer, QWidget *parent = nullptr);

// PrinterSetup1Click: the page set-up dialog for `printer`.
void ShowPrinterSetup(QPrinter &printer, QWidget *parent = nullptr);

// Gives a printer PDF output in `folder` when the system has no printer.
void PreparePrinter(QPrinter &printer, const QString &folder);
