// Builds the benchmark trees. The same seed always gives the same tree. Files are made sparse with
// ftruncate, so their sizes are realistic while they take next to no disc space.
//
//   quorvane-gentree [--seed N] t1|t2|t3 DIR
//
// t1: about 1,000,000 files in about 60,000 directories, depth up to 8, 40 extensions of skewed frequency,
//     names without a dot, a few files over 4 GiB.
// t2: wide/dirs with 100,000 subdirectories of one file each; wide/files with 200,000 files over 2,000
//     extensions.
// t3: chain200 (200 levels, three files per level) and chain2000 (2,000 levels, one file per level).
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// splitmix64: small, fast and the same on every platform.
class Random
{
public:
    explicit Random(std::uint64_t seed)
        : m_state(seed)
    {
    }
    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; } // [0, 1)
    std::uint64_t below(std::uint64_t n) { return next() % n; }

private:
    std::uint64_t m_state;
};

[[noreturn]] void fail(const std::string& what)
{
    std::fprintf(stderr, "quorvane-gentree: %s: %s\n", what.c_str(), std::strerror(errno));
    std::exit(1);
}

void makedir(const std::string& path)
{
    if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
        fail("mkdir " + path);
}

void makefileat(int dirfd, const char* name, std::uint64_t size, const std::string& where)
{
    const int fd = openat(dirfd, name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        fail("create " + where + "/" + name);
    if (size > 0 && ftruncate(fd, static_cast<off_t>(size)) != 0)
        fail("truncate " + where + "/" + name);
    close(fd);
}

void makefile(const std::string& path, std::uint64_t size)
{
    makefileat(AT_FDCWD, path.c_str(), size, ".");
}

// Log-normal sizes (median about 5 KB, mean about 100 KB), as on a typical disc, and some empty files.
std::uint64_t filesize(Random& rnd)
{
    if (rnd.below(20) == 0)
        return 0;
    const double gauss = std::sqrt(-2 * std::log(1 - rnd.uniform())) * std::cos(2 * M_PI * rnd.uniform());
    return static_cast<std::uint64_t>(std::exp(8.5 + 2.5 * gauss));
}

std::string word(Random& rnd, int minlen, int maxlen)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_";
    const int len = minlen + static_cast<int>(rnd.below(maxlen - minlen + 1));
    std::string w;
    for (int i = 0; i < len; ++i)
        w.push_back(letters[rnd.below(sizeof letters - 1)]);
    return w;
}

void tree1(Random& rnd, const std::string& root)
{
    constexpr int Dirs = 60000;
    constexpr int Files = 1000000;
    constexpr int MaxDepth = 8;
    static const char* const extensions[40]
        = { ".c", ".h", ".txt", ".jpg", ".JPG", ".png", ".html", ".js", ".css", ".py", ".o", ".so", ".gz", ".tar.gz",
              ".xml", ".json", ".md", ".cpp", ".hpp", ".pdf", ".doc", ".xls", ".mp3", ".ogg", ".mp4", ".mkv", ".zip",
              ".deb", ".log", ".conf", ".ini", ".svg", ".ttf", ".po", ".mo", ".rs", ".go", ".java", ".class", ".bak" };
    // Zipf-like weights: the first extensions are far more common than the last.
    std::vector<double> cumulative;
    double sum = 0;
    for (int k = 0; k < 40; ++k)
        cumulative.push_back(sum += 1.0 / (k + 1));

    // Directories: a level for each, drawn from a bell over 1..8, each under a random directory one level up.
    static const double levelweights[MaxDepth] = { 1, 4, 10, 20, 25, 20, 12, 8 };
    std::vector<std::string> paths { root };
    std::vector<std::vector<int>> bylevel(MaxDepth + 1);
    bylevel[0].push_back(0);
    makedir(root);
    while (static_cast<int>(paths.size()) < Dirs) {
        double u = rnd.uniform() * 100;
        int level = 1;
        while (level < MaxDepth && u >= levelweights[level - 1])
            u -= levelweights[level - 1], ++level;
        while (bylevel[level - 1].empty())
            --level;
        const std::vector<int>& above = bylevel[level - 1];
        const int parent = above[rnd.below(above.size())];
        std::string path = paths[parent] + "/" + word(rnd, 3, 12) + std::to_string(paths.size());
        makedir(path);
        bylevel[level].push_back(static_cast<int>(paths.size()));
        paths.push_back(std::move(path));
        if (paths.size() % 10000 == 0)
            std::fprintf(stderr, "t1: %zu directories\n", paths.size());
    }

    // Files: directory k is chosen with a density falling like 1/sqrt(k), so a few directories hold
    // thousands of files and most a handful.
    for (int i = 0; i < Files; ++i) {
        const double u = rnd.uniform();
        const std::size_t dir = static_cast<std::size_t>(u * u * paths.size());
        std::string name = word(rnd, 2, 14) + "_" + std::to_string(i);
        if (rnd.below(12) != 0) {
            const double pick = rnd.uniform() * sum;
            int k = 0;
            while (cumulative[k] < pick)
                ++k;
            name += extensions[k];
        }
        std::uint64_t size = filesize(rnd);
        if (i % 200000 == 7)
            size = (5ull << 30) + rnd.below(1ull << 32); // over 4 GiB
        makefile(paths[dir] + "/" + name, size);
        if ((i + 1) % 100000 == 0)
            std::fprintf(stderr, "t1: %d files\n", i + 1);
    }
}

