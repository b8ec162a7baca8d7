#include "gui/base/opensave.h"

#include "gui/base/dialogs.h"
#include "gui/base/langapply.h"

#include <QPushButton>
#include <QVBoxLayout>

QString OpenRoleSetsCaption()
{
    return QStringLiteral("Ouvrir un fichier d\u2019ensemble de donn\u00e9es (*.738)");
}

QString OpenRoleSingleCaption()
{
    // CSV opens in every locale (";" or "," between fields).
    return QStringLiteral("Ouvrir un seul fichier de donn\u00e9es (*.TXT,*.CSV,*.GHF)");
}

TfrmOpenSave::TfrmOpenSave(Role role, QWidget *parent) : QDialog(parent), m_role(role)
{
    setObjectName(QStringLiteral("frmOpenSave"));
    setWindowTitle(QStringLiteral("Oepn"));
    setWindowFlags((windowFlags() | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint)
                   & ~Qt::WindowContextHelpButtonHint);
    setFixedSize(378, 177);
    setModal(true);

    auto button = [this](const char *name, const QString &caption, int answer) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setMinimumHeight(36);
        connect(b, &QPushButton::clicked, this, [this, answer] { done(answer); });
        return b;
    };
    btnOpenSets = button("btnOpenSets", QStringLiteral("Save all data sets to a data set collection file(*.738)"), Dialogs::Ok);
    btnOpenSingleSet = button("btnOpenSingleSet", QStringLiteral("Save single selected  data set to a  file"), Dialogs::No);
    Button1 = button("Button1", QStringLiteral("Cancel"), Dialogs::Cancel);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(8);
    layout->addWidget(btnOpenSets);
    layout->addWidget(btnOpenSingleSet);
    layout->addWidget(Button1);

    ApplyTranslation(this, QStringLiteral("frmOpenSave"));

    if (role == OpenRole) {
        btnOpenSets->setText(OpenRoleSetsCaption());
        btnOpenSingleSet->setText(OpenRoleSingleCaption());
        setWindowTitle(GetTextOrDefault(QStringLiteral("IDS_43")));
    } else {
        setWindowTitle(GetTextOrDefault(QStringLiteral("IDS_22")));
    }
    FitCaptions();
    // Keyed texts may be missing in a bare table: keep a readable title.
    if (windowTitle().trimmed().isEmpty())
        setWindowTitle(role == OpenRole ? QStringLiteral("Open File") : QStringLiteral("Save File"));
}

void TfrmOpenSave::FitCaptions()
{
    // The box keeps its fixed size: a caption too long for its button is set
    // in a smaller type rather than cut.
    const int room = width() - 28 - 20;
    for (QPushButton *b : {btnOpenSets, btnOpenSingleSet, Button1}) {
        QFont f = font();
        while (QFontMetrics(f).horizontalAdvance(b->text()) > room && f.pointSizeF() > 6.5)
            f.setPointSizeF(f.pointSizeF() - 0.5);
        b->setFont(f);
    }
}

void TfrmOpenSave::showEvent(QShowEvent *event)
{
    FitCaptions();
    QDialog::showEvent(event);
}

int TfrmOpenSave::Answer() const
{
    const int r = result();
    if (r == Dialogs::Ok || r == Dialogs::No)
        return r;
    return Dialogs::Cancel;
}
