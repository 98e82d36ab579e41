// quorvane-barewalk: the least a single-threaded scan can do, for the benchmarks' reference: getdents64
// and fstatat relative to each directory, depth first, links never followed, nothing built but a total.
//
//   quorvane-barewalk PATH
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::uint64_t files = 0, bytes = 0;

void walk(int dirfd)
{
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        const long n = ::getdents64(dirfd, buffer.data(), buffer.size());
        if (n <= 0)
            break;
        for (long pos = 0; pos < n;) {
            const auto* d = reinterpret_cast<const struct dirent64*>(buffer.data() + pos);
            pos += d->d_reclen;
            if (std::strcmp(d->d_name, ".") == 0 || std::strcmp(d->d_name, "..") == 0)
                continue;
            if (d->d_type == DT_DIR) {
                const int sub = ::openat(dirfd, d->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                if (sub >= 0) {
                    walk(sub);
                    ::close(sub);
                }
                continue;
            }
            struct stat st;
            if (::fstatat(dirfd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
                ++files;
                bytes += static_cast<std::uint64_t>(st.st_size);
            }
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: quorvane-barewalk PATH\n");
        return 2;
    }
    const int fd = ::open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return 1;
    walk(fd);
    std::printf(
        "%llu files, %llu bytes\n", static_cast<unsigned long long>(files), static_cast<unsigned long long>(bytes));
    return 0;
}
