#pragma once

#include <QString>

// Where the program keeps its data: the machine-wide folder where the program may create or
// write its data folder there, else the user's own data folder, created when missing (a new
// account has none yet). Empty when there is neither.
QString chooseDataRoot(const QString &machineWide, const QString &userData);

// That choice on this system: /var/lib on Linux, else the user's data folder.
QString machineDataRoot();
// The folder of the running executable, which holds the shipped files.
QString executableFolder();
