#include "TQVForm3.h"

#include "Artwork.h"
#include "Placement.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#ifndef QV_VERSION
#define QV_VERSION "3.7.1"
#endif

namespace qv {

namespace {

// Book Antiqua where it is installed, else the nearest Palatino-like serif fontconfig offers.
QFont bookantiqua(int points)
{
    QFont font;
    font.setFamilies({ QStringLiteral("Book Antiqua"), QStringLiteral("Palatino Linotype"), QStringLiteral("P052"),
        QStringLiteral("TeX Gyre Pagella"), QStringLiteral("URW Palladio L"), QStringLiteral("Palatino"),
        QStringLiteral("serif") });
    font.setStyleHint(QFont::Serif);
    font.setPointSize(points);
    return font;
}

QLabel* title(const QString& text, int points, const char* name, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setFont(bookantiqua(points));
    label->setAlignment(Qt::AlignCenter);
    return label;
}

} // namespace

TQVForm3::TQVForm3(QWidget* parent)
    : NoEscapeDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , m_panel(new QFrame(this))
    , m_image(new QLabel(m_panel))
    , m_ok(new QPushButton(QStringLiteral("OK"), this))
{
    setObjectName(QStringLiteral("QVForm3"));
    setWindowTitle(QStringLiteral("About"));
    setWindowIcon(abouticon());
    setFixedSize(497, 284);

    m_panel->setObjectName(QStringLiteral("Panel1"));
    m_panel->setFrameStyle(QFrame::Panel | QFrame::Sunken); // the lowered bevel
    m_panel->setLineWidth(1);
    m_panel->setGeometry(8, 8, 481, 233);

    m_image->setObjectName(QStringLiteral("QVimage"));
    m_image->setGeometry(16, 24, 185, 185);
    m_image->setPixmap(quorvanelogo(185, devicePixelRatioF()));

    auto* texts = new QWidget(m_panel);
    texts->setGeometry(209, 16, 256, 201);
    auto* column = new QVBoxLayout(texts);
    column->setContentsMargins(0, 0, 0, 0);
    column->addStretch(2);
    column->addWidget(title(QStringLiteral("About"), 18, "QVF3about", texts));
    column->addStretch(1);
    column->addWidget(title(QStringLiteral("Quorvane"), 24, "QVF3name", texts));
    column->addStretch(1);
    column->addWidget(title(QStringLiteral("Version " QV_VERSION), 12, "QVF3version", texts));
    column->addStretch(2);

    m_ok->setObjectName(QStringLiteral("QVF3okbtn"));
    m_ok->setGeometry(200, 248, 89, 33);
    m_ok->setDefault(true);
    m_ok->setFocus();
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
}

void TQVForm3::open()
{
    showmodal(this, [](QSize size) { return centredonscreen(screensize(), size); });
}

} // namespace qv
