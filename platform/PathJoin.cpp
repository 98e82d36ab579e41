#include "PathJoin.h"

#include <cerrno>
#include <unistd.h>

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

std::string_view parentpath(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return ".";
    return slash == 0 ? std::string_view("/") : path.substr(0, slash);
}

std::string_view leafname(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string normalisedpath(std::string_view dir)
{
    std::string out;
    out.reserve(dir.size());
    for (const char c : dir)
        if (c != '/' || out.empty() || out.back() != '/')
            out.push_back(c);
    if (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return out;
}

std::string rootname(std::string_view path)
{
    if (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    return std::string(path);
}

bool pathatorunder(std::string_view path, std::string_view dir)
{
    if (dir == "/")
        return !path.empty() && path.front() == '/';
    return path.starts_with(dir) && (path.size() == dir.size() || path[dir.size()] == '/');
}

std::string currentdirectory(std::string_view unreadable)
{
    std::string buffer(4096, '\0');
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            return std::string(unreadable);
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return buffer;
}

} // namespace qv
