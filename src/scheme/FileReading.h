#pragma once

#include <optional>
#include <string>

#include "platform/SchemeTask.h"

namespace velmorin {

// An open file, closed when dropped. Moving it hands the descriptor on.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor();
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    // Gives the descriptor up: the caller closes it from now on.
    int release();

private:
    int fd_;
};

// Opens a regular file for reading, following symbolic links. Anything else (a
// missing file, a folder, a named pipe, a device, a socket, a file that cannot
// be opened) gives nothing: a pipe without a writer would block the reader
// forever and a device such as /dev/zero never ends.
std::optional<FileDescriptor> openRegularFile(const std::string& path);

// Reads all of a regular file just opened.
std::optional<Bytes> readWhole(const FileDescriptor& file);

}  // namespace velmorin
