#include "TextExport.h"

#include "AlignedText.h"
#include "DeviceWrite.h"
#include "ExportProgress.h"
#include "ResultsModel.h"
#include "WriterFailure.h"

#include <QDir>
#include <QIODevice>
#include <QSaveFile>
#include <QStringEncoder>

#include <cmath>
#include <stdexcept>
#include <vector>

namespace {

using Step = WriterFailure::Step;

void openForWriting(QIODevice &file)
{
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error(file.errorString().toStdString());
}

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

// A QSaveFile replaces the named file only now; any other device is simply closed.
void finishWriting(QIODevice &file)
{
    if (auto *saveFile = qobject_cast<QSaveFile *>(&file)) {
        flushAll(*saveFile);
        if (!saveFile->commit())
            throw std::runtime_error(saveFile->errorString().toStdString());
        return;
    }
    file.close();
}

// The bar's position after list row `row` (from 1) of `rows`. From 2000 rows on the formula
// passes 100 on the last rows; the bar's range ends there. Halves round to even.
int rowPosition(int row, int rows)
{
    const double position = (row + rows / 2000) / double(rows) * 100.0;
    return int(std::min(100.0, std::nearbyint(position)));
}

// One pass over the list as the file shows it. The list's size is taken once, at the start: a
// list that shrinks under the walk fails at the first row or cell that has gone.
class AlignedTextWriter
{
public:
    AlignedTextWriter(const ResultsModel &list, QIODevice &file, const QString &path, const ExportProgress &progress)
        : m_list(list), m_file(file), m_lines(file), m_progress(progress),
          m_caption(QStringLiteral("Writing file: ") + fileNameFromPath(path)), m_rows(list.rowCount()),
          m_columns(list.columnCount())
    {
    }

    void write()
    {
        showStage(1);
        m_widths = columnWidths(m_list, m_rows, m_columns, HeaderWidths::Count, m_progress);
        showStage(10);
        writerStep(Step::Open, [&] { openForWriting(m_file); });
        writeHeader();
        showStage(20);
        for (int row = 0; row < m_rows; ++row)
            writeRow(row);
        if (m_progress.hasBar()) {
            m_progress.setPosition(100);
            m_progress.setCaption(QStringLiteral("Done."));
        }
        writerStep(Step::Commit, [&] { finishWriting(m_file); });
    }

    void bringBarToRest()
    {
        if (!m_progress.hasBar())
            return;
        m_progress.setPosition(0);
        m_progress.setCaption(QStringLiteral("Progress Bar"));
    }

private:
    void showStage(int position)
    {
        if (!m_progress.hasBar())
            return;
        m_progress.yieldNow();
        m_progress.setPosition(position);
        m_progress.setCaption(m_caption);
        m_progress.yieldNow();
    }

    void writeHeader()
    {
        for (int column = 0; column < m_columns; ++column) {
            m_progress.yieldNow();
            writerStep(Step::HeaderCell, [&] { appendPaddedCell(m_line, m_list.header(column), m_widths.at(column)); });
        }
        writerStep(Step::WriteHeader, [&] { m_lines.write(m_line); });
    }

    void writeRow(int row)
    {
        m_progress.yieldNow();
        m_line.resize(0); // keeps the line's capacity for the next one
        bool ticked = false;
        writerStep(Step::ReadTick, [&] { ticked = m_list.ticked(row); });
        if (!ticked)
            return;
        for (int column = 0; column < m_columns; ++column) {
            m_progress.yieldNow();
            writerStep(column == 0 ? Step::ReadZip : Step::ReadCell,
                       [&] { appendPaddedCell(m_line, m_list.cell(row, column), m_widths.at(column)); });
        }
        if (m_progress.hasBar())
            showRowWritten(row + 1);
        writerStep(Step::WriteRow, [&] { m_lines.write(m_line); });
    }

    void showRowWritten(int written)
    {
        m_progress.yieldNow();
        m_progress.setPosition(rowPosition(written, m_rows));
        if (written % 1000 == 0)
            m_progress.setCaption(m_caption + QStringLiteral(" (") + QString::number(written) + QLatin1Char(')'));
        m_progress.yieldNow();
    }

    const ResultsModel &m_list;
    QIODevice &m_file;
    LineWriter m_lines;
    const ExportProgress &m_progress;
    const QString m_caption;
    const int m_rows;
    const int m_columns;
    std::vector<qsizetype> m_widths;
    QString m_line;
};

} // namespace

QString fileNameFromPath(const QString &path)
{
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QDir::separator()));
    return path.mid(cut + 1);
}

void writeAlignedText(const ResultsModel &list, QIODevice &file, const QString &path, const ExportProgress &progress)
{
    AlignedTextWriter writer(list, file, path, progress);
    try {
        writer.write();
    } catch (...) {
        writer.bringBarToRest();
        throw;
    }
    writer.bringBarToRest();
}
