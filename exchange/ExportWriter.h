#pragma once

#include "DirLister.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// What the metadata of an export says besides the entries.
struct ExportMeta
{
    std::string progver;
    std::int64_t timestamp = 0; // seconds since the epoch
    std::uint32_t clustersize = 4096; // the scan's, so that a re-import rounds the same way
    std::int32_t whatifkb = 4;
};

// Appends s to out as a JSON string: the bytes as they are, only '"', '\' and the control bytes escaped,
// so a name that is not UTF-8 goes out unchanged.
void appendjsonstring(std::string& out, std::string_view s);

// A lister that writes the scan in the ncdu JSON export format while the walker reads through it: every
// entry the walk takes in, in the walk's order, a directory as an array of its info object and its
// children. A directory that can't be listed gets "read_error", a mount point (listed, never entered)
// "excluded":"otherfs". Nothing is kept but the open directories, so memory does not grow with the tree.
// The walk must open its root first; finish() closes the export after the walk.
class ExportWriter : public DirLister
{
public:
    // rootname: the name the export gives the root (the absolute path scanned).
    ExportWriter(DirLister& inner, std::FILE* out, const ExportMeta& meta, std::string rootname);
    ~ExportWriter() override;

    std::unique_ptr<DirListing> open(const std::string& path) override;
    std::unique_ptr<DirListing> openbelow(const std::string& root, const std::string& path) override;

    // Ends the export; false when it could not be written completely.
    bool finish();

private:
    class Listing;
    friend class Listing;
    std::unique_ptr<DirListing> begin(std::unique_ptr<DirListing> listing, const std::string& path);
    void entry(const DirEntry& e);
    void pendingdone(); // the pending directory was not entered: a mount point
    void close();
    void flush(bool always);

    DirLister& m_inner;
    std::FILE* m_out;
    ExportMeta m_meta;
    std::string m_rootname;
    std::string m_buffer;
    bool m_started = false;
    bool m_finished = false;
    int m_open = 0; // directory arrays not closed yet
    // The directory last listed and not yet entered, and the path the walker will open it by.
    bool m_pending = false;
    std::string m_pendingname;
    std::string m_pendingpath;
};

} // namespace qv
