#pragma once

#include <QString>
#include <exception>

class QWidget;

namespace qv {

// Sounds and modal boxes go through here, so tests can observe them and never block on exec().
class Feedback
{
public:
    virtual ~Feedback() = default;
    // The asterisk sound.
    virtual void beep() = 0;
    // The application's standard error report: a modal box with the critical icon and one OK button,
    // the message followed by ".", captioned "Quorvane".
    virtual void errorreport(const QString& message) = 0;
    // A plain modal message with one OK button, such as "Could not create process".
    virtual void message(QWidget* parent, const QString& text) = 0;
};

// The real thing: QApplication::beep() and QMessageBox.
class QtFeedback : public Feedback
{
public:
    void beep() override;
    void errorreport(const QString& message) override;
    void message(QWidget* parent, const QString& text) override;
};

// Runs fn and shows any exception that escapes it with the standard error report, so that no exception
// leaves a Qt slot. What follows the throw in fn is abandoned, as the report's user expects.
template <typename Fn> void reporterrors(Feedback& feedback, Fn&& fn)
{
    try {
        fn();
    } catch (const std::exception& e) {
        feedback.errorreport(QString::fromUtf8(e.what()));
    }
}

} // namespace qv
