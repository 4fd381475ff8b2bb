#pragma once

#include <QString>

#include <cerrno>
#include <system_error>

#include <unistd.h>

// Owns an open file descriptor: a file of the shared data folder is opened once, without
// following links, and then checked and changed only through its descriptor.
class FileDescriptor
{
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    int get() const { return m_fd; }

private:
    int m_fd;
};

// The operating system's own words for a failure, such as "No space left on device".
inline QString systemErrorText(int error = errno)
{
    return QString::fromStdString(std::generic_category().message(error));
}
