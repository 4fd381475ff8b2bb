#pragma once

#include <QByteArray>
#include <QRandomGenerator>
#include <QString>
#include <QtGlobal>

// The seed of a fault test's random choices: QUILLMAP_FAULT_SEED when set, else a new one each
// run. It is printed, so a failing run can be replayed with the same choices.
inline quint32 faultSeed()
{
    static const quint32 seed = [] {
        bool given = false;
        const quint32 value = qEnvironmentVariable("QUILLMAP_FAULT_SEED").toUInt(&given);
        const quint32 chosen = given ? value : QRandomGenerator::system()->generate();
        qInfo("Seed %u: replay with QUILLMAP_FAULT_SEED=%u", chosen, chosen);
        return chosen;
    }();
    return seed;
}
