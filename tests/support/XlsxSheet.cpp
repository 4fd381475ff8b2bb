#include "XlsxSheet.h"

#include <QXmlStreamReader>
#include <QtGui/private/qzipreader_p.h>

namespace {

// "BC12" -> row 12, column 55.
XlsxSheet::Address addressOf(QStringView reference)
{
    int column = 0;
    qsizetype i = 0;
    for (; i < reference.size() && reference[i].isLetter(); ++i)
        column = column * 26 + (reference[i].toUpper().unicode() - 'A' + 1);
    return {reference.mid(i).toInt(), column};
}

// The text of an <si> or <is> element: its <t> pieces, rich-text runs included, phonetic
// hints left out. The reader stands on the element's start and ends on its end.
QString stringItem(QXmlStreamReader &xml)
{
    QString text;
    for (int depth = 1; depth > 0 && !xml.atEnd();) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("t"))
            text += xml.readElementText();
        else if (xml.isStartElement() && xml.name() == QLatin1String("rPh"))
            xml.skipCurrentElement();
        else if (xml.isStartElement())
            ++depth;
        else if (xml.isEndElement())
            --depth;
    }
    return text;
}

QStringList sharedStrings(const QByteArray &data)
{
    QStringList strings;
    QXmlStreamReader xml(data);
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("si"))
            strings.append(stringItem(xml));
    return strings;
}

// The numFmtId of each cell style, by its index.
QList<int> styleNumberFormats(const QByteArray &data)
{
    QList<int> formats;
    QXmlStreamReader xml(data);
    bool inCellXfs = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("cellXfs"))
            inCellXfs = true;
        else if (xml.isEndElement() && xml.name() == QLatin1String("cellXfs"))
            inCellXfs = false;
        else if (inCellXfs && xml.isStartElement() && xml.name() == QLatin1String("xf"))
            formats.append(xml.attributes().value(QLatin1String("numFmtId")).toInt());
    }
    return formats;
}

} // namespace

XlsxSheet XlsxSheet::read(const QString &path)
{
    XlsxSheet sheet;
    QZipReader zip(path);
    if (!zip.isReadable() || zip.status() != QZipReader::NoError) {
        sheet.error = QStringLiteral("not a readable zip file: ") + path;
        return sheet;
    }
    const QByteArray sheetXml = zip.fileData(QStringLiteral("xl/worksheets/sheet1.xml"));
    if (sheetXml.isEmpty()) {
        sheet.error = QStringLiteral("no first sheet in ") + path;
        return sheet;
    }
    const QStringList shared = sharedStrings(zip.fileData(QStringLiteral("xl/sharedStrings.xml")));
    const QList<int> formats = styleNumberFormats(zip.fileData(QStringLiteral("xl/styles.xml")));
    auto formatOf = [&](QStringView style) { return formats.value(style.toInt()); };

    QXmlStreamReader xml(sheetXml);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        if (xml.name() == QLatin1String("col")) {
            for (int column = attributes.value(QLatin1String("min")).toInt();
                 column <= attributes.value(QLatin1String("max")).toInt(); ++column) {
                sheet.columnWidths[column] = attributes.value(QLatin1String("width")).toDouble();
                sheet.columnNumberFormats[column] = formatOf(attributes.value(QLatin1String("style")));
            }
        } else if (xml.name() == QLatin1String("ignoredError")) {
            if (attributes.value(QLatin1String("numberStoredAsText")) == QLatin1String("1"))
                sheet.numberStoredAsTextIgnored.append(attributes.value(QLatin1String("sqref")).toString());
        } else if (xml.name() == QLatin1String("c")) {
            Cell cell;
            cell.type = attributes.value(QLatin1String("t")).toString();
            cell.numberFormat = formatOf(attributes.value(QLatin1String("s")));
            const Address address = addressOf(attributes.value(QLatin1String("r")));
            while (xml.readNextStartElement()) {
                if (xml.name() == QLatin1String("v")) {
                    const QString value = xml.readElementText();
                    cell.text = cell.type == QLatin1String("s") ? shared.value(value.toInt()) : value;
                } else if (xml.name() == QLatin1String("is")) {
                    cell.text = stringItem(xml);
                } else {
                    xml.skipCurrentElement();
                }
            }
            sheet.cells.insert(address, cell);
        }
    }
    if (xml.hasError())
        sheet.error = xml.errorString();
    return sheet;
}

QList<int> XlsxSheet::rows() const
{
    QList<int> result;
    for (auto it = cells.cbegin(); it != cells.cend(); ++it)
        if (result.isEmpty() || result.last() != it.key().first)
            result.append(it.key().first);
    return result;
}

QStringList XlsxSheet::rowTexts(int row) const
{
    QStringList texts;
    for (auto it = cells.lowerBound({row, 0}); it != cells.cend() && it.key().first == row; ++it) {
        while (texts.size() < it.key().second - 1)
            texts.append(QString());
        texts.append(it->text);
    }
    return texts;
}
