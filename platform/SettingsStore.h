#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace qv {

// Raised by the store; what() is the text the user sees, such as "Invalid data type for 'Left'".
class SettingsError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The per-user settings store. Keys are paths below HKEY_CURRENT_USER such as
// "SOFTWARE\Tavenbrook\Quorvane\Values"; key names compare without regard to case, value names too.
// Values are typed: a string or a 32-bit integer.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;
    virtual bool keyExists(std::string_view key) = 0;
    virtual bool valueExists(std::string_view key, std::string_view name) = 0;
    // Both readers throw SettingsError "Invalid data type for '<name>'" when the value has the other type,
    // and SettingsError "Failed to get data for '<name>'" when it is missing.
    virtual std::string readString(std::string_view key, std::string_view name) = 0;
    virtual std::int32_t readInteger(std::string_view key, std::string_view name) = 0;
    // Both writers create the key and its parents when missing, and throw SettingsError
    // "Failed to set data for '<name>'" when the value cannot be stored.
    virtual void writeString(std::string_view key, std::string_view name, std::string_view value) = 0;
    virtual void writeInteger(std::string_view key, std::string_view name, std::int32_t value) = 0;
};

inline constexpr std::string_view ValuesKey = "SOFTWARE\\Tavenbrook\\Quorvane\\Values";
inline constexpr std::string_view ColRangeLoadKey = "SOFTWARE\\Tavenbrook\\Quorvane\\ColRange";
inline constexpr std::string_view ColRangeSaveKey = "Software\\Tavenbrook\\Quorvane\\ColRange";

} // namespace qv
