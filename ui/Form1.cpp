#include "Form1.h"

#include "CaptionProgressBar.h"
#include "CommandContext.h"
#include "DatabaseCommands.h"
#include "ExportCommands.h"
#include "FileDropFilter.h"
#include "HoverFilter.h"
#include "ImportCommands.h"
#include "Platform.h"
#include "ResultsModel.h"
#include "ResultsView.h"
#include "SearchCommands.h"
#include "Startup.h"
#include "TextLengthLimit.h"
#include "Twips.h"
#include "WindowPointer.h"
#include "ZipSession.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>

namespace {

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

// A control keeps its legacy object name, the one place skins and tests address it by.
template <class Control>
Control *place(Control *control, const char *objectName, QRect twipsRect)
{
    control->setObjectName(QLatin1String(objectName));
    control->setGeometry(twips(twipsRect));
    return control;
}

// Every control is placed in twips relative to its container's client area.
QPushButton *makeButton(QWidget *container, const char *objectName, const QString &caption, QRect twipsRect)
{
    auto *button = place(new QPushButton(caption, container), objectName, twipsRect);
    button->setFont(arialBold(11.25));
    paintWhite(button, QPalette::Button);
    return button;
}

QGroupBox *makeFrame(QWidget *container, const char *objectName, const QString &caption, QRect twipsRect)
{
    auto *frame = place(new QGroupBox(caption, container), objectName, twipsRect);
    paintWhite(frame);
    return frame;
}

} // namespace

