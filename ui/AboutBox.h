#pragma once

class Platform;
class WindowPointer;
class ZipSession;

// The About box that F1 opens: the version, the data's sources and dates, the person's own
// changes against the shipped data, and the credits.
class AboutBox
{
public:
    AboutBox(Platform &platform, ZipSession &zipSession, WindowPointer &pointer)
        : m_platform(platform), m_zipSession(zipSession), m_pointer(pointer)
    {
    }

    void show();

private:
    Platform &m_platform;
    ZipSession &m_zipSession;
    WindowPointer &m_pointer;
};
