#include "RegFormat.h"

#include <cstdio>

namespace qv {

namespace {

constexpr std::string_view Header = "REGEDIT4";
constexpr std::string_view Hive = "HKEY_CURRENT_USER\\";

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool iequal(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

bool istartswith(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && iequal(s.substr(0, prefix.size()), prefix);
}

bool iscontrol(unsigned char c)
{
    return c < 0x20 || c == 0x7f;
}

int hexdigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::string quote(std::string_view s)
{
    static const char digits[] = "0123456789abcdef";
    std::string q = "\"";
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            q += '\\';
            q += c;
        } else if (c == '\n') {
            q += "\\n";
        } else if (iscontrol(u)) {
            q += "\\x";
            q += digits[u >> 4];
            q += digits[u & 15];
        } else {
            q += c;
        }
    }
    return q + '"';
}

// Reads the quoted text that starts at s[pos]; pos ends just past the closing quote.
bool unquote(std::string_view s, std::size_t& pos, std::string& out)
{
    if (pos >= s.size() || s[pos] != '"')
        return false;
    out.clear();
    for (++pos; pos < s.size(); ++pos) {
        const char c = s[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++pos == s.size())
            return false;
        const char e = s[pos];
        if (e == '\\' || e == '"') {
            out += e;
        } else if (e == 'n') {
            out += '\n';
        } else if (e == 'x' && pos + 2 < s.size() && hexdigit(s[pos + 1]) >= 0 && hexdigit(s[pos + 2]) >= 0) {
            out += char(hexdigit(s[pos + 1]) * 16 + hexdigit(s[pos + 2]));
            pos += 2;
        } else {
            return false; // an escape we never write: better to refuse the file than to misread it
        }
    }
    return false;
}

// "hex:" or "hex(N):" then bytes in hex separated by commas; a trailing "\" continues on the next line.
bool rawvalue(std::string_view data, bool& continues)
{
    std::size_t pos = 3;
    if (pos < data.size() && data[pos] == '(') {
        const std::size_t close = data.find(')', pos);
        if (close == std::string_view::npos || close == pos + 1)
            return false;
        for (std::size_t i = pos + 1; i < close; ++i) {
            if (hexdigit(data[i]) < 0)
                return false;
        }
        pos = close + 1;
    }
    if (pos >= data.size() || data[pos] != ':')
        return false;
    std::string_view rest = trim(data.substr(pos + 1));
    continues = !rest.empty() && rest.back() == '\\';
    if (continues)
        rest.remove_suffix(1);
    for (char c : rest) {
        if (hexdigit(c) < 0 && c != ',' && c != ' ' && c != '\t')
            return false;
    }
    return true;
}

// The data of a string or dword value line (what follows "="); null when it is neither, with why set
// when it is a malformed one of them.
bool typedvalue(std::string_view data, RegDocument::Value& value, const char*& why)
{
    if (!data.empty() && data.front() == '"') {
        std::size_t pos = 0;
        if (!unquote(data, pos, value.string) || pos != data.size()) {
            why = "bad string";
            return false;
        }
        value.type = RegDocument::Type::String;
        return true;
    }
    const std::string_view digits = data.substr(6);
    if (digits.size() != 8) {
        why = "a dword must have eight hex digits";
        return false;
    }
    for (char c : digits) {
        if (hexdigit(c) < 0) {
            why = "a dword must have eight hex digits";
            return false;
        }
        value.dword = value.dword * 16 + std::uint32_t(hexdigit(c));
    }
    value.type = RegDocument::Type::Dword;
    return true;
}

std::vector<std::string_view> physicallines(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view l = text.substr(0, end);
        if (!l.empty() && l.back() == '\r')
            l.remove_suffix(1);
        lines.push_back(l);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return lines;
}

std::string valuetext(std::string_view name, const std::string& data)
{
    return (name.empty() ? std::string("@") : quote(name)) + "=" + data;
}

std::string sectionname(std::string_view key)
{
    return std::string(Hive).append(key);
}

} // namespace

