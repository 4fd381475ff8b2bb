#pragma once

#include "ResultsModel.h"

#include <QFile>
#include <QList>
#include <QStringList>

// The results list of a test: the three columns start-up adds, and rows given as
// {zip, city, state} with their ticks.
struct ListRow {
    QStringList cells;
    bool ticked = false;
};

inline void fillList(ResultsModel &model, const QList<ListRow> &rows)
{
    if (model.columnCount() == 0)
        for (const char *caption : {"Zip", "City", "State"})
            model.addColumn(QLatin1String(caption));
    const int first = model.rowCount();
    ResultsModel::Appender list(model);
    for (const ListRow &row : rows)
        list.addRow(row.cells.value(0), row.cells.value(1), row.cells.value(2));
    list.commit();
    QList<int> ticked;
    for (int i = 0; i < rows.size(); ++i)
        if (rows[i].ticked)
            ticked.append(first + i);
    model.setTicked(ticked, true);
}

// The worked example: 10001 New York NY (ticked), 90210 Beverly Hills CA, 60601 Chicago IL (ticked).
inline QList<ListRow> workedExample()
{
    return {{{QStringLiteral("10001"), QStringLiteral("New York"), QStringLiteral("NY")}, true},
            {{QStringLiteral("90210"), QStringLiteral("Beverly Hills"), QStringLiteral("CA")}, false},
            {{QStringLiteral("60601"), QStringLiteral("Chicago"), QStringLiteral("IL")}, true}};
}

inline QByteArray golden(const QString &name)
{
    QFile file(QStringLiteral(QUILLMAP_GOLDEN_DIR "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing golden file");
}
