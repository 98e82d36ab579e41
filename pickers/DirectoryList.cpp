#include "DirectoryList.h"

#include "DisplayText.h"
#include "NodeImages.h"
#include "PathJoin.h"
#include "PosixDirLister.h"

#include <QAbstractItemView>
#include <QCollator>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <algorithm>

namespace qv {
namespace {

constexpr int PathRole = Qt::UserRole;
constexpr int LevelRole = Qt::UserRole + 1;

// Indents each row by its level, so the path reads as a small tree.
class IndentDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    static constexpr int Step = 8;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem shifted(option);
        shifted.rect.adjust(index.data(LevelRole).toInt() * Step, 0, 0, 0);
        QStyledItemDelegate::paint(painter, shifted, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(index.data(LevelRole).toInt() * Step, 0);
    }
    // A row too narrow for its name shows the whole name as its tooltip.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
        const QModelIndex& index) override
    {
        if (event->type() != QEvent::ToolTip || !index.isValid())
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        if (sizeHint(option, index).width() > option.rect.width())
            QToolTip::showText(event->globalPos(), index.data(Qt::DisplayRole).toString(), view, option.rect);
        else
            QToolTip::hideText();
        return true;
    }
};

} // namespace

DirectoryList::DirectoryList(QWidget* parent, ListerFactory lister)
    : QListWidget(parent)
    , m_lister(lister ? std::move(lister) : ListerFactory([] { return std::make_unique<PosixDirLister>(); }))
{
    setItemDelegate(new IndentDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setIconSize(QSize(16, 16));
    connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        openrow(item);
        emit directorychanged(QByteArray::fromStdString(m_dir));
    });
}

DirectoryList::Contents DirectoryList::read(DirLister& lister, const std::string& dir)
{
    Contents contents;
    std::vector<std::string> names;
    if (const std::unique_ptr<DirListing> listing = lister.open(dir)) {
        DirEntry e;
        while (listing->next(e))
            (e.isdir ? names : contents.files).emplace_back(e.name);
    }

    const QCollator collator = englishcollator();
    struct Keyed
    {
        QCollatorSortKey key;
        std::string name;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(names.size());
    for (std::string& n : names)
        keyed.push_back({ collator.sortKey(displaytext(n)), std::move(n) });
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        const int c = a.key.compare(b.key);
        return c != 0 ? c < 0 : a.name < b.name;
    });
    contents.subdirectories.reserve(keyed.size());
    for (Keyed& k : keyed)
        contents.subdirectories.push_back(std::move(k.name));
    return contents;
}

void DirectoryList::setdrive(const std::string& root)
{
    const std::string r = normalisedpath(root.empty() ? std::string("/") : root);
    const auto last = m_lastdir.find(r);
    m_root = r;
    setdirectory(last != m_lastdir.end() ? last->second : r);
}

void DirectoryList::setdirectory(const std::string& dir)
{
    std::string d = normalisedpath(dir);
    if (d.empty() || d.front() != '/')
        return;
    if (!pathatorunder(d, m_root))
        m_root = "/";
    m_dir = d;
    m_lastdir[m_root] = d;

    clear();
    m_files.clear();
    const QIcon open(QPixmap::fromImage(nodeimage(1, devicePixelRatioF())));

    // The path rows: the root, then each component below it.
    addrow(open, displaytext(m_root), m_root, 0);
    int level = 0;
    std::size_t pos = m_root == "/" ? 0 : m_root.size();
    while (d != m_root && pos < d.size()) {
        const std::size_t end = std::min(d.find('/', pos + 1), d.size());
        addrow(open, displaytext(std::string_view(d).substr(pos + 1, end - pos - 1)), d.substr(0, end), ++level);
        pos = end;
    }
    m_pathrows = count();
    QListWidgetItem* current = item(count() - 1);
    setCurrentItem(current);
    scrollToItem(current);
    startread();
}

void DirectoryList::reread()
{
    if (m_dir.empty())
        return;
    // Only the subdirectory rows go: the path rows and the highlight stay.
    while (count() > m_pathrows)
        delete takeItem(count() - 1);
    m_files.clear();
    startread();
}

void DirectoryList::startread()
{
    viewport()->setCursor(Qt::BusyCursor);
    m_read.start<Contents>(
        [lister = m_lister, dir = m_dir] {
            const std::unique_ptr<DirLister> l = lister();
            return read(*l, dir);
        },
        [this](Contents& contents) { showcontents(contents); });
}

// Adds the subdirectory rows below the open directory's row, which keeps the highlight it had.
void DirectoryList::showcontents(Contents& contents)
{
    viewport()->unsetCursor();
    const QIcon closed(QPixmap::fromImage(nodeimage(0, devicePixelRatioF())));
    const int level = item(m_pathrows - 1)->data(LevelRole).toInt() + 1;
    for (const std::string& name : contents.subdirectories)
        addrow(closed, displaytext(name), joinpath(m_dir, name), level);
    m_files = std::move(contents.files);
    emit listed();
}

QListWidgetItem* DirectoryList::addrow(const QIcon& icon, const QString& text, const std::string& path, int level)
{
    auto* item = new QListWidgetItem(icon, text, this);
    item->setData(PathRole, QByteArray::fromStdString(path));
    item->setData(LevelRole, level);
    return item;
}

std::string DirectoryList::highlighted() const
{
    const QListWidgetItem* item = currentItem();
    return item ? item->data(PathRole).toByteArray().toStdString() : std::string();
}

void DirectoryList::openhighlighted()
{
    if (QListWidgetItem* item = currentItem())
        openrow(item);
}

std::vector<std::string> DirectoryList::rowpaths() const
{
    std::vector<std::string> paths;
    for (int row = 0; row < count(); ++row)
        paths.push_back(item(row)->data(PathRole).toByteArray().toStdString());
    return paths;
}

void DirectoryList::openrow(QListWidgetItem* item)
{
    if (item)
        setdirectory(item->data(PathRole).toByteArray().toStdString());
}

void DirectoryList::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (QListWidgetItem* item = currentItem()) {
            openrow(item);
            emit directorychanged(QByteArray::fromStdString(m_dir));
        }
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

} // namespace qv
