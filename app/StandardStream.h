#pragma once

#include <QByteArray>
#include <QStringEncoder>
#include <QStringView>

// Standard output or standard error written through its descriptor, every write checked: a full
// disk or a closed stream ends the command as a failure, never as rows printed. Text gathers
// until flush() (or until enough of it has gathered); what is never flushed is dropped.
class StandardStream
{
public:
    explicit StandardStream(int descriptor);
    StandardStream(const StandardStream &) = delete;
    StandardStream &operator=(const StandardStream &) = delete;

    StandardStream &operator<<(QStringView text);
    StandardStream &operator<<(QLatin1String text);
    StandardStream &operator<<(char c);
    // Writes out what has gathered; throws std::runtime_error naming the stream and the
    // system's reason ("No space left on device").
    void flush();

private:
    void flushWhenFull();

    int m_descriptor;
    QStringEncoder m_utf8{QStringEncoder::Utf8};
    QByteArray m_gathered;
};

// Keeps the standard streams' numbers taken when the program was started with one closed, by a
// descriptor open against the stream's direction: a file opened later (the working copy) can
// never become standard output, and a write to it fails as on the closed stream. Call it before
// anything opens a file.
void holdStandardDescriptors();
