#include "TextExport.h"

#include "AlignedText.h"
#include "DeviceWrite.h"
#include "ExportProgress.h"
#include "ResultsModel.h"
#include "Routine.h"

#include <QDir>
#include <QIODevice>
#include <QSaveFile>
#include <QStringEncoder>

#include <cmath>
#include <stdexcept>
#include <vector>

namespace {

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

} // namespace

QString fileNameFromPath(const QString &path)
{
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QDir::separator()));
    return path.mid(cut + 1);
}

bool saveListviewProperlySpaced(const ResultsModel &list, QIODevice &file, const QString &path,
                                const ExportProgress &progress, Routine &r)
{
    // The first failure ends the writing: it is reported once and nothing more is written.
    bool ok = true;
    auto step = [&](int line, const auto &run) {
        if (ok)
            ok = r.step(line, run);
    };
    const bool bar = progress.hasBar();
    const QString caption = QStringLiteral("Writing file: ") + fileNameFromPath(path);
    auto showStage = [&](int firstLine, int position) {
        step(firstLine, [&] { progress.yieldNow(); });
        step(firstLine + 2, [&] { progress.setPosition(position); });
        step(firstLine + 4, [&] { progress.setCaption(caption); });
        step(firstLine + 6, [&] { progress.yieldNow(); });
    };
    const int columns = list.columnHeaderCount();
    const int rows = list.count();

    if (bar)
        showStage(102, 1);
    std::vector<qsizetype> widths; // every row counts, ticked or not
    for (int column = 0; ok && column < columns; ++column) {
        qsizetype width = 0;
        step(116, [&] { width = characterCount(list.header(column)); });
        for (int row = 0; ok && row < rows; ++row) {
            step(122, [&] { progress.yieldNow(); });
            step(column == 0 ? 126 : 132, [&] { width = std::max(width, characterCount(list.cell(row, column))); });
        }
        step(136, [&] { widths.push_back(width); });
    }
    if (bar)
        showStage(144, 10);

    QString line;
    LineWriter lines(file);
    step(156, [&] { openForWriting(file); });
    for (int column = 0; ok && column < columns; ++column) {
        step(160, [&] { progress.yieldNow(); });
        step(164, [&] { appendPaddedCell(line, list.header(column), widths.at(column)); });
    }
    step(170, [&] { lines.write(line); });
    if (bar)
        showStage(174, 20);

    for (int row = 0; ok && row < rows; ++row) {
        step(184, [&] { progress.yieldNow(); });
        line.resize(0); // keeps the line's capacity for the next one
        bool ticked = false;
        step(188, [&] { ticked = list.ticked(row); });
        if (!ticked)
            continue;
        for (int column = 0; ok && column < columns; ++column) {
            step(192, [&] { progress.yieldNow(); });
            step(column == 0 ? 198 : 204,
                 [&] { appendPaddedCell(line, list.cell(row, column), widths.at(column)); });
        }
        if (bar) {
            const int written = row + 1;
            step(212, [&] { progress.yieldNow(); });
            step(214, [&] { progress.setPosition(rowPosition(written, rows)); });
            if (written % 1000 == 0)
                step(218, [&] {
                    progress.setCaption(caption + QStringLiteral(" (") + QString::number(written) + QLatin1Char(')'));
                });
            step(220, [&] { progress.yieldNow(); });
        }
        step(222, [&] { lines.write(line); });
    }
    if (bar) {
        step(228, [&] { progress.setPosition(100); });
        step(230, [&] { progress.setCaption(QStringLiteral("Done.")); });
    }
    step(232, [&] { finishWriting(file); });
    // The bar comes to rest whatever happened before.
    if (bar) {
        r.step(240, [&] { progress.setPosition(0); });
        r.step(242, [&] { progress.setCaption(QStringLiteral("Progress Bar")); });
    }
    return ok;
}
