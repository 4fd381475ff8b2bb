#include "StandardStream.h"

#include "FileDescriptor.h"

#include <QString>

#include <stdexcept>

#include <fcntl.h>

namespace {

// Rows of a whole-table search are written in blocks of this size, not one system call a row.
constexpr qsizetype kBlockBytes = 64 * 1024;

QString streamName(int descriptor)
{
    return descriptor == STDERR_FILENO ? QStringLiteral("standard error") : QStringLiteral("standard output");
}

} // namespace

StandardStream::StandardStream(int descriptor) : m_descriptor(descriptor)
{
    m_gathered.reserve(kBlockBytes * 2);
}

StandardStream &StandardStream::operator<<(QStringView text)
{
    // Encoded in place: a whole-table search prints hundreds of thousands of fields.
    const qsizetype start = m_gathered.size();
    m_gathered.resize(start + m_utf8.requiredSpace(text.size()));
    const char *end = m_utf8.appendToBuffer(m_gathered.data() + start, text);
    m_gathered.truncate(end - m_gathered.constData());
    flushWhenFull();
    return *this;
}

StandardStream &StandardStream::operator<<(QLatin1String text)
{
    return *this << QStringView(QString(text));
}

StandardStream &StandardStream::operator<<(char c)
{
    m_gathered += c;
    flushWhenFull();
    return *this;
}

void StandardStream::flush()
{
    qsizetype done = 0;
    while (done < m_gathered.size()) {
        const ssize_t written = ::write(m_descriptor, m_gathered.constData() + done, size_t(m_gathered.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            const int error = written < 0 ? errno : EIO;
            m_gathered.clear();
            throw std::runtime_error(
                QStringLiteral("cannot write to %1: %2").arg(streamName(m_descriptor), systemErrorText(error)).toStdString());
        }
        done += written;
    }
    m_gathered.clear();
}

void StandardStream::flushWhenFull()
{
    if (m_gathered.size() >= kBlockBytes)
        flush();
}

void holdStandardDescriptors()
{
    for (const int descriptor : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(descriptor, F_GETFD) != -1 || errno != EBADF)
            continue;
        // The lowest free number, which is this one: the lower ones are open by now.
        ::open("/dev/null", (descriptor == STDIN_FILENO ? O_WRONLY : O_RDONLY) | O_CLOEXEC);
    }
}
