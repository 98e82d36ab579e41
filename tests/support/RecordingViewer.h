#pragma once

// A help viewer that records what it was asked to open.
#include "HelpViewer.h"

#include <QFile>
#include <QString>
#include <string>
#include <vector>

namespace qv::test {

struct RecordingViewer : HelpViewer
{
    struct Call
    {
        std::string path;
        QString keyword;
        bool fileexisted;
    };
    std::vector<Call> calls;
    bool result = true; // what open() answers, at once
    void open(const std::string& path, const QString& keyword, std::function<void(bool)> shown) override
    {
        calls.push_back({ path, keyword, QFile::exists(QString::fromStdString(path)) });
        shown(result);
    }
};

} // namespace qv::test
