#pragma once

#include <QtGlobal>

class QIODevice;
class QSaveFile;

// Writes that fail in the system's own words. Qt reports a write that the disk cut short as an
// "Unknown error"; these try the rest once more, so the failure says why ("No space left on
// device"). Each throws std::runtime_error with that reason.

// Writes all `size` bytes.
void writeAll(QIODevice &device, const char *data, qint64 size);
// Writes out what a file holds in its buffer; does nothing for other devices.
void flushAll(QIODevice &device);

// Opens the device to be written anew (a QSaveFile: its new file beside the named one).
void openForWriting(QIODevice &device);
// Writes out the rest and only then puts the new file in place of the named one.
void commitAll(QSaveFile &file);
