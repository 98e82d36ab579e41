#pragma once

#include <string>
#include <string_view>

namespace qv {

// Joins a directory path and an entry name with one "/", without doubling it (so "/" + "etc" is "/etc").
std::string joinpath(std::string_view dir, std::string_view name);

// The scan root name of a chosen path: one trailing "/" removed, except that "/" stays "/".
std::string rootname(std::string_view path);

} // namespace qv
