#pragma once

#include <QByteArrayView>

#include <vector>

// One record of a person's list: its fields as the list holds them, in its encoding, with the
// quotes and separators taken away. The fields are views into the reader's buffers, valid until
// the reader reads the next record.
class ListRecord
{
public:
    qsizetype size() const { return qsizetype(m_fields.size()); }
    QByteArrayView field(qsizetype index) const { return m_fields[size_t(index)]; }
    // The record's text as the list holds it, without its line break, for a record of a text
    // with no quote and no CR in it: its fields and separators, to be written back as they stand.
    // Empty for any other record.
    QByteArrayView plainText() const { return m_plainText; }
    bool isPlain() const { return !m_plainText.isNull(); }

    void clear()
    {
        m_fields.clear();
        m_plainText = {};
    }
    void addField(QByteArrayView field) { m_fields.push_back(field); }
    void setPlainText(QByteArrayView text) { m_plainText = text; }

private:
    std::vector<QByteArrayView> m_fields;
    QByteArrayView m_plainText;
};
