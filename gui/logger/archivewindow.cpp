#include "gui/logger/archivewindow.h"

#include "core/base/appstate.h"
#include "core/base/datetime.h"
#include "core/base/paths.h"
#include "core/base/translation.h"
#include "core/files/textformat.h"
#include "core/logger/datasetlist.h"
#include "gui/base/dialogs.h"
#include "gui/base/langapply.h"
#include "gui/logger/archiving.h"
#include "gui/logger/collection.h"
#include "gui/logger/loggergraph.h"
#include "gui/logger/loggerhost.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QSaveFile>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

// ---- the model -------------------------------------------------------------------

void TArchiveModel::SetSets(QVector<TArchiveSet> sets)
{
    beginResetModel();
    Rows = std::move(sets);
    endResetModel();
}

int TArchiveModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(Rows.size()); }
int TArchiveModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant TArchiveModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= Rows.size())
        return {};
    const TArchiveSet &s = Rows.at(index.row());
    if (role == Qt::TextAlignmentRole)
        return index.column() == ColNote || index.column() == ColMeter ? int(Qt::AlignLeft | Qt::AlignVCenter)
                                                                       : int(Qt::AlignCenter);
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    switch (index.column()) {
    case ColDate: return LocaleUtil::ShortDate(s.set.startTime);
    case ColTime: return DateTimeUtil::FromDays(s.set.startTime).toString(QStringLiteral("hh:mm:ss"));
    case ColRate: return DataSetRateText(s.set.intervalSeconds);
    case ColRecords: return s.set.recordCount;
    case ColUnit: return DataSetRowTexts(s.set, 0).at(5);
    case ColCouple: return DataSetRowTexts(s.set, 0).at(6);
    case ColMeter: return s.meter.isEmpty() ? s.link : s.meter;
    case ColNote: return s.note;
    default: return {};
    }
}

QVariant TArchiveModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    return Titles.value(section);
}

Qt::ItemFlags TArchiveModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.column() == ColNote)
        f |= Qt::ItemIsEditable;
    return f;
}

bool TArchiveModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || index.column() != ColNote || !Archive || index.row() >= Rows.size())
        return false;
    TArchiveSet &s = Rows[index.row()];
    const QString note = value.toString();
    QString error;
    if (!Archive->SetNote(s.id, note, &error)) {
        Dialogs::Message(nullptr, Dialogs::Kind::Error, error);
        return false;
    }
    s.note = note;
    emit dataChanged(index, index);
    return true;
}

// ---- the window ----------------------------------------------------------------

