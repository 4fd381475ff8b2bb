#pragma once

#include <QCursor>
#include <QWidget>

#include <memory>
#include <optional>

class CaptionProgressBar;
class Platform;
class QGroupBox;
class QLineEdit;
class QPushButton;
class ResultsModel;
class ResultsView;
class ZipConnection;

// The main window: its controls at their places, start-up, shutdown and the click routines.
// The routines keep to their numbered steps; the work itself lives in app/, zipdb/ and results/.
class Form1 : public QWidget
{
    Q_OBJECT

public:
    // The window's pointer, which is also the one busy flag that commands share.
    enum MousePointerValue { vbDefault = 0, vbHourglass = 11, vbCustom = 99 };

    explicit Form1(Platform &platform, QWidget *parent = nullptr);
    ~Form1() override;

    void Form_Load();
    void Form_QueryUnload();
    void Form_Unload();

    void PushButton1_Click();
    void PushButton2_Click();
    void PushButton7_Click();
    void PushButton8_Click();
    void PushButton9_Click();

    int MousePointer() const { return m_mousePointer; }
    void setMousePointer(int value);

    ResultsModel &results() const { return *m_results; }
    // Null until start-up creates it and after shutdown releases it.
    ZipConnection *connection() const { return m_zipConnection.get(); }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void setTabOrder();
    void bindEvents();
    void ApplySkin();
    bool isBusy() const { return m_mousePointer == vbHourglass; }
    // The connection, or a failure when there is none.
    ZipConnection &zip() const;

    Platform &m_platform;
    std::unique_ptr<ZipConnection> m_zipConnection;
    ResultsModel *m_results = nullptr;
    std::optional<QCursor> m_mouseIcon;
    int m_mousePointer = vbDefault;

    QGroupBox *Frame1 = nullptr;
    QGroupBox *Frame2 = nullptr;
    QLineEdit *Text1 = nullptr;
    ResultsView *ListView1 = nullptr;
    CaptionProgressBar *ProgressBar1 = nullptr;
    QPushButton *PushButton1 = nullptr;
    QPushButton *PushButton2 = nullptr;
    QPushButton *PushButton3 = nullptr;
    QPushButton *PushButton4 = nullptr;
    QPushButton *PushButton6 = nullptr;
    QPushButton *PushButton7 = nullptr;
    QPushButton *PushButton8 = nullptr;
    QPushButton *PushButton9 = nullptr;
    QPushButton *PushButton12 = nullptr;
    QPushButton *PushButton13 = nullptr;
    QPushButton *PushButton18 = nullptr;
};
