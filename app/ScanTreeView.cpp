#include "ScanTreeView.h"

#include "DisplayText.h"
#include "Records.h"
#include "ScanTreeModel.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <deque>
#include <string>

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
    // Black text on white whatever the desktop's palette; the selection keeps the desktop's highlight.
    QPalette p = palette();
    for (const QPalette::ColorGroup group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled }) {
        p.setColor(group, QPalette::Base, Qt::white);
        p.setColor(group, QPalette::AlternateBase, QColor(245, 245, 245));
        p.setColor(group, QPalette::Text, Qt::black);
        p.setColor(group, QPalette::WindowText, Qt::black);
    }
    setPalette(p);

    m_menu = new QMenu(this);
    m_largestfirst = m_menu->addAction(QStringLiteral("Largest First"));
    m_largestfirst->setCheckable(true);
    m_copypath = m_menu->addAction(QStringLiteral("Copy Path"));
    m_showinfilemanager = m_menu->addAction(QStringLiteral("Show in File Manager"));
    m_rescan = m_menu->addAction(QStringLiteral("Rescan This Directory"));
    connect(m_largestfirst, &QAction::toggled, this, [this](bool on) {
        if (!m_model)
            return;
        m_model->setlargestfirst(on);
        if (currentIndex().isValid())
            scrollTo(currentIndex());
    });
    connect(m_copypath, &QAction::triggered, this, [this] { copypath(m_menunode); });
    connect(m_showinfilemanager, &QAction::triggered, this, [this] { emit showinfilemanager(m_menunode); });
    connect(m_rescan, &QAction::triggered, this, [this] { emit rescan(m_menunode); });
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
    if (m_model)
        disconnect(m_model, &ScanTreeModel::discschanged, this, nullptr);
    m_model = model;
    setModel(model);
    if (m_model) {
        m_largestfirst->setChecked(m_model->largestfirst());
        connect(m_model, &ScanTreeModel::discschanged, this, [this] { viewport()->update(); });
    }
}

void ScanTreeView::copypath(const QModelIndex& index) const
{
    const dirrec* r = m_model ? m_model->record(index) : nullptr;
    if (!r)
        return;
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(displaytext(recordpath(*r)));
}

void ScanTreeView::showroot()
{
    if (!m_model)
        return;
    fitcolumn();
    const QModelIndex root = m_model->index(0, 0);
    if (root.isValid())
        expand(root);
}

void ScanTreeView::fitcolumn()
{
    if (!m_model)
        return;
    // Name field and indentation together take labelwidth + 1 characters at every level; then the
    // figures, with room for counts and sizes wider than their fields.
    const int advance = QFontMetrics(font()).horizontalAdvance(QLatin1Char('0'));
    const int text = (m_model->labelwidth() + 1 + 45 + 12) * advance;
    header()->resizeSection(0, indentation() + iconSize().width() + 16 + text);
}

int ScanTreeView::expandbelow(const QModelIndex& index, int limit)
{
    if (!m_model || !index.isValid())
        return 0;
    // Each expand only notes the node while a relayout is pending; the one relayout comes at the end.
    scheduleDelayedItemsLayout();
    std::deque<QModelIndex> todo { index };
    int shown = 0;
    while (!todo.empty()) {
        const QModelIndex at = todo.front();
        todo.pop_front();
        const int rows = m_model->rowCount(at);
        if (shown + rows > limit && at != index)
            break; // the node itself opens whatever its size, as it would by one expand
        expand(at);
        shown += rows;
        for (int row = 0; row < rows; ++row) {
            const QModelIndex child = m_model->index(row, 0, at);
            if (m_model->hasChildren(child))
                todo.push_back(child);
        }
    }
    executeDelayedItemsLayout();
    return shown;
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

void ScanTreeView::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const QModelIndex current = currentIndex();
    const dirrec* r = m_model ? m_model->record(current) : nullptr;
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (event->key() == Qt::Key_Asterisk && current.isValid()) {
        expandbelow(current);
        scrollTo(current);
        event->accept();
        return;
    }
    if (enter && plain && r && r->kind == KindGroup) {
        // As a double-click on the node: it is the selected node, and the detail list is placed by its row.
        selectionModel()->select(current, QItemSelectionModel::ClearAndSelect);
        m_lastpress = visualRect(current).center();
        event->accept();
        emit dblclick();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void ScanTreeView::contextMenuEvent(QContextMenuEvent* event)
{
    // From the keyboard the menu is for the current node and opens at its row; from the mouse for the
    // node under the pointer (a press in the viewport reaches here in viewport coordinates).
    QModelIndex node;
    QPoint at = event->pos();
    if (event->reason() == QContextMenuEvent::Keyboard) {
        node = currentIndex();
        const QRect row = visualRect(node);
        at = node.isValid() && viewport()->rect().intersects(row) ? row.center() : viewport()->rect().center();
    } else {
        node = indexAt(event->pos());
    }
    m_menunode = node;
    m_copypath->setEnabled(m_model && m_model->record(node));
    m_largestfirst->setEnabled(m_model != nullptr);
    m_menu->popup(viewport()->mapToGlobal(at));
    event->accept();
}

} // namespace qv
