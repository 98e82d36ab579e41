#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Raised by the store; what() is the text the user sees, such as "Invalid data type for 'Left'".
class SettingsError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Values saved together, such as the window's four geometry values: the store applies all of them or
// none, and no reader ever sees a part of them.
class SettingsBatch
{
public:
    struct Change
    {
        std::string key;
        std::string name;
        bool integer = false;
        std::string string; // !integer
        std::int32_t number = 0; // integer
    };

    void writeString(std::string_view key, std::string_view name, std::string_view value)
    {
        m_changes.push_back({ std::string(key), std::string(name), false, std::string(value), 0 });
    }
    void writeInteger(std::string_view key, std::string_view name, std::int32_t value)
    {
        m_changes.push_back({ std::string(key), std::string(name), true, {}, value });
    }
    const std::vector<Change>& changes() const { return m_changes; }

private:
    std::vector<Change> m_changes; // in the order written; a later change of the same value wins
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
    // Applies the batch in one transaction, creating keys and their parents when missing. Throws
    // SettingsError "Failed to set data for '<name>'" when it cannot, and then has stored none of it; the
    // name is that of the first change with a bad key, or else of the batch's first change.
    virtual void write(const SettingsBatch& batch) = 0;
    // A batch of one.
    void writeString(std::string_view key, std::string_view name, std::string_view value)
    {
        SettingsBatch batch;
        batch.writeString(key, name, value);
        write(batch);
    }
    void writeInteger(std::string_view key, std::string_view name, std::int32_t value)
    {
        SettingsBatch batch;
        batch.writeInteger(key, name, value);
        write(batch);
    }

    // Called once at start-up. When the stored settings cannot be read, moves them aside where that is
    // safe, so that the next save starts afresh, and returns the text that tells the user what happened
    // (why, that the defaults are used, and where the old file is kept). None when they read well.
    virtual std::optional<std::string> setasideunreadable() { return std::nullopt; }
};

inline constexpr std::string_view ValuesKey = "SOFTWARE\\Tavenbrook\\Quorvane\\Values";
inline constexpr std::string_view ColRangeLoadKey = "SOFTWARE\\Tavenbrook\\Quorvane\\ColRange";
inline constexpr std::string_view ColRangeSaveKey = "Software\\Tavenbrook\\Quorvane\\ColRange";

} // namespace qv
