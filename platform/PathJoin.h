#pragma once

#include <string>
#include <string_view>

namespace qv {

// Joins a directory path and an entry name with one "/", without doubling it (so "/" + "etc" is "/etc").
std::string joinpath(std::string_view dir, std::string_view name);

// The directory path lies in: what comes before its last "/", "/" for an entry of the root and for "/"
// itself, "." for a name without a "/". A part of path or a literal: valid as long as path is.
std::string_view parentpath(std::string_view path);

// The last name of path: what follows its last "/" (all of path without one). The end of path, so when
// path is NUL-terminated so is the result.
std::string_view leafname(std::string_view path);

// A directory path as this program writes it: no doubled "/" and no trailing "/", except that "/"
// stays "/".
std::string normalisedpath(std::string_view dir);

// The scan root name of a chosen path: one trailing "/" removed, except that "/" stays "/".
std::string rootname(std::string_view path);

// True when path is dir itself or lies below it: dir is a leading part of path that ends at a "/" (every
// absolute path lies below "/").
bool pathatorunder(std::string_view path, std::string_view dir);

// The process's current directory, or unreadable when it cannot be read.
std::string currentdirectory(std::string_view unreadable = {});

} // namespace qv
