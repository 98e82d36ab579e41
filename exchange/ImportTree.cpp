#include "ImportTree.h"

#include "Import.h"

#include <ctime>

namespace qv {

std::string importendline(std::string_view root, const ExportHeader& header)
{
    std::string line = "Scan of ";
    line += root;
    const std::time_t when = static_cast<std::time_t>(header.timestamp);
    std::tm utc {};
    if (header.timestamp != UnknownTime && gmtime_r(&when, &utc)) {
        char text[64];
        std::strftime(text, sizeof text, " taken %Y-%m-%d %H:%M", &utc);
        line += text;
    }
    if (!header.progname.empty()) {
        line += " by " + header.progname;
        if (!header.progver.empty())
            line += " " + header.progver;
    }
    return line;
}

ImportedTree importtree(const std::string& file, RecordArena& arena, ScanSink& sink,
    const std::atomic<std::int32_t>& scanabort, const std::atomic<std::int32_t>& whatifkb)
{
    const ImportSummary s = runimport(file, { arena, sink, scanabort, whatifkb });
    ImportedTree tree;
    tree.completed = s.completed;
    if (!s.result.ok)
        tree.failure = s.result.message(file);
    tree.root = s.root;
    tree.clustersize = s.clustersize;
    tree.maxdepth = s.maxdepth;
    tree.labelwidth = s.labelwidth;
    if (s.root)
        tree.endline = importendline(s.root->name(), s.header);
    return tree;
}

} // namespace qv
