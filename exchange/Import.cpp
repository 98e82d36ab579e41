#include "Import.h"

#include "Labels.h"
#include "PathJoin.h"
#include "ScanRules.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace qv {
namespace {

// Works out importclustersize() from the header or from every file's disc usage.
class ClusterGuess : public ExportVisitor
{
public:
    std::uint32_t result() const
    {
        if (m_own)
            return m_own;
        if (m_bits == 0)
            return 4096;
        const std::uint64_t lowest = m_bits & (~m_bits + 1);
        return static_cast<std::uint32_t>(lowest > 65536 ? 65536 : lowest);
    }

    Step header(const ExportHeader& h) override
    {
        m_own = h.clustersize;
        return m_own ? Stop : Continue;
    }
    Step enter(const ExportEntry&) override { return Continue; }
    Step leave() override { return Continue; }
    Step file(const ExportEntry& f) override
    {
        if (f.dsize > 0)
            m_bits |= static_cast<std::uint64_t>(f.dsize);
        return (m_bits & 1) ? Stop : Continue; // nothing larger than 1 can divide them any more
    }

private:
    std::uint32_t m_own = 0;
    std::uint64_t m_bits = 0;
};

// One directory being read: what a walk keeps for the directory it lists.
struct Frame
{
    Frame(dirrec* r, std::string p)
        : record(r)
        , path(std::move(p))
        , index(r)
    {
    }
    dirrec* record;
    std::string path;
    SiblingIndex index;
    int entries = 0; // since the last progress text
    int messages = 0; // progress texts posted
};

class ImportWalk : public ExportVisitor
{
public:
    ImportWalk(const ImportJob& job, ImportSummary& summary)
        : m_job(job)
        , m_summary(summary)
    {
    }

    Step header(const ExportHeader& h) override
    {
        m_summary.header = h;
        if (!m_job.clustersize && h.clustersize)
            m_summary.clustersize = h.clustersize;
        if (m_job.filewhatif && h.whatifkb)
            m_job.filewhatif->store(h.whatifkb, std::memory_order_relaxed);
        return Continue;
    }

    Step enter(const ExportEntry& dir) override
    {
        if (m_stack.empty()) {
            const std::string path = rootname(dir.name);
            m_summary.root = m_job.arena.make(path, KindDirectory);
            if (dir.readerror || dir.excluded) {
                cantopen(m_job.diag, path);
                return Skip;
            }
            m_stack.push_back(std::make_unique<Frame>(m_summary.root, path));
            return Continue;
        }
        if (stopped())
            return Stop;
        Frame& f = *m_stack.back();
        if (dir.name == "." || dir.name == "..")
            return Skip;
        if (pathtoolong(f.path, dir.name)) {
            nametoolong(m_job.diag, f.path, dir.name);
            return Skip;
        }
        std::string full = joinpath(f.path, dir.name);
        m_job.sink.status(full);
        dirrec* d = nullptr;
        adddir(m_job.arena, f.index, dir.name, &d);
        if (dir.excluded || dir.readerror) { // listed, not entered
            if (dir.readerror && !dir.excluded)
                cantopen(m_job.diag, full);
            leave(f, full);
            return Skip;
        }
        m_stack.push_back(std::make_unique<Frame>(d, std::move(full)));
        return Continue;
    }

    Step file(const ExportEntry& e) override
    {
        if (stopped())
            return Stop;
        Frame& f = *m_stack.back();
        if (e.name == "." || e.name == "..")
            return Continue;
        if (pathtoolong(f.path, e.name)) {
            nametoolong(m_job.diag, f.path, e.name);
            return Continue;
        }
        if (e.excluded) { // excluded by the scan that wrote it: a directory record that is not entered
            const std::string full = joinpath(f.path, e.name);
            m_job.sink.status(full);
            dirrec* d = nullptr;
            adddir(m_job.arena, f.index, e.name, &d);
            leave(f, full);
            return Continue;
        }
        const double ondisc = e.compressed && e.dsize >= 0 ? e.dsize : e.asize;
        const Rounding rounding { m_summary.clustersize, m_job.whatifkb.load(std::memory_order_relaxed) };
        dirrec* g = nullptr;
        addgroup(m_job.arena, f.index, groupname(e.name), KindGroup, e.asize, ondisc, rounding, &g);
        count(f);
        return Continue;
    }

