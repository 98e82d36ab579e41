#pragma once

#include "RegFormat.h"
#include "SettingsStore.h"

#include <string>

namespace qv {

// The settings store as one per-user text file in the REGEDIT4 format (RegDocument).
//
// Reads never create anything. Each write locks the settings file itself (flock; a writer that finds the
// file replaced while it waited locks the new one), re-reads it, applies its batch and replaces the file
// atomically (temporary file beside it, fsync, rename), so two running instances never lose each other's
// values and the folder holds nothing but the settings file. Temporaries that a killed save left behind
// are removed by the next save. A file that cannot be parsed reads as empty (said once on standard
// error) and is renamed aside, never overwritten, before the first write replaces it.
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
    void write(const SettingsBatch& batch) override;
    std::optional<std::string> setasideunreadable() override;

    // Files larger than this are not read: they count as unreadable.
    static constexpr long long MaxFileSize = 8 << 20;

protected:
    // A write has its temporary file written and synced and is about to rename it over the settings
    // file; temp is its path.
    virtual void replacing(const std::string& temp) { (void)temp; }

private:
    struct Loaded;
    Loaded load(bool quiet);
    RegDocument::Value read(std::string_view key, std::string_view name, RegDocument::Type type);

    std::string m_path;
    bool m_warned = false; // the current unreadable file has been reported
};

} // namespace qv
