#include "shell/gui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPrinter>
#include <QProgressBar>
#include <QShortcut>
#include <QToolTip>

#include "app/station_core.h"
#include "editor/editing.h"
#include "editor/gui/listing_view.h"
#include "editor/gui/parameter_dialog.h"
#include "editor/listing.h"
#include "editor/menu.h"
#include "model/program_store.h"
#include "shell/gui/help_viewer.h"
#include "shell/gui/hints.h"
#include "shell/gui/info_window.h"
#include "shell/gui/main_window_device.h"
#include "shell/gui/printing.h"
#include "shell/gui/window_set.h"
#include "ui/artwork.h"
#include "ui/dialogs.h"
#include "ui/station_settings.h"

namespace rv720 {

namespace {

const QString kCaptionHead = QStringLiteral("3-axis trajectory generator RV720  -  [");
constexpr int kTextLimit = 0x3FFF80;  // 999 lines of 105 characters and more

// Listing geometry: the view sits below its column headers; characters 5, 29, 53
// and 77 begin the four columns.
const QRect kListingRect(166, 128, 772, 466);
constexpr int kColumnStarts[4] = {5, 29, 53, 77};

// What a transfer disables: every window but the transfer and password windows.
constexpr Window kLockedByTransfer[] = {Window::FInfo,           Window::FLog,
                                        Window::FMain,           Window::FParametrLiczbowy,
                                        Window::FPodgladSilniki, Window::FPodgladWejscia,
                                        Window::FSterowanie,     Window::FWyjscia};

// A program file (.pri, or the text form's .rv720) among the dropped files, or empty.
QString droppedProgram(const QMimeData* data) {
    if (!data) return {};
    for (const QUrl& url : data->urls()) {
        const QString suffix = QFileInfo(url.toLocalFile()).suffix().toLower();
        if (url.isLocalFile() &&
            (suffix == QLatin1String("pri") || suffix == QLatin1String("rv720")))
            return url.toLocalFile();
    }
    return {};
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
                  const QFont& font = artwork::labelFont()) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: #1f2a37; background: transparent;"));
    return label;
}

struct ButtonSpec {
    const char* name;
    const char* glyph;
    const char* text;  // short text beside the glyph, or nullptr
};

// The command column, top to bottom; the first twenty hide in run mode.
constexpr ButtonSpec kCommandButtons[] = {
    {"CommadnConfigButton", "cmd-driver", "drv"},
    {"CommadnVminButton", "cmd-vmin", "v_min"},
    {"CommadnVmaxButton", "cmd-vmax", "v_max"},
    {"CommadnAmaxButton", "cmd-amax", "a_max"},
    {"CommadEnableButton", "cmd-enable", "enable"},
    {"CommadnVdestButton", "cmd-vdest", "v_dest"},
    {"CommadnXdestButton", "cmd-goto", "go_to"},
    {"CommadnHomeButton", "cmd-home", "home"},
    {"CommadBreakButton", "cmd-brake", "brake"},
    {"CommadnStopButton", "cmd-stop", "stop"},
    {"CommadnWaitXButton", "cmd-wait-motor", "wait_motor"},
    {"CommadnOutButton", "cmd-output", "set_out"},
    {"CommadnCounterButton", "cmd-counter", "counter"},
    {"CommadnJumpButton", "cmd-jump", "jump_line"},
    {"CommadnJumpInputButton", "cmd-jump-input", "if(in) jump"},
    {"CommadnJumpCounterButton", "cmd-jump-counter", "if(counter) jump"},
    {"CommadnWaitButton", "cmd-wait", "wait_ms"},
    {"CommadnEndButton", "cmd-end", "end"},
    {"CommadnUsbButton", "cmd-usb", "set_USB"},
    {"CommadnMessageButton", "cmd-message", "print_USB"},
};

}  // namespace

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

TFMain::TFMain(Dialogs& dialogs, TimerFactory& timers, Clock& clock, FtdiApi* ftdi,
               StationSettings* settings, QWidget* parent)
    : StationWindow({QStringLiteral("FMain"), QSize(1149, 732), QString(), /*stayOnTop=*/false,
                     /*draggable=*/true, Placement::ScreenCentre},
                    parent),
      dialogs_(dialogs),
      clock_(clock),
      deviceViews_(std::make_unique<DeviceViews>(*this)),
      core_(std::make_unique<StationCore>(
          ftdi, timers, clock,
          StationViews{*deviceViews_, *deviceViews_, *deviceViews_, /*editor=*/this})),
      model_(core_->model()),
      parameterDialog_(core_->parameterDialog()),
      editor_(core_->editor()),
      device_(core_->device()),
      settings_(settings) {
    if (!settings_) {
        ownSettings_ = std::make_unique<StationSettings>();
        settings_ = ownSettings_.get();
    }
    // The task bar shows the application's title; the file goes into the caption.
    setWindowTitle(QStringLiteral("3-axis trajectory generator RV720"));
    buildToolbars();
    buildCommandColumn();
    buildListing();
    buildInputBreakRows();
    buildIndicators();
    buildDirectControl();
    buildStatusArea();
    attachHints();

    TimeoutTimer = &core_->TimeoutTimer();
    UsbTimer = &core_->UsbTimer();
    Timer = &core_->TransferTimer();
    LastClickTimer = &core_->LastClickTimer();
    wireEditing();
    wireDevice();

    help_ = new HelpViewer(this);
    buildShortcuts();
    setAcceptDrops(true);

    FormCreate();
    history_.reset(model_);
    savedImage_ = model_.image;
}

TFMain::~TFMain() = default;

// ------------------------------------------------------------------- building

