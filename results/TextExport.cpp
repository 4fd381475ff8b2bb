#include "TextExport.h"

#include "AlignedText.h"
#include "DeviceWrite.h"
#include "ExportProgress.h"
#include "ResultsModel.h"
#include "WriterFailure.h"

#include <QDir>
#include <QIODevice>
#include <QStringEncoder>

#include <cmath>
#include <vector>

namespace {

using Step = WriterFailure::Step;

// Writes the line and its CR LF in UTF-8, through one buffer kept for every line.
class LineWriter
{
public:
    explicit LineWriter(QIODevice &file) : m_file(file) {}

    void write(QStringView line)
    {
        m_bytes.resize(m_encoder.requiredSpace(line.size()) + 2);
        char *end = m_encoder.appendToBuffer(m_bytes.data(), line);
        *end++ = '\r';
        *end++ = '\n';
        writeAll(m_file, m_bytes.constData(), end - m_bytes.constData());
    }

private:
    QIODevice &m_file;
    QStringEncoder m_encoder{QStringEncoder::Utf8};
    QByteArray m_bytes;
};

// The bar's position after list row `row` (from 1) of `rows`. From 2000 rows on the formula
// passes 100 on the last rows; the bar's range ends there. Halves round to even.
int rowPosition(int row, int rows)
{
    const double position = (row + rows / 2000) / double(rows) * 100.0;
    return int(std::min(100.0, std::nearbyint(position)));
}

} // namespace

QString fileNameFromPath(const QString &path)
{
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QDir::separator()));
    return path.mid(cut + 1);
}

AlignedTextWriter::AlignedTextWriter(const ResultsModel &list, const QString &path, const ExportProgress &progress)
    : m_list(list), m_progress(progress), m_caption(QStringLiteral("Writing file: ") + fileNameFromPath(path))
{
}

AlignedTextWriter::~AlignedTextWriter()
{
    if (!m_progress.hasBar())
        return;
    m_progress.setPosition(0);
    m_progress.setCaption(QLatin1String(kIdleProgressCaption));
}

void AlignedTextWriter::measure()
{
    m_rows = m_list.rowCount();
    m_columns = m_list.columnCount();
    showStage(1);
    m_widths = columnWidths(m_list, m_rows, m_columns, HeaderWidths::Count, m_progress);
    showStage(10);
}

void AlignedTextWriter::write(QIODevice &file)
{
    LineWriter lines(file);
    QString line;
    for (int column = 0; column < m_columns; ++column) {
        m_progress.yieldNow();
        writerStep(Step::HeaderCell, [&] { appendPaddedCell(line, m_list.header(column), m_widths.at(column)); });
    }
    writerStep(Step::WriteHeader, [&] { lines.write(line); });
    showStage(20);
    for (int row = 0; row < m_rows; ++row) {
        m_progress.yieldNow();
        line.resize(0); // keeps the line's capacity for the next one
        bool ticked = false;
        writerStep(Step::ReadTick, [&] { ticked = m_list.ticked(row); });
        if (!ticked)
            continue;
        for (int column = 0; column < m_columns; ++column) {
            m_progress.yieldNow();
            writerStep(column == 0 ? Step::ReadZip : Step::ReadCell,
                       [&] { appendPaddedCell(line, m_list.cellView(row, column), m_widths.at(column)); });
        }
        if (m_progress.hasBar())
            showRowWritten(row + 1);
        writerStep(Step::WriteRow, [&] { lines.write(line); });
    }
    if (m_progress.hasBar()) {
        m_progress.setPosition(100);
        m_progress.setCaption(QStringLiteral("Done."));
    }
}

void AlignedTextWriter::showStage(int position)
{
    if (!m_progress.hasBar())
        return;
    m_progress.yieldNow();
    m_progress.setPosition(position);
    m_progress.setCaption(m_caption);
    m_progress.yieldNow();
}

void AlignedTextWriter::showRowWritten(int written)
{
    m_progress.yieldNow();
    m_progress.setPosition(rowPosition(written, m_rows));
    if (written % 1000 == 0)
        m_progress.setCaption(m_caption + QStringLiteral(" (") + QString::number(written) + QLatin1Char(')'));
    m_progress.yieldNow();
}
