#pragma once

#include <QAbstractButton>
#include <QPixmap>

namespace qv {

// The stop button: a 21 x 20 bitmap button without a caption (its accessible name is "Stop"), showing
// the word "Stop" on a red disc, or a plain white disc while disabled.
class StopButton : public QAbstractButton
{
    Q_OBJECT
public:
    explicit StopButton(QWidget* parent = nullptr);
    QSize sizeHint() const override { return { 21, 20 }; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_normal;
    QPixmap m_disabled;
};

} // namespace qv