void TFMain::buildToolbars() {
    addPanel(QRect(8, 34, 300, 44));
    addPanel(QRect(316, 34, 580, 44));
    auto tool = [this](const char* name, const char* glyph, int x) {
        const ControlHint* hint = hintFor(QLatin1String(name));
        return addPictureButton(
            QLatin1String(name), QLatin1String(glyph), QRect(x, 38, 36, 36),
            hint && hint->toolTip ? QString::fromUtf8(hint->toolTip) : QString());
    };
    NewButton = tool("NewButton", "file-new", 14);
    OpenButton = tool("OpenButton", "file-open", 54);
    SaveButton = tool("SaveButton", "file-save", 94);
    SaveAsButton = tool("SaveAsButton", "file-save-as", 134);
    PrintButton = tool("PrintButton", "print", 174);
    DownButton = tool("DownButton", "move-down", 224);
    UpButton = tool("UpButton", "move-up", 264);

    // The groups stand 6 pixels apart so that Dry run fits beside Play.
    DisconnectButton = tool("DisconnectButton", "usb-disconnect", 322);
    ConnectButton = tool("ConnectButton", "usb-connect", 362);
    WriteProgramButton = tool("WriteProgramButton", "program-write", 404);
    ReadProgramButton = tool("ReadProgramButton", "program-read", 444);
    StopProgramButton = tool("StopProgramButton", "program-stop", 486);
    PlayProgramButton = tool("PlayProgramButton", "program-play", 526);
    DryRunButton = tool("DryRunButton", "program-dry-run", 566);
    ViewUsbButton = tool("ViewUsbButton", "view-usb", 608);
    WiewIoButton = tool("WiewIoButton", "view-io", 648);
    ViweMotorButton = tool("ViweMotorButton", "view-motors", 688);
    SpeedButton1 = tool("SpeedButton1", "device-reset", 730);
    SpeedButton2 = tool("SpeedButton2", "device-firmware", 770);
    HelpButton = tool("HelpButton", "help", 812);
    InfoButton = tool("InfoButton", "about", 852);

    MinimalizeButton =
        addPictureButton(QStringLiteral("MinimalizeButton"), QStringLiteral("window-minimise"),
                         QRect(1097, 3, 22, 22), QStringLiteral("Minimalizuj"));
    CloseButton = addPictureButton(QStringLiteral("CloseButton"), QStringLiteral("window-close"),
                                   QRect(1122, 3, 22, 22), QStringLiteral("Zamknij"));
    // The caption ends before the window buttons; a long path gives way in its middle.
    FormCaption->setGeometry(10, 0, MinimalizeButton->x() - 16, artwork::kTitleStripHeight);

    // A right click on Open offers the files opened or saved last.
    RecentMenu = new QMenu(this);
    RecentMenu->setObjectName(QStringLiteral("RecentMenu"));
    OpenButton->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(OpenButton, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { showRecentFiles(OpenButton->mapToGlobal(at)); });

    connect(NewButton, &QAbstractButton::clicked, this, [this] { NewButtonClick(); });
    connect(OpenButton, &QAbstractButton::clicked, this, &TFMain::OpenButtonClick);
    connect(SaveButton, &QAbstractButton::clicked, this, [this] { SaveButtonClick(); });
    connect(SaveAsButton, &QAbstractButton::clicked, this, [this] { SaveAsButtonClick(); });
    connect(PrintButton, &QAbstractButton::clicked, this, &TFMain::PrintButtonClick);
    connect(CloseButton, &QAbstractButton::clicked, this, &TFMain::CloseButtonClick);
    connect(MinimalizeButton, &QAbstractButton::clicked, this, &TFMain::MinimalizeButtonClick);
    connect(HelpButton, &QAbstractButton::clicked, this, &TFMain::HelpButtonClick);
    wireDryRun();
    // The rest of the device toolbar is wired with the device side (wireDevice).
}

void TFMain::buildCommandColumn() {
    addPanel(QRect(8, 84, 150, 596));
    auto* title = makeLabel(this, "CommandsLabel", QStringLiteral("Program commands"),
                            QRect(16, 88, 136, 16), artwork::labelFont(11, true));
    Q_UNUSED(title);
    int y = 108;
    auto add = [&](const char* name, const char* glyph, const char* text) {
        const ControlHint* hint = hintFor(QLatin1String(name));
        PictureButton* b =
            addPictureButton(QLatin1String(name), QLatin1String(glyph), QRect(14, y, 138, 26),
                             hint && hint->toolTip ? QString::fromUtf8(hint->toolTip) : QString(),
                             QLatin1String(text));
        b->setGlyphSize(18);
        y += 27;
        return b;
    };
    for (const ButtonSpec& buttonDef : kCommandButtons) {
        commandButtons << add(buttonDef.name, buttonDef.glyph, buttonDef.text);
        if (QLatin1String(buttonDef.name) == QLatin1String("CommadnWaitXButton"))
            CommandClearPos = add("CommandClearPos", "cmd-clear-motor", "clear_motor");
    }
}

