// The exchange file in-process: what the writer makes of a walk, what the reader makes of a file.
#include "ExportDirectory.h"
#include "ExportWriter.h"
#include "FakeFiles.h"
#include "Import.h"
#include "RecordChecks.h"
#include "TempTree.h"
#include "Walk.h"

#include <cstdio>
#include <fstream>
#include <functional>

using namespace qv;
using namespace qv::test;

namespace {

void save(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// One line per record in pre-order: level, name and the four figures.
std::string dump(const dirrec* r, int level = 0)
{
    std::string text = std::to_string(level) + ' ' + std::string(r->name()) + ' ' + std::to_string(r->count) + ' '
        + std::to_string(r->bytes) + ' ' + std::to_string(r->space) + ' ' + std::to_string(r->whatif) + '\n';
    for (const dirrec* c = r->child; c; c = c->next)
        text += dump(c, level + 1);
    return text;
}

// An import with its records, texts and diagnostics, as Walk has them for a walk.
struct Import
{
    RecordArena arena;
    std::atomic<std::int32_t> scanabort { 0 };
    std::atomic<std::int32_t> whatifkb { 4 };
    RecordingSink sink;
    DiagStream diag;
    ImportSummary run(const std::string& path, std::uint32_t clustersize = 0)
    {
        const ImportSummary s = runimport(path, { arena, sink, scanabort, whatifkb, clustersize, diag.file() });
        if (s.root)
            checktree(s.root);
        return s;
    }
};

// /r: a mount point, a compressed file, a directory that can't be listed, 150 files in one directory (the
// progress texts), names the export must escape.
void maketree(FakeFiles& files)
{
    files.file("/r/a.txt", 5000);
    files.file("/r/q\"\\\n.TXT", 10);
    files.dir("/r/empty");
    for (int i = 0; i < 150; ++i)
        files.file("/r/many/f" + std::to_string(i) + ".dat", i * 100);
    FakeEntry packed = fakefile("packed.bin", 100000);
    packed.compressed = true;
    packed.ondisc = 5000;
    FakeEntry mount = fakedir("mnt");
    mount.mountpoint = true;
    files.dir("/r/sub");
    files.listing("/r/sub", { packed, mount, fakedir("gone"), fakefile("b.c", 9000) });
}

std::string exportwalk(FakeFiles& files, const std::string& out, Walk& walk, std::uint32_t clustersize)
{
    std::FILE* f = std::fopen(out.c_str(), "wb");
    {
        ExportWriter writer(files, f, { "1", 1796000000, clustersize, 4 }, "/r");
        walk.readahead = 0;
        walk.run(writer, "/r", clustersize);
        EXPECT_TRUE(writer.finish());
    }
    std::fclose(f);
    std::ifstream in(out, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(Exchange, ImportOfAnExportGivesTheWalksRecordsTextsAndDiagnostics)
{
    TempTree t;
    FakeFiles files;
    maketree(files);
    Walk plain;
    plain.run(files, "/r", 8192);
    Walk walked;
    const std::string json = exportwalk(files, t.at("r.json"), walked, 8192);
    EXPECT_EQ(walked.sink.texts(), plain.sink.texts()); // the writer changes nothing of the walk
    EXPECT_NE(json.find("[{\"name\":\"mnt\",\"excluded\":\"otherfs\"}]"), std::string::npos);
    EXPECT_NE(json.find("[{\"name\":\"gone\",\"read_error\":true}]"), std::string::npos);
    EXPECT_NE(json.find("{\"name\":\"q\\\"\\\\\\u000a.TXT\""), std::string::npos);
    EXPECT_NE(json.find("\"clustersize\":8192,\"whatifkb\":4}"), std::string::npos);

    Import imported;
    const ImportSummary s = imported.run(t.at("r.json"));
    ASSERT_TRUE(s.completed) << s.result.message("r.json");
    EXPECT_EQ(s.clustersize, 8192u);
    int depth = 0;
    rollup(walked.root, 0, depth);
    EXPECT_EQ(dump(s.root), dump(walked.root));
    EXPECT_EQ(s.maxdepth, depth);
    EXPECT_EQ(imported.sink.texts(), walked.sink.texts());
    EXPECT_EQ(imported.diag.str(), walked.diag.str());
    EXPECT_EQ(imported.diag.str(), "\ndirwalk function: can't open /r/sub/gone\n");
    // The compressed file counts at its on-disc size again: 5000 rounded, not 100000.
    EXPECT_EQ(child(child(s.root, "sub"), "*.BIN")->space, 8192);

    // --cluster overrides the export's own.
    Import other;
    const ImportSummary small = other.run(t.at("r.json"), 512);
    EXPECT_EQ(small.clustersize, 512u);
    EXPECT_EQ(child(small.root, "*.TXT")->space, 5120 + 512);
}

namespace {

const std::string Head = "[1,2,{\"progname\":\"x\"},\n";

struct Broken
{
    std::string text;
    std::string message;
};

} // namespace

TEST(Exchange, BrokenFilesGiveTheirOffsetAndReason)
{
    const std::string deep
        = Head + "[{\"name\":\"/r\",\"x\":" + std::string(5000, '[') + std::string(5000, ']') + "}]]";
    const std::string longname = Head + "[{\"name\":\"/r\"},{\"name\":\"" + std::string(5000, 'n') + "\"}]]";
    const std::string huge = Head + "[{\"name\":\"/r\"},{\"name\":\"a\",\"x\":\"" + std::string(3 << 20, 'v') + "\"}]]";
    const Broken cases[] = {
        { "", "at byte 0: the file is empty" },
        { "{}", "at byte 0: not an export: it is not a JSON array" },
        { "[2,0,{},[{\"name\":\"/r\"}]]", "at byte 2: unsupported major version 2" },
        { "[\"1\",0,{},[{\"name\":\"/r\"}]]", "at byte 4: not an export: the version is not a number" },
        { "[1,2,[],[{\"name\":\"/r\"}]]", "at byte 5: the metadata is not an object" },
        { "[1,2,{},{\"name\":\"/r\"}]", "at byte 8: the root is not a directory" },
        { "[1,2,{}]", "at byte 7: not an export: it has no root directory" },
        { Head + "[{\"name\":\"/r\"}", "at byte 37: truncated" },
        { Head + "[{\"name\":\"/r\"},{\"name\":\"a\",\"as", "at byte 53: truncated" },
        { Head + "[{\"name\":\"/r\"}]] []", "at byte 40: text after the end of the export" },
        { Head + "[{\"name\":\"/r\"},]]", "at byte 38: invalid JSON: invalid value" },
        { Head + "[{\"name\":\"/r\"},{\"asize\":1}]]", "at byte 48: an entry has no name" },
        { Head + "[{\"name\":\"/r\"},{\"name\":5}]]", "at byte 47: name is not a string" },
        { Head + "[{\"name\":\"/r\"},{\"name\":[\"a\"]}]]", "at byte 46: name is not a string" },
        { Head + "[{\"name\":\"/r\"},{\"name\":\"a/b\"}]]", "at byte 51: invalid name" },
        { Head + "[{\"name\":\"/r\"},{\"name\":\"\"}]]", "at byte 48: invalid name" },
        { Head + "[{\"name\":\"/r\"},{\"name\":\"a\",\"asize\":-1}]]", "at byte 60: asize out of range" },
        { Head + "[{\"name\":\"/r\"},{\"name\":\"a\",\"dsize\":1.5}]]", "at byte 61: dsize out of range" },
        { Head + "[{\"name\":\"/r\"},{\"name\":\"a\",\"asize\":9223372036854775808}]]",
            "at byte 77: asize out of range" },
        { Head + "[{\"name\":\"/r\"},{\"name\":\"a\",\"asize\":\"5\"}]]", "at byte 61: asize is not a number" },
        { Head + "[{\"name\":\"/r\"},{\"name\":\"a\",\"mtime\":-9223372036854775808}]]",
            "at byte 78: mtime out of range" },
        { Head + "[{\"name\":\"/r\"},{\"name\":\"a\",\"read_error\":1}]]",
            "at byte 64: read_error is not true or false" },
        { Head + "[{\"name\":\"/r\"},{\"name\":\"a\",\"excluded\":2}]]", "at byte 62: excluded is not a string" },
        { Head + "[{\"name\":\"/r\"},5]]", "at byte 39: a directory holds something that is not an entry" },
        { Head + "[[{\"name\":\"/r\"}]]]", "at byte 24: a directory does not begin with its info object" },
        { Head + "[{\"name\":\"/r\"},[]]]", "at byte 39: a directory does not begin with its info object" },
        { Head + "[{\"name\":\"/r\"}],[]]", "at byte 39: something follows the root directory" },
        { "[1,2,{\"progname\":\"quorvane\",\"clustersize\":0},[{\"name\":\"/r\"}]]",
            "at byte 43: clustersize out of range" },
        { deep, "at byte 4134: nesting too deep" },
        { longname, "at byte 5048: name too long" },
        { huge, "at byte 1310720: a value longer than 1 MiB" },
        { "\x1f\x8b\x08\x00garbage", "at byte 0: the gzip data ends early" },
        { "\x28\xb5\x2f\xfdgarbage", "at byte 0: corrupt zstd data" },
        { "\xbfncduEX1....", "at byte 0: not an export in the JSON format (a binary ncdu export)" },
    };
    TempTree t;
    const std::string file = t.at("x.json");
    for (const Broken& c : cases) {
        save(file, c.text);
        Import imported;
        const ImportSummary s = imported.run(file, 4096);
        EXPECT_FALSE(s.completed);
        EXPECT_FALSE(s.result.ok);
        EXPECT_EQ(s.result.message("x.json"), "x.json: " + c.message) << c.text.substr(0, 80);
    }
}

// Exports other programs write: no cluster size of ours, so it comes from their disc usages.
TEST(Exchange, ClusterSizeOfAForeignExport)
{
    struct Case
    {
        std::string entries;
        std::uint32_t cluster;
        double space; // the sizes rounded to that cluster size, whatever the first guess was
    } cases[] = {
        { "{\"name\":\"a\",\"asize\":1,\"dsize\":8192},{\"name\":\"b\",\"asize\":1,\"dsize\":24576}", 8192, 16384 },
        { "{\"name\":\"a\",\"asize\":1,\"dsize\":4096},{\"name\":\"b\",\"asize\":1,\"dsize\":0}", 4096, 8192 },
        { "{\"name\":\"a\",\"asize\":1,\"dsize\":1048576}", 65536, 65536 },
        { "{\"name\":\"a\",\"asize\":1000,\"dsize\":1000},{\"name\":\"b\",\"asize\":77,\"dsize\":77}", 1, 1077 },
        { "{\"name\":\"a\",\"asize\":1}", 4096, 4096 },
        // The files of a directory the import does not enter count for the guess.
        { "[{\"name\":\"d\",\"read_error\":true},{\"name\":\"a\",\"asize\":1,\"dsize\":512}],"
          "{\"name\":\"b\",\"asize\":1,\"dsize\":16384}",
            512, 512 },
    };
    TempTree t;
    for (const Case& c : cases) {
        save(t.at("f.json"), Head + "[{\"name\":\"/r\"}," + c.entries + "]]");
        EXPECT_EQ(importclustersize(t.at("f.json")), c.cluster) << c.entries;
        Import imported;
        const ImportSummary s = imported.run(t.at("f.json"));
        EXPECT_EQ(s.clustersize, c.cluster);
        ASSERT_TRUE(s.completed);
        EXPECT_EQ(s.root->space, c.space) << c.entries;
    }
    // A file read twice says what it says once.
    Import imported;
    imported.run(t.at("f.json"));
    EXPECT_EQ(imported.diag.str(), "\ndirwalk function: can't open /r/d\n");
    // Another program's key of our name means nothing to us.
    save(t.at("f.json"), "[1,2,{\"progname\":\"x\",\"clustersize\":512},[{\"name\":\"/r\"}]]");
    EXPECT_EQ(importclustersize(t.at("f.json")), 4096u);
}

// What another writer puts in that ours does not: directory sizes, excluded objects, missing numbers.
TEST(Exchange, ForeignEntries)
{
    TempTree t;
    save(t.at("f.json"),
        Head
            + "[{\"name\":\"/srv/\",\"asize\":999999,\"dsize\":999999,\"items\":7},"
              "{\"name\":\"skipped\",\"excluded\":\"pattern\"},"
              "[{\"name\":\"proc\",\"excluded\":\"kernfs\"},{\"name\":\"hidden\",\"asize\":5}],"
              "[{\"name\":\"bad\",\"read_error\":true},{\"name\":\"partial\",\"asize\":5}],"
              "{\"name\":\"link\",\"asize\":3,\"notreg\":true,\"uid\":0,\"mode\":41471,\"extra\":{\"k\":[1,{}]}},"
              "{\"name\":\"nosize\"}]]");
    Import imported;
    const ImportSummary s = imported.run(t.at("f.json"));
    ASSERT_TRUE(s.completed) << s.result.message("f.json");
    EXPECT_EQ(std::string(s.root->name()), "/srv");
    EXPECT_EQ(s.header.progname, "x");
    EXPECT_EQ(childnames(s.root), (std::vector<std::string> { "bad", "proc", "skipped", "*." }));
    EXPECT_EQ(s.root->count, 2u);
    EXPECT_EQ(s.root->bytes, 3);
    EXPECT_EQ(s.root->space, 4096);
    EXPECT_EQ(imported.diag.str(), "\ndirwalk function: can't open /srv/bad\n");
}

TEST(Exchange, StopsAtTheAbortFlag)
{
    TempTree t;
    std::string json = Head + "[{\"name\":\"/r\"}";
    for (int i = 0; i < 1000; ++i)
        json += ",{\"name\":\"f" + std::to_string(i) + "\",\"asize\":1}";
    save(t.at("f.json"), json + "]]");
    Import imported;
    imported.sink.hook = [&](const std::string&) { imported.scanabort = 1; };
    const ImportSummary s = imported.run(t.at("f.json"), 4096);
    EXPECT_FALSE(s.completed);
    EXPECT_TRUE(s.result.stopped);
    EXPECT_EQ(imported.sink.texts(), std::vector<std::string> { "/r  Processed 100 Files" });
    EXPECT_EQ(child(s.root, "*.")->count, 101u); // partial and unsummed, as after a stopped walk
}

// A long export reaches the visitor in order whatever the parse runs ahead: a skipped directory's
// contents and its leave() stay away, and a stop ends the read at once, never held by the parse.
TEST(Exchange, LongExportsSkipAndStopInOrder)
{
    TempTree t;
    std::string json = Head + "[{\"name\":\"/r\"}";
    for (const char* dir : { "a", "b" }) {
        json += std::string(",[{\"name\":\"") + dir + "\"}";
        for (int i = 0; i < 30000; ++i)
            json += ",{\"name\":\"" + std::string(dir) + std::to_string(i) + "\",\"asize\":" + std::to_string(i) + "}";
        json += "]";
    }
    save(t.at("f.json"), json + ",{\"name\":\"last\"}]]");

    struct Visitor : ExportVisitor
    {
        std::vector<std::string> seen; // entered directories, and the first and last file of each
        std::string last;
        int files = 0, depth = 0, stopafter = -1;
        Step enter(const ExportEntry& dir) override
        {
            seen.push_back(std::string(dir.name) + "/");
            if (dir.name == "a")
                return Skip; // and no leave() for it
            ++depth;
            return Continue;
        }
        Step file(const ExportEntry& f) override
        {
            if (last.empty() || f.name == "last")
                seen.push_back(std::string(f.name) + " " + std::to_string(static_cast<int>(f.asize)));
            last = f.name;
            return ++files == stopafter ? Stop : Continue;
        }
        Step leave() override
        {
            seen.push_back(last + " <");
            last.clear();
            --depth;
            return Continue;
        }
    };
    Visitor all;
    ASSERT_TRUE(readexport(t.at("f.json"), all).ok);
    EXPECT_EQ(all.seen, (std::vector<std::string> { "/r/", "a/", "b/", "b0 0", "b29999 <", "last 0", "last <" }));
    EXPECT_EQ(all.files, 30001);
    EXPECT_EQ(all.depth, 0);

    Visitor early;
    early.stopafter = 10;
    const ExportResult r = readexport(t.at("f.json"), early);
    EXPECT_TRUE(r.ok && r.stopped);
    EXPECT_EQ(early.files, 10);
}

// The detail list of an imported tree lists the export's directory, never this machine's.
TEST(Exchange, DirectoryListingsFromTheFile)
{
    TempTree t;
    save(t.at("f.json"),
        Head + "[{\"name\":\"" + t.root()
            + "\"},[{\"name\":\"sub\"},{\"name\":\"x.txt\",\"asize\":7,\"mtime\":60},"
              "[{\"name\":\"deeper\"},{\"name\":\"no.txt\"}],{\"name\":\"m\",\"excluded\":\"otherfs\"},"
              "{\"name\":\"y.txt\",\"asize\":9}],[{\"name\":\"locked\",\"read_error\":true}]]]");
    t.dir("sub");
    t.file("sub/real.txt", 1);
    ExportDirectory lister(t.at("f.json"));
    const std::unique_ptr<DirListing> listing = lister.openbelow(t.root(), t.at("sub"));
    ASSERT_TRUE(listing);
    std::vector<std::string> seen;
    DirEntry e;
    while (listing->next(e))
        seen.push_back(std::string(e.name) + (e.isdir ? "/" : "") + (e.mountpoint ? "m" : "") + " "
            + std::to_string(static_cast<int>(e.size)) + " "
            + (e.mtime == UnknownTime ? "?" : std::to_string(e.mtime)));
    EXPECT_EQ(seen, (std::vector<std::string> { "x.txt 7 60", "deeper/ 0 ?", "m/m 0 ?", "y.txt 9 ?" }));
    EXPECT_FALSE(lister.open(t.at("locked")));
    EXPECT_FALSE(lister.open(t.at("nothere")));
    EXPECT_TRUE(lister.another()->open(t.root()));
    EXPECT_FALSE(ExportDirectory(t.at("none.json")).open(t.root()));
}