    Step leave() override
    {
        // Summed as the walk sums a directory it leaves, while its children are still in the cache.
        dirrec* record = m_stack.back()->record;
        sumchildren(record);
        const int level = static_cast<int>(m_stack.size()) - (record->child ? 0 : 1);
        if (level > m_summary.maxdepth)
            m_summary.maxdepth = level;
        std::string done = std::move(m_stack.back()->path);
        m_stack.pop_back();
        if (!m_stack.empty())
            leave(*m_stack.back(), done);
        return Continue;
    }

private:
    bool stopped()
    {
        if (!m_aborted && m_job.scanabort.load(std::memory_order_relaxed) != 0)
            m_aborted = true;
        return m_aborted;
    }
    void count(Frame& f)
    {
        if (++f.entries > 100 && !stopped()) {
            ++f.messages;
            f.entries = 0;
            m_job.sink.status(f.path + "  Processed " + std::to_string(100 * f.messages) + " Files");
        }
    }
    void leave(Frame& parent, const std::string& full)
    {
        if (stopped())
            return;
        m_job.sink.status(full);
        count(parent);
    }

    const ImportJob& m_job;
    ImportSummary& m_summary;
    std::vector<std::unique_ptr<Frame>> m_stack;
    bool m_aborted = false;
};

} // namespace

std::uint32_t importclustersize(const std::string& path, ExportResult* failure)
{
    ClusterGuess guess;
    const ExportResult r = readexport(path, guess);
    if (failure)
        *failure = r;
    return r.ok ? guess.result() : 0;
}

namespace {

// Hands every entry to the cluster size's guess, and to the import those it asks for: the guess counts
// the files of directories the import skips too, as a pass of its own would.
class GuessingWalk : public ExportVisitor
{
public:
    GuessingWalk(ImportWalk& walk, ClusterGuess& guess)
        : m_walk(walk)
        , m_guess(guess)
    {
    }
    Step header(const ExportHeader& h) override
    {
        m_guess.header(h);
        return m_walk.header(h);
    }
    Step enter(const ExportEntry& dir) override
    {
        ++m_depth;
        if (m_skipped)
            return Continue;
        const Step s = m_walk.enter(dir);
        if (s == Skip)
            m_skipped = m_depth;
        return s == Stop ? Stop : Continue;
    }
    Step file(const ExportEntry& f) override
    {
        if (!m_settled && m_guess.file(f) == Stop)
            m_settled = true; // 1 divides everything: the import goes on, to be read again
        return m_skipped ? Continue : m_walk.file(f);
    }
    Step leave() override
    {
        const bool skipped = m_skipped != 0;
        if (m_skipped == m_depth)
            m_skipped = 0; // the skipped directory's own leave() goes with its contents
        --m_depth;
        return skipped ? Continue : m_walk.leave();
    }

private:
    ImportWalk& m_walk;
    ClusterGuess& m_guess;
    bool m_settled = false;
    int m_depth = 0;
    int m_skipped = 0; // depth of the directory the import skips, 0 for none
};

struct CloseFile
{
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// The end of a read: a tree that was read whole gets what the view needs of it.
ImportSummary finishimport(ImportSummary& summary, const ImportJob& job)
{
    if (!summary.result.ok || summary.result.stopped || job.scanabort || !summary.root)
        return summary;
    summary.labelwidth = labelwidth(summary.maxdepth);
    summary.completed = true;
    return summary;
}

} // namespace

ImportSummary runimport(const std::string& path, const ImportJob& job)
{
    ImportSummary summary;
    summary.clustersize = job.clustersize ? job.clustersize : 4096;
    if (!job.clustersize && path != "-") {
        // Most exports round to 4096 bytes: the file is read once on that guess, which the same pass
        // checks, and read again only when its disc usages say otherwise. The first pass's diagnostics
        // are held until it is known to count.
        char* held = nullptr;
        std::size_t heldsize = 0;
        std::unique_ptr<std::FILE, CloseFile> diag(::open_memstream(&held, &heldsize));
        ImportJob first = job;
        first.diag = diag ? diag.get() : job.diag;
        ClusterGuess guess;
        ImportWalk walk(first, summary);
        GuessingWalk both(walk, guess);
        summary.result = readexport(path, both);
        diag.reset();
        const bool right = !summary.result.ok || summary.result.stopped || guess.result() == summary.clustersize;
        if (right && held && job.diag)
            std::fwrite(held, 1, heldsize, job.diag);
        std::free(held);
        if (right)
            return finishimport(summary, job);
        const std::uint32_t cluster = guess.result();
        job.arena.release();
        summary = ImportSummary();
        summary.clustersize = cluster;
    }
    ImportWalk walk(job, summary);
    summary.result = readexport(path, walk);
    return finishimport(summary, job);
}

} // namespace qv
