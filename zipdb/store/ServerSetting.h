#pragma once

#include <QString>

// The one system-wide setting that lets every PC of an office share one ZIP list on a PostgreSQL
// server: key `server` in group [database] of an INI file that only an administrator writes,
// holding a libpq connection string or URI. Passwords never stand in it; libpq takes them from
// ~/.pgpass, or the server trusts peer or Kerberos authentication.

// /etc/quillmap/quillmap.conf. Where there is no /etc, quillmap.conf beside the executable: the
// program folder is an administrator's, unlike the machine-wide data folder, where any user may
// create a file first.
QString serverSettingFile();

// The server the setting names, or the empty text when the file or the key is missing. Throws,
// naming the file, when the file cannot be read or the setting carries a password.
QString configuredServer(const QString &settingFile = serverSettingFile());
