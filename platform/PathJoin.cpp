#include "PathJoin.h"

namespace qv {

std::string joinpath(std::string_view dir, std::string_view name)
{
    std::string path;
    path.reserve(dir.size() + name.size() + 1);
    path.append(dir);
    if (path.empty() || path.back() != '/')
        path.push_back('/');
    path.append(name);
    return path;
}

std::string rootname(std::string_view path)
{
    if (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    return std::string(path);
}

} // namespace qv
