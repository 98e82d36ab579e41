#include "TQVForm1.h"

#include "ColourRangeTable.h"
#include "DisplayText.h"
#include "Feedback.h"
#include "FileManager.h"
#include "Forms.h"
#include "HelpLauncher.h"
#include "NodeDecorations.h"
#include "Placement.h"
#include "RangePalette.h"
#include "RecolourTree.h"
#include "Records.h"
#include "Scan.h"
#include "ScanTreeModel.h"
#include "ScanTreeView.h"
#include "SettingsStore.h"
#include "StatusLine.h"
#include "StopButton.h"
#include "TQVCRForm.h"
#include "TQVForm2.h"
#include "TQVForm3.h"
#include "TQVForm4.h"
#include "TQVHForm1.h"
#include "TQVHForm2.h"
#include "TQVHForm6.h"
#include "TQVWhatifForm.h"
#include "TQVdiag1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScrollBar>
#include <QUrl>
#include <QVBoxLayout>
#include <charconv>
#include <stdexcept>

namespace qv {
namespace {

constexpr QRect DefaultBounds(22, 32, 703, 397);
// How long a close waits for a scan to notice its stop before the program ends regardless.
constexpr int CloseWaitMs = 500;
// How long "Show in File Manager" waits for an answer on the bus before it gives up.
constexpr int FileManagerWaitMs = 3000;

// Sets a top-level window's outer bounds (frame included) as Left, Top, Width, Height.
void setouterbounds(QWidget* window, const QRect& bounds)
{
    const QSize frame = window->frameGeometry().size() - window->geometry().size();
    window->resize(bounds.size() - frame);
    placeat(window, bounds.topLeft());
}

// The stored "WhatIf": a positive decimal integer, nothing else (the walker divides by it).
std::int32_t whatifvalue(const std::string& text)
{
    std::int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end)
        throw std::runtime_error("'" + text + "' is not a valid integer value");
    if (value <= 0)
        throw std::runtime_error("'" + text + "' is not a valid what-if cluster size");
    return value;
}

QFrame* panel(const char* name, QWidget* parent)
{
    auto* p = new QFrame(parent);
    p->setObjectName(QString::fromLatin1(name));
    return p;
}

} // namespace

TQVForm1::TQVForm1(const Services& services, QWidget* parent)
    : QMainWindow(parent)
    , m_services(services)
{
    setObjectName(QStringLiteral("QVForm1"));
    setWindowTitle(QStringLiteral("Quorvane by Tavenbrook"));
    setFont(formfont());

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    QFrame* panel1 = panel("Panel1", central);
    auto* treebox = new QVBoxLayout(panel1);
    treebox->setContentsMargins(0, 0, 0, 0);
    m_tree = new ScanTreeView(panel1);
    m_tree->setObjectName(QStringLiteral("QVtreeview"));
    treebox->addWidget(m_tree);
    column->addWidget(panel1, 1);

    QFrame* panel2 = panel("Panel2", central);
    panel2->setFixedHeight(25);
    auto* strip = new QHBoxLayout(panel2);
    strip->setContentsMargins(0, 0, 0, 0);
    strip->setSpacing(0);
    QFrame* panel3 = panel("Panel3", panel2);
    panel3->setFixedWidth(24);
    m_stop = new StopButton(panel3);
    m_stop->setObjectName(QStringLiteral("QVstopbtn"));
    m_stop->move(1, 2);
    strip->addWidget(panel3);
    QFrame* panel4 = panel("Panel4", panel2);
    auto* statusbox = new QHBoxLayout(panel4);
    statusbox->setContentsMargins(0, 1, 1, 1);
    m_status = new StatusLine(panel4);
    m_status->setObjectName(QStringLiteral("QVstatusbar"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_status->setIndent(2);
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_status->setFocusPolicy(Qt::ClickFocus);
    statusbox->addWidget(m_status);
    strip->addWidget(panel4, 1);
    column->addWidget(panel2);
    setCentralWidget(central);
    setAcceptDrops(true);

    buildmenu();

    m_model = new ScanTreeModel(this);
    m_model->setdecorations(nodedecorations(RangePalette::stateimages()));
    m_tree->setscanmodel(m_model);

    Feedback& feedback = m_services.feedback;
    connect(m_tree, &ScanTreeView::dblclick, this,
        [this, &feedback] { reporterrors(feedback, [&] { QVtreeviewDblClick(); }); });
    connect(m_tree->contextmenu(), &QMenu::aboutToShow, this, &TQVForm1::menuabouttoshow);
    connect(m_tree, &ScanTreeView::showinfilemanager, this,
        [this, &feedback](const QModelIndex& node) { reporterrors(feedback, [&] { showinfilemanager(node); }); });
    connect(m_tree, &ScanTreeView::rescan, this,
        [this, &feedback](const QModelIndex& node) { reporterrors(feedback, [&] { rescan(m_model->record(node)); }); });
    connect(m_stop, &QAbstractButton::clicked, this,
        [this, &feedback] { reporterrors(feedback, [&] { QVstopbtnClick(); }); });
    m_tick.setInterval(16);
    connect(&m_tick, &QTimer::timeout, this, &TQVForm1::showstatus);

    setouterbounds(this, DefaultBounds);
}

TQVForm1::~TQVForm1()
{
    // Normally the close has ended the scan; never leave a thread running into freed records (the
    // thread's destructor waits for it).
    if (m_thread)
        m_services.values.scanabort = 1;
    delete m_thread;
}

void TQVForm1::buildmenu()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("QVMainMenu"));
    Feedback& feedback = m_services.feedback;
    auto item = [this, &feedback](QMenu* menu, const char* name, const QString& text, void (TQVForm1::*handler)()) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this,
            [this, &feedback, handler] { reporterrors(feedback, [&] { (this->*handler)(); }); });
    };
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("QVMMfile"));
    item(file, "QVMIselect", QStringLiteral("&Select"), &TQVForm1::QVMIselectClick);
    file->addSeparator()->setObjectName(QStringLiteral("QVMIline1"));
    item(file, "QVMIexit", QStringLiteral("E&xit"), &TQVForm1::QVMIexitClick);

    QMenu* options = bar->addMenu(QStringLiteral("&Options"));
    options->setObjectName(QStringLiteral("Otions1"));
    item(options, "ColoursRanges1", QStringLiteral("Change Colour Ranges"), &TQVForm1::ColoursRanges1Click);
    item(options, "ShowColourRanges1", QStringLiteral("Show    Colour Ranges"), &TQVForm1::ShowColourRanges1Click);
    item(options, "WhatIf1", QStringLiteral("What If"), &TQVForm1::WhatIf1Click);

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("QVMMhelp"));
    item(help, "QVMIhelp", QStringLiteral("&Help"), &TQVForm1::QVMIhelpClick);
    item(help, "QVMIabout", QStringLiteral("&About"), &TQVForm1::QVMIaboutClick);
    item(help, "History1", QStringLiteral("History"), &TQVForm1::History1Click);
    item(help, "Warranty1", QStringLiteral("Warranty"), &TQVForm1::Warranty1Click);
}

