#include "DatabaseCommands.h"

#include "FormRoutine.h"
#include "Platform.h"
#include "ResultsModel.h"
#include "SearchCommands.h"
#include "StoreErrors.h"
#include "WindowPointer.h"
#include "ZipEdits.h"
#include "ZipSession.h"
#include "ZipStore.h"

#include <QAbstractItemView>
#include <QLocale>

#include <cmath>
#include <optional>
#include <stdexcept>

namespace {

// Why a typed ZIP is refused: a text that reads as a number (blanks around it, a sign, a
// separator or an exponent, under the person's locale) is refused for not being five digits.
QString zipRefusal(const QString &typed)
{
    bool numeric = false;
    const double value = QLocale().toDouble(typed, &numeric);
    return numeric && std::isfinite(value) ? QStringLiteral("Zip code must be five digits, such as 02134.")
                                           : QStringLiteral("Zip code must be a numerical value.");
}

} // namespace

void DatabaseCommands::addZip()
{
    if (m_pointer.isBusy())
        return;
    Routine r = formRoutine(m_platform, QStringLiteral("PushButton4_Click"));
    QString typed, city, state;
    std::optional<QString> zip;
    std::optional<bool> exists;
    bool added = true;
    r.step(100, [&] { typed = m_platform.inputBox(QStringLiteral("Enter zip: "), QStringLiteral("Input Zip")); });
    if (r.test(102, [&] { return typed.isEmpty(); }))
        return;
    if (r.test(104, [&] { return !(zip = storedZip(typed)); })) {
        r.step(128, [&] { m_platform.messageBox(zipRefusal(typed), Platform::OkOnly); });
        return;
    }
    r.step(108, [&] { exists = m_zipSession.store().exists(*zip); });
    if (!r.test(110, [&] {
            // The look-up at 108 failed: the test reads a record set that never opened.
            if (!exists)
                throw std::runtime_error(storeerrors::kClosed);
            return !*exists;
        })) {
        r.step(124, [&] { m_platform.messageBox(*zip + QStringLiteral(" already exists"), Platform::OkOnly); });
        return;
    }
    r.step(112, [&] { city = m_platform.inputBox(QStringLiteral("Enter city: "), QStringLiteral("Input City")); });
    if (r.test(114, [&] { return city.isEmpty(); }))
        return;
    r.step(116, [&] { state = m_platform.inputBox(QStringLiteral("Enter state: "), QStringLiteral("Input State")); });
    if (r.test(118, [&] { return state.isEmpty(); }))
        return;
    r.step(120, [&] { added = m_zipSession.store().add(*zip, city, state); });
    if (!added) // another instance added the ZIP since the check
        r.step(124, [&] { m_platform.messageBox(*zip + QStringLiteral(" already exists"), Platform::OkOnly); });
}

void DatabaseCommands::deleteSelectedZip()
{
    if (m_pointer.isBusy())
        return;
    Routine r = formRoutine(m_platform, QStringLiteral("PushButton13_Click"));
    if (r.test(100, [&] { return m_results.rowCount() == 0; }))
        return;
    if (!r.test(102, [&] {
            return m_platform.messageBox(QStringLiteral("Are you sure you want to delete ") + selectedZip()
                                             + QLatin1Char('?'),
                                         Platform::YesNo, QStringLiteral("Delete Selected Zipcode"))
                == Platform::Yes;
        }))
        return;
    r.step(104, [&] { m_zipSession.store().remove(selectedZip()); });
    r.step(106, [&] { m_search.search(); });
}

void DatabaseCommands::resetDatabase()
{
    if (m_pointer.isBusy())
        return;
    Routine r = formRoutine(m_platform, QStringLiteral("PushButton2_Click"));
    Platform::BoxAnswer answer = Platform::No;
    r.step(100, [&] {
        answer = m_platform.messageBox(QStringLiteral("Are you sure you want to reset the database?"),
                                       Platform::YesNo, QStringLiteral("Reset Database"));
    });
    if (answer != Platform::Yes)
        return;
    if (r.test(102, [&] { return m_zipSession.store().isOpen(); }))
        r.step(102, [&] { m_zipSession.store().close(); });
    r.step(104, [&] { m_platform.yield(); });
    r.step(106, [&] { m_platform.yield(); });
    r.step(108, [&] { m_zipSession.store().reset(); });
    r.step(110, [&] { m_zipSession.store().open(); });
}

void DatabaseCommands::explainEditing()
{
    Routine r = formRoutine(m_platform, QStringLiteral("PushButton3_Click"));
    r.step(100, [&] {
        m_platform.messageBox(
            QStringLiteral("If you need to add a zip code or city, state to the database you can do it here. "
                           "Generally, you do not need to use these features unless you really need to change "
                           "the default data in the database."),
            Platform::OkOnly);
    });
}

void DatabaseCommands::closeConnection()
{
    Routine r = formRoutine(m_platform, QStringLiteral("Form_QueryUnload"));
    if (r.test(100, [&] { return m_zipSession.store().isOpen(); }))
        r.step(100, [&] { m_zipSession.store().close(); });
    r.step(102, [&] { m_zipSession.release(); });
    r.step(104, [&] { m_platform.yield(); });
    r.step(106, [&] { m_platform.yield(); });
}

QString DatabaseCommands::selectedZip() const
{
    const QModelIndex current = m_list.currentIndex();
    // No row was ever chosen: the old list had no selected item to read.
    if (!current.isValid())
        throw std::runtime_error(storeerrors::kNotSet);
    return m_results.cell(current.row(), 0);
}
