#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

namespace qv {

// The mtime of an entry whose modification time is not known (an entry read from a file that holds none).
constexpr std::int64_t UnknownTime = std::numeric_limits<std::int64_t>::min();

// One entry of a directory listing. Names are raw bytes exactly as the file system gives them.
struct DirEntry
{
    std::string_view name; // valid until the listing's next call to next()
    bool isdir = false;
    // A directory that is the mount point of another file system (or a bind mount): listed, never entered.
    bool mountpoint = false;
    bool compressed = false;
    double size = 0; // nominal size in bytes (lstat size: links are never followed)
    double ondisc = -1; // on-disc size of a compressed file; negative when it could not be read
    std::int64_t mtime = 0; // last modification, seconds since the epoch; UnknownTime when not known
    // What an export of the scan records besides the figures (zero or false where the listing didn't stat).
    double allocated = 0; // blocks held on disc, in bytes
    std::uint64_t inode = 0;
    std::uint32_t links = 0;
    bool notregular = false; // neither a regular file nor a directory: a link, a FIFO, a device, a socket
};

// A directory held open after its listing was read, so that its subdirectories open relative to it
// (without walking the path from the root again). Shared by the subdirectories still to be opened;
// the last of them to let go closes it.
class DirHandle
{
public:
    virtual ~DirHandle() = default;
};

// An open listing of one directory; destroying it ends the listing.
class DirListing
{
public:
    virtual ~DirListing() = default;
    // Fills in the next entry and returns true, or returns false at the end. "." and ".." are never
    // listed; entries that vanish before they can be examined are left out.
    virtual bool next(DirEntry& entry) = 0;

    // What is known of the rest of the listing before it is read: at most how many entries and how many
    // bytes of names are still to come (zero when not known). A reader that copies it reserves that much.
    struct Size
    {
        std::size_t entries = 0;
        std::size_t namebytes = 0;
    };
    virtual Size remaining() const { return {}; }

    // The directory this listing holds open, handed over for opening its subdirectories with
    // DirLister::openin() (the listing no longer needs it); nullptr when it holds none or the lister keeps
    // no more open. Only once the listing has been read to its end.
    virtual std::shared_ptr<const DirHandle> keepopen() { return nullptr; }
};

class DirLister
{
public:
    virtual ~DirLister() = default;
    // Starts listing the directory at path (absolute, no trailing separator except for "/").
    // Returns nullptr when the directory cannot be listed.
    virtual std::unique_ptr<DirListing> open(const std::string& path) = 0;
    // Starts listing the directory at path, which is root or lies below it: root is opened as open() does,
    // every directory below it without following a symbolic link, so a directory replaced by a link can't
    // be listed. Returns nullptr when the directory cannot be listed. Listers that can't tell a link from a
    // directory (test fakes) just open the path.
    virtual std::unique_ptr<DirListing> openbelow(const std::string& root, const std::string& path)
    {
        (void)root;
        return open(path);
    }
    // open() for a subdirectory of parent (a handle from keepopen() of a listing of this lister or of
    // one from another(), or nullptr), relative to it where the lister can.
    virtual std::unique_ptr<DirListing> openin(const DirHandle* parent, const std::string& path)
    {
        (void)parent;
        return open(path);
    }
    // A lister for another thread that lists as this one does (the same mount table, the same scan root)
    // and may run alongside it; nullptr when this lister can't be shared out that way.
    virtual std::unique_ptr<DirLister> another() { return nullptr; }
    // For a caller that reads one big listing to its end on a thread of its own (the detail list): the
    // listings opened from now on may examine their entries on another thread as well, where the lister
    // can. They give the same entries in the same order either way.
    virtual void examineahead() { }
};

} // namespace qv