std::optional<RegDocument> RegDocument::parse(std::string_view text, std::string& error)
{
    const std::vector<std::string_view> physical = physicallines(text);
    auto fail = [&](std::size_t i, const char* why) {
        error = "line " + std::to_string(i + 1) + ": " + why;
        return std::nullopt;
    };
    for (std::size_t i = 0; i < physical.size(); ++i) {
        for (char c : physical[i]) {
            if (iscontrol(static_cast<unsigned char>(c)) && c != '\t')
                return fail(i, "control character");
        }
    }
    RegDocument doc;
    if (physical.empty())
        return doc; // an empty file holds nothing, and losing it loses nothing
    if (trim(physical[0]) != Header)
        return fail(0, "no REGEDIT4 header");

    doc.m_lines.push_back(Line { Kind::Other, std::string(physical[0]), {}, {}, {} });
    bool insection = false;
    for (std::size_t i = 1; i < physical.size(); ++i) {
        const std::string_view t = trim(physical[i]);
        Line line;
        line.text = physical[i];
        if (t.empty() || t.front() == ';') {
            doc.m_lines.push_back(std::move(line));
            continue;
        }
        if (t.front() == '[') {
            if (t.size() < 3 || t.back() != ']')
                return fail(i, "bad key line");
            line.kind = Kind::Section;
            line.section = t.substr(1, t.size() - 2);
            insection = true;
            doc.m_lines.push_back(std::move(line));
            continue;
        }
        if (t.front() != '"' && t.front() != '@')
            return fail(i, "neither key, value, comment nor blank");
        if (!insection)
            return fail(i, "value outside a key");
        line.kind = Kind::Value;
        std::size_t pos = 0;
        if (t.front() == '@')
            pos = 1;
        else if (!unquote(t, pos, line.name))
            return fail(i, "bad value name");
        const std::string_view rest = trim(t.substr(pos));
        if (rest.empty() || rest.front() != '=')
            return fail(i, "no \"=\" after the value name");
        const std::string_view data = trim(rest.substr(1));
        const char* why = nullptr;
        if ((!data.empty() && data.front() == '"') || istartswith(data, "dword:")) {
            if (!typedvalue(data, line.value, why))
                return fail(i, why);
        } else if (istartswith(data, "hex")) {
            bool continues = false;
            if (!rawvalue(data, continues))
                return fail(i, "bad hex value");
            while (continues) {
                if (++i == physical.size())
                    return fail(i - 1, "hex value continued past the end");
                if (!rawvalue(std::string("hex:").append(trim(physical[i])), continues))
                    return fail(i, "bad hex value");
                line.text.append("\n").append(physical[i]);
            }
        } else {
            return fail(i, "unknown value type");
        }
        doc.m_lines.push_back(std::move(line));
    }
    return doc;
}

bool RegDocument::validkey(std::string_view key)
{
    if (key.empty() || key.front() == '\\' || key.back() == '\\' || key.find("\\\\") != std::string_view::npos)
        return false;
    for (char c : key) {
        if (iscontrol(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

bool RegDocument::keyexists(std::string_view key) const
{
    if (!validkey(key))
        return false;
    const std::string section = sectionname(key);
    const std::string subkeys = section + "\\";
    for (const Line& l : m_lines) {
        if (l.kind == Kind::Section && (iequal(l.section, section) || istartswith(l.section, subkeys)))
            return true;
    }
    return false;
}

const RegDocument::Value* RegDocument::find(std::string_view key, std::string_view name) const
{
    if (!validkey(key))
        return nullptr;
    const std::string section = sectionname(key);
    const Value* found = nullptr;
    bool in = false;
    for (const Line& l : m_lines) {
        if (l.kind == Kind::Section)
            in = iequal(l.section, section);
        else if (in && l.kind == Kind::Value && iequal(l.name, name))
            found = &l.value;
    }
    return found;
}

void RegDocument::setstring(std::string_view key, std::string_view name, std::string_view value)
{
    set(key, name, Value { Type::String, std::string(value), 0 }, quote(value));
}

void RegDocument::setinteger(std::string_view key, std::string_view name, std::int32_t value)
{
    char data[32];
    std::snprintf(data, sizeof data, "dword:%08x", static_cast<std::uint32_t>(value));
    set(key, name, Value { Type::Dword, {}, static_cast<std::uint32_t>(value) }, data);
}

void RegDocument::set(std::string_view key, std::string_view name, Value value, const std::string& data)
{
    const std::string section = sectionname(key);
    std::ptrdiff_t existing = -1, insert = -1;
    bool in = false;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const Line& l = m_lines[i];
        if (l.kind == Kind::Section) {
            in = iequal(l.section, section);
            if (in)
                insert = std::ptrdiff_t(i + 1);
        } else if (in && l.kind == Kind::Value) {
            insert = std::ptrdiff_t(i + 1);
            if (iequal(l.name, name))
                existing = std::ptrdiff_t(i);
        }
    }
    if (existing >= 0) {
        Line& l = m_lines[existing];
        l.text = valuetext(l.name, data);
        l.value = std::move(value);
        return;
    }
    Line line { Kind::Value, valuetext(name, data), {}, std::string(name), std::move(value) };
    if (insert >= 0) {
        m_lines.insert(m_lines.begin() + insert, std::move(line));
        return;
    }
    if (m_lines.empty())
        m_lines.push_back(Line { Kind::Other, std::string(Header), {}, {}, {} });
    if (!trim(m_lines.back().text).empty())
        m_lines.push_back(Line {});
    m_lines.push_back(Line { Kind::Section, "[" + section + "]", section, {}, {} });
    m_lines.push_back(std::move(line));
}

std::string RegDocument::text() const
{
    std::string t;
    for (const Line& l : m_lines)
        t.append(l.text).append("\n");
    return t;
}

} // namespace qv
