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
    setFixedSize(311, 100);
    setFont(formfont());

    auto* text = new QLabel(QStringLiteral("No Directory Scan In Progress"), this);
    text->setObjectName(QStringLiteral("QVD1text"));
    text->setFont(formfont(19));
    blacktext(text);
    text->setAlignment(Qt::AlignCenter);
    text->setGeometry(0, 16, 311, 28);

    auto* button = new QPushButton(QStringLiteral("Continue"), this);
    button->setObjectName(QStringLiteral("QVD1button"));
    button->setGeometry((311 - 75) / 2, 58, 75, 25);
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
