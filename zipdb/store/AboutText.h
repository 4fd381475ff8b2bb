#pragma once

#include <QString>

class ZipStore;

// What the About box says: the program and its version, where the data came from (the shipped
// sources, then the imports), how the store's rows differ from the shipped ones, and the credits.
// Throws when the pristine copy or the store cannot be read.
QString aboutText(ZipStore &store, const QString &pristineCopy);
