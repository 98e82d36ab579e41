#pragma once

#include "DirLister.h"
#include "MountTable.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace qv {

class PosixListing;

// The directory lister of this system: getdents64 and statx on the directory's descriptor, links never
// followed, no scanned entry opened except the directories listed.
//
// open() reads all names of the directory at once; next() then examines one entry at a time with statx
// relative to the directory (a directory whose type the listing gives needs no statx at all, so its
// mtime stays 0). Entries whose statx fails (most often because they vanished) are left out.
//
// A directory that is a mount point (looked up in the mount table on the real path, before anything
// touches it) is reported as a directory with mountpoint set, never examined.
//
// A live listing keeps its directory open so that its subdirectories open relative to it, which keeps a
// walk linear however deep the tree; at most MaxOpen listings do so, the oldest giving theirs up first,
// so any depth works with a handful of descriptors. A listing read to its end may also hand its
// directory over to a handle (keepopen()), which listers of the same family (another()) open
// subdirectories relative to from any thread; at most MaxKept such handles are open at once across the
// family, beyond that subdirectories open by path. One instance serves one thread (another() makes one for
// the next); it must outlive the listings it made.
class PosixDirLister : public DirLister
{
public:
    static constexpr std::size_t MaxOpen = 32;
    static constexpr int MaxKept = 128;

    // mounts: the mount table of this scan (read once per scan).
    explicit PosixDirLister(MountTable mounts = MountTable::load());
    ~PosixDirLister() override;
    PosixDirLister(const PosixDirLister&) = delete;
    PosixDirLister& operator=(const PosixDirLister&) = delete;

    std::unique_ptr<DirListing> open(const std::string& path) override;
    std::unique_ptr<DirListing> openbelow(const std::string& root, const std::string& path) override;
    std::unique_ptr<DirListing> openin(const DirHandle* parent, const std::string& path) override;
    // A lister with a copy of this one's mount table and its last resolved path, so that the paths it is
    // given below that path need no realpath() of their own.
    std::unique_ptr<DirLister> another() override;
    // Listings opened from now on examine every second chunk of a big directory on a thread of their own.
    void examineahead() override { m_examineahead = true; }

    // Number of directories held open right now (for tests of the descriptor budget).
    std::size_t openDescriptors() const { return m_live.size() - m_firstopen; }
    // Number of handles of this lister's family open right now (likewise).
    int keptDescriptors() const { return m_kept->load(); }

private:
    friend class PosixListing;
    std::string realdir(const std::string& path, bool& derived);
    std::unique_ptr<DirListing> adopt(int fd, const std::string& path, std::string real);
    void forget(PosixListing* listing);

    MountTable m_mounts;
    // The last path resolved with realpath() and its result: paths below it map to real paths by text.
    std::string m_anchor;
    std::string m_anchorreal;
    bool m_anchored = false;
    // Live listings, oldest first; those from index m_firstopen on hold their directory open.
    std::vector<PosixListing*> m_live;
    std::size_t m_firstopen = 0;
    std::vector<char> m_buffer; // getdents64 buffer
    bool m_examineahead = false;
    std::shared_ptr<std::atomic<int>> m_kept; // handles open, shared with the family
};

} // namespace qv
