#include "Form1.h"

#include "AboutBox.h"
#include "Background.h"
#include "CaptionProgressBar.h"
#include "DatabaseCommands.h"
#include "ExportCommands.h"
#include "FileDropFilter.h"
#include "HoverFilter.h"
#include "ImportCommands.h"
#include "FormRoutine.h"
#include "ListActions.h"
#include "ListCommands.h"
#include "MapCommands.h"
#include "PlaceCommands.h"
#include "Platform.h"
#include "ResultsModel.h"
#include "ResultsView.h"
#include "SearchCommands.h"
#include "Startup.h"
#include "TextLengthLimit.h"
#include "Twips.h"
#include "WindowLayout.h"
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

// A control is placed in twips within its container's client area, under its legacy object
// name, with what a screen reader speaks for it.
template <class Control>
Control *place(Control *control, const layout::Control &design)
{
    control->setObjectName(QLatin1String(design.objectName));
    control->setGeometry(pixelsFromTwips(design.twips));
    control->setAccessibleName(QString::fromUtf8(design.accessibleName));
    control->setAccessibleDescription(QString::fromUtf8(design.accessibleDescription));
    return control;
}

QString captionOf(const layout::Control &design)
{
    return QString::fromUtf8(design.caption);
}

QPushButton *makeButton(QWidget *container, const layout::Control &design)
{
    auto *button = place(new QPushButton(captionOf(design), container), design);
    button->setFont(arialBold(11.25));
    fillBackground(*button, Qt::white, QPalette::Button);
    return button;
}

QGroupBox *makeFrame(QWidget *container, const layout::Control &design)
{
    auto *frame = place(new QGroupBox(captionOf(design), container), design);
    fillBackground(*frame, Qt::white);
    return frame;
}

} // namespace

Form1::Form1(Platform &platform, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_platform(platform), m_zipSession(std::make_unique<ZipSession>()),
      m_pointer(std::make_unique<WindowPointer>(*this)), m_results(new ResultsModel(this))
{
    setObjectName(QLatin1String(layout::kWindow));
    setFont(arialBold(9));
    fillBackground(*this, Qt::white);
    setFixedSize(pixelsFromTwips(layout::kClientTwips.width()), pixelsFromTwips(layout::kClientTwips.height()));
    buildControls();
    m_startup = std::make_unique<Startup>(m_platform, *m_zipSession, *m_results, *m_pointer, *this, *m_list);
    m_searchCommands =
        std::make_unique<SearchCommands>(m_platform, *m_zipSession, *m_results, *m_pointer, *m_searchBox);
    m_databaseCommands = std::make_unique<DatabaseCommands>(m_platform, *m_zipSession, *m_results, *m_list, *m_pointer,
                                                            *m_searchCommands);
    m_exportCommands = std::make_unique<ExportCommands>(m_platform, *m_results, *m_pointer, *m_progressBar);
    m_importCommands = std::make_unique<ImportCommands>(m_platform, *m_zipSession, *m_results, *m_pointer,
                                                        *m_searchCommands);
    m_placeCommands = std::make_unique<PlaceCommands>(m_platform, *m_zipSession, *m_results, *m_list, *m_pointer);
    m_mapCommands = std::make_unique<MapCommands>(m_platform, *m_zipSession, *m_results, *m_list, *m_pointer, *this);
    m_listCommands = std::make_unique<ListCommands>(m_platform, *m_zipSession, *m_results, *m_list, *m_pointer);
    m_aboutBox = std::make_unique<AboutBox>(m_platform, *m_zipSession, *m_pointer);
    m_listActions = new ListActions(*this, *m_list);
    orderTabs();
    bindEvents();
    centreOnScreen();
    m_searchBox->setFocus();
}

Form1::~Form1() = default;

void Form1::buildControls()
{
    using namespace layout;
    m_editFrame = makeFrame(this, kEditFrame);
    m_addButton = makeButton(m_editFrame, kAddButton);
    m_deleteButton = makeButton(m_editFrame, kDeleteButton);
    m_resetButton = makeButton(m_editFrame, kResetButton);
    m_editingHintButton = makeButton(m_editFrame, kEditingHelpButton);

    m_searchFrame = makeFrame(this, kSearchFrame);
    m_searchBox = place(new QLineEdit(m_searchFrame), kSearchBox);
    refuseOverlongEdits(*m_searchBox,
                        [this](qsizetype length) { m_platform.messageBox(overlongTextMessage(length), Platform::OkOnly); });
    m_searchHintButton = makeButton(m_searchFrame, kSearchHelpButton);
    m_sampleSearchButton = makeButton(m_searchFrame, kSampleSearchButton);
    m_searchButton = makeButton(m_searchFrame, kSearchButton);

    m_list = place(new ResultsView(this), kList);
    m_list->setModel(m_results);
    m_list->setToolTip(QStringLiteral(
        "Double-click item to remove it. Move | line to right and out of window to reveal full names."));

    m_progressBar = place(new CaptionProgressBar(this), kProgressBar);
    m_progressBar->setCaption(captionOf(kProgressBar));

    m_saveTextButton = makeButton(this, kSaveTextButton);
    m_saveWorkbookButton = makeButton(this, kSaveWorkbookButton);
    m_clearListButton = makeButton(this, kClearListButton);
    m_copyButton = makeButton(this, kCopyButton);
}

void Form1::orderTabs()
{
    // Frames and the progress bar take no focus; the rest follow their tab indexes.
    QWidget *previous = nullptr;
    for (const layout::Control &design : layout::inTabOrder()) {
        auto *control = findChild<QWidget *>(QLatin1String(design.objectName));
        if (!(control->focusPolicy() & Qt::TabFocus))
            continue;
        if (previous)
            setTabOrder(previous, control);
        previous = control;
    }
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
    using A = ListActions;
    m_listActions->bind(A::Details, [this] { m_placeCommands->showDetails(); });
    m_listActions->bind(A::ZipsNear, [this] { m_placeCommands->listZipsNear(); });
    m_listActions->bind(A::ZipsInCounty, [this] { m_placeCommands->listZipsInCounty(); });
    m_listActions->bind(A::ShowOnMap, [this] { m_mapCommands->showMap(); });
    m_listActions->bind(A::TickAll, [this] { m_searchCommands->tickAll(); });
    m_listActions->bind(A::UntickAll, [this] { m_searchCommands->untickAll(); });
    m_listActions->bind(A::PasteZips, [this] { m_listCommands->pasteZips(); });
    m_listActions->bind(A::LookUpList, [this] { m_listCommands->lookUpListFile(); });
    m_listActions->bind(A::CopyForSpreadsheet, [this] { m_listCommands->copyForSpreadsheet(); });
    m_listActions->bind(A::SaveForSpreadsheet, [this] { m_listCommands->saveForSpreadsheet(); });
    new QShortcut(QKeySequence(Qt::Key_F1), this, [this] { m_aboutBox->show(); });
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
