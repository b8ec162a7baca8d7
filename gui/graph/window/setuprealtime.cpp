#include "gui/graph/window/setuprealtime.h"

#include "gui/base/langapply.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QVBoxLayout>

QString PeriodText(qint64 seconds, bool padded)
{
    const qint64 h = seconds / 3600;
    const qint64 m = (seconds % 3600) / 60;
    const qint64 s = seconds % 60;
    if (padded)
        return QStringLiteral("%1:%2:%3").arg(h).arg(m, 2, 10, QLatin1Char('0')).arg(s, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2:%3").arg(h).arg(m).arg(s);
}

TfrmSetupRealTime::TfrmSetupRealTime(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSetupRealTime"));
    setWindowTitle(QStringLiteral("Real-Time Setup"));
    setModal(true);

    auto label = [this](const char *name, const QString &text) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    Label1 = label("Label1", QStringLiteral("Real-Time data no to be recorded"));
    Label2 = label("Label2", QStringLiteral("(Adjust the number to meet your need)"));
    Label3 = label("Label3", QStringLiteral("Real -Time Sampling Rate"));
    Label4 = label("Label4", QStringLiteral("Recording Period"));
    QLabel *Label5 = label("Label5", QStringLiteral("mm:ss"));
    QLabel *Label6 = label("Label6", QStringLiteral("HH:MM:SS"));
    QLabel *colon = label("Label7", QStringLiteral(":"));

    edtRealTimeNo = new QLineEdit(this);
    edtRealTimeNo->setObjectName(QStringLiteral("edtRealTimeNo"));
    // Five digit positions, blanks allowed, as a masked edit keeps them.
    edtRealTimeNo->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[ 0-9]{0,5}")), edtRealTimeNo));
    edtRealTimeNo->setMaxLength(5);
    edtRealTimeNo->setText(QStringLiteral(" 2000"));
    edtRealTimeNo->setFixedWidth(70);

    QStringList items;
    for (int i = 0; i <= 60; ++i)
        items << QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->addItems(items);
    ComboBox2 = new QComboBox(this);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->addItems(items);
    ComboBox1->setMaxVisibleItems(15);
    ComboBox2->setMaxVisibleItems(15);

    edtPeriod = new QLineEdit(this);
    edtPeriod->setObjectName(QStringLiteral("edtPeriod"));
    edtPeriod->setReadOnly(true);
    edtPeriod->setFixedWidth(110);

    btnOpenSingleSet = new QPushButton(QStringLiteral("Start"), this);
    btnOpenSingleSet->setObjectName(QStringLiteral("btnOpenSingleSet"));
    btnOpenSingleSet->setDefault(true);
    Button1 = new QPushButton(QStringLiteral("Cancel"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    connect(btnOpenSingleSet, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);

    auto *rate = new QHBoxLayout;
    rate->addWidget(ComboBox1);
    rate->addWidget(colon);
    rate->addWidget(ComboBox2);
    rate->addWidget(Label5);
    rate->addStretch(1);
    auto *period = new QHBoxLayout;
    period->addWidget(edtPeriod);
    period->addWidget(Label6);
    period->addStretch(1);

    auto *grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(edtRealTimeNo, 0, 1);
    grid->addWidget(Label2, 1, 0, 1, 2);
    grid->addWidget(Label3, 2, 0);
    grid->addLayout(rate, 2, 1);
    grid->addWidget(Label4, 3, 0);
    grid->addLayout(period, 3, 1);
    grid->setColumnStretch(1, 1);
    grid->setVerticalSpacing(10);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOpenSingleSet);
    buttons->addWidget(Button1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(buttons);

    connect(edtRealTimeNo, &QLineEdit::textEdited, this, &TfrmSetupRealTime::ComboBox1Change);
    connect(ComboBox1, qOverload<int>(&QComboBox::currentIndexChanged), this, &TfrmSetupRealTime::ComboBox1Change);
    connect(ComboBox2, qOverload<int>(&QComboBox::currentIndexChanged), this, &TfrmSetupRealTime::ComboBox1Change);

    ApplyTranslation(this, QStringLiteral("frmSetupRealTime"));
}

void TfrmSetupRealTime::SetRate(int minutes, int seconds)
{
    const QSignalBlocker b1(ComboBox1);
    const QSignalBlocker b2(ComboBox2);
    ComboBox1->setCurrentIndex(minutes);
    ComboBox2->setCurrentIndex(seconds);
}

void TfrmSetupRealTime::ComboBox1Change()
{
    if (ComboBox1->currentIndex() == 0 && ComboBox2->currentIndex() == 0)
        SetRate(0, 2);
    bool ok = false;
    qint64 points = edtRealTimeNo->text().trimmed().toLongLong(&ok);
    if (!ok)
        points = 0;
    const int rate = std::max(0, ComboBox1->currentIndex()) * 60 + std::max(0, ComboBox2->currentIndex());
    edtPeriod->setText(PeriodText(points * rate, true));
}
