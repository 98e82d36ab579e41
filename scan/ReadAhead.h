#pragma once

#include "DirLister.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace qv {

// How many threads list directories ahead of a walk here: a few per core the process may use, none
// when it may use one core only (the walker then lists alone).
int readaheadworkers();

// The lister one walk uses when worker threads read ahead of it. The first directory asked for (the
// walk's root) is listed by the walker's own lister; from then on workers, each with a lister of its own
// made by own.another(), list the subdirectories of every listing read so far, nearest to the walker
// first (in the order a depth-first walk enters them). open() hands the walker the finished listing of
// the directory it asks for, waits for one a worker is reading, or lists the directory itself when no
// worker has started on it. Listings are read to their end in memory; those waiting for the walker are
// bounded in number and bytes, the farthest giving way to nearer ones.
//
// Only the walker's thread calls open(). Listings come out exactly as own gives them: the walker sees the
// same entries in the same order whichever thread read them. Once scanabort is set, open() no longer
// waits for a worker: it gives an empty listing. Destruction stops the workers; one stuck in a call that
// does not return (a dead file system) is left to end by itself, holding nothing of the walk's.
//
// A lister whose another() gives nullptr is used as it is, without workers.
class ReadAhead : public DirLister
{
public:
    ReadAhead(DirLister& own, int workers, const std::atomic<std::int32_t>& scanabort);
    ~ReadAhead() override;
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    std::unique_ptr<DirListing> open(const std::string& path) override;

private:
    struct State;
    class Reader;
    std::unique_ptr<DirListing> first(const std::string& path);
    std::unique_ptr<DirListing> readown(
        const std::string& path, const DirHandle* parent, const std::string& key, bool known);

    DirLister& m_own;
    const int m_workers;
    const std::atomic<std::int32_t>& m_scanabort;
    std::shared_ptr<State> m_state;
    std::unique_ptr<Reader> m_reader;
    bool m_started = false;
    bool m_direct = false; // no workers: every listing comes straight from own
};

} // namespace qv