void TFMain::buildListing() {
    kol = new QCheckBox(QStringLiteral("4 Columns"), this);
    kol->setObjectName(QStringLiteral("kol"));
    kol->setGeometry(166, 86, 120, 18);
    kol->setFont(artwork::labelFont());
    kol->setChecked(true);
    Label29 = makeLabel(this, "Label29", QStringLiteral("4 columns"), QRect(292, 86, 100, 18));
    connect(kol, &QCheckBox::clicked, this, &TFMain::kolClick);

    ProgramView = new ListingView(this);
    ProgramView->setGeometry(kListingRect);

    const char* headerNames[4] = {"name1", "name2", "name3", "name4"};
    const char* headerTexts[4] = {"Motor 1", "Motor 2", "Motor 3", "Driver"};
    QLabel** headers[4] = {&name1, &name2, &name3, &name4};
    for (int i = 0; i < 4; ++i) {
        *headers[i] = makeLabel(this, headerNames[i], QLatin1String(headerTexts[i]), QRect(),
                                artwork::listingFont(12, true));
        separators[i] = new QFrame(this);
        separators[i]->setObjectName(QStringLiteral("Separator%1").arg(i + 1));
        separators[i]->setStyleSheet(QStringLiteral("background: black;"));
        separators[i]->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    placeColumnFurniture();
    ProgramView->setColumnSeparators({std::begin(kColumnStarts), std::end(kColumnStarts)});

    comand_counter =
        makeLabel(this, "comand_counter", QStringLiteral("Commands: 000 ( left 999 ) "),
                  QRect(166, 598, 250, 18), artwork::listingFont(12, true));
    ProgramBar = new QProgressBar(this);
    ProgramBar->setObjectName(QStringLiteral("ProgramBar"));
    ProgramBar->setRange(0, kMaxCommands);
    ProgramBar->setValue(0);
    ProgramBar->setTextVisible(false);
    ProgramBar->setGeometry(424, 600, 514, 14);

    // The listing's pop-up menu: delete, the insert submenu in the editor's order,
    // edit. Its items are wired with the editing operations.
    Popup = new QMenu(this);
    Popup->setObjectName(QStringLiteral("Popup"));
    auto item = [](QMenu* menu, std::string_view name, std::string_view caption) {
        QAction* action =
            menu->addAction(QString::fromUtf8(caption.data(), qsizetype(caption.size())));
        action->setObjectName(QString::fromUtf8(name.data(), qsizetype(name.size())));
        return action;
    };
    item(Popup, kDeleteItem.name, kDeleteItem.caption);
    QMenu* insert = Popup->addMenu(
        QString::fromUtf8(kInsertSubmenuCaption.data(), qsizetype(kInsertSubmenuCaption.size())));
    insert->setObjectName(QStringLiteral("InsertCommand"));
    for (const CommandEntry& entry : commandEntries()) {
        item(insert, entry.popupItem, entry.caption);
        if (entry.separatorAfter) insert->addSeparator();
    }
    item(Popup, kEditItem.name, kEditItem.caption);
    ProgramView->setPopupMenu(Popup);
    connect(ProgramView, &ListingView::mouseMoved, this, [this] {
        Info1->setText(QStringLiteral("..."));
        Info2->setText(QStringLiteral("..."));
    });
}

void TFMain::placeColumnFurniture() {
    // The separators stand in the blank before each column, the headers just right
    // of them, above the view; inside the view the listing draws them itself, row
    // by row, so that a line running into the next column is never crossed.
    QLabel* headers[4] = {name1, name2, name3, name4};
    const int viewLeft = kListingRect.x() + ProgramView->viewport()->x();
    for (int i = 0; i < 4; ++i) {
        const int x = viewLeft + ProgramView->separatorX(kColumnStarts[i]);
        separators[i]->setGeometry(x, kListingRect.y() - 18, 1, 18);
        headers[i]->setGeometry(x + 4, kListingRect.y() - 18, 160, 16);
    }
}

void TFMain::buildInputBreakRows() {
    addPanel(QRect(166, 622, 772, 58));
    struct Row {
        QCheckBox** ex;
        QLabel** text1;
        QComboBox** line;
        QLabel** text2;
        QComboBox** state;
    } rows[2] = {{&input_1_ex, &input_1_text1, &input_1_line, &input_1_text2, &input_1_state},
                 {&input_2_ex, &input_2_text1, &input_2_line, &input_2_text2, &input_2_state}};
    QStringList lines;
    for (int i = 1; i <= kMaxCommands; ++i)
        lines << QString::number(i);
    for (int n = 0; n < 2; ++n) {
        const int y = 628 + n * 26;
        const QString prefix = QStringLiteral("input_%1_").arg(n + 1);
        auto* ex = new QCheckBox(this);
        ex->setObjectName(prefix + QStringLiteral("ex"));
        ex->setGeometry(176, y, 20, 20);
        auto* t1 = makeLabel(this, "", QStringLiteral("Jump to line"), QRect(198, y + 1, 90, 18));
        t1->setObjectName(prefix + QStringLiteral("text1"));
        auto* line = new QComboBox(this);
        line->setObjectName(prefix + QStringLiteral("line"));
        line->addItems(lines);
        line->setCurrentIndex(-1);
        line->setGeometry(290, y, 70, 20);
        line->setMaxVisibleItems(20);
        auto* t2 = makeLabel(this, "",
                             n == 0 ? QStringLiteral(", if the INPUT1 occurs edge ")
                                    : QStringLiteral(", if the INPUT2 occurs edge "),
                             QRect(366, y + 1, 200, 18));
        t2->setObjectName(prefix + QStringLiteral("text2"));
        auto* state = new QComboBox(this);
        state->setObjectName(prefix + QStringLiteral("state"));
        state->addItems({QStringLiteral("falling"), QStringLiteral("rising")});
        state->setCurrentIndex(0);
        state->setGeometry(570, y, 90, 20);
        *rows[n].ex = ex;
        *rows[n].text1 = t1;
        *rows[n].line = line;
        *rows[n].text2 = t2;
        *rows[n].state = state;
        showInputRowEnabled(n + 1, false);
        const int input = n + 1;
        connect(ex, &QCheckBox::clicked, this, [this, input] { input_exClick(input); });
        connect(line, &QComboBox::activated, this, [this, input] { input_lineChange(input); });
        connect(state, &QComboBox::activated, this, [this, input] { input_stateChange(input); });
    }
}

void TFMain::buildIndicators() {
    addPanel(QRect(904, 34, 237, 96));
    led_usb = new PictureBox(this);
    led_usb->setObjectName(QStringLiteral("led_usb"));
    led_usb->setGeometry(916, 38, 60, 60);
    led_prog = new PictureBox(this);
    led_prog->setObjectName(QStringLiteral("led_prog"));
    led_prog->setGeometry(990, 38, 60, 60);
    led_usb_caption = makeLabel(this, "led_usb_caption", QStringLiteral("Transmission"),
                                QRect(904, 102, 84, 16), artwork::labelFont(10));
    led_usb_caption->setAlignment(Qt::AlignCenter);
    led_prog_caption = makeLabel(this, "led_prog_caption", QStringLiteral("Program"),
                                 QRect(980, 102, 80, 16), artwork::labelFont(10));
    led_prog_caption->setAlignment(Qt::AlignCenter);
    StopButton = addPictureButton(QStringLiteral("StopButton"), QStringLiteral("emergency-stop"),
                                  QRect(1064, 38, 72, 86), QStringLiteral("Stop program"));
    StopButton->setGlyphSize(66);
}

void TFMain::buildDirectControl() {
    addPanel(QRect(946, 136, 195, 276));
    makeLabel(this, "DirectLabel", QStringLiteral("Direct control"), QRect(956, 140, 170, 16),
              artwork::labelFont(11, true));
    const ButtonSpec buttonDefs[] = {
        {"SetConfigButton", "set-config", "Drivers"},
        {"SetModeButton", "set-mode", "Work mode"},
        {"SetVminButton", "set-vmin", "Min velocity"},
        {"SetVmaxButton", "set-vmax", "Max velocity"},
        {"SetAmaxButton", "set-amax", "Max acceleration"},
        {"SetVdestButton", "set-vdest", "Set velocity"},
        {"SetXdestButton", "set-xdest", "Set position"},
        {"SetOutputButton", "set-output", "Outputs"},
    };
    PictureButton** targets[] = {&SetConfigButton, &SetModeButton,  &SetVminButton,
                                 &SetVmaxButton,   &SetAmaxButton,  &SetVdestButton,
                                 &SetXdestButton,  &SetOutputButton};
    int y = 160;
    for (int i = 0; i < 8; ++i) {
        const ControlHint* hint = hintFor(QLatin1String(buttonDefs[i].name));
        PictureButton* b =
            addPictureButton(QLatin1String(buttonDefs[i].name), QLatin1String(buttonDefs[i].glyph),
                             QRect(954, y, 180, 30), QString::fromUtf8(hint->toolTip),
                             QLatin1String(buttonDefs[i].text));
        b->setGlyphSize(22);
        *targets[i] = b;
        y += 31;
        connect(b, &QAbstractButton::clicked, this, &TFMain::deviceAction);
    }

    addPanel(QRect(946, 420, 195, 106));
    makeLabel(this, "MotorsLabel", QStringLiteral("Motors"), QRect(956, 424, 170, 16),
              artwork::labelFont(11, true));
    QCheckBox** boxes[3] = {&m1_ch, &m2_ch, &m3_ch};
    ClickLabel** labels[3] = {&i1, &i2, &i3};
    for (int m = 0; m < 3; ++m) {
        auto* box = new QCheckBox(this);
        box->setObjectName(QStringLiteral("m%1_ch").arg(m + 1));
        box->setGeometry(956, 446 + m * 26, 20, 20);
        auto* label = new ClickLabel(this);
        label->setObjectName(QStringLiteral("i%1").arg(m + 1));
        label->setGeometry(978, 447 + m * 26, 160, 18);
        label->setFont(artwork::listingFont(12, true));
        label->setStyleSheet(QStringLiteral("color: #1f2a37; background: transparent;"));
        label->setCursor(Qt::PointingHandCursor);
        *boxes[m] = box;
        *labels[m] = label;
    }
    // The station's name plate fills the foot of the column.
    addPanel(QRect(946, 534, 195, 146));
    QFont plate = artwork::captionFont();
    plate.setPixelSize(34);
    auto* brand =
        makeLabel(this, "BrandLabel", QStringLiteral("RV720"), QRect(946, 566, 195, 44), plate);
    brand->setAlignment(Qt::AlignCenter);
    brand->setStyleSheet(QStringLiteral("color: #2c5282; background: transparent;"));
    auto* subtitle = makeLabel(this, "BrandSubtitle", QStringLiteral("3-axis trajectory generator"),
                               QRect(946, 612, 195, 18), artwork::labelFont(11));
    subtitle->setAlignment(Qt::AlignCenter);

    connect(i1, &ClickLabel::clicked, this, &TFMain::i1Click);
    connect(i2, &ClickLabel::clicked, this, &TFMain::i2Click);
    connect(i3, &ClickLabel::clicked, this, &TFMain::i3Click);
}

void TFMain::buildStatusArea() {
    addPanel(QRect(8, 686, 562, 40));
    addPanel(QRect(578, 686, 563, 40));
    const QFont font = artwork::labelFont(11);
    Warning1 = makeLabel(this, "Warning1", QStringLiteral("..."), QRect(16, 688, 546, 18), font);
    Warning2 = makeLabel(this, "Warning2", QStringLiteral("..."), QRect(16, 706, 546, 18),
                         artwork::labelFont(11, true));
    Info1 = makeLabel(this, "Info1", QStringLiteral("..."), QRect(586, 688, 548, 18), font);
    Info2 = makeLabel(this, "Info2", QStringLiteral("..."), QRect(586, 706, 548, 18), font);
    // Shown while the program differs from its file; the hint lines stay as they are.
    QFont italic = font;
    italic.setItalic(true);
    ModifiedLabel = makeLabel(this, "ModifiedLabel", QStringLiteral("modified"),
                              QRect(1060, 706, 74, 18), italic);
    ModifiedLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ModifiedLabel->setStyleSheet(
        QStringLiteral("color: %1; background: transparent;").arg(artwork::kMarkColour.name()));
    ModifiedLabel->hide();
}

void TFMain::attachHints() {
    for (const ControlHint& hint : controlHints()) {
        QWidget* control = findChild<QWidget*>(QLatin1String(hint.control));
        if (!control) continue;
        control->setMouseTracking(true);
        control->installEventFilter(this);
    }
}

bool TFMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip && watched->isWidgetType()) {
        auto* control = static_cast<QWidget*>(watched);
        if (QShortcut* shortcut = shortcutOf(control); shortcut && !control->toolTip().isEmpty()) {
            // The tooltip names the control's key after its own text.
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(),
                               control->toolTip() + QStringLiteral("  (") +
                                   shortcut->key().toString(QKeySequence::NativeText) +
                                   QLatin1Char(')'),
                               control);
            return true;
        }
    }
    if (event->type() == QEvent::MouseMove) {
        if (const ControlHint* hint = hintFor(watched->objectName())) {
            Info1->setText(QString::fromUtf8(hint->info1));
            Info2->setText(QString::fromUtf8(hint->info2));
        }
    }
    return StationWindow::eventFilter(watched, event);
}

