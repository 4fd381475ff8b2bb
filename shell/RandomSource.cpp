#include "RandomSource.h"

#include <QRandomGenerator>

double SystemRandomSource::nextFraction()
{
    return QRandomGenerator::global()->generateDouble();
}
