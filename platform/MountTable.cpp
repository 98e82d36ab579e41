#include "MountTable.h"

#include "PathJoin.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace qv {
namespace {

// mountinfo escapes blank, tab, newline and backslash as a backslash and three octal digits.
std::string unescape(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size()) {
            const char a = s[i + 1], b = s[i + 2], c = s[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
                out.push_back(static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0')));
                i += 3;
                continue;
            }
        }
        out.push_back(s[i]);
    }
    return out;
}

} // namespace

std::vector<MountEntry> readmounts(const std::string& mountinfo)
{
    std::vector<MountEntry> entries;
    std::ifstream in(mountinfo);
    std::string line;
    while (std::getline(in, line)) {
        // id parent major:minor root mountpoint options [optional fields...] - fstype source superoptions
        std::istringstream fields(line);
        std::string id, parent, devno, root, point, options, word;
        if (!(fields >> id >> parent >> devno >> root >> point >> options))
            continue;
        while (fields >> word && word != "-") { }
        MountEntry e;
        if (word != "-" || !(fields >> e.fstype))
            continue;
        fields >> e.source;
        e.mountpoint = unescape(point);
        e.source = unescape(e.source);
        entries.push_back(std::move(e));
    }
    return entries;
}

MountTable::MountTable(const std::vector<MountEntry>& entries)
{
    for (const MountEntry& e : entries) {
        m_points.insert(e.mountpoint);
        if (e.mountpoint.size() > 1 && e.mountpoint.front() == '/') {
            const std::string_view parent = parentpath(e.mountpoint);
            m_parents.emplace(parent);
            m_longestparent = std::max(m_longestparent, parent.size());
        }
    }
}

} // namespace qv