void TQVForm1::setstatus(const QString& text)
{
    m_status->setText(text);
    m_status->repaint();
}

QString TQVForm1::statustext() const
{
    return m_status->text();
}

void TQVForm1::showstatus()
{
    if (std::optional<std::string> text = m_mailbox.take())
        m_status->setText(displaytext(*text));
}

void TQVForm1::recolour(const ColourRangeTable& table)
{
    // Never a tree a scan is still writing, nor an aborted scan's (its tree is empty).
    if (!hasfinishedtree(m_services.values, m_model->root()))
        return;
    RecolourTree(m_model->colours(), table);
    m_model->refreshstateimages();
}

// Start-up

void TQVForm1::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}

void TQVForm1::FormActivate()
{
    if (m_startupbegun)
        return;
    m_startupbegun = true;
    // Not inside the activation event itself: the start-up opens windows and may report errors.
    QMetaObject::invokeMethod(
        this, [this] { reporterrors(m_services.feedback, [&] { startup(); }); }, Qt::QueuedConnection);
}

void TQVForm1::startup()
{
    // A directory opened from the desktop before this ran has done the start-up in its place.
    if (m_settingsread)
        return;
    readsettings();
    TQVForm2& select = m_windows->select;
    connect(
        &select, &QDialog::finished, this, [this] { m_startupdone = true; }, Qt::SingleShotConnection);
    select.open(outerbounds(this));
}

void TQVForm1::readsettings()
{
    m_settingsread = true;
    Feedback& feedback = m_services.feedback;
    if (const std::optional<std::string> unreadable = m_services.settings.setasideunreadable())
        feedback.errorreport(QString::fromStdString(*unreadable));
    reporterrors(feedback, [&] { readvalues(); });
    reporterrors(feedback, [&] { LoadColourRanges(m_services.colours, m_services.settings); });
}