TfrmArchive::TfrmArchive(TArchive *archive, QWidget *parent) : QWidget(parent), Archive(archive)
{
    setObjectName(QStringLiteral("frmArchive"));
    setWindowTitle(QStringLiteral("Archive"));

    chkFrom = new QCheckBox(QStringLiteral("&From"), this);
    chkFrom->setObjectName(QStringLiteral("chkFrom"));
    chkTo = new QCheckBox(QStringLiteral("&To"), this);
    chkTo->setObjectName(QStringLiteral("chkTo"));
    const QDateTime now = QDateTime::currentDateTime();
    edtFrom = new QDateTimeEdit(QDateTime(now.date().addMonths(-1), QTime(0, 0)), this);
    edtFrom->setObjectName(QStringLiteral("edtFrom"));
    edtTo = new QDateTimeEdit(QDateTime(now.date(), QTime(23, 59)), this);
    edtTo->setObjectName(QStringLiteral("edtTo"));
    for (QDateTimeEdit *edit : {edtFrom, edtTo}) {
        edit->setCalendarPopup(true);
        edit->setEnabled(false);
    }
    cboUnit = new QComboBox(this);
    cboUnit->setObjectName(QStringLiteral("cboUnit"));
    edtWords = new QLineEdit(this);
    edtWords->setObjectName(QStringLiteral("edtWords"));
    edtWords->setClearButtonEnabled(true);
    auto *lblWords = new QLabel(QStringLiteral("&Note:"), this);
    lblWords->setObjectName(QStringLiteral("lblWords"));
    lblWords->setBuddy(edtWords);
    btnOpen = new QPushButton(QStringLiteral("&Open in graph"), this);
    btnOpen->setObjectName(QStringLiteral("btnOpen"));
    btnExport = new QPushButton(QStringLiteral("&Export..."), this);
    btnExport->setObjectName(QStringLiteral("btnExport"));
    lblCount = new QLabel(this);
    lblCount->setObjectName(QStringLiteral("lblCount"));

    Model = new TArchiveModel(this);
    Model->SetArchive(Archive);
    grdSets = new QTableView(this);
    grdSets->setObjectName(QStringLiteral("grdSets"));
    grdSets->setModel(Model);
    grdSets->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdSets->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grdSets->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked
                             | QAbstractItemView::AnyKeyPressed);
    grdSets->verticalHeader()->hide();
    grdSets->verticalHeader()->setDefaultSectionSize(20);
    grdSets->horizontalHeader()->setStretchLastSection(true);
    const int widths[TArchiveModel::ColumnCount] = {84, 70, 66, 64, 46, 54, 170, 200};
    for (int c = 0; c < TArchiveModel::ColumnCount; ++c)
        grdSets->setColumnWidth(c, widths[c]);

    auto *filters = new QHBoxLayout;
    filters->addWidget(chkFrom);
    filters->addWidget(edtFrom);
    filters->addWidget(chkTo);
    filters->addWidget(edtTo);
    filters->addWidget(cboUnit);
    filters->addWidget(lblWords);
    filters->addWidget(edtWords, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(lblCount, 1);
    buttons->addWidget(btnOpen);
    buttons->addWidget(btnExport);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(filters);
    layout->addWidget(grdSets, 1);
    layout->addLayout(buttons);

    siLangLinked_frmArchive = ApplyTranslation(this, QStringLiteral("frmArchive"));
    Model->SetTitles({Text("ColDate", "DATE"), Text("ColTime", "TIME"), Text("ColRate", "Rate"),
                      Text("ColRecords", "Nums"), Text("ColUnit", "Unit"), Text("ColCouple", "Couple"),
                      Text("ColMeter", "Meter"), Text("ColNote", "Note")});
    cboUnit->addItems({Text("AllUnits", "All units"), QStringLiteral("F"), QStringLiteral("C"), QStringLiteral("K")});

    connect(chkFrom, &QCheckBox::toggled, edtFrom, &QWidget::setEnabled);
    connect(chkTo, &QCheckBox::toggled, edtTo, &QWidget::setEnabled);
    for (QCheckBox *box : {chkFrom, chkTo})
        connect(box, &QCheckBox::toggled, this, &TfrmArchive::Refresh);
    for (QDateTimeEdit *edit : {edtFrom, edtTo})
        connect(edit, &QDateTimeEdit::dateTimeChanged, this, &TfrmArchive::Refresh);
    connect(cboUnit, &QComboBox::currentIndexChanged, this, &TfrmArchive::Refresh);
    connect(edtWords, &QLineEdit::textChanged, this, &TfrmArchive::Refresh);
    connect(btnOpen, &QPushButton::clicked, this, &TfrmArchive::btnOpenClick);
    connect(btnExport, &QPushButton::clicked, this, &TfrmArchive::btnExportClick);
    connect(grdSets, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.column() != TArchiveModel::ColNote)
            OpenSet(index.row());
    });
    Refresh();
    resize(800, 420);
}

QString TfrmArchive::Text(const char *key, const char *english) const
{
    const QString text = siLangLinked_frmArchive ? siLangLinked_frmArchive->GetTextOrDefault(QLatin1String(key))
                                                 : QString();
    return text.isEmpty() ? QString::fromUtf8(english) : text;
}

TArchiveFilter TfrmArchive::Filter() const
{
    TArchiveFilter filter;
    if (chkFrom->isChecked())
        filter.from = DateTimeUtil::ToDays(edtFrom->dateTime());
    if (chkTo->isChecked())
        filter.to = DateTimeUtil::ToDays(edtTo->dateTime().addSecs(59)); // the whole minute shown
    filter.unitCode = cboUnit->currentIndex() - 1;
    filter.words = edtWords->text();
    return filter;
}

void TfrmArchive::Refresh()
{
    if (!Archive || !Model)
        return;
    QVector<TArchiveSet> sets;
    QString error;
    if (!Archive->List(Filter(), &sets, &error))
        lblCount->setText(error);
    const int count = int(sets.size());
    Model->SetSets(std::move(sets));
    if (error.isEmpty())
        lblCount->setText(Text("SetCount", "%1 data sets").arg(count));
}

