#include "ScanTreeView.h"

#include "ScanTreeModel.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMouseEvent>

namespace qv {

ScanTreeView::ScanTreeView(QWidget* parent)
    : QTreeView(parent)
{
    setFont(treefont());
    setIndentation(2 * QFontMetrics(font()).horizontalAdvance(QLatin1Char('0')));
    setUniformRowHeights(true);
    setHeaderHidden(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setTextElideMode(Qt::ElideNone);
    setIconSize(QSize(32, 16));
    setAnimated(false);
    setAllColumnsShowFocus(true);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::Fixed);
    QPalette p = palette();
    p.setColor(QPalette::Text, Qt::black);
    setPalette(p);
}

QFont ScanTreeView::treefont()
{
    // Full hinting rounds every advance to whole pixels, so that the indentation of two characters is
    // exactly the width of two characters of the labels.
    QFont courier(QStringLiteral("Courier"));
    courier.setPixelSize(13);
    courier.setStyleHint(QFont::TypeWriter);
    courier.setHintingPreference(QFont::PreferFullHinting);
    if (QFontInfo(courier).fixedPitch())
        return courier;
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPixelSize(13);
    fixed.setHintingPreference(QFont::PreferFullHinting);
    return fixed;
}

void ScanTreeView::setscanmodel(ScanTreeModel* model)
{
    m_model = model;
    setModel(model);
}

void ScanTreeView::showroot()
{
    if (!m_model)
        return;
    const QModelIndex root = m_model->index(0, 0);
    // Name field and indentation together take labelwidth + 1 characters at every level; then the
    // figures, with room for counts and sizes wider than their fields.
    const int advance = QFontMetrics(font()).horizontalAdvance(QLatin1Char('0'));
    const int text = (m_model->labelwidth() + 1 + 45 + 12) * advance;
    header()->resizeSection(0, indentation() + iconSize().width() + 16 + text);
    if (root.isValid())
        expand(root);
}

bool ScanTreeView::viewportEvent(QEvent* event)
{
    const bool dbl = event->type() == QEvent::MouseButtonDblClick;
    if (event->type() == QEvent::MouseButtonPress || dbl)
        m_lastpress = static_cast<QMouseEvent*>(event)->position().toPoint();
    const bool handled = QTreeView::viewportEvent(event);
    if (dbl)
        emit dblclick();
    return handled;
}

} // namespace qv
