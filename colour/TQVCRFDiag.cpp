#include "TQVCRFDiag.h"

#include "Forms.h"
#include "Placement.h"

#include <QLabel>
#include <QPushButton>

namespace qv {

TQVCRFDiag::TQVCRFDiag(QWidget* parent)
    : NoEscapeDialog(parent,
        Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("TQVCRFDiag"));
    const auto [text, ok] = buildmessagebox(this, QSize(623, 111),
        QStringLiteral("The changed TO range must be between same and next FROM range"), "QVCRFDtext",
        QStringLiteral("OK"), "QVCRFDokBtn", QRect(264, 64, 75, 25));
    text->move(8, 24);
    fitfont(text, text->text(), width() - 16);
    text->adjustSize();
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    placeat(this, QPoint(197, 164));
}

void TQVCRFDiag::showmodal()
{
    exec();
}

} // namespace qv
