#pragma once
// The archive window (frmArchive, Data Logger > Archive): the data sets of
// every download, newest first, filtered by a date range, a unit and words of
// the notes; a set opened in the data-logger graph window as a set of a
// download would be; the note edited in place; the chosen sets or the date
// range exported as TXT or CSV exactly as the data-logger export writes them.

#include "core/archive/archive.h"

#include <QAbstractTableModel>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class TsiLang;

// The rows of the list: one archived set each. The note column is editable
// and writes to the archive.
class TArchiveModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColDate, ColTime, ColRate, ColRecords, ColUnit, ColCouple, ColMeter, ColNote, ColumnCount };

    explicit TArchiveModel(QObject *parent = nullptr) : QAbstractTableModel(parent) {}
    void SetArchive(TArchive *archive) { Archive = archive; }
    void SetTitles(const QStringList &titles) { Titles = titles; }
    void SetSets(QVector<TArchiveSet> sets);
    const QVector<TArchiveSet> &Sets() const { return Rows; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

private:
    TArchive *Archive = nullptr;
    QVector<TArchiveSet> Rows;
    QStringList Titles;
};

class TfrmArchive : public QWidget {
    Q_OBJECT
public:
    explicit TfrmArchive(TArchive *archive, QWidget *parent = nullptr);

    // Reads the list again with the filter of the controls.
    void Refresh();
    TArchiveFilter Filter() const;
    // The ids of the selected rows, in the list's order.
    QVector<qint64> SelectedIds() const;

    // Shows row `row` in the data-logger graph window. False when it was not shown.
    bool OpenSet(int row);
    // The chosen sets (or, with none chosen, every set in the date range) to
    // `path`, TXT or CSV by its extension. False when nothing was written.
    bool ExportTo(const QString &path);

    // Components, named as the translation table names them.
    QCheckBox *chkFrom = nullptr;
    QCheckBox *chkTo = nullptr;
    QDateTimeEdit *edtFrom = nullptr;
    QDateTimeEdit *edtTo = nullptr;
    QComboBox *cboUnit = nullptr;
    QLineEdit *edtWords = nullptr;
    QTableView *grdSets = nullptr;
    QPushButton *btnOpen = nullptr;
    QPushButton *btnExport = nullptr;
    QLabel *lblCount = nullptr;
    TArchiveModel *Model = nullptr;

private:
    QString Text(const char *key, const char *english) const;
    void btnOpenClick();
    void btnExportClick();

    TArchive *Archive;
    TsiLang *siLangLinked_frmArchive = nullptr;
};

// Data Logger > Archive: shows the archive window (one per frame), made on
// first use. Null when the archive cannot be used (said).
TfrmArchive *ShowArchiveWindow(QWidget *parent = nullptr);
