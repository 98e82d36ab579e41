#include "TQVCRFDiag.h"

#include "Placement.h"

#include <QLabel>
#include <QPushButton>

namespace qv {

TQVCRFDiag::TQVCRFDiag(QWidget* parent)
    : QDialog(parent,
        Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("TQVCRFDiag"));
    setFixedSize(623, 111);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);

    auto* text = new QLabel(QStringLiteral("The changed TO range must be between same and next FROM range"), this);
    text->setObjectName(QStringLiteral("QVCRFDtext"));
    QFont large = font;
    large.setPixelSize(19);
    text->setFont(large);
    QPalette black = text->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    text->setPalette(black);
    text->move(8, 24);
    text->adjustSize();

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("QVCRFDokBtn"));
    ok->setGeometry(264, 64, 75, 25);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    placeat(this, QPoint(197, 164));
}

void TQVCRFDiag::showmodal()
{
    exec();
}

} // namespace qv
