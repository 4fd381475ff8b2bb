#pragma once

#include "Platform.h"

#include <QElapsedTimer>
#include <random>

class QWidget;

// The real desktop behind Platform: Qt's dialogs, processes and event loop.
class QtPlatform : public Platform
{
public:
    QtPlatform();

    // Message boxes are modal to this window once it is set.
    void setDialogParent(QWidget *parent) { m_dialogParent = parent; }

    void yield() override;
    void startDetached(const QString &program, const QStringList &arguments) override;
    double timer() override;
    void randomize(double seed) override;
    double rnd() override;
    QString commonAppDataFolder() override;
    QString programFolder() override;

protected:
    int showMessageBox(const QString &text, int style, const QString &title) override;

private:
    QWidget *m_dialogParent = nullptr;
    QElapsedTimer m_sinceYield;
    std::mt19937 m_random;
};
