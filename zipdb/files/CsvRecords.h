#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// The records of an RFC 4180 text one at a time: fields split at commas, a quoted field may hold
// commas, line breaks and doubled quotes. Lines end in LF or CR LF; empty lines are skipped.
class CsvRecords
{
public:
    explicit CsvRecords(QStringView text) : m_text(text) {}

    // Reads the next record into fields; false at the end. Throws std::runtime_error with the
    // reason for a quote that never closes or text after a closing quote.
    bool next(QStringList &fields);
    // The line the last record read began on, counted from 1.
    int line() const { return m_recordLine; }

private:
    QStringView m_text;
    qsizetype m_at = 0;
    int m_line = 1;
    int m_recordLine = 0;
};

// A field as RFC 4180 writes it: quoted, its quotes doubled, when it holds a comma, a quote or a
// line break.
QString csvField(const QString &text);
