#pragma once

#include "Platform.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// A Platform for tests: answers boxes from a queue, records every box and command it was given,
// and serves folders chosen by the test. It never opens a window.
class ScriptedPlatform : public Platform
{
public:
    struct Box {
        QString text;
        int style = 0;
        QString title;
        bool operator==(const Box &) const = default;
    };

    QString commonRoot;
    QString program;
    QList<Box> boxes;
    // Answers for the boxes in the order they come; a box without one is answered OK.
    QList<int> answers;
    QList<double> randoms;
    QList<QStringList> startedCommands;
    bool startFails = false;
    int yields = 0;
    // Runs inside the yield with that count (1 for the first).
    std::function<void(int)> onYield;

    void yield() override;
    void startDetached(const QString &program, const QStringList &arguments) override;
    double timer() override { return 43200.5; }
    void randomize(double) override {}
    double rnd() override { return randoms.isEmpty() ? 0.5 : randoms.takeFirst(); }
    QString commonAppDataFolder() override { return commonRoot; }
    QString programFolder() override { return program; }

protected:
    int showMessageBox(const QString &text, int style, const QString &title) override;
};

// The box that the failure handler shows for a step.
ScriptedPlatform::Box errorBox(const QString &description, const QString &routine, int line);
