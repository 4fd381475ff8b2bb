#include "Form1.h"

#include "AppInfo.h"
#include "CaptionProgressBar.h"
#include "CursorFile.h"
#include "DataFolder.h"
#include "Platform.h"
#include "ProgramIcon.h"
#include "ResultsModel.h"
#include "ResultsView.h"
#include "Routine.h"
#include "StartupSteps.h"
#include "WorkingCopy.h"
#include "ZipConnection.h"
#include "ZipQuery.h"
#include "ZipSearch.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRect>
#include <QScreen>

#include <stdexcept>

namespace {

// The window is laid out in twips: 15 twips make one logical pixel.
constexpr int kTwipsPerPixel = 15;

int twips(int value)
{
    return qRound(double(value) / kTwipsPerPixel);
}

void place(QWidget *widget, QRect twipsRect)
{
    widget->setGeometry(twips(twipsRect.x()), twips(twipsRect.y()), twips(twipsRect.width()),
                        twips(twipsRect.height()));
}

QFont arialBold(qreal points)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

void paintWhite(QWidget *widget, QPalette::ColorRole role = QPalette::Window)
{
    QPalette palette = widget->palette();
    palette.setColor(role, Qt::white);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// Every control is placed in twips relative to its container's client area.
QPushButton *makeButton(QWidget *container, const char *name, const QString &caption, QRect twipsRect)
{
    auto *button = new QPushButton(caption, container);
    button->setObjectName(QLatin1String(name));
    button->setFont(arialBold(11.25));
    paintWhite(button, QPalette::Button);
    place(button, twipsRect);
    return button;
}

QGroupBox *makeFrame(QWidget *container, const char *name, const QString &caption, QRect twipsRect)
{
    auto *frame = new QGroupBox(caption, container);
    frame->setObjectName(QLatin1String(name));
    paintWhite(frame);
    place(frame, twipsRect);
    return frame;
}

} // namespace

Form1::Form1(Platform &platform, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_platform(platform), m_results(new ResultsModel(this))
{
    setObjectName(QStringLiteral("Form1"));
    setFont(arialBold(9));
    paintWhite(this);
    setFixedSize(twips(8040), twips(8370));
    buildControls();
    setTabOrder();
    bindEvents();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    Text1->setFocus();
}

Form1::~Form1()
{
    if (isBusy())
        QGuiApplication::restoreOverrideCursor();
}

void Form1::buildControls()
{
    Frame2 = makeFrame(this, "Frame2", QStringLiteral("Edit The Database"), {120, 6300, 7800, 1395});
    PushButton4 = makeButton(Frame2, "PushButton4", QStringLiteral("Add Zip-City-State Combo"), {240, 300, 3600, 405});
    PushButton13 =
        makeButton(Frame2, "PushButton13", QStringLiteral("Delete Selected Zip-City-State"), {3960, 300, 3600, 405});
    PushButton2 =
        makeButton(Frame2, "PushButton2", QStringLiteral("Reset Database To Original"), {240, 810, 6480, 405});
    PushButton3 = makeButton(Frame2, "PushButton3", QStringLiteral("?"), {6840, 810, 720, 405});

    Frame1 = makeFrame(this, "Frame1", QStringLiteral("Search:"), {120, 60, 7800, 1335});
    Text1 = new QLineEdit(Frame1);
    Text1->setObjectName(QStringLiteral("Text1"));
    place(Text1, {240, 300, 6735, 345});
    PushButton8 = makeButton(Frame1, "PushButton8", QStringLiteral("?"), {7080, 300, 480, 345});
    PushButton7 =
        makeButton(Frame1, "PushButton7", QStringLiteral("Load Sample/Example Search"), {3960, 750, 3600, 405});
    PushButton1 = makeButton(Frame1, "PushButton1", QStringLiteral("Search"), {240, 750, 3600, 405});

    ListView1 = new ResultsView(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setModel(m_results);
    ListView1->setToolTip(QStringLiteral(
        "Double-click item to remove it. Move | line to right and out of window to reveal full names."));
    place(ListView1, {120, 1515, 7800, 3705});

    ProgressBar1 = new CaptionProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setCaption(QStringLiteral("Progress Bar"));
    place(ProgressBar1, {120, 7830, 7800, 405});

    PushButton6 = makeButton(this, "PushButton6", QStringLiteral("Save Results As Text File"), {120, 5310, 3840, 405});
    PushButton12 =
        makeButton(this, "PushButton12", QStringLiteral("Save Results As Excel File"), {4080, 5310, 3840, 405});
    PushButton9 = makeButton(this, "PushButton9", QStringLiteral("Clear List"), {4080, 5805, 3840, 405});
    PushButton18 =
        makeButton(this, "PushButton18", QStringLiteral("Copy Results To Clipboard"), {120, 5805, 3840, 405});
}

void Form1::setTabOrder()
{
    // Frames and the progress bar take no focus; the rest follow their tab indexes.
    QWidget *const order[] = {Text1,       ListView1,   PushButton8, PushButton7,  PushButton1,
                              PushButton4, PushButton13, PushButton2, PushButton3,  PushButton6,
                              PushButton12, PushButton9, PushButton18};
    for (size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void Form1::bindEvents()
{
    connect(PushButton1, &QPushButton::clicked, this, &Form1::PushButton1_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form1::PushButton2_Click);
    connect(PushButton7, &QPushButton::clicked, this, &Form1::PushButton7_Click);
    connect(PushButton8, &QPushButton::clicked, this, &Form1::PushButton8_Click);
    connect(PushButton9, &QPushButton::clicked, this, &Form1::PushButton9_Click);
}

ZipConnection &Form1::zip() const
{
    if (!m_zipConnection)
        throw std::runtime_error("Object variable or With block variable not set");
    return *m_zipConnection;
}

void Form1::setMousePointer(int value)
{
    const bool wasBusy = isBusy();
    m_mousePointer = value;
    if (value == vbHourglass && !wasBusy)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else if (value != vbHourglass && wasBusy)
        QGuiApplication::restoreOverrideCursor();
    if (value == vbCustom && m_mouseIcon)
        setCursor(*m_mouseIcon);
    else
        unsetCursor();
}

void Form1::ApplySkin()
{
    // Skins are not supported yet: the window keeps its own white look.
}

void Form1::Form_Load()
{
    Routine r(m_platform, QStringLiteral("Form1"), QStringLiteral("Form_Load"));
    if (r.test(100, [&] { return !EntryExists(paths::vendorFolder(m_platform)); }))
        r.step(102, [&] { CreateFolder(paths::vendorFolder(m_platform)); });
    if (r.test(104, [&] { return !EntryExists(paths::dataFolder(m_platform)); }))
        r.step(106, [&] { CreateFolder(paths::dataFolder(m_platform)); });
    if (r.test(108, [&] { return !FileExists(paths::workingCopy(m_platform)); }))
        r.step(110, [&] { copyDatabaseFile(paths::pristineCopy(m_platform), paths::workingCopy(m_platform)); });
    r.step(112, [&] { ApplySkin(); });
    r.step(116, [&] { setWindowTitle(appinfo::kDisplayName); });
    r.step(116, [&] { setWindowIcon(programIcon()); });
    r.step(116, [&] { SetAppTitle(m_platform, appinfo::kDisplayName); });
    if (r.test(118, [&] { return FileExists(paths::cursorFile(m_platform)); }))
        r.step(120, [&] { m_mouseIcon = loadCursorFile(paths::cursorFile(m_platform)); });
    r.step(122, [&] { visitHomePageOccasionally(m_platform); });
    r.step(140, [&] { m_zipConnection = std::make_unique<ZipConnection>(); });
    r.step(142, [&] { zip().open(ZipConnection::connectionString(paths::dataFolder(m_platform))); });
    r.step(144, [&] { m_results->addColumn(QStringLiteral("Zip")); });
    r.step(146, [&] { m_results->addColumn(QStringLiteral("City")); });
    r.step(148, [&] { m_results->addColumn(QStringLiteral("State")); });
    r.step(150, [&] { ListView1->setColumnWidth(0, twips(1200)); });
    r.step(152, [&] { ListView1->setColumnWidth(1, twips(4000)); });
    r.step(154, [&] { ListView1->setColumnWidth(2, twips(2000)); });
}

void Form1::Form_QueryUnload()
{
    Routine r(m_platform, QStringLiteral("Form1"), QStringLiteral("Form_QueryUnload"));
    if (r.test(100, [&] { return zip().state() != 0; }))
        r.step(100, [&] { zip().close(); });
    r.step(102, [&] { m_zipConnection.reset(); });
    r.step(104, [&] { m_platform.yield(); });
    r.step(106, [&] { m_platform.yield(); });
}

void Form1::Form_Unload()
{
    QCoreApplication::exit(0);
}

void Form1::closeEvent(QCloseEvent *event)
{
    Form_QueryUnload();
    event->accept();
    Form_Unload();
}

void Form1::PushButton1_Click()
{
    if (isBusy())
        return;
    Routine r(m_platform, QStringLiteral("Form1"), QStringLiteral("PushButton1_Click"));
    std::optional<ZipQuery> rows;
    r.step(100, [&] { setMousePointer(vbHourglass); });
    r.step(102, [&] { m_results->clear(); });
    r.step(106, [&] { rows.emplace(openZipSearch(zip(), Text1->text())); });
    if (rows) {
        ResultsModel::Appender list(*m_results);
        while (r.test(108, [&] { return !rows->atEnd(); })) {
            r.step(110, [&] { list.addRow(rows->text(ZipCodeColumn)); });
            r.step(112, [&] { list.setSubItem(1, rows->text(CityColumn)); });
            r.step(114, [&] { list.setSubItem(2, rows->text(StateColumn)); });
            r.step(116, [&] { rows->moveNext(); });
        }
    }
    r.step(118, [&] { rows.reset(); });
    r.step(120, [&] { setMousePointer(vbDefault); });
}

void Form1::PushButton2_Click()
{
    if (isBusy())
        return;
    Routine r(m_platform, QStringLiteral("Form1"), QStringLiteral("PushButton2_Click"));
    int answer = Platform::No;
    r.step(100, [&] {
        answer = m_platform.messageBox(QStringLiteral("Are you sure you want to reset the database?"),
                                       Platform::YesNo, QStringLiteral("Reset Database"));
    });
    if (answer != Platform::Yes)
        return;
    if (r.test(102, [&] { return zip().state() != 0; }))
        r.step(102, [&] { zip().close(); });
    r.step(104, [&] { m_platform.yield(); });
    r.step(106, [&] { m_platform.yield(); });
    r.step(108, [&] { copyDatabaseFile(paths::pristineCopy(m_platform), paths::workingCopy(m_platform)); });
    r.step(110, [&] { zip().open(ZipConnection::connectionString(paths::dataFolder(m_platform))); });
}

void Form1::PushButton7_Click()
{
    if (isBusy())
        return;
    Routine r(m_platform, QStringLiteral("Form1"), QStringLiteral("PushButton7_Click"));
    r.step(100, [&] { Text1->setText(QStringLiteral("3053")); });
    r.step(100, [&] { PushButton1_Click(); });
}

void Form1::PushButton8_Click()
{
    Routine r(m_platform, QStringLiteral("Form1"), QStringLiteral("PushButton8_Click"));
    r.step(100, [&] {
        m_platform.messageBox(QStringLiteral("Enter 5-digit zip code or part of the 5 digit zip code here."),
                              Platform::OkOnly);
    });
}

void Form1::PushButton9_Click()
{
    Routine r(m_platform, QStringLiteral("Form1"), QStringLiteral("PushButton9_Click"));
    r.step(100, [&] {
        if (!isBusy())
            m_results->clear();
    });
}
