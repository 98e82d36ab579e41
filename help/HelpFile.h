#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

namespace qv {

// One topic of the help file: what a keyword opens and a link names.
struct HelpTopic
{
    QString id; // link target: <a href="#id">
    QString title;
    QStringList keywords; // the keywords that open this topic, besides its title
    QString html; // the topic's body
};

// The program's help file "Quorvane.hlp": UTF-8 HTML that starts with the comment
// <!-- Quorvane help file --> and holds one <section id=".." title=".." data-keywords="a;b"> per topic
// (sections are not nested). The first section is the contents topic. A browser shows the file as one
// page; the help viewer shows one topic at a time.
class HelpFile
{
public:
    // The file at path (raw bytes), or nothing when it is missing, unreadable or not a help file.
    static std::optional<HelpFile> read(const std::string& path);
    // The bytes of the file at path, or nothing when it is missing, unreadable or far too big for a help
    // file. Needs no GUI: may run on any thread.
    static std::optional<QByteArray> readbytes(const std::string& path);
    // The help file in these bytes, or nothing when they are not one.
    static std::optional<HelpFile> parse(const QByteArray& data);

    const std::vector<HelpTopic>& topics() const { return m_topics; }
    // The topic a keyword opens: the first whose keywords or title equal it, case ignored; the contents
    // topic (0) for any other keyword.
    int topicforkeyword(const QString& keyword) const;
    // The topic with this id, or -1.
    int topicbyid(const QString& id) const;

private:
    std::vector<HelpTopic> m_topics;
};

} // namespace qv
