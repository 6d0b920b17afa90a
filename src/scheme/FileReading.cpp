#include "scheme/FileReading.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace velmorin {

FileDescriptor::~FileDescriptor() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = other.release();
    }
    return *this;
}

int FileDescriptor::release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

std::optional<FileDescriptor> openRegularFile(const std::string& path) {
    // O_NONBLOCK keeps open() itself from waiting for a writer when the name
    // is a named pipe; the type check below then turns it away. Reads of a
    // regular file ignore the flag.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (file.get() < 0) {
        return std::nullopt;
    }
    struct stat status {};
    if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    return file;
}

std::optional<Bytes> readWhole(const FileDescriptor& file) {
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) {
        return std::nullopt;
    }

    // The size is a first guess only: the file may change while it is read,
    // and what is read up to the end is what gets served. Reading the guessed
    // size straight into place, then probing for more through a small buffer,
    // keeps a large file from ever being copied.
    Bytes bytes(static_cast<std::size_t>(status.st_size));
    std::size_t filled = 0;
    std::uint8_t probe[16 * 1024];
    while (true) {
        const bool intoPlace = filled < bytes.size();
        auto* target = intoPlace ? bytes.data() + filled : probe;
        const auto room = intoPlace ? bytes.size() - filled : sizeof probe;
        const auto count = ::read(file.get(), target, room);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        if (count == 0) {
            break;
        }
        if (!intoPlace) {
            bytes.insert(bytes.end(), probe, probe + count);
        }
        filled += static_cast<std::size_t>(count);
    }
    bytes.resize(filled);
    return bytes;
}

}  // namespace velmorin
