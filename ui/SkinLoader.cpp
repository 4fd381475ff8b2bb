#include "SkinLoader.h"

#include "Background.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QStringDecoder>

#include <stdexcept>

namespace {

bool skinFilePresent(const QString &path)
{
    // Folders and device files do not count, nor do hidden files.
    const QFileInfo info(path);
    return info.isFile() && !info.isHidden();
}

// Controls that show the window's background through their own: frames, labels, check boxes
// and option buttons.
bool takesWindowColour(const QWidget *control)
{
    return qobject_cast<const QGroupBox *>(control) || qobject_cast<const QLabel *>(control)
        || qobject_cast<const QCheckBox *>(control) || qobject_cast<const QRadioButton *>(control);
}

QString readStyleSheet(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(file.errorString().toStdString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw std::runtime_error(file.errorString().toStdString());
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        throw std::runtime_error("The skin file is not UTF-8 text");
    return text;
}

} // namespace

void applySkinFile(const QString &path, QWidget &window)
{
    if (!skinFilePresent(path))
        return;
    const QColor buttonFace = QApplication::palette().color(QPalette::Button);
    fillBackground(window, buttonFace);
    for (QWidget *control : window.findChildren<QWidget *>())
        if (control->window() == &window && takesWindowColour(control))
            fillBackground(*control, buttonFace);
    window.setStyleSheet(readStyleSheet(path));
}
