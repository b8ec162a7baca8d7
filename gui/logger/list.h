#pragma once
// The table window (form frmList): one sample per row in the grid Grid1,
// filled by the text import and graphed or exported from the main window.
//
// Grid1 keeps the grid's own numbering: row 0 is the title row (the grid's
// header), rows 1 .. RowCount() - 1 hold the samples; column 0 is the fixed
// column with the row number, columns 1 to 7 the date, the time and the five
// values. Cell() and SetCell() use these numbers.

#include <QWidget>

class QLabel;
class QMdiArea;
class QTableWidget;
class TsiLang;

class TfrmList : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kColumns = 8;
    static constexpr int kRowHeight = 18;
    static const QStringList &Titles(); // "No", "Date", ... "DEW POINT"

    explicit TfrmList(QWidget *parent = nullptr);

    QTableWidget *Grid1 = nullptr;
    QLabel *lblUnit = nullptr; // above the grid, shown when the unit is known
    TsiLang *siLangLinked_frmList = nullptr;

    // The unit of the temperatures ("°C", "°F", "K"), known when the table's
    // file was written from a data set or a graph; empty otherwise.
    QString Unit() const { return m_unit; }
    void SetUnit(const QString &unit);
    // Widens the columns to their widest text (the title and a sample of the
    // rows), so no date or value is cut.
    void FitColumnsToContents();

    // Rows of the grid, the title row included (never less than 2).
    int RowCount() const;
    void SetRowCount(int rows);
    QString Cell(int column, int row) const;
    void SetCell(int column, int row, const QString &text);
    // Columns 1 .. last of a row, as the export writes them.
    QStringList DataCells(int row) const;
    // Columns 0 .. last of a row, the title row included, as printed.
    QStringList RowCells(int row) const;

    // Puts the window into the frame of the registered host (or shows it alone).
    void Embed();

public slots:
    void FormShow();
    void FormActivate();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void WatchActivation(QMdiArea *area);
    QMdiArea *m_watchedArea = nullptr;
    QString m_unit;
};
