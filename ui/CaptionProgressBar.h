#pragma once

#include <QProgressBar>

// A progress bar that shows its caption over the bar exactly as given: QProgressBar's own format
// would read '%' in a file name as a placeholder.
class CaptionProgressBar : public QProgressBar
{
    Q_OBJECT

public:
    explicit CaptionProgressBar(QWidget *parent = nullptr);

    void setCaption(const QString &caption);
    // Like setValue, but the bar is repainted with the window's next events: setValue repaints at
    // once whenever the percentage shown changes, which a long export's row-by-row progress
    // would pay for a hundred times.
    void setPosition(int value);
    QString text() const override { return m_caption; }

private:
    QString m_caption;
};
