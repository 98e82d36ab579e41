#include "TQVdiag1.h"

#include "Forms.h"
#include "Placement.h"

#include <QLabel>
#include <QPushButton>

namespace qv {

TQVdiag1::TQVdiag1(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("QVdiag1"));
    setWindowTitle(QStringLiteral("Quorvane Dialog"));
    const auto [text, button] = buildmessagebox(this, QSize(311, 100), QStringLiteral("No Directory Scan In Progress"),
        "QVD1text", QStringLiteral("Continue"), "QVD1button", QRect((311 - 75) / 2, 58, 75, 25));
    text->setAlignment(Qt::AlignCenter);
    text->setGeometry(0, 16, 311, 28);
    connect(button, &QPushButton::clicked, this, &TQVdiag1::QVD1buttonClick);
}

void TQVdiag1::open()
{
    showmodal(this, [](QSize size) { return centredonscreen(screensize(), size); });
}

void TQVdiag1::QVD1buttonClick()
{
    done(1);
}

} // namespace qv
