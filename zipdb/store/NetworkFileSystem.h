#pragma once

#include <QString>

// SQLite's locks do not hold across machines on a network file system (and its WAL mode does
// not work there at all), so no SQLite file of ours is written or opened on one.

// The name of the network or cluster file system that statfs(2) reports by this f_type, or the
// empty text for any other. FUSE counts as local: its f_type is the same for sshfs and for a
// local disk behind ntfs-3g, and refusing every FUSE folder would refuse those local ones.
QString networkFileSystemName(quint32 fileSystemType);

// What a data folder on that file system is told: the file system, and the server setting as the
// way to share a ZIP list across machines. Empty when the file system is local.
QString networkFolderRefusal(const QString &folder, quint32 fileSystemType);

// Throws the refusal when the folder that holds (or is to hold) the database file lies on a
// network file system. A folder that cannot be looked at is let through, so the open or copy
// that follows fails with its own reason.
void refuseNetworkFolderOf(const QString &databaseFile);