void tree2(Random& rnd, const std::string& root)
{
    makedir(root);
    makedir(root + "/dirs");
    for (int i = 0; i < 100000; ++i) {
        const std::string dir = root + "/dirs/d" + std::to_string(i);
        makedir(dir);
        makefile(dir + "/file.dat", filesize(rnd));
    }
    makedir(root + "/files");
    for (int i = 0; i < 200000; ++i)
        makefile(root + "/files/f" + std::to_string(i) + ".e" + std::to_string(rnd.below(2000)), filesize(rnd));
}

// A chain of directories named "d", made level by level relative to the last one, so that the chain can be
// as deep as the file system allows whatever the length of its paths.
void chain(Random& rnd, const std::string& root, int levels, int filesperlevel)
{
    makedir(root);
    int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        fail("open " + root);
    for (int level = 0; level < levels; ++level) {
        for (int k = 0; k < filesperlevel; ++k) {
            const std::string name = "f" + std::to_string(k) + (k % 2 ? ".txt" : "");
            makefileat(fd, name.c_str(), filesize(rnd), root);
        }
        if (mkdirat(fd, "d", 0755) != 0 && errno != EEXIST)
            fail("mkdirat in " + root);
        const int sub = openat(fd, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (sub < 0)
            fail("openat in " + root);
        close(fd);
        fd = sub;
    }
    close(fd);
}

void tree3(Random& rnd, const std::string& root)
{
    makedir(root);
    chain(rnd, root + "/chain200", 200, 3);
    chain(rnd, root + "/chain2000", 2000, 1);
}

} // namespace

int main(int argc, char** argv)
{
    std::uint64_t seed = 1;
    int i = 1;
    if (i + 1 < argc && std::strcmp(argv[i], "--seed") == 0) {
        seed = std::strtoull(argv[i + 1], nullptr, 10);
        i += 2;
    }
    if (argc - i != 2) {
        std::fprintf(stderr, "usage: quorvane-gentree [--seed N] t1|t2|t3 DIR\n");
        return 2;
    }
    const std::string kind = argv[i], dir = argv[i + 1];
    Random rnd(seed * 1000003 + static_cast<unsigned char>(kind.back()));
    if (kind == "t1")
        tree1(rnd, dir);
    else if (kind == "t2")
        tree2(rnd, dir);
    else if (kind == "t3")
        tree3(rnd, dir);
    else {
        std::fprintf(stderr, "quorvane-gentree: unknown tree %s\n", kind.c_str());
        return 2;
    }
    return 0;
}
