#pragma once

#include "ColourRangeTable.h"

#include <QDialog>
#include <QRect>
#include <array>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qv {

class Feedback;
class SettingsStore;
class SwatchFrame;
class RangeEdit;
class TQVCRFDiag;

// The Colour Ranges dialog: edits the upper bounds of ranges 1 to 7 and the colours of all eight on a
// working copy, which OK and "Apply NOW!" commit to the table and save; Apply also recolours the tree.
// Each To edit is checked when the focus leaves it: an unreadable entry beeps, an out-of-order one beeps
// and shows the message window, and either way the focus goes back to the edit. Created once and reused;
// every opening starts again from the table with range 1 selected.
class TQVCRForm : public QDialog
{
    Q_OBJECT

public:
    using Recolour = std::function<void()>;
    using HelpLauncher = std::function<void(const QString& keyword)>;

    // recolour recolours the displayed tree from the table (and does nothing when no finished tree is
    // shown); help opens the help file at a keyword. The references must outlive the dialog.
    TQVCRForm(ColourRangeTable& table, SettingsStore& store, Feedback& feedback, Recolour recolour, HelpLauncher help,
        QWidget* parent = nullptr);
    ~TQVCRForm() override;

    // Options, Change Colour Ranges: copies the table into the working copy, fills the edits, selects
    // range 1, highlights its colour's swatch, puts the dialog's top-left 120 pixels right of and 70
    // below the top-left of the main window's outer bounds and shows it modally. It finishes with
    // QDialog::Accepted after OK or Apply.
    void open(const QRect& mainbounds);

    const ColourRangeTable::Ranges& WorkingRanges() const { return m_working; }
    int selectedrange() const; // 1..8
    TQVCRFDiag& messagewindow() { return *m_diag; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FillRangeEdits();
    void resetframes();
    void RefreshSwatchHighlight();
    void QVCRFtoExit(int k, Qt::FocusReason reason);
    void RadioButtonClick(int k);
    void QVCRFColClick(int k);
    void QVCRFokBtnClick();
    void QVCRFapplyBtnClick();
    void QVCRFDefaultBtnClick();
    void QVCRFhelpBtnClick();

    ColourRangeTable& m_table;
    SettingsStore& m_store;
    Feedback& m_feedback;
    Recolour m_recolour;
    HelpLauncher m_help;
    ColourRangeTable::Ranges m_working;

    std::array<QLineEdit*, 8> m_from {};
    std::array<RangeEdit*, 8> m_to {};
    std::array<QRadioButton*, 8> m_radio {};
    std::array<SwatchFrame*, 8> m_frame {};
    std::array<QLabel*, 8> m_swatch {};
    QPushButton* m_ok = nullptr;
    QPushButton* m_apply = nullptr;
    QPushButton* m_default = nullptr;
    QPushButton* m_helpbtn = nullptr;
    QPushButton* m_cancel = nullptr;
    TQVCRFDiag* m_diag = nullptr;

    bool m_checking = false; // an exit check is running (it moves the focus and may open a modal window)
    QObject* m_vetoed = nullptr; // a failed check refused the focus to this control: drop its mouse press
    int m_pressedswatch = 0; // the swatch image a left press started on, 0 for none
};

} // namespace qv
