#pragma once

#include "Forms.h"

class QComboBox;
class QLabel;
class QPushButton;
class QRect;

namespace qv {

class Feedback;
struct ScanValues;

// The What-If dialog: sets the what-if cluster size (1, 2, 4, 8, 16 or 32 KB) when the focus leaves its
// field for another control of the dialog. The field keeps its text between showings and is never
// refreshed from the current value; OK and Enter close without applying anything, except that a click on
// OK while the field holds a refused number leaves the dialog open.
class TQVWhatifForm : public NoEscapeDialog
{
    Q_OBJECT

public:
    TQVWhatifForm(ScanValues& values, Feedback& feedback, QWidget* parent = nullptr);

    // Options, What If: places the dialog 90 right of and 70 below the top-left corner of the main
    // window's outer bounds and shows it modally.
    void open(const QRect& mainbounds);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ClusterSizeExit();
    bool ClusterSizeKeyPress(QChar key) const;

    ScanValues& m_values;
    Feedback& m_feedback;
    QLabel* m_label1;
    QComboBox* m_clustersize; // ClusterSize
    QLabel* m_label2;
    QPushButton* m_ok; // BitBtn1
};

} // namespace qv