void TFMain::Image1MouseMove() {
    Info1->setText(QStringLiteral("..."));
    Info2->setText(QStringLiteral("..."));
}

// ------------------------------------------------------------------ start-up

void TFMain::FormCreate() {
    setCaptionFile(QString());
    ProgramView->setTextLimit(kTextLimit);
    for (MotorConfig& motor : model_.motors) {
        motor.stepDivisor = 8;
        motor.stepsPerRev = 200;
    }
    led_usb->loadPicture(QStringLiteral("ID_led_stop"));
    led_prog->loadPicture(QStringLiteral("ID_led_stop"));
    UpdateMotorLabels();
    StartupDirectory = QDir::currentPath();
}

// ---------------------------------------------------------------- operations

void TFMain::AddStatusLine(const QString& text) {
    Warning1->setText(Warning2->text());
    Warning2->setText(text);
}

void TFMain::UpdateMotorLabels() {
    ClickLabel* labels[3] = {i1, i2, i3};
    for (int m = 0; m < 3; ++m) {
        const std::uint32_t divisor = model_.motors[m].stepDivisor;
        QString text = QStringLiteral("Motor %1 [1/%2").arg(m + 1).arg(divisor);
        if (divisor < 10) text += QLatin1Char(' ');
        if (divisor < 100) text += QLatin1Char(' ');
        text += QStringLiteral(" %1]").arg(model_.motors[m].stepsPerRev);
        labels[m]->setText(text);
    }
}

