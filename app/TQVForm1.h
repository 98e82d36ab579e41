#pragma once

#include "QVMakeTree.h"
#include "Services.h"
#include "StatusMailbox.h"
#include "Windows.h"

#include <QMainWindow>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>

class QAction;
class QLabel;

namespace qv {

class ColourRangeTable;
class ScanTreeModel;
class ScanTreeView;
class StopButton;

// The main window: the scan's tree, the status line, the stop button and the menus. Starts up on its
// first activation (settings, colour table, Select Directory dialog), runs one scan at a time, and saves
// its geometry when it closes.
class TQVForm1 : public QMainWindow, public ScanDisplay
{
    Q_OBJECT
public:
    explicit TQVForm1(const Services& services, QWidget* parent = nullptr);
    ~TQVForm1() override;

    // The status line's text, shown at once.
    void setstatus(const QString& text);
    QString statustext() const;

    // Select Directory's Select: scanpath becomes path, the status line shows it, and the scan starts;
    // a scan still running is stopped first and the new one starts when it has ended. An empty path
    // starts nothing.
    void selectscan(const std::string& path);
    // Opens an export file (the ncdu JSON format, plain or compressed) as selectscan() scans a directory:
    // the same scan-thread sequence and Stop, the status line giving its progress and then what it shows.
    // A file that can't be read is reported on the status line, and the tree keeps what it showed.
    void openexport(const QString& path);
    // "Rescan This Directory": walks the directory record r of the tree on display again and puts the
    // result in place of its subtree, keeping the view as it is. Only while no scan runs, and never for a
    // tree read from an export file.
    void rescan(dirrec* r);
    // A scan has started whose end this window has not handled yet (or a scan waits for it).
    bool scanrunning() const;
    // After close: a scan thread that did not end in time; the program must then end without running
    // destructors that thread could reach.
    bool scanstuck() const { return m_stuck; }
    bool startupdone() const { return m_startupdone; }

    // From the desktop. A directory: as if chosen in the Select Directory dialog and Select pressed (the
    // dialog closes if it shows). Before the first activation, the start-up's settings are read first and
    // the dialog is not opened.
    void opendirectory(const std::string& path);
    // A regular file: opened as an export file (openexport), after the start-up's settings as above.
    void openfile(const std::string& path);
    // Something from the desktop that cannot be opened (text: its URI or path) is reported in the window.
    void reportunopened(const QString& text);
    // Shows the window (again) and raises it.
    void bringforward();

    // The other windows, which the menus, the buttons and the tree open; set once, before the window
    // is first shown.
    void setwindows(const Windows& windows) { m_windows.emplace(windows); }
    const Windows& windows() const { return *m_windows; }

    ScanTreeModel& treemodel() const { return *m_model; }
    ScanTreeView& treeview() const { return *m_tree; }
    // Apply in the Colour Ranges dialog: a finished tree on display takes its discs from table from now
    // on and is repainted; otherwise nothing changes. Constant time whatever the tree's size.
    void recolour(const ColourRangeTable& table);

    // The scan's hand-overs (GUI thread).
    void emptytree() override;
    void showtree(const ScanSummary& scan) override;
    void showsubtree(dirrec* dir, dirrec* fresh, const ScanSummary& scan) override;

signals:
    // The window has closed: the program ends.
    void closed();

protected:
    void changeEvent(QEvent* event) override;
    // A dropped directory is scanned as Select would; a dropped file is opened as an export.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildmenu();
    void startup();
    void readsettings(); // once: the settings and the colour table
    void readsettingsfirst(); // readsettings() unless done, for a request from the desktop before activation
    void readvalues();
    // What a scan reads: a directory to walk, or an export file.
    struct Source
    {
        std::string path;
        bool exportfile = false;
    };
    void request(const Source& source);
    void startscan(const Source& source, dirrec* rescan = nullptr);
    void scanended(std::uint64_t ticket);
    void showstatus(); // the mailbox's latest text onto the status line

    void FormActivate();
    void QVMIselectClick();
    void QVMIexitClick();
    void ColoursRanges1Click();
    void ShowColourRanges1Click();
    void WhatIf1Click();
    void QVMIhelpClick();
    void QVMIaboutClick();
    void History1Click();
    void Warranty1Click();
    void QVstopbtnClick();
    void QVtreeviewDblClick();
    void menuabouttoshow(); // enables the node commands that fit the node and the scan's state
    void showinfilemanager(const QModelIndex& node);
    void FormClose();

    Services m_services;
    std::optional<Windows> m_windows;
    ScanTreeModel* m_model;
    ScanTreeView* m_tree;
    QLabel* m_status;
    StopButton* m_stop;

    StatusMailbox m_mailbox;
    std::unique_ptr<StatusMailbox::Sink> m_sink;
    QVMakeTree* m_thread = nullptr; // scanthread: the last scan's thread, released when the next starts
    std::optional<Source> m_pending; // what to scan once the running scan has ended
    bool m_scanning = false; // m_thread's scan has not been seen to end yet
    QTimer m_tick; // shows the scan's latest status text at the screen's rate

    bool m_startupbegun = false;
    bool m_settingsread = false;
    bool m_startupdone = false;
    bool m_closing = false;
    bool m_stuck = false;
};

} // namespace qv
