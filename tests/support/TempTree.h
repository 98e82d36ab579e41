#pragma once

// A real directory tree in a temporary directory, built from raw name bytes, for the lister and walker
// tests. Everything is removed again when the tree goes.
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <ftw.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace qv::test {

class TempTree
{
public:
    TempTree()
    {
        EXPECT_TRUE(m_dir.isValid());
        m_root = m_dir.path().toStdString();
        ::chmod(m_root.c_str(), 0755); // readable by the unprivileged user of some tests
    }
    ~TempTree()
    {
        for (auto it = m_mounts.rbegin(); it != m_mounts.rend(); ++it)
            ::umount2(it->c_str(), MNT_DETACH);
        // Give back permissions a test took away, so the directory can be removed.
        for (const std::string& p : m_locked)
            ::chmod(p.c_str(), 0755);
        // Chains may be too deep for a removal by path: take them down from the bottom, relative to each level.
        for (const Chain& c : m_chains)
            removechain(c);
        // Names that are not valid UTF-8 don't survive QTemporaryDir's own removal: empty it byte-wise.
        ::nftw(
            m_root.c_str(),
            [](const char* path, const struct stat*, int type, struct FTW* at) {
                if (at->level > 0)
                    type == FTW_DP ? ::rmdir(path) : ::unlink(path);
                return 0;
            },
            16, FTW_DEPTH | FTW_PHYS | FTW_MOUNT);
    }

    const std::string& root() const { return m_root; }
    std::string at(const std::string& rel) const { return rel.empty() ? m_root : m_root + "/" + rel; }

    void dir(const std::string& rel)
    {
        ASSERT_EQ(::mkdir(at(rel).c_str(), 0755), 0) << rel << ": " << std::strerror(errno);
    }
    // A file of size bytes; sparse (no data written) unless data is true.
    void file(const std::string& rel, off_t size = 0, bool data = false)
    {
        const int fd = ::open(at(rel).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0) << rel << ": " << std::strerror(errno);
        if (data) {
            const std::string block(static_cast<std::size_t>(size), 'x');
            ASSERT_EQ(::write(fd, block.data(), block.size()), size);
        } else if (size > 0) {
            ASSERT_EQ(::ftruncate(fd, size), 0);
        }
        ::close(fd);
    }
    void symlink(const std::string& target, const std::string& rel)
    {
        ASSERT_EQ(::symlink(target.c_str(), at(rel).c_str()), 0) << rel;
    }
    void fifo(const std::string& rel) { ASSERT_EQ(::mkfifo(at(rel).c_str(), 0644), 0) << rel; }
    void hardlink(const std::string& from, const std::string& rel)
    {
        ASSERT_EQ(::link(at(from).c_str(), at(rel).c_str()), 0) << rel;
    }
    void lock(const std::string& rel)
    {
        m_locked.push_back(at(rel));
        ASSERT_EQ(::chmod(at(rel).c_str(), 0), 0);
    }
    // Mounts a small tmpfs on rel; false when this machine does not let us.
    bool mounttmpfs(const std::string& rel, const char* options = "size=1m")
    {
        if (::mount("qvtest", at(rel).c_str(), "tmpfs", 0, options) != 0)
            return false;
        m_mounts.push_back(at(rel));
        return true;
    }
    bool bindmount(const std::string& from, const std::string& rel)
    {
        if (::mount(at(from).c_str(), at(rel).c_str(), nullptr, MS_BIND, nullptr) != 0)
            return false;
        m_mounts.push_back(at(rel));
        return true;
    }
    // Makes rel, on a tmpfs where mounting is permitted: deep trees come and go much faster in memory.
    void fastdir(const std::string& rel)
    {
        dir(rel);
        mounttmpfs(rel, "size=16m");
    }
    // A chain of levels directories named name below rel, made relative to each other so that its path may
    // grow past what one system call accepts; each level gets one file called file (when not empty).
    void chain(const std::string& rel, int levels, const std::string& name, const std::string& file = "")
    {
        int fd = ::open(at(rel).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        m_chains.push_back({ at(rel), levels, name, file });
        for (int i = 0; i < levels; ++i) {
            ASSERT_EQ(::mkdirat(fd, name.c_str(), 0755), 0) << "level " << i;
            const int sub = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::close(fd);
            ASSERT_GE(sub, 0);
            fd = sub;
            if (!file.empty()) {
                const int f = ::openat(fd, file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
                ASSERT_GE(f, 0);
                ::close(f);
            }
        }
        ::close(fd);
    }

private:
    struct Chain
    {
        std::string top;
        int levels;
        std::string name, file;
    };
    static void removechain(const Chain& c)
    {
        int fd = ::open(c.top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        int depth = 0;
        for (int sub; fd >= 0 && depth < c.levels; ++depth) {
            if ((sub = ::openat(fd, c.name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) < 0)
                break;
            ::close(fd);
            fd = sub;
        }
        for (; fd >= 0 && depth > 0; --depth) {
            if (!c.file.empty())
                ::unlinkat(fd, c.file.c_str(), 0);
            const int up = ::openat(fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::close(fd);
            fd = up;
            if (fd >= 0)
                ::unlinkat(fd, c.name.c_str(), AT_REMOVEDIR);
        }
        if (fd >= 0)
            ::close(fd);
    }

    QTemporaryDir m_dir;
    std::vector<Chain> m_chains;
    std::string m_root;
    std::vector<std::string> m_mounts;
    std::vector<std::string> m_locked;
};

} // namespace qv::test
