#include "CaptionProgressBar.h"

#include <QTest>

namespace {

class PaintCounter : public QObject
{
public:
    explicit PaintCounter(int &paints) : m_paints(paints) {}
    bool eventFilter(QObject *, QEvent *event) override
    {
        m_paints += event->type() == QEvent::Paint;
        return false;
    }

private:
    int &m_paints;
};

} // namespace

class TestCaptionProgressBar : public QObject
{
    Q_OBJECT

private slots:
    void captionIsShownAsGiven()
    {
        CaptionProgressBar bar;
        bar.setCaption(QStringLiteral("Writing file: 100%p %v.txt"));
        QCOMPARE(bar.text(), QStringLiteral("Writing file: 100%p %v.txt"));
    }

    void positionsArePaintedWithTheNextEventsNotAtOnce()
    {
        CaptionProgressBar shown;
        shown.resize(400, 30);
        shown.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shown));
        int paints = 0;
        PaintCounter counter(paints);
        shown.installEventFilter(&counter);
        for (int position = 1; position <= 100; ++position)
            shown.setPosition(position);
        QCOMPARE(shown.value(), 100);
        QCOMPARE(paints, 0);
        QTRY_VERIFY(paints >= 1);
    }
};

QTEST_MAIN(TestCaptionProgressBar)
#include "tst_captionprogressbar.moc"
