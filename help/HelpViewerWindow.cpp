#include "HelpViewerWindow.h"

#include "Placement.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

namespace qv {

HelpViewerWindow::HelpViewerWindow(QWidget* owner)
    : QWidget(owner, Qt::Window)
    , m_owner(owner)
    , m_text(new QTextBrowser(this))
    , m_contents(new QPushButton(QStringLiteral("&Contents"), this))
    , m_back(new QPushButton(QStringLiteral("&Back"), this))
{
    setWindowTitle(QStringLiteral("Quorvane Help"));
    m_text->setObjectName(QStringLiteral("HelpText"));
    m_contents->setObjectName(QStringLiteral("HelpContents"));
    m_back->setObjectName(QStringLiteral("HelpBack"));
    m_text->setOpenLinks(false); // links are topics of this file; nothing is handed to another program
    m_back->setEnabled(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_contents);
    buttons->addWidget(m_back);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_text);

    connect(m_text, &QTextBrowser::anchorClicked, this, &HelpViewerWindow::followlink);
    connect(m_contents, &QPushButton::clicked, this, &HelpViewerWindow::gocontents);
    connect(m_back, &QPushButton::clicked, this, &HelpViewerWindow::goback);
    resize(620, 520);
}

void HelpViewerWindow::open(const std::string& path, const QString& keyword, std::function<void(bool)> shown)
{
    // The bytes are read on the worker; the parse needs the GUI thread's text classes.
    m_read.start<std::optional<QByteArray>>([path] { return HelpFile::readbytes(path); },
        [this, keyword, shown = std::move(shown)](std::optional<QByteArray>& data) {
            std::optional<HelpFile> file = data ? HelpFile::parse(*data) : std::nullopt;
            if (file)
                showfile(std::move(*file), keyword);
            if (shown)
                shown(file.has_value());
        });
}

void HelpViewerWindow::showfile(HelpFile file, const QString& keyword)
{
    m_file = std::move(file);
    m_history.clear();
    showtopic(m_file->topicforkeyword(keyword), false);

    attachtomodal();
    if (!m_placed) {
        placeat(this, centredonscreen(screensize(), outerbounds(this).size()));
        m_placed = true;
    }
    show();
    raise();
    activateWindow();
}

QString HelpViewerWindow::currenttopic() const
{
    if (!m_file || m_current < 0)
        return {};
    return m_file->topics()[static_cast<std::size_t>(m_current)].id;
}

void HelpViewerWindow::followlink(const QUrl& link)
{
    if (!m_file || !link.scheme().isEmpty() || !link.path().isEmpty() || !link.hasFragment())
        return;
    const int index = m_file->topicbyid(link.fragment(QUrl::FullyDecoded));
    if (index >= 0)
        showtopic(index, true);
}

void HelpViewerWindow::showtopic(int index, bool remember)
{
    if (remember && m_current >= 0 && m_current != index)
        m_history.push_back(m_current);
    m_current = index;
    const HelpTopic& topic = m_file->topics()[static_cast<std::size_t>(index)];
    m_text->setHtml(topic.html);
    setWindowTitle(QStringLiteral("Quorvane Help - ") + topic.title);
    m_back->setEnabled(!m_history.empty());
}

void HelpViewerWindow::goback()
{
    if (m_history.empty())
        return;
    const int index = m_history.back();
    m_history.pop_back();
    showtopic(index, false);
}

void HelpViewerWindow::gocontents()
{
    if (m_file)
        showtopic(0, true);
}

// Help is asked for from modal dialogs too (Select Directory, Colour Ranges). A window shown while a modal
// dialog runs takes no input unless it belongs to that dialog, so the viewer is made transient for the
// modal dialog then, and for its owner otherwise.
void HelpViewerWindow::attachtomodal()
{
    QWidget* modal = QApplication::activeModalWidget();
    QWidget* anchor = modal && modal != this ? modal : m_owner.data();
    winId(); // makes the native window, so that its transient parent can be set before it shows
    QWindow* self = windowHandle();
    QWindow* parent = anchor ? anchor->window()->windowHandle() : nullptr;
    if (self && self->transientParent() != parent)
        self->setTransientParent(parent);
}

} // namespace qv