Form1::Form1(Platform &platform, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_platform(platform), m_zipSession(std::make_unique<ZipSession>()),
      m_pointer(std::make_unique<WindowPointer>(*this)), m_results(new ResultsModel(this))
{
    setObjectName(QStringLiteral("Form1"));
    setFont(arialBold(9));
    paintWhite(this);
    setFixedSize(twips(8040), twips(8370));
    buildControls();
    m_context = std::make_unique<CommandContext>(CommandContext{m_platform, *m_zipSession, *m_results, *m_pointer,
                                                                *this, *m_searchBox, *m_list, *m_progressBar});
    m_startup = std::make_unique<Startup>(*m_context);
    m_searchCommands = std::make_unique<SearchCommands>(*m_context);
    m_databaseCommands = std::make_unique<DatabaseCommands>(*m_context, *m_searchCommands);
    m_exportCommands = std::make_unique<ExportCommands>(*m_context);
    m_importCommands = std::make_unique<ImportCommands>(*m_context, *m_searchCommands);
    orderTabs();
    bindEvents();
    centreOnScreen();
    m_searchBox->setFocus();
}

Form1::~Form1() = default;

void Form1::buildControls()
{
    m_editFrame = makeFrame(this, "Frame2", QStringLiteral("Edit The Database"), {120, 6300, 7800, 1395});
    m_addButton = makeButton(m_editFrame, "PushButton4", QStringLiteral("Add Zip-City-State Combo"), {240, 300, 3600, 405});
    m_deleteButton =
        makeButton(m_editFrame, "PushButton13", QStringLiteral("Delete Selected Zip-City-State"), {3960, 300, 3600, 405});
    m_resetButton =
        makeButton(m_editFrame, "PushButton2", QStringLiteral("Reset Database To Original"), {240, 810, 6480, 405});
    m_editingHintButton = makeButton(m_editFrame, "PushButton3", QStringLiteral("?"), {6840, 810, 720, 405});

    m_searchFrame = makeFrame(this, "Frame1", QStringLiteral("Search:"), {120, 60, 7800, 1335});
    m_searchBox = place(new QLineEdit(m_searchFrame), "Text1", {240, 300, 6735, 345});
    refuseOverlongEdits(*m_searchBox,
                        [this](qsizetype length) { m_platform.messageBox(overlongTextMessage(length), Platform::OkOnly); });
    m_searchHintButton = makeButton(m_searchFrame, "PushButton8", QStringLiteral("?"), {7080, 300, 480, 345});
    m_sampleSearchButton =
        makeButton(m_searchFrame, "PushButton7", QStringLiteral("Load Sample/Example Search"), {3960, 750, 3600, 405});
    m_searchButton = makeButton(m_searchFrame, "PushButton1", QStringLiteral("Search"), {240, 750, 3600, 405});

    m_list = place(new ResultsView(this), "ListView1", {120, 1515, 7800, 3705});
    m_list->setModel(m_results);
    m_list->setToolTip(QStringLiteral(
        "Double-click item to remove it. Move | line to right and out of window to reveal full names."));

    m_progressBar = place(new CaptionProgressBar(this), "ProgressBar1", {120, 7830, 7800, 405});
    m_progressBar->setCaption(QStringLiteral("Progress Bar"));

    m_saveTextButton =
        makeButton(this, "PushButton6", QStringLiteral("Save Results As Text File"), {120, 5310, 3840, 405});
    m_saveWorkbookButton =
        makeButton(this, "PushButton12", QStringLiteral("Save Results As Excel File"), {4080, 5310, 3840, 405});
    m_clearListButton = makeButton(this, "PushButton9", QStringLiteral("Clear List"), {4080, 5805, 3840, 405});
    m_copyButton = makeButton(this, "PushButton18", QStringLiteral("Copy Results To Clipboard"), {120, 5805, 3840, 405});
}

void Form1::orderTabs()
{
    // Frames and the progress bar take no focus; the rest follow their tab indexes.
    QWidget *const order[] = {m_searchBox,    m_list,           m_searchHintButton, m_sampleSearchButton,
                              m_searchButton, m_addButton,      m_deleteButton,     m_resetButton,
                              m_editingHintButton, m_saveTextButton, m_saveWorkbookButton, m_clearListButton,
                              m_copyButton};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void Form1::bindEvents()
{
    connect(m_searchButton, &QPushButton::clicked, this, [this] { m_searchCommands->search(); });
    connect(m_sampleSearchButton, &QPushButton::clicked, this, [this] { m_searchCommands->loadSampleSearch(); });
    connect(m_searchHintButton, &QPushButton::clicked, this, [this] { m_searchCommands->showSearchHint(); });
    connect(m_clearListButton, &QPushButton::clicked, this, [this] { m_searchCommands->clearList(); });
    connect(m_addButton, &QPushButton::clicked, this, [this] { m_databaseCommands->addZip(); });
    connect(m_deleteButton, &QPushButton::clicked, this, [this] { m_databaseCommands->deleteSelectedZip(); });
    connect(m_resetButton, &QPushButton::clicked, this, [this] { m_databaseCommands->resetDatabase(); });
    connect(m_editingHintButton, &QPushButton::clicked, this, [this] { m_databaseCommands->explainEditing(); });
    connect(m_saveTextButton, &QPushButton::clicked, this, [this] { m_exportCommands->saveResultsAsText(); });
    connect(m_saveWorkbookButton, &QPushButton::clicked, this, [this] { m_exportCommands->saveResultsAsWorkbook(); });
    connect(m_copyButton, &QPushButton::clicked, this, [this] { m_exportCommands->copyResultsToClipboard(); });
    new QShortcut(QKeySequence(Qt::Key_F1), this, [this] { m_importCommands->showAbout(); });
    new FileDropFilter(this, [this](const QString &path) { m_importCommands->importDroppedFile(path); });
    bindMouseMoves();
    // At log-off or system shutdown the session ends the program without closing the window.
    connect(qApp, &QGuiApplication::commitDataRequest, this, &Form1::closeRequest);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &Form1::closeRequest);
}

void Form1::bindMouseMoves()
{
    // The buttons show the hover pointer; the background, the frames and the list give the
    // default back. The search box and the progress bar leave the pointer as it is.
    using P = WindowPointer;
    new HoverFilter(*m_pointer,
                    {{m_searchButton, P::Hover}, {m_sampleSearchButton, P::Hover}, {m_searchHintButton, P::Hover},
                     {m_addButton, P::Hover}, {m_deleteButton, P::Hover}, {m_resetButton, P::Hover},
                     {m_editingHintButton, P::Hover}, {m_saveTextButton, P::Hover}, {m_saveWorkbookButton, P::Hover},
                     {m_copyButton, P::Hover}, {m_clearListButton, P::Hover},
                     {this, P::Default}, {m_searchFrame, P::Default}, {m_editFrame, P::Default},
                     {m_list, P::Default}, {m_list->viewport(), P::Default}},
                    this);
}

void Form1::centreOnScreen()
{
    // The whole window, frame and title bar included, centred on the screen's free area.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(pos() + screen->availableGeometry().center() - frameGeometry().center());
}

void Form1::load()
{
    m_startup->load();
}

void Form1::closeRequest()
{
    if (m_closeRequestRan)
        return;
    m_closeRequestRan = true;
    m_databaseCommands->closeConnection();
}

void Form1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // The frame's size is known only once the window is on the screen.
    if (!m_shownBefore)
        QTimer::singleShot(0, this, &Form1::centreOnScreen);
    m_shownBefore = true;
}

void Form1::closeEvent(QCloseEvent *event)
{
    closeRequest();
    event->accept();
    // The unload: the program ends at once.
    QCoreApplication::exit(0);
}
