#pragma once

#include <string>
#include <string_view>

namespace qv {

// Joins a directory path and an entry name with one "/", without doubling it (so "/" + "etc" is "/etc").
std::string joinpath(std::string_view dir, std::string_view name);

// The scan root name of a chosen path: one trailing "/" removed, except that "/" stays "/".
std::string rootname(std::string_view path);

// True when path is dir itself or lies below it: dir is a leading part of path that ends at a "/" (every
// absolute path lies below "/").
bool pathatorunder(std::string_view path, std::string_view dir);

// The process's current directory, or unreadable when it cannot be read.
std::string currentdirectory(std::string_view unreadable = {});

} // namespace qv
