#pragma once

#include "Form1.h"
#include "ResultsModel.h"
#include "TestMachine.h"

#include <QTest>

#include <memory>

using Boxes = QList<ScriptedPlatform::Box>;

inline const QString kZipPrompt = QStringLiteral("Input Zip: Enter zip: ");
inline const QString kCityPrompt = QStringLiteral("Input City: Enter city: ");
inline const QString kStatePrompt = QStringLiteral("Input State: Enter state: ");

inline ScriptedPlatform::Box box(const QString &text, int style = Platform::OkOnly,
                                 const QString &title = QStringLiteral("Quillmap"))
{
    return {text, style, title};
}

// The rows the window lists, "zip|city|state" each.
inline QStringList listedRows(const Form1 &form)
{
    QStringList rows;
    for (int row = 0; row < form.results().rowCount(); ++row)
        rows.append(form.results().cell(row, 0) + QLatin1Char('|') + form.results().cell(row, 1) + QLatin1Char('|')
                    + form.results().cell(row, 2));
    return rows;
}

// For a test class: a machine of its own with the main window loaded on it, made afresh in
// init() and dropped in cleanup().
class LoadedFormTest
{
protected:
    std::unique_ptr<TestMachine> machine;
    std::unique_ptr<Form1> form;

    ScriptedPlatform &platform() const { return machine->platform; }
    void loadForm()
    {
        machine = std::make_unique<TestMachine>();
        form = std::make_unique<Form1>(platform());
        form->load();
    }
    void dropForm()
    {
        form.reset();
        machine.reset();
    }
};
