#include "TQVCRFDiag.h"

#include "Forms.h"
#include "Placement.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace qv {

void fitfont(QWidget* w, const QString& text, int width)
{
    QFont font = w->font();
    while (font.pixelSize() > 8 && QFontMetrics(font).horizontalAdvance(text) > width)
        font.setPixelSize(font.pixelSize() - 1);
    w->setFont(font);
}

TQVCRFDiag::TQVCRFDiag(QWidget* parent)
    : NoEscapeDialog(parent,
        Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("TQVCRFDiag"));
    setFixedSize(623, 111);
    setFont(formfont());

    auto* text = new QLabel(QStringLiteral("The changed TO range must be between same and next FROM range"), this);
    text->setObjectName(QStringLiteral("QVCRFDtext"));
    text->setFont(formfont(19));
    blacktext(text);
    text->move(8, 24);
    fitfont(text, text->text(), width() - 16);
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
