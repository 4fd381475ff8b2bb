#pragma once

#include <QString>

// Where the program keeps its data: the machine-wide folder where the program may create or
// write its data folder there, else the user's own data folder, created when missing (a new
// account has none yet). Empty when there is neither.
QString chooseDataRoot(const QString &machineWide, const QString &userData);
