#include "LookupCommand.h"

#include "DeviceWrite.h"
#include "FirstStart.h"
#include "ListLookup.h"
#include "ListReader.h"
#include "StandardStream.h"
#include "XlsxRowWriter.h"
#include "ZipIndex.h"
#include "ZipSession.h"
#include "ZipStore.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

#include <cstdio>
#include <future>
#include <stdexcept>

namespace {

const QString kStandardStream = QStringLiteral("-");
constexpr qint64 kCopyChunkBytes = 1024 * 1024;

std::unique_ptr<QFile> standardInput()
{
    auto input = std::make_unique<QFile>();
    if (!input->open(fileno(stdin), QIODevice::ReadOnly))
        throw ListRefusal(QStringLiteral("standard input"), 0, input->errorString());
    return input;
}

LookupCounts writeToStandardOutput(ListLookup &lookup, const ZipIndex &index)
{
    QFile output;
    if (!output.open(fileno(stdout), QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw std::runtime_error(output.errorString().toStdString());
    return lookup.writeText(index, output);
}

LookupCounts writeToFile(ListLookup &lookup, const ZipIndex &index, const QString &path)
{
    QSaveFile file(path);
    openForWriting(file);
    const LookupCounts counts = lookup.writeText(index, file);
    commitAll(file);
    return counts;
}

void copyWhole(const QString &from, const QString &to)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        throw std::runtime_error(source.errorString().toStdString());
    QSaveFile target(to);
    openForWriting(target);
    QByteArray chunk(kCopyChunkBytes, Qt::Uninitialized);
    for (qint64 read; (read = source.read(chunk.data(), chunk.size())) != 0;) {
        if (read < 0)
            throw std::runtime_error(source.errorString().toStdString());
        writeAll(target, chunk.constData(), read);
    }
    commitAll(target);
}

// libxlsxwriter names its own file, so the workbook is made aside and then put in place whole.
LookupCounts writeToWorkbook(ListLookup &lookup, const ZipIndex &index, const QString &path)
{
    const QTemporaryDir scratch;
    if (!scratch.isValid())
        throw std::runtime_error(scratch.errorString().toStdString());
    const QString made = scratch.filePath(QStringLiteral("lookup.xlsx"));
    XlsxRowWriter sheet(made);
    const LookupCounts counts = lookup.writeSheet(index, sheet);
    sheet.close();
    copyWhole(made, path);
    return counts;
}

LookupCounts writeLookup(ListLookup &lookup, const ZipIndex &index, const QString &output)
{
    if (output.isEmpty() || output == kStandardStream)
        return writeToStandardOutput(lookup, index);
    if (output.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive))
        return writeToWorkbook(lookup, index, output);
    return writeToFile(lookup, index, output);
}

} // namespace

ExitStatus lookUpList(const StoreLocations &locations, const QString &file, const QString &column,
                      const QString &output)
{
    ZipSession session;
    openStoreAsTheWindowDoes(locations, session);
    ZipStore &store = session.store();
    // The store is read while the list is checked; nothing else reaches the store meanwhile.
    std::future<ZipIndex> index = std::async(std::launch::async, [&store] { return ZipIndex(store); });
    const bool fromStandardInput = file == kStandardStream;
    const std::unique_ptr<QFile> input = fromStandardInput ? standardInput() : openListFile(file);
    const std::unique_ptr<ListReader> reader =
        ListReader::open(*input, fromStandardInput ? QStringLiteral("standard input") : QDir::toNativeSeparators(file));
    ListLookup lookup(*reader, column);
    const LookupCounts counts = writeLookup(lookup, index.get(), output);
    StandardStream err(STDERR_FILENO);
    err << counts.summary() << '\n';
    err.flush();
    return ExitStatus::Done;
}
