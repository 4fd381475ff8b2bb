#include "TextLengthLimit.h"

#include <QLineEdit>
#include <QValidator>

#include <limits>

namespace {

// Refuses a text over the limit, so the box undoes the edit that made it, and remembers its
// length for the box's inputRejected().
class LengthValidator : public QValidator
{
public:
    using QValidator::QValidator;

    State validate(QString &input, int &) const override
    {
        if (input.size() <= kLongestBoxText)
            return Acceptable;
        m_refusedLength = input.size();
        return Invalid;
    }
    qsizetype refusedLength() const { return m_refusedLength; }

private:
    mutable qsizetype m_refusedLength = 0;
};

} // namespace

void refuseOverlongEdits(QLineEdit &box, std::function<void(qsizetype length)> refused)
{
    auto *validator = new LengthValidator(&box);
    box.setValidator(validator);
    box.setMaxLength(std::numeric_limits<int>::max());
    // The box reports a text the program sets as well, and keeps that one: only an edit it has
    // undone by the time the event is over was the person's.
    QObject::connect(&box, &QLineEdit::inputRejected, &box, [&box, validator, refused = std::move(refused)] {
        QMetaObject::invokeMethod(
            &box,
            [&box, refused, length = validator->refusedLength()] {
                if (box.text().size() <= kLongestBoxText)
                    refused(length);
            },
            Qt::QueuedConnection);
    });
}

QString overlongTextMessage(qsizetype length)
{
    return QStringLiteral("This box takes at most %1 characters. The text would have been %2 characters long, so "
                          "it was not taken.")
        .arg(kLongestBoxText)
        .arg(length);
}
