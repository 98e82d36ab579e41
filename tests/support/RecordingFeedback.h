#pragma once

// Feedback that records the sounds and boxes instead of making them.
#include "Feedback.h"

#include <QStringList>

namespace qv::test {

struct RecordingFeedback : Feedback
{
    int beeps = 0;
    QStringList errors; // the standard error reports
    QStringList messages;
    void beep() override { ++beeps; }
    void errorreport(const QString& message) override { errors << message; }
    void message(QWidget*, const QString& text) override { messages << text; }
};

} // namespace qv::test