QList<QWidget*> TFMain::editingControls() const {
    QList<QWidget*> list{SetConfigButton,   SetModeButton,      SetVminButton,  SetVmaxButton,
                         SetAmaxButton,     SetVdestButton,     SetXdestButton, SetOutputButton,
                         SpeedButton2,      SpeedButton1,       InfoButton,     HelpButton,
                         ReadProgramButton, WriteProgramButton, ConnectButton,  DisconnectButton,
                         SaveButton,        SaveAsButton,       OpenButton,     NewButton};
    for (PictureButton* b : commandButtons)
        list << b;
    return list;
}

void TFMain::HideEditingControls() {
    for (QWidget* w : editingControls())
        w->setVisible(false);
    ProgramView->setPopupMenu(nullptr);
}

void TFMain::ShowEditingControls() {
    for (QWidget* w : editingControls())
        w->setVisible(true);
    ProgramView->setPopupMenu(Popup);
}

void TFMain::LockWindows() {
    if (!windows_) {
        setEnabled(false);
        return;
    }
    for (Window window : kLockedByTransfer)
        if (QWidget* w = windows_->window(window)) w->setEnabled(false);
    for (Window window : {Window::FPodgladSilniki, Window::FPodgladWejscia, Window::FLog})
        if (QWidget* w = windows_->window(window)) w->hide();
}

void TFMain::UnlockWindows() {
    if (!windows_) {
        setEnabled(true);
        return;
    }
    for (Window window : kLockedByTransfer)
        if (QWidget* w = windows_->window(window)) w->setEnabled(true);
}

bool TFMain::HasProgramLines() const {
    // A program of a single command is worth keeping too, so it is offered for
    // saving like a longer one.
    return ProgramView->lineCount() >= 1;
}

void TFMain::PrintProgram() {
    // Every change of the program ends here, so this is where a user action
    // becomes an undo step and the unsaved mark follows the program.
    const ListingLayout layout =
        kol->isChecked() ? ListingLayout::FourColumns : ListingLayout::OneColumn;
    const std::vector<ListingLine> rendered =
        renderListing(model_.image, layout, clock_.decimalSeparator());
    const std::uint32_t length = model_.length();
    comand_counter->setText(QString::fromStdString(commandCounterText(length)));
    ProgramBar->setValue(int(std::min<std::uint32_t>(length, kMaxCommands)));

    QVector<ListingView::Line> lines;
    lines.reserve(int(rendered.size()));
    for (const ListingLine& line : rendered)
        lines.append({QString::fromUtf8(line.text.data(), qsizetype(line.text.size())),
                      QColor(line.color.r, line.color.g, line.color.b)});
    ProgramView->setLines(std::move(lines));

    if (model_.cursorLine > 0)
        ProgramView->setCaret(model_.cursorLine - 1, 0);
    else
        ProgramView->setCaret(ProgramView->lineCount(), 0);
    ProgramView->setFocus();
    programChanged();
}

void TFMain::refreshInputBreakControls() {
    // Mirrors the block only; loading a program must not rewrite its bytes.
    QCheckBox* boxes[2] = {input_1_ex, input_2_ex};
    QComboBox* lines[2] = {input_1_line, input_2_line};
    QComboBox* states[2] = {input_1_state, input_2_state};
    for (int n = 0; n < 2; ++n) {
        const InputBreakRow row = editor_.inputBreakRow(n + 1);
        boxes[n]->setChecked(row.ticked);
        showInputRowEnabled(n + 1, row.controlsEnabled);
        lines[n]->setCurrentIndex(row.lineIndex);
        states[n]->setCurrentIndex(row.edgeIndex);
    }
}

void TFMain::showInputRowEnabled(int input, bool enabled) {
    const QString prefix = QStringLiteral("input_%1_").arg(input);
    for (const char* suffix : {"text1", "line", "text2", "state"})
        if (QWidget* w = findChild<QWidget*>(prefix + QLatin1String(suffix)))
            w->setEnabled(enabled);
}

void TFMain::input_exClick(int input) {
    QCheckBox* box = input == 1 ? input_1_ex : input_2_ex;
    showInputRowEnabled(input, box->isChecked());
    editor_.input_exClick(input, box->isChecked());
    programChanged();
}

