#include "link/RegularFile.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace aq {

namespace {

// Closes the descriptor on every way out.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

FileReadStatus readRegularFile(const std::string& path, std::size_t maxSize, std::string& contents,
                               int* error) {
    if (error) *error = 0;
    auto failed = [error](int code) {
        if (error) *error = code;
        return FileReadStatus::CannotOpen;
    };
    if (path.empty()) return failed(ENOENT);
    // O_NONBLOCK: opening a pipe for reading would otherwise wait for a
    // writer. The type is checked on the opened file itself, so nothing can
    // swap the path for a pipe between the check and the reading.
    const Descriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)};
    if (file.fd < 0) return failed(errno);
    struct stat info {};
    if (::fstat(file.fd, &info) != 0) return failed(errno);
    if (!S_ISREG(info.st_mode)) return FileReadStatus::NotAFile;
    if (info.st_size < 0 || static_cast<unsigned long long>(info.st_size) > maxSize) {
        return FileReadStatus::TooLarge;
    }

    std::string read;
    read.resize(static_cast<std::size_t>(info.st_size) + 1);
    std::size_t length = 0;
    while (true) {
        if (length == read.size()) {
            if (length > maxSize) return FileReadStatus::TooLarge;
            read.resize(std::min(maxSize + 1, length * 2 + 4096));
        }
        const ::ssize_t n = ::read(file.fd, read.data() + length, read.size() - length);
        if (n < 0) {
            if (errno == EINTR) continue;
            return failed(errno);
        }
        if (n == 0) break;
        length += static_cast<std::size_t>(n);
    }
    if (length > maxSize) return FileReadStatus::TooLarge;
    read.resize(length);
    contents = std::move(read);
    return FileReadStatus::Read;
}

}  // namespace aq
