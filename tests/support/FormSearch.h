#pragma once

#include "Form1.h"
#include "ResultsModel.h"
#include "SearchCommands.h"
#include "TestMachine.h"

#include <QLineEdit>
#include <QStringList>

// The rows the window lists, "zip|city|state" each.
inline QStringList listedRows(const Form1 &form)
{
    const ResultsModel &results = form.results();
    QStringList rows;
    for (int row = 0; row < results.rowCount(); ++row)
        rows.append(rowText(results.cell(row, 0), results.cell(row, 1), results.cell(row, 2)));
    return rows;
}

// Types the text into the window's search box, runs the search and reads back the rows listed.
inline QStringList searchThrough(Form1 &form, const QString &text)
{
    form.findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(text);
    form.searchCommands().search();
    return listedRows(form);
}