void TFMain::input_lineChange(int input) {
    QComboBox* list = input == 1 ? input_1_line : input_2_line;
    if (list->currentIndex() < 0) return;
    // A line past the program is pulled back to the last command's line.
    list->setCurrentIndex(editor_.input_lineChange(input, list->currentIndex()));
    programChanged();
}

void TFMain::input_stateChange(int input) {
    QComboBox* list = input == 1 ? input_1_state : input_2_state;
    if (list->currentIndex() >= 0) editor_.input_stateChange(input, list->currentIndex());
    programChanged();
}

QString TFMain::helpFilePath() const {
    return findManual(StartupDirectory, QCoreApplication::applicationDirPath());
}

void TFMain::setCaptionFile(const QString& path) {
    const QString caption =
        kCaptionHead + (path.isEmpty() ? QStringLiteral("New]") : path + QLatin1Char(']'));
    FormCaption->setText(caption);
    FormCaption->setToolTip(path);
}

// ------------------------------------------------------------ file workflows

// The program file dialogs in one place: the filters in the station's
// "text|pattern" form (Open and Save As name the binary form differently; Save As
// offers the current file's form first) and the folder a file was last opened or
// saved in.
FileDialogSpec TFMain::programFileDialog(bool saving) const {
    if (!saving)
        return {QStringLiteral("RV702 program file (*.pri)|*.pri|") + kTextFormFilter,
                QStringLiteral("pri"), settings_->lastFolder()};
    const QString binary = QStringLiteral("RV7.0.2 program file (*.pri)|*.pri");
    const bool text = CurrentFileForm == ProgramForm::Text;
    return {text ? kTextFormFilter + QLatin1Char('|') + binary
                 : binary + QLatin1Char('|') + kTextFormFilter,
            text ? QStringLiteral("rv720") : QStringLiteral("pri"), settings_->lastFolder()};
}

bool TFMain::isModified() const {
    return !sameProgramFile(model_.image, savedImage_);
}

// Asked only when there is something to lose; a save the operator cancels, or one
// that fails, stops the action that asked.
bool TFMain::offerToSave(const QString& caption) {
    if (!HasProgramLines() || !isModified()) return true;
    if (!dialogs_.askYesNo(this, caption, QStringLiteral("Do you want to save current program?")))
        return true;
    return SaveButtonClick();
}

bool TFMain::NewButtonClick() {
    return newProgram(/*asStep=*/true);
}

bool TFMain::newProgram(bool asStep) {
    if (!offerToSave(QStringLiteral("New file"))) return false;
    clearProgram();
    AddStatusLine(QStringLiteral("New file was created"));
    if (asStep) programChanged();
    return true;
}

void TFMain::clearProgram() {
    ProgramView->clear();
    model_.image.setLength(0);
    comand_counter->setText(QStringLiteral("Command: 0 ( left 999 )"));
    setCaptionFile(QString());
    ProgramBar->setValue(0);
    CurrentFileName.clear();
    CurrentFileForm = ProgramForm::Binary;
    for (QCheckBox* box : {input_1_ex, input_2_ex})
        box->setChecked(false);
    showInputRowEnabled(1, false);
    showInputRowEnabled(2, false);
    for (int i = 0; i < kInputBreakSize; ++i)
        model_.image.setBlockByte(i, 0);
    refreshInputBreakControls();
    savedImage_ = model_.image;
}

void TFMain::OpenButtonClick() {
    if (!offerToSave(QStringLiteral("Open a file"))) return;
    const QString path = dialogs_.openFileName(this, programFileDialog(/*saving=*/false));
    if (path.isEmpty()) return;
    loadProgramFrom(path);
}

void TFMain::openNamedFile(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        settings_->removeRecentFile(path);
        AddStatusLine(QStringLiteral("Opening file error"));
        return;
    }
    if (!offerToSave(QStringLiteral("Open a file"))) return;
    loadProgramFrom(QFileInfo(path).absoluteFilePath());
}

bool TFMain::loadProgramFrom(const QString& path) {
    // Load into a copy so that a refused file leaves the program as it was.
    ProgramImage loaded = model_.image;
    const ProgramLoad result = loadProgram(QFile::encodeName(path).toStdString(), loaded);
    if (!result) {
        const QString reason = QString::fromStdString(result.reason());
        if (result.error == FileError::CannotOpen || result.error == FileError::CannotRead) {
            settings_->removeRecentFile(path);
            AddStatusLine(QStringLiteral("Opening file error"));
        } else if (result.error == FileError::TextMistake) {
            AddStatusLine(QStringLiteral("File was not opened: line %1, column %2: %3")
                              .arg(result.line)
                              .arg(result.column)
                              .arg(reason));
        } else {
            AddStatusLine(QStringLiteral("File is damaged and was not opened: ") + reason);
        }
        return false;
    }
    model_.image = loaded;
    CurrentFileName = path;
    CurrentFileForm = result.form;
    refreshInputBreakControls();
    PrintProgram();
    setCaptionFile(CurrentFileName);
    fileUsed(path);
    AddStatusLine(QStringLiteral("File was opened"));
    return true;
}

// A file opened or saved: first in the recent list, its folder the dialogs' next
// start, and the program as it now stands is what the file holds.
void TFMain::fileUsed(const QString& path) {
    settings_->addRecentFile(path);
    settings_->setLastFolder(QFileInfo(path).absolutePath());
    savedImage_ = model_.image;
    programChanged();
}

QStringList TFMain::recentFiles() const {
    return settings_->recentFiles();
}

void TFMain::showRecentFiles(const QPoint& at) {
    if (OpenButton->isHidden() || !isEnabled()) return;
    RecentMenu->clear();
    for (const QString& path : settings_->recentFiles())
        RecentMenu->addAction(QDir::toNativeSeparators(path), this,
                              [this, path] { openNamedFile(path); });
    if (RecentMenu->isEmpty())
        RecentMenu->addAction(QStringLiteral("No recent files"))->setEnabled(false);
    RecentMenu->popup(at);
}

