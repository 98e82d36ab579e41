#include "Feedback.h"

#include <QApplication>
#include <QMessageBox>

namespace qv {

void QtFeedback::beep()
{
    QApplication::beep();
}

void QtFeedback::errorreport(const QString& message)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Quorvane"), message + QLatin1Char('.'), QMessageBox::Ok,
        QApplication::activeWindow());
    box.exec();
}

void QtFeedback::message(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quorvane"), text, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace qv
