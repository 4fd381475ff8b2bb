#pragma once

#include <QtGlobal>

class QIODevice;

// Writes that fail in the system's own words. Qt reports a write that the disk cut short as an
// "Unknown error"; these try the rest once more, so the failure says why ("No space left on
// device"). Each throws std::runtime_error with that reason.

// Writes all `size` bytes.
void writeAll(QIODevice &device, const char *data, qint64 size);
// Writes out what a file holds in its buffer; does nothing for other devices.
void flushAll(QIODevice &device);