void TQVForm1::readvalues()
{
    SettingsStore& store = m_services.settings;
    Feedback& feedback = m_services.feedback;
    QRect bounds = DefaultBounds;
    if (store.keyExists(ValuesKey)) {
        // Each value on its own: one of the wrong type is reported and keeps its default, the rest apply.
        reporterrors(feedback, [&] {
            if (store.valueExists(ValuesKey, "WhatIf"))
                m_services.values.whatifkb = whatifvalue(store.readString(ValuesKey, "WhatIf"));
        });
        auto integer = [&](const char* name, auto set) {
            reporterrors(feedback, [&] {
                if (store.valueExists(ValuesKey, name))
                    set(store.readInteger(ValuesKey, name));
            });
        };
        integer("Left", [&](int v) { bounds.moveLeft(v); });
        integer("Top", [&](int v) { bounds.moveTop(v); });
        integer("Width", [&](int v) { bounds.setWidth(v); });
        integer("Height", [&](int v) { bounds.setHeight(v); });
    }
    // Saved on a monitor that is gone: brought back onto the primary screen.
    setouterbounds(this, ontoscreens(bounds, screenbounds(), primarybounds()));
}

// From the desktop

void TQVForm1::readsettingsfirst()
{
    if (!m_settingsread) {
        // The window may not have been activated yet: the scan needs the what-if size and the colours.
        m_startupbegun = true;
        readsettings();
        m_startupdone = true;
    }
}

void TQVForm1::opendirectory(const std::string& path)
{
    readsettingsfirst();
    m_windows->select.selectdirectory(path);
}

void TQVForm1::openfile(const std::string& path)
{
    readsettingsfirst();
    openexport(QFile::decodeName(path.c_str()));
}

void TQVForm1::reportunopened(const QString& text)
{
    // Not inside the caller: a bus call is answered first, and the box is modal.
    QMetaObject::invokeMethod(
        this, [this, text] { m_services.feedback.message(this, QStringLiteral("Cannot open ") + text); },
        Qt::QueuedConnection);
}

void TQVForm1::bringforward()
{
    show();
    raise();
    activateWindow();
}

// Scans

void TQVForm1::selectscan(const std::string& path)
{
    request({ path, false });
}

void TQVForm1::openexport(const QString& path)
{
    request({ QFile::encodeName(path).toStdString(), true });
}

void TQVForm1::request(const Source& source)
{
    setstatus(displaytext(source.path));
    repaint();
    if (m_scanning) {
        // One scan at a time: stop the running one; this one starts when it has ended.
        m_services.values.scanabort = 1;
        m_mailbox.close();
        m_pending = source;
        return;
    }
    startscan(source);
}

void TQVForm1::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.first().isLocalFile())
        event->acceptProposedAction();
}

void TQVForm1::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return;
    event->acceptProposedAction();
    const QString path = urls.first().toLocalFile();
    if (QFileInfo(path).isDir())
        selectscan(QFile::encodeName(path).toStdString());
    else
        openexport(path);
}

void TQVForm1::rescan(dirrec* r)
{
    if (!r || r->kind != KindDirectory || m_scanning || !m_services.values.shownexport.get().empty()
        || !m_model->indexof(r).isValid())
        return;
    const std::string path = recordpath(*r);
    setstatus(displaytext(path));
    repaint();
    startscan({ path, false }, r);
}

bool TQVForm1::scanrunning() const
{
    return m_pending.has_value() || m_scanning;
}

void TQVForm1::startscan(const Source& source, dirrec* rescan)
{
    if (source.path.empty())
        return;
    if (m_thread) {
        // The previous scan has ended; this may run inside its finished signal.
        m_thread->deleteLater();
        m_thread = nullptr;
    }
    if (!rescan) {
        m_services.values.scanpath = source.exportfile ? std::string() : source.path;
        m_services.values.exportfile = source.exportfile ? source.path : std::string();
    }
    const std::uint64_t ticket = m_mailbox.open();
    m_sink = std::make_unique<StatusMailbox::Sink>(m_mailbox, ticket);
    m_thread = new QVMakeTree(ScanServices { m_services.values, m_services.volumes, m_services.makelister, *m_sink,
                                  *this, [this, ticket] { scanended(ticket); }, m_services.importer, rescan },
        this);
    m_scanning = true;
    m_tick.start();
}

void TQVForm1::scanended(std::uint64_t ticket)
{
    if (!m_sink || m_sink->ticket() != ticket)
        return; // an earlier scan's late signal
    // The body has ended; this makes all it wrote visible here.
    m_thread->waitended();
    m_scanning = false;
    showstatus();
    if (m_pending && !m_closing) {
        const Source next = std::move(*m_pending);
        m_pending.reset();
        startscan(next);
        return;
    }
    m_pending.reset();
    m_tick.stop();
}

void TQVForm1::emptytree()
{
    reporterrors(m_services.feedback, [&] { m_model->clear(); });
}

void TQVForm1::showtree(const ScanSummary& scan)
{
    reporterrors(m_services.feedback, [&] {
        // "Scan Complete Preparing Display..." is on screen while the tree is built.
        showstatus();
        m_status->repaint();
        m_model->setclusters(scan.clustersize, m_services.values.whatifkb);
        m_model->build(m_services.values.scanroot, scan.labelwidth, m_services.colours);
        m_tree->showroot();
    });
}

