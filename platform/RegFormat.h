#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// The settings file's text, REGEDIT4 format, held line by line so that a rewrite keeps what it does
// not know:
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\SOFTWARE\Tavenbrook\Quorvane\Values]
//   "HelpDirectory"="/usr/share/doc/quorvane"
//   "Left"=dword:00000016
//
// Strings are raw bytes; in quoted text "\\" is a backslash, "\"" a quote, "\n" a newline and "\xHH" any
// other control byte (0x00-0x1f, 0x7f), so every string round-trips. A dword is exactly eight hex digits
// (a negative integer as its 32-bit pattern). Lines may end in CRLF; blank lines and ";" comments are
// allowed. Other hives, other keys, unknown values and hex: values are kept as they are on rewrite. Key
// and value names compare without regard to ASCII case. No file system here: text in, text out.
class RegDocument
{
public:
    enum class Type { String, Dword, Raw }; // Raw: a hex: value, kept as written

    struct Value
    {
        Type type = Type::Raw;
        std::string string; // type String
        std::uint32_t dword = 0; // type Dword
    };

    // The document of text, or none with error saying where and why ("line 1: no REGEDIT4 header").
    // Empty text is an empty document.
    static std::optional<RegDocument> parse(std::string_view text, std::string& error);

    // The key exists with a section of its own or of one of its subkeys.
    bool keyexists(std::string_view key) const;
    // The value, or null. Keys may appear in several sections and values twice; the last counts, as when
    // such a file is imported.
    const Value* find(std::string_view key, std::string_view name) const;
    // Sets the value, keeping the spelling of an existing name, or adds it to the key (made if missing).
    // The key must be valid (validkey).
    void setstring(std::string_view key, std::string_view name, std::string_view value);
    void setinteger(std::string_view key, std::string_view name, std::int32_t value);

    std::string text() const;

    // A key path below the hive: non-empty parts separated by single backslashes, no control bytes.
    static bool validkey(std::string_view key);

private:
    enum class Kind { Other, Section, Value }; // Other: the header, a blank line or a comment

    // One logical line: its text as read (a hex: value continued over several lines holds them joined by
    // "\n"), and what it says.
    struct Line
    {
        Kind kind = Kind::Other;
        std::string text;
        std::string section; // Section: the name between the brackets
        std::string name; // Value: the unescaped name; "" for "@", the key's default value
        Value value;
    };

    void set(std::string_view key, std::string_view name, Value value, const std::string& data);

    std::vector<Line> m_lines;
};

} // namespace qv