QVector<qint64> TfrmArchive::SelectedIds() const
{
    QModelIndexList rows = grdSets->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    QVector<qint64> ids;
    for (const QModelIndex &index : std::as_const(rows))
        ids.append(Model->Sets().at(index.row()).id);
    return ids;
}

bool TfrmArchive::OpenSet(int row)
{
    if (row < 0 || row >= Model->Sets().size())
        return false;
    ILoggerHost *host = LoggerHost();
    if (host && !AskToSaveUnsavedDownload(host->State(), this))
        return false;
    QByteArray image;
    QString error;
    if (!Archive->ImageOf({Model->Sets().at(row).id}, &image, &error)) {
        Dialogs::Message(this, Dialogs::Kind::Error, error);
        return false;
    }
    PrepareLoggerGraphWindow();
    // As a collection opened from a file: the temporary collection, the list
    // and the graph of its set.
    if (DecodeMemoryImage(image, [&image] { return WriteTempCollection(image, int(image.size())); }) != 0)
        return false;
    SetCurrentCollectionPath(QString());
    GraphDataSet(0);
    if (host)
        SetLoggerDataUnsaved(host->State(), false);
    return true;
}

bool TfrmArchive::ExportTo(const QString &path)
{
    const QChar separator = TextFormat::GraphSeparatorFor(path);
    if (separator.isNull())
        return false;
    // The chosen sets whole, or the sets listed within the date range.
    QVector<qint64> ids = SelectedIds();
    const TArchiveFilter filter = Filter();
    double from = qQNaN(), to = qQNaN();
    if (ids.isEmpty()) {
        for (const TArchiveSet &s : Model->Sets())
            ids.append(s.id);
        from = filter.from;
        to = filter.to;
        if (ids.isEmpty())
            return false;
    }
    QSaveFile file(path);
    QString error;
    if (file.open(QIODevice::WriteOnly) && Archive->Export(ids, from, to, separator, file, nullptr, &error)) {
        if (file.commit())
            return true;
    }
    if (error.isEmpty())
        error = file.errorString();
    file.cancelWriting();
    Dialogs::Message(this, Dialogs::Kind::Error,
                     AddedText("The data sets were not exported to \"%1\".\n%2")
                         .arg(QDir::toNativeSeparators(path), error));
    return false;
}

void TfrmArchive::btnOpenClick()
{
    const QModelIndex current = grdSets->currentIndex();
    const QVector<qint64> ids = SelectedIds();
    int row = current.isValid() ? current.row() : -1;
    if (!ids.isEmpty() && (row < 0 || !grdSets->selectionModel()->isRowSelected(row, QModelIndex())))
        row = grdSets->selectionModel()->selectedRows().first().row();
    OpenSet(row);
}

void TfrmArchive::btnExportClick()
{
    Dialogs::FileRequest request;
    request.parent = this;
    request.save = true;
    request.title = GetTextOrDefault(QStringLiteral("IDS_22"));
    if (ILoggerHost *host = LoggerHost())
        request.folder = DialogFolder(host->State().UserFolder);
    request.filter = Text("ExportFilter", "TXT file (*.txt);;CSV file (*.csv)");
    if (LocaleUtil::DecimalIsComma())
        request.filter = request.filter.section(QStringLiteral(";;"), 0, 0) + QStringLiteral(";;")
            + request.filter.section(QStringLiteral(";;"), 1, 1);
    request.defaultSuffix = QStringLiteral("txt");
    const QString path = Dialogs::FileName(request);
    if (!path.isEmpty())
        ExportTo(path);
}

TfrmArchive *ShowArchiveWindow(QWidget *parent)
{
    static QPointer<TfrmArchive> window;
    TArchive *archive = ProgramArchive(parent);
    if (!archive)
        return nullptr;
    if (window) {
        window->Refresh();
    } else {
        window = new TfrmArchive(archive);
        if (ILoggerHost *host = LoggerHost())
            host->AddChildWindow(window);
    }
    window->show();
    if (auto *sub = qobject_cast<QMdiSubWindow *>(window->parentWidget())) {
        sub->showNormal();
        sub->raise();
        if (QMdiArea *area = sub->mdiArea())
            area->setActiveSubWindow(sub);
    }
    window->activateWindow();
    return window;
}
