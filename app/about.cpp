#include "app/about.h"

#include "app/translation.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

QPointer<TfrmAbout> frmAbout;

TfrmAbout::TfrmAbout(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint
                   | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(383, 117);

    Label3 = new QLabel(QStringLiteral("Four Channel Thermometer Software"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    QFont title = Label3->font();
    title.setBold(true);
    title.setPixelSize(15);
    Label3->setFont(title);

    Label1 = new QLabel(QStringLiteral("Version:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    lblVersion = new QLabel(VersionString(), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));

    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &TfrmAbout::BitBtn1Click);

    auto *text = new QVBoxLayout;
    text->addWidget(Label3);
    auto *version = new QHBoxLayout;
    version->addWidget(Label1);
    version->addWidget(lblVersion);
    version->addStretch(1);
    text->addLayout(version);
    text->addStretch(1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    text->addLayout(buttons);
    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(78, 10, 12, 10); // the instrument emblem is painted on the left
    outer->addLayout(text);

    ApplyTranslation(this, QStringLiteral("frmAbout"));

    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QString TfrmAbout::VersionString()
{
    return QStringLiteral(QM738_VERSION);
}

void TfrmAbout::ShowAndPaint()
{
    show();
    raise();
    repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TfrmAbout::BitBtn1Click()
{
    accept();
}

void TfrmAbout::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    // A small emblem of the meter: a dark body with a lit display.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath body;
    body.addRoundedRect(QRectF(22, 12, 40, 92), 8, 8);
    p.fillPath(body, QColor(40, 44, 48));
    p.fillRect(QRectF(28, 20, 28, 30), QColor(196, 208, 180));
    p.setPen(QColor(30, 30, 30));
    QFont f = font();
    f.setPixelSize(9);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(28, 20, 28, 30), Qt::AlignCenter, QStringLiteral("88.8"));
    p.setBrush(QColor(90, 96, 104));
    p.setPen(Qt::NoPen);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 2; ++c)
            p.drawRoundedRect(QRectF(29 + c * 14, 58 + r * 14, 11, 9), 2, 2);
}
