#include "HelpFile.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextDocumentFragment>

namespace qv {

namespace {

constexpr qint64 MaxSize = 16 * 1024 * 1024; // far beyond any help file; refuse to read a huge stray file
constexpr qsizetype SignatureWindow = 512;
const QByteArray Signature = "<!-- Quorvane help file -->";

// An attribute value with its character references (&amp; ...) resolved.
QString attributetext(const QString& raw)
{
    return QTextDocumentFragment::fromHtml(raw).toPlainText().trimmed();
}

} // namespace

std::optional<HelpFile> HelpFile::read(const std::string& path)
{
    const std::optional<QByteArray> data = readbytes(path);
    return data ? parse(*data) : std::nullopt;
}

std::optional<QByteArray> HelpFile::readbytes(const std::string& path)
{
    QFile file(QFile::decodeName(QByteArray::fromStdString(path)));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    if (file.size() > MaxSize)
        return std::nullopt;
    QByteArray data = file.read(MaxSize + 1);
    if (file.error() != QFileDevice::NoError || data.size() > MaxSize)
        return std::nullopt;
    return data;
}

std::optional<HelpFile> HelpFile::parse(const QByteArray& data)
{
    if (!data.left(SignatureWindow).contains(Signature))
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(data);
    if (decoder.hasError())
        return std::nullopt;
    static const QRegularExpression comment(
        QStringLiteral("<!--.*?-->"), QRegularExpression::DotMatchesEverythingOption);
    text.remove(comment); // a comment may speak of <section> without being one

    static const QRegularExpression section(QStringLiteral("<section\\b([^>]*)>(.*?)</section\\s*>"),
        QRegularExpression::DotMatchesEverythingOption | QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression attribute(
        QStringLiteral("([A-Za-z][A-Za-z0-9-]*)\\s*=\\s*\"([^\"]*)\""), QRegularExpression::NoPatternOption);

    HelpFile file;
    for (auto it = section.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        HelpTopic topic;
        for (auto at = attribute.globalMatch(match.captured(1)); at.hasNext();) {
            const auto a = at.next();
            const QString name = a.captured(1).toLower();
            if (name == QLatin1String("id"))
                topic.id = attributetext(a.captured(2));
            else if (name == QLatin1String("title"))
                topic.title = attributetext(a.captured(2));
            else if (name == QLatin1String("data-keywords")) {
                for (const QString& k : attributetext(a.captured(2)).split(QLatin1Char(';'), Qt::SkipEmptyParts))
                    if (!k.trimmed().isEmpty())
                        topic.keywords.append(k.trimmed());
            }
        }
        if (topic.id.isEmpty() || topic.title.isEmpty())
            return std::nullopt; // every topic must be reachable by link and show a title
        topic.html = match.captured(2);
        file.m_topics.push_back(std::move(topic));
    }
    if (file.m_topics.empty())
        return std::nullopt;
    return file;
}

int HelpFile::topicforkeyword(const QString& keyword) const
{
    const QString k = keyword.trimmed();
    for (std::size_t i = 0; i < m_topics.size(); ++i) {
        const HelpTopic& t = m_topics[i];
        if (t.title.compare(k, Qt::CaseInsensitive) == 0 || t.keywords.contains(k, Qt::CaseInsensitive))
            return static_cast<int>(i);
    }
    return 0;
}

int HelpFile::topicbyid(const QString& id) const
{
    for (std::size_t i = 0; i < m_topics.size(); ++i)
        if (m_topics[i].id == id)
            return static_cast<int>(i);
    return -1;
}

} // namespace qv
