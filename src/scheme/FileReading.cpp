#include "scheme/FileReading.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace velmorin {

namespace {

// Closes the descriptor on every path out of the read.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

std::optional<Bytes> readRegularFile(const std::string& path) {
    // O_NONBLOCK keeps open() itself from waiting for a writer when the name
    // is a named pipe; the type check below then turns it away.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (file.get() < 0) {
        return std::nullopt;
    }
    struct stat status {};
    if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
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
