#include "OutlineFile.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kMagic[] = "QMOUTLN1";
constexpr qsizetype kMagicSize = sizeof kMagic - 1;
// The shipped file is about 120 KB; anything far larger is not ours.
constexpr qint64 kLargestFile = 16 * 1024 * 1024;
constexpr int kMostStates = 64;

class Reader
{
public:
    explicit Reader(const QByteArray &bytes) : m_bytes(bytes) {}

    bool atEnd() const { return m_offset == m_bytes.size(); }
    qsizetype remaining() const { return m_bytes.size() - m_offset; }

    const char *take(qsizetype count, const char *what)
    {
        if (remaining() < count)
            throw OutlineFileDamage(std::string("the file ends inside ") + what);
        const char *at = m_bytes.constData() + m_offset;
        m_offset += count;
        return at;
    }
    quint32 uint32(const char *what) { return qFromLittleEndian<quint32>(take(4, what)); }
    qint32 int32(const char *what) { return qFromLittleEndian<qint32>(take(4, what)); }

private:
    const QByteArray &m_bytes;
    qsizetype m_offset = 0;
};

// Closes the descriptor unless a QFile took it over.
class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

// Opens the file for reading, a link followed, and refuses anything but a regular file before a
// byte is read: a FIFO would wait for a writer for ever and a device may never end. O_NONBLOCK
// keeps the open itself from waiting on a FIFO.
void openRegularFile(QFile &file, const QString &path)
{
    Descriptor fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0)
        throw OutlineFileDamage(qt_error_string(errno).toStdString());
    struct stat status = {};
    if (::fstat(fd.get(), &status) != 0)
        throw OutlineFileDamage(qt_error_string(errno).toStdString());
    if (!S_ISREG(status.st_mode))
        throw OutlineFileDamage("it is not a regular file");
    if (!file.open(fd.get(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        throw OutlineFileDamage(file.errorString().toStdString());
    fd.release();
}

bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::vector<GeoPoint> readRing(Reader &reader, const std::string &state)
{
    const quint32 count = reader.uint32("a ring's point count");
    // A ring encloses an area: at least three corners and the first again.
    if (count < 4)
        throw OutlineFileDamage(state + ": a ring of fewer than 4 points");
    if (count > reader.remaining() / 8)
        throw OutlineFileDamage(state + ": the file ends inside a ring");
    std::vector<GeoPoint> ring;
    ring.reserve(count);
    for (quint32 i = 0; i < count; ++i) {
        const qint32 longitude = reader.int32("a point");
        const qint32 latitude = reader.int32("a point");
        if (longitude < -180'000'000 || longitude > 180'000'000 || latitude < -90'000'000 || latitude > 90'000'000)
            throw OutlineFileDamage(state + ": a point lies off the earth");
        ring.push_back({latitude / 1e6, longitude / 1e6});
    }
    return ring;
}

StateOutline readState(Reader &reader)
{
    const char *codes = reader.take(4, "a state's codes");
    if (!isUpper(codes[0]) || !isUpper(codes[1]) || !isDigit(codes[2]) || !isDigit(codes[3]))
        throw OutlineFileDamage("a state's codes are not two letters and two digits");
    StateOutline state{QString::fromLatin1(codes, 2), QString::fromLatin1(codes + 2, 2), {}};
    const std::string name = state.usps.toStdString();
    const quint32 rings = reader.uint32("a state's ring count");
    if (rings == 0)
        throw OutlineFileDamage(name + ": no ring");
    // A count read from a damaged file reserves no more than the file could hold.
    state.rings.reserve(std::min<qsizetype>(rings, reader.remaining() / (4 + 4 * 8)));
    for (quint32 i = 0; i < rings; ++i)
        state.rings.push_back(readRing(reader, name));
    return state;
}

} // namespace

std::vector<StateOutline> parseOutlines(const QByteArray &bytes)
{
    Reader reader(bytes);
    if (bytes.size() < kMagicSize || std::memcmp(bytes.constData(), kMagic, kMagicSize) != 0)
        throw OutlineFileDamage("it is not a Quillmap outline file");
    reader.take(kMagicSize, "the file's mark");
    const quint32 count = reader.uint32("the state count");
    if (count == 0 || count > kMostStates)
        throw OutlineFileDamage("the state count " + std::to_string(count) + " is out of range");
    std::vector<StateOutline> states;
    states.reserve(count);
    for (quint32 i = 0; i < count; ++i)
        states.push_back(readState(reader));
    if (!reader.atEnd())
        throw OutlineFileDamage("bytes follow the last state");
    return states;
}

std::vector<StateOutline> readOutlineFile(const QString &path)
{
    QFile file;
    openRegularFile(file, path);
    const qint64 size = file.size();
    if (size > kLargestFile)
        throw OutlineFileDamage("it is larger than any outline file");
    // No more than was measured, should the file grow meanwhile.
    const QByteArray bytes = file.read(size);
    if (file.error() != QFileDevice::NoError)
        throw OutlineFileDamage(file.errorString().toStdString());
    return parseOutlines(bytes);
}
