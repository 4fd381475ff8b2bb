#include "Routine.h"

#include "AppInfo.h"
#include "Dialogs.h"

QString errorBoxText(const QString &description, const QString &owner, const QString &routine, int line)
{
    return description + QStringLiteral("\r\n") + QStringLiteral("in ") + appinfo::kLocationPrefix + owner
        + QLatin1Char('.') + routine + QLatin1Char(' ') + QStringLiteral("at line ") + QString::number(line)
        + QStringLiteral("\r\r") + QStringLiteral("Please email screenshot of this message to ")
        + appinfo::kSupportAddress;
}

Routine::Routine(Dialogs &dialogs, QString owner, QString name)
    : m_dialogs(dialogs), m_owner(std::move(owner)), m_name(std::move(name))
{
}

void Routine::report(int line, const QString &description)
{
    m_dialogs.messageBox(errorBoxText(description, m_owner, m_name, line), Dialogs::Exclamation,
                          QStringLiteral("Application Error"));
}