bool TFMain::writeProgramTo(const QString& path, ProgramForm form) {
    const SaveResult result =
        saveProgram(QFile::encodeName(path).toStdString(), model_.image, form);
    if (!result) {
        if (result.error == FileError::CannotCreate || result.error == FileError::NotAFileName)
            AddStatusLine(QStringLiteral("Opening file error"));
        else
            AddStatusLine(QStringLiteral("File was not saved: ") +
                          QString::fromStdString(result.reason()));
        return false;
    }
    return true;
}

bool TFMain::SaveButtonClick() {
    if (CurrentFileName.isEmpty()) return SaveAsButtonClick();
    // Saved in the form it was opened in, whatever its name says.
    if (!writeProgramTo(CurrentFileName, CurrentFileForm)) return false;
    setCaptionFile(CurrentFileName);
    fileUsed(CurrentFileName);
    AddStatusLine(QStringLiteral("File was saved"));
    return true;
}

bool TFMain::SaveAsButtonClick() {
    const QString path = dialogs_.saveFileName(this, programFileDialog(/*saving=*/true));
    if (path.isEmpty()) return false;
    const ProgramForm form = formForPath(QFile::encodeName(path).toStdString());
    if (QFile::exists(path) &&
        !dialogs_.askYesNo(this, QStringLiteral("Saving a file"),
                           QStringLiteral("File with this name already exist.\n\rDo you want to "
                                          "relieve existing file?")))
        return false;
    if (!writeProgramTo(path, form)) return false;
    CurrentFileName = path;
    CurrentFileForm = form;
    setCaptionFile(CurrentFileName);
    fileUsed(CurrentFileName);
    AddStatusLine(QStringLiteral("File was saved"));
    return true;
}

void TFMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!OpenButton->isHidden() && !droppedProgram(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TFMain::dropEvent(QDropEvent* event) {
    const QString path = droppedProgram(event->mimeData());
    if (path.isEmpty() || OpenButton->isHidden()) return;
    event->acceptProposedAction();
    openNamedFile(path);
}

// ------------------------------------------------------------- undo and keys

void TFMain::programChanged() {
    device().programChanged();
    history_.record(model_);
    const bool modified = isModified();
    SaveButton->setMarked(modified);
    ModifiedLabel->setVisible(modified);
}

void TFMain::undo() {
    if (history_.undo(model_)) showRestoredProgram();
}

void TFMain::redo() {
    if (history_.redo(model_)) showRestoredProgram();
}

void TFMain::showRestoredProgram() {
    // A page left open would write into a line that may now hold another command.
    parameterDialog_.hide();
    device().programChanged();
    refreshInputBreakControls();
    PrintProgram();
}

void TFMain::buildShortcuts() {
    // A key acts like its button, and only while the button is there to press
    // (the run-mode look hides most of them).
    const std::pair<PictureButton*, QKeySequence> keys[] = {
        {NewButton, QKeySequence(Qt::CTRL | Qt::Key_N)},
        {OpenButton, QKeySequence(Qt::CTRL | Qt::Key_O)},
        {SaveButton, QKeySequence(Qt::CTRL | Qt::Key_S)},
        {SaveAsButton, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        {PrintButton, QKeySequence(Qt::CTRL | Qt::Key_P)},
        {HelpButton, QKeySequence(Qt::Key_F1)},
        {WriteProgramButton, QKeySequence(Qt::Key_F5)},
        {PlayProgramButton, QKeySequence(Qt::Key_F9)},
        {StopProgramButton, QKeySequence(Qt::SHIFT | Qt::Key_F9)},
    };
    for (const auto& [button, key] : keys) {
        auto* shortcut = new QShortcut(key, this);
        connect(shortcut, &QShortcut::activated, button, [button] {
            if (!button->isHidden() && button->isEnabled()) button->click();
        });
        shortcuts_.append({button, shortcut});
    }
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), this), &QShortcut::activated, this,
            &TFMain::undo);
    for (const QKeySequence& key :
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)})
        connect(new QShortcut(key, this), &QShortcut::activated, this, &TFMain::redo);
}

QShortcut* TFMain::shortcutOf(QWidget* control) const {
    for (const auto& [widget, shortcut] : shortcuts_)
        if (widget == control) return shortcut;
    return nullptr;
}

// ------------------------------------------------------------------ printing

void TFMain::PrintButtonClick() {
    QPrinter printer(QPrinter::HighResolution);
    if (!dialogs_.choosePrinter(this, printer)) return;
    QStringList lines;
    lines.reserve(ProgramView->lineCount());
    for (int i = 0; i < ProgramView->lineCount(); ++i)
        lines << ProgramView->lineText(i);
    PrinterCanvas canvas(printer);
    if (!printListing(printCanvas_ ? *printCanvas_ : canvas, lines))
        AddStatusLine(QStringLiteral("Printing error"));
}

// --------------------------------------------------------- about, help, misc

TFInfo* TFMain::aboutWindow() const {
    return windows_ ? qobject_cast<TFInfo*>(windows_->window(Window::FInfo)) : nullptr;
}

void TFMain::HelpButtonClick() {
    help_->openManual(helpFilePath());
    help_->show();
    help_->raise();
    help_->activateWindow();
}

void TFMain::i1Click() {
    m1_ch->setChecked(!m1_ch->isChecked());
}
void TFMain::i2Click() {
    m2_ch->setChecked(!m2_ch->isChecked());
}
void TFMain::i3Click() {
    m3_ch->setChecked(!m3_ch->isChecked());
}

void TFMain::kolClick() {
    const bool four = kol->isChecked();
    kol->setText(four ? QStringLiteral("4 Columns") : QStringLiteral("1 Column"));
    for (QWidget* w : {static_cast<QWidget*>(name1), static_cast<QWidget*>(name2),
                       static_cast<QWidget*>(name3), static_cast<QWidget*>(name4)})
        w->setVisible(four);
    for (QFrame* f : separators)
        f->setVisible(four);
    PrintProgram();
}

