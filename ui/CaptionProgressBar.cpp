#include "CaptionProgressBar.h"

CaptionProgressBar::CaptionProgressBar(QWidget *parent) : QProgressBar(parent)
{
    setRange(0, 100);
    setValue(0);
    setTextVisible(true);
    setAlignment(Qt::AlignCenter);
}

void CaptionProgressBar::setCaption(const QString &caption)
{
    m_caption = caption;
    update();
}

void CaptionProgressBar::setPosition(int value)
{
    if (value == this->value() || !updatesEnabled()) {
        setValue(value);
        return;
    }
    setUpdatesEnabled(false);
    setValue(value);
    setUpdatesEnabled(true); // schedules the repaint
}
