#pragma once

#include "SettingsStore.h"

#include <string>

namespace qv {

// The settings store as one per-user text file in the REGEDIT4 format:
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
// allowed. Other hives, other keys, unknown values and hex: values are kept as they are on rewrite.
//
// Reads never create anything. Each write locks a file beside the settings file (flock), re-reads the
// file, applies that one change and replaces the file atomically (temporary file, fsync, rename), so two
// running instances never lose each other's values. A file that cannot be parsed reads as empty (said
// once on standard error) and is renamed aside, never overwritten, before the first write replaces it.
class RegFileStore : public SettingsStore
{
public:
    RegFileStore(); // at defaultpath(), taken when constructed
    explicit RegFileStore(std::string path);

    // $XDG_CONFIG_HOME/Tavenbrook/Quorvane.reg; XDG_CONFIG_HOME defaults to ~/.config (a relative
    // XDG_CONFIG_HOME is ignored, as the base-directory rules say).
    static std::string defaultpath();
    const std::string& path() const { return m_path; }

    bool keyExists(std::string_view key) override;
    bool valueExists(std::string_view key, std::string_view name) override;
    std::string readString(std::string_view key, std::string_view name) override;
    std::int32_t readInteger(std::string_view key, std::string_view name) override;
    void writeString(std::string_view key, std::string_view name, std::string_view value) override;
    void writeInteger(std::string_view key, std::string_view name, std::int32_t value) override;

    // Files larger than this are not read: they count as unreadable.
    static constexpr long long MaxFileSize = 8 << 20;

private:
    struct Document;
    Document load(bool quiet);
    void write(std::string_view key, std::string_view name, const std::string& data);

    std::string m_path;
    bool m_warned = false; // the current unreadable file has been reported
};

} // namespace qv
