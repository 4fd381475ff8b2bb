#include "ServerSetting.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStringList>
#include <QUrl>

#include <algorithm>
#include <stdexcept>

namespace {

bool isPassword(const QString &keyword)
{
    return keyword.compare(u"password", Qt::CaseInsensitive) == 0;
}

bool carriesPassword(const QString &server);

// postgresql://[user[:password]@][hosts][/dbname][?keyword=value&...]
bool uriCarriesPassword(const QString &uri)
{
    const QString rest = uri.mid(uri.indexOf(u"://") + 3);
    // libpq takes what stands before the first '@' ahead of any '/' as the user's part.
    for (qsizetype i = 0; i < rest.size() && rest[i] != u'/'; ++i) {
        if (rest[i] == u'@') {
            if (rest.left(i).contains(u':'))
                return true;
            break;
        }
    }
    const qsizetype query = rest.indexOf(u'?');
    if (query < 0)
        return false;
    const QStringList parameters = rest.mid(query + 1).split(u'&');
    return std::any_of(parameters.begin(), parameters.end(), [](const QString &parameter) {
        return isPassword(QUrl::fromPercentEncoding(parameter.section(u'=', 0, 0).toUtf8()));
    });
}

// Reads the pairs as libpq does: a keyword, '=', and a value that runs to the next blank or,
// single-quoted, to the closing quote; a backslash takes the next character as it is.
bool keywordsCarryPassword(const QString &conninfo)
{
    const qsizetype n = conninfo.size();
    qsizetype i = 0;
    const auto skipBlanks = [&] {
        while (i < n && conninfo[i].isSpace())
            ++i;
    };
    for (;;) {
        skipBlanks();
        const qsizetype keywordStart = i;
        while (i < n && conninfo[i] != u'=' && !conninfo[i].isSpace())
            ++i;
        const QString keyword = conninfo.mid(keywordStart, i - keywordStart);
        skipBlanks();
        if (i >= n || conninfo[i] != u'=')
            return false; // libpq refuses the rest, so no password reaches it
        ++i;
        skipBlanks();
        const bool quoted = i < n && conninfo[i] == u'\'';
        if (quoted)
            ++i;
        QString value;
        while (i < n && (quoted ? conninfo[i] != u'\'' : !conninfo[i].isSpace())) {
            if (conninfo[i] == u'\\' && i + 1 < n)
                ++i;
            value += conninfo[i++];
        }
        if (quoted)
            ++i;
        // libpq expands a dbname that is itself a connection string or URI.
        if (isPassword(keyword) || (keyword == u"dbname" && carriesPassword(value)))
            return true;
    }
}

bool carriesPassword(const QString &server)
{
    if (server.startsWith(u"postgresql://") || server.startsWith(u"postgres://"))
        return uriCarriesPassword(server);
    return keywordsCarryPassword(server);
}

} // namespace

QString serverSettingFile()
{
#ifdef Q_OS_UNIX
    return QStringLiteral("/etc/quillmap/quillmap.conf");
#else
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + QStringLiteral("/quillmap.conf"));
#endif
}

QString configuredServer(const QString &settingFile)
{
    QFile file(settingFile);
    if (!file.exists())
        return {};
    // QSettings reads a file it may not open as an empty one, which would quietly leave this
    // user on a store of their own while the office shares the server.
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(
            QStringLiteral("Cannot read %1: %2").arg(settingFile, file.errorString()).toStdString());
    file.close();

    const QSettings settings(settingFile, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        throw std::runtime_error(QStringLiteral("%1 is no INI file").arg(settingFile).toStdString());
    // A value with a comma, such as a URI naming several hosts, comes back as a list.
    const QString server = settings.value(QStringLiteral("database/server")).toStringList().join(u',').trimmed();
    if (carriesPassword(server))
        throw std::runtime_error(
            QStringLiteral("The server setting in %1 holds a password, and no file that Quillmap reads may "
                           "hold one. Take it out and give the password in ~/.pgpass (readable by its owner "
                           "alone), or let the server use peer or Kerberos authentication.")
                .arg(settingFile)
                .toStdString());
    return server;
}
