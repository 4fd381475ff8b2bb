#include "CsvRecords.h"

#include <stdexcept>

bool CsvRecords::next(QStringList &fields)
{
    fields.clear();
    // Empty lines are no records.
    while (m_at < m_text.size() && (m_text[m_at] == u'\n' || m_text[m_at] == u'\r')) {
        m_line += m_text[m_at] == u'\n';
        ++m_at;
    }
    if (m_at >= m_text.size())
        return false;
    m_recordLine = m_line;
    QString field;
    bool quoted = false;
    bool closed = false; // a quoted field's closing quote was read
    for (; m_at < m_text.size(); ++m_at) {
        const QChar c = m_text[m_at];
        if (quoted) {
            if (c == u'"' && m_at + 1 < m_text.size() && m_text[m_at + 1] == u'"') {
                field += c;
                ++m_at;
            } else if (c == u'"') {
                quoted = false;
                closed = true;
            } else {
                m_line += c == u'\n';
                field += c;
            }
        } else if (c == u',') {
            fields.append(field);
            field.clear();
            closed = false;
        } else if (c == u'\n' || (c == u'\r' && m_at + 1 < m_text.size() && m_text[m_at + 1] == u'\n')) {
            break;
        } else if (closed) {
            throw std::runtime_error("text after a quoted field's closing quote");
        } else if (c == u'"' && field.isEmpty()) {
            quoted = true;
        } else if (c == u'"') {
            throw std::runtime_error("a quote inside a field that does not begin with one");
        } else {
            field += c;
        }
    }
    if (quoted)
        throw std::runtime_error("a quoted field that never closes");
    fields.append(field);
    return true;
}

QString csvField(const QString &text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    return QLatin1Char('"') + QString(text).replace(u'"', QLatin1String("\"\"")) + QLatin1Char('"');
}