void TQVForm1::showsubtree(dirrec* dir, dirrec* fresh, const ScanSummary& scan)
{
    reporterrors(m_services.feedback, [&] {
        showstatus();
        m_status->repaint();
        const int scrolled = m_tree->verticalScrollBar()->value();
        m_model->replacesubtree(dir, fresh, scan.labelwidth);
        m_tree->fitcolumn();
        // Laid out now rather than at the next event, so the scroll position can be put back for good.
        m_tree->doItemsLayout();
        m_tree->verticalScrollBar()->setValue(scrolled);
    });
}

// Handlers

void TQVForm1::QVMIselectClick()
{
    m_windows->select.open(outerbounds(this));
}

void TQVForm1::QVMIexitClick()
{
    close();
}

void TQVForm1::ColoursRanges1Click()
{
    m_windows->colourranges.open(outerbounds(this));
}

void TQVForm1::ShowColourRanges1Click()
{
    m_windows->legend.open(outerbounds(this));
}

void TQVForm1::WhatIf1Click()
{
    m_windows->whatif.open(outerbounds(this));
}

void TQVForm1::QVMIhelpClick()
{
    m_windows->help.showhelp(QStringLiteral("Main"));
}

void TQVForm1::QVMIaboutClick()
{
    m_windows->about.open();
}

void TQVForm1::History1Click()
{
    m_windows->history.open(outerbounds(this));
}

void TQVForm1::Warranty1Click()
{
    m_windows->warranty.open(outerbounds(this));
}

void TQVForm1::QVstopbtnClick()
{
    m_status->setFocus();
    ScanValues& values = m_services.values;
    // A scan asked for but waiting for the previous one to end is in progress too.
    if (values.scaninprogress == 0 && !m_pending) {
        m_windows->noscan.open();
        return;
    }
    values.scanabort = 1;
    m_pending.reset();
    // Nothing of this scan may appear after the stop's own text.
    m_mailbox.close();
    setstatus(QStringLiteral("Directory Scan Aborted"));
}

void TQVForm1::QVtreeviewDblClick()
{
    const QModelIndexList selected = m_tree->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return;
    const dirrec* r = m_model->record(selected.first());
    if (!r || r->kind != KindGroup)
        return;
    m_windows->detail.open(*r, outerbounds(this), m_tree->lastpress().y());
}

void TQVForm1::menuabouttoshow()
{
    const dirrec* r = m_model->record(m_tree->menunode());
    const bool ondisc = r && !!m_services.values.shownexport.get().empty();
    m_tree->showinfilemanageraction()->setEnabled(ondisc);
    m_tree->rescanaction()->setEnabled(ondisc && r->kind == KindDirectory && !m_scanning);
}

void TQVForm1::showinfilemanager(const QModelIndex& node)
{
    const dirrec* r = m_model->record(node);
    if (!r || !m_services.values.shownexport.get().empty())
        return;
    // A file-type group shows its directory.
    const std::string dir = recordpath(r->kind == KindGroup ? *r->parent : *r);
    auto done = [this, dir](bool shown) {
        if (!shown)
            m_services.feedback.message(this, "Cannot show " + displaytext(dir) + " in a file manager");
    };
    qv::showinfilemanager(m_services.bus, dir, this, done, FileManagerWaitMs);
}

// Close

void TQVForm1::closeEvent(QCloseEvent* event)
{
    if (!m_closing) {
        m_closing = true;
        FormClose();
        emit closed();
    }
    event->accept();
}

void TQVForm1::FormClose()
{
    ScanValues& values = m_services.values;
    const bool running = m_scanning;
    if (running) {
        // Stop the scan at once and let it no longer wait for this thread.
        values.scanabort = 1;
        m_pending.reset();
        m_mailbox.close();
        m_thread->cancelhandovers();
    }

    // A failed save is reported; the program still closes.
    reporterrors(m_services.feedback, [&] {
        const QRect bounds = outerbounds(this);
        SettingsBatch geometry;
        geometry.writeInteger(ValuesKey, "Left", bounds.left());
        geometry.writeInteger(ValuesKey, "Top", bounds.top());
        geometry.writeInteger(ValuesKey, "Width", bounds.width());
        geometry.writeInteger(ValuesKey, "Height", bounds.height());
        m_services.settings.write(geometry);
    });

    if (running) {
        const QDeadlineTimer deadline(CloseWaitMs);
        bool ended = false;
        while (!ended && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            ended = m_thread->waitended(10);
        }
        m_stuck = !ended;
    }
    if (m_thread && !m_stuck) {
        delete m_thread;
        m_thread = nullptr;
        m_scanning = false;
    }
    m_tick.stop();
}

} // namespace qv