void TFMain::MinimalizeButtonClick() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible()) w->showMinimized();
}

// ------------------------------------------------------------------ editing

void TFMain::wireEditing() {
    connect(ProgramView, &ListingView::mousePressed, this, &TFMain::ProgramViewMouseDown);
    connect(ProgramView, &ListingView::keyReleased, this, &TFMain::ProgramViewKeyUp);
    // Enter edits the chosen command, as a double click does.
    connect(ProgramView, &ListingView::enterPressed, this,
            [this] { editor_.editCommand(ProgramView->caretLine()); });
    connect(UpButton, &QAbstractButton::clicked, this, &TFMain::UpButtonClick);
    connect(DownButton, &QAbstractButton::clicked, this, &TFMain::DownButtonClick);

    auto action = [this](std::string_view name) {
        return Popup->findChild<QAction*>(QString::fromUtf8(name.data(), qsizetype(name.size())));
    };
    connect(action(kDeleteItem.name), &QAction::triggered, this,
            [this] { editor_.Usu1Click(ProgramView->caretLine()); });
    connect(action(kEditItem.name), &QAction::triggered, this,
            [this] { editor_.Edytujzdarzenie1Click(ProgramView->caretLine()); });
    for (const CommandEntry& entry : commandEntries()) {
        const std::uint8_t code = entry.code;
        if (QAction* item = action(entry.popupItem))
            connect(item, &QAction::triggered, this,
                    [this, code] { editor_.insertFromPopup(code, ProgramView->caretLine()); });
        const QString button =
            QString::fromUtf8(entry.button.data(), qsizetype(entry.button.size()));
        if (auto* b = findChild<PictureButton*>(button))
            connect(b, &QAbstractButton::clicked, this,
                    [this, code] { editor_.appendFromButton(code); });
    }
}

void TFMain::attachParameterForm(TFParametrLiczbowy* form) {
    parameterForm_ = form;
    if (!form) return;
    for (int p = 0; p < kPageCount; ++p) {
        const Page page = Page(p);
        connect(form->confirmButton(page), &QAbstractButton::clicked, this, [this, page] {
            parameterForm_->readFields(parameterDialog_.fields());
            parameterDialog_.confirm(page);
        });
    }
    connect(form, &TFParametrLiczbowy::enterPressed, this, [this] {
        parameterForm_->readFields(parameterDialog_.fields());
        parameterDialog_.FormKeyPress('\r');
    });
    connect(form, &TFParametrLiczbowy::closedByOperator, this, [this] { parameterDialog_.hide(); });
    for (int f = 0; f < kTextFieldCount; ++f) {
        const TextField field = TextField(f);
        if (QLineEdit* entry = form->entry(field))
            connect(entry, &QLineEdit::textEdited, this, [this, field](const QString& text) {
                parameterDialog_.setText(field, text.toStdString());
            });
    }
}

void TFMain::ProgramViewMouseDown() {
    editor_.ProgramViewMouseDown(ProgramView->caretLine());
}

void TFMain::ProgramViewKeyUp(int key) {
    ListingKey k = ListingKey::Other;
    // Up and Down choose one whole line, unless Shift has just spread the
    // selection over several.
    const bool severalLines =
        ProgramView->selectionStart().line != ProgramView->selectionEnd().line;
    if (key == Qt::Key_Up && !severalLines) k = ListingKey::Up;
    if (key == Qt::Key_Down && !severalLines) k = ListingKey::Down;
    if (key == Qt::Key_Delete) k = ListingKey::Delete;
    editor_.ProgramViewKeyUp(k, ProgramView->caretLine());
}

void TFMain::UpButtonClick() {
    editor_.UpButtonClick(ProgramView->caretLine());
}
void TFMain::DownButtonClick() {
    editor_.DownButtonClick(ProgramView->caretLine());
}

void TFMain::addStatusLine(const std::string& text) {
    AddStatusLine(QString::fromStdString(text));
}

void TFMain::selectLine(int line) {
    ProgramView->selectLine(line);
    ProgramView->setFocus();
}

bool TFMain::askYesNo(const std::string& caption, const std::string& text) {
    return dialogs_.askYesNo(this, QString::fromStdString(caption), QString::fromStdString(text),
                             QuestionIcon::Warning);
}

MotorFlags TFMain::motorBoxes() const {
    return {m1_ch->isChecked(), m2_ch->isChecked(), m3_ch->isChecked()};
}

void TFMain::parameterDialogChanged() {
    if (parameterForm_) parameterForm_->showDialog(parameterDialog_);
}

// ----------------------------------------------------------------- shut-down

bool TFMain::closeBody() {
    // A save that was cancelled or failed keeps the station open with the program.
    if (!offerToSave(QStringLiteral("Open a file"))) return false;
    if (stopPreviewTimers_) stopPreviewTimers_();
    closeLink();
    if (windows_)
        if (QWidget* transfer = windows_->window(Window::FKompilacja)) transfer->close();
    return true;
}

void TFMain::CloseButtonClick() {
    if (!dialogs_.askYesNo(this, QStringLiteral("End of the program"),
                           QStringLiteral("Do you want to finish this action ?")))
        return;
    if (!closeBody()) return;
    closeAccepted_ = true;
    closing_ = true;
    emit terminateRequested();
}

void TFMain::closeEvent(QCloseEvent* event) {
    // Closing after the close button's own question asks nothing more.
    if (closing_) {
        event->accept();
        return;
    }
    if (!dialogs_.askYesNo(this, QStringLiteral("End of the program"),
                           QStringLiteral("Do you want to finish this action?"))) {
        event->ignore();
        return;
    }
    if (!closeBody()) {
        event->ignore();
        return;
    }
    closeAccepted_ = true;
    closing_ = true;
    event->accept();
    emit terminateRequested();
}

}  // namespace rv720
