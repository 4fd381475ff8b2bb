#pragma once

#include "Form1.h"
#include "FormSearch.h"
#include "ResultsModel.h"
#include "TestMachine.h"

#include <QTest>

#include <memory>

using Boxes = QList<ScriptedPlatform::Box>;

inline const QString kZipPrompt = QStringLiteral("Input Zip: Enter zip: ");
inline const QString kCityPrompt = QStringLiteral("Input City: Enter city: ");
inline const QString kStatePrompt = QStringLiteral("Input State: Enter state: ");

inline ScriptedPlatform::Box box(const QString &text, Platform::BoxStyle style = Platform::OkOnly,
                                 const QString &title = QStringLiteral("Quillmap"))
{
    return {text, style, title};
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
