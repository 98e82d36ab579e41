#include "DirectoryList.h"

#include "DisplayText.h"
#include "NodeImages.h"
#include "PathJoin.h"

#include <QCollator>
#include <QKeyEvent>
#include <QLocale>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

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
};

} // namespace

DirectoryList::DirectoryList(QWidget* parent)
    : QListWidget(parent)
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

std::string DirectoryList::normalised(const std::string& dir)
{
    std::string out;
    out.reserve(dir.size());
    for (char c : dir)
        if (c != '/' || out.empty() || out.back() != '/')
            out.push_back(c);
    if (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return out;
}

std::vector<std::string> DirectoryList::subdirectories(const std::string& dir)
{
    std::vector<std::string> names;
    DIR* listing = opendir(dir.c_str());
    if (!listing)
        return names;
    const int fd = dirfd(listing);
    while (const dirent* e = readdir(listing)) {
        const std::string_view name(e->d_name);
        if (name == "." || name == "..")
            continue;
        bool isdir = e->d_type == DT_DIR;
        if (e->d_type == DT_UNKNOWN) {
            struct stat st;
            isdir = fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
        }
        if (isdir)
            names.emplace_back(name);
    }
    closedir(listing);

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
    names.clear();
    for (Keyed& k : keyed)
        names.push_back(std::move(k.name));
    return names;
}

void DirectoryList::setdrive(const std::string& root)
{
    const std::string r = normalised(root.empty() ? std::string("/") : root);
    const auto last = m_lastdir.find(r);
    m_root = r;
    setdirectory(last != m_lastdir.end() ? last->second : r);
}

void DirectoryList::setdirectory(const std::string& dir)
{
    std::string d = normalised(dir);
    if (d.empty() || d.front() != '/')
        return;
    if (!pathatorunder(d, m_root))
        m_root = "/";
    m_dir = d;
    m_lastdir[m_root] = d;

    clear();
    const QIcon open(QPixmap::fromImage(nodeimage(1, devicePixelRatioF())));
    const QIcon closed(QPixmap::fromImage(nodeimage(0, devicePixelRatioF())));
    auto addrow = [this](const QIcon& icon, const QString& text, const std::string& path, int level) {
        auto* item = new QListWidgetItem(icon, text, this);
        item->setData(PathRole, QByteArray::fromStdString(path));
        item->setData(LevelRole, level);
        return item;
    };

    // The path rows: the root, then each component below it.
    addrow(open, displaytext(m_root), m_root, 0);
    int level = 0;
    std::size_t pos = m_root == "/" ? 0 : m_root.size();
    while (d != m_root && pos < d.size()) {
        const std::size_t end = std::min(d.find('/', pos + 1), d.size());
        addrow(open, displaytext(std::string_view(d).substr(pos + 1, end - pos - 1)), d.substr(0, end), ++level);
        pos = end;
    }
    QListWidgetItem* current = item(count() - 1);

    const std::string base = d == "/" ? std::string() : d;
    for (const std::string& name : subdirectories(d))
        addrow(closed, displaytext(name), base + "/" + name, level + 1);
    setCurrentItem(current);
    scrollToItem(current);
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
