#pragma once

#include "Form1.h"
#include "ResultsModel.h"
#include "SearchCommands.h"

#include <QLineEdit>
#include <QStringList>

// Types the text into the window's search box, runs the search and reads back "zip|city" rows.
inline QStringList searchThrough(Form1 &form, const QString &text)
{
    form.findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(text);
    form.searchCommands().search();
    QStringList rows;
    for (int row = 0; row < form.results().rowCount(); ++row)
        rows.append(form.results().cell(row, 0) + QLatin1Char('|') + form.results().cell(row, 1));
    return rows;
}
