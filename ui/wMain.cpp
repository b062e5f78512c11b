// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/wMain.h"

#include "TavrixVersion.h"
#include "common/MessageSink.h"
#include "keygen/KeyAssembly.h"
#include "ui/Accessibility.h"
#include "ui/Captions.h"
#include "ui/ClickLabel.h"
#include "ui/ParentDrawnFrame.h"
#include "ui/SettingsAccess.h"
#include "ui_wMain.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QPointer>
#include <QScopeGuard>
#include <QTextDocument>
#include <QTimer>

// Off by default; QT_LOGGING_RULES="tavrix.startup.debug=true" prints the load step's duration, which the
// start-up benchmark reads.
Q_LOGGING_CATEGORY(lcStartup, "tavrix.startup", QtInfoMsg)

namespace tavrix {

namespace {

constexpr int kSplashCloseInterval = 1500; // milliseconds
// The credited people's web sites, opened by the about page's two name labels.
constexpr const char* kQuorlenSite = "https://quorlen.example.net/";
constexpr const char* kVashtSite = "https://vasht.example.net/";
const char* const kShellLibrary = "shell32.dll";

// Check-box values as stored, each at its index: 0 clear, 1 ticked, 2 the third (grey) state. Putting the
// third state into a box makes the box a three-state one.
constexpr std::array<Qt::CheckState, 3> kCheckStates{Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked};

int CheckValue(const QCheckBox* box) {
    return int(std::find(kCheckStates.begin(), kCheckStates.end(), box->checkState()) - kCheckStates.begin());
}

// Stores a box the user clicked. A click moves a grey box on to ticked; from then on it toggles between
// clear and ticked only.
void StoreClickedBox(SettingsAccess& settings, QCheckBox* box, SettingId id) {
    if (box->isTristate() && box->checkState() != Qt::PartiallyChecked)
        box->setTristate(false);
    settings.write(id, CheckValue(box));
}

QIcon ToolbarImage(const QString& key) {
    QIcon icon;
    icon.addFile(QStringLiteral(":/toolbar/%1.png").arg(key), QSize(16, 16));
    // An icon reads its pictures when they are added; the doubled one only where a screen shows it, as
    // Qt does for the "@2x" files of an icon made from a file name (the application's ratio is that of
    // its sharpest screen).
    if (qGuiApp->devicePixelRatio() > 1.0)
        icon.addFile(QStringLiteral(":/toolbar/%1@2x.png").arg(key), QSize(32, 32));
    return icon;
}

// The program's icon in the sizes handed to the window system, which converts every size the icon offers
// into one window property while the window is shown: up to 64 px, and 128 px for 64 px on a sharper screen.
QIcon ProgramIcon() {
    QIcon icon;
    for (int side : {16, 22, 24, 32, 48, 64, 128}) {
        if (side <= 64 || qGuiApp->devicePixelRatio() > 1.0)
            icon.addFile(QStringLiteral(":/icons/tavrix-%1.png").arg(side), QSize(side, side));
    }
    return icon;
}

QFont WindowFont(qreal pointSize, bool bold = false) {
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

// Puts a self-sizing label's centre under the centre of its heading.
void CentreUnder(QWidget* label, const QWidget* heading) {
    label->move(heading->geometry().center().x() - label->width() / 2, label->y());
}

} // namespace

wMain::wMain(MainWindowServices services, QObject* parent)
    : Form(parent), m_services(std::move(services)),
      m_words(m_services.random, m_services.sink, m_services.dictionaryFolders) {
    Form_Initialize();
}

wMain::~wMain() = default;

const ImageList& wMain::imlMain() const {
    // Filled on first use: the first icons load Qt's icon engines, which the splash, shown before the main
    // window is built, does not need.
    if (m_imlMain.count() == 0) {
        for (const char* key : {"_generate", "_settings", "_about", "_generatekey", "_copytoclipboard"})
            m_imlMain.add(ToolbarImage(QString::fromLatin1(key)));
    }
    return m_imlMain;
}

void wMain::Form_Initialize() {
    m_hMod = LoadLibraryA(kShellLibrary);
}

// ---- layout ---------------------------------------------------------------------------------------------

QWidget* wMain::createWindow() {
    InstallAccessibleInterfaces();
    auto* window = new QWidget(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint);
    // Point sizes with fractions cannot be stored in the layout file. Set before the controls are made, which
    // then start in this face: the key field lays out its empty text as it is made, in the face it has then.
    window->setFont(WindowFont(8.25));
    m_ui = std::make_unique<Ui::wMain>();
    m_ui->setupUi(window);
    window->setFixedSize(370, 189);
    window->setWindowIcon(ProgramIcon());

    m_ui->labTitle->setFont(WindowFont(14.25));
    m_ui->labProgramming->setFont(WindowFont(8.25, true));
    m_ui->Label2->setFont(WindowFont(8.25, true));
    QFont keyFont(QStringLiteral("Courier New"));
    keyFont.setStyleHint(QFont::TypeWriter);
    keyFont.setPointSizeF(9);
    m_ui->txtKey->setFont(keyFont);
    // The field holds two lines of the key face; the default margin of four pixels on each side left room
    // for less than that, so a two-line key got a scroll bar.
    m_ui->txtKey->document()->setDocumentMargin(2);
    ParentDrawnFrame::attach(m_ui->txtKey);

    fraContainer = {m_ui->fraContainer_0, m_ui->fraContainer_1, m_ui->fraContainer_2};
    picAntiFlicker = {m_ui->picAntiFlicker_0, m_ui->picAntiFlicker_1, m_ui->picAntiFlicker_2};
    optASCIIMode = {m_ui->optASCIIMode_0, m_ui->optASCIIMode_1};

    for (QToolButton* button : {m_ui->tbrMain_1, m_ui->tbrMain_2, m_ui->tbrMain_3, m_ui->tbrMisc_1, m_ui->tbrMisc_2})
        button->setIcon(imlMain().image(button->property("imageIndex").toInt()));

    m_ui->imgLogo->setPicture(QStringLiteral(":/logo.jpg"));
    for (QLabel* label : std::initializer_list<QLabel*>{m_ui->labTitle, m_ui->labVersion, m_ui->labProgramming,
                                                        m_ui->labQuorlen, m_ui->Label2, m_ui->labVasht})
        label->adjustSize();
    CentreUnder(m_ui->labQuorlen, m_ui->labProgramming);
    CentreUnder(m_ui->labVasht, m_ui->Label2);

    m_ui->tbrMain->adoptButtons();
    m_ui->tbrMisc->adoptButtons();
    // Tab enters the method choice at the chosen option; the arrow keys choose another. The layout makes both
    // options click-only, Qt makes the one that takes the focus the Tab stop, and one chosen without the focus
    // (by the load or a screen reader) becomes it here.
    for (QRadioButton* option : optASCIIMode)
        connect(option, &QRadioButton::toggled, option,
                [option](bool chosen) { option->setFocusPolicy(chosen ? Qt::StrongFocus : Qt::ClickFocus); });
    // The pages lie stacked; those beneath the one on top are hidden, so that only the page the user sees
    // takes the focus and key presses. The focus starts on the pressed page button.
    tbrMain_ButtonClick(m_ui->tbrMain_1);
    m_ui->tbrMain_1->setFocus(Qt::OtherFocusReason);

    // The timer is enabled in the layout: it starts counting as the controls are created.
    tmrSplashClose = new QTimer(picAntiFlicker[0]);
    tmrSplashClose->setObjectName(QStringLiteral("tmrSplashClose"));
    tmrSplashClose->setInterval(kSplashCloseInterval);
    tmrSplashClose->start();

    m_strengthIndex = -1;
    m_typeIndex = -1;
    connectEvents();
    return window;
}

void wMain::connectEvents() {
    const auto connectList = [this](QComboBox* list, int& lastIndex, void (wMain::*click)()) {
        connect(list, &QComboBox::currentIndexChanged, this, [this, &lastIndex, click](int index) {
            if (index == lastIndex)
                return;
            lastIndex = index;
            (this->*click)();
        });
    };
    connectList(m_ui->cboKeyStrength, m_strengthIndex, &wMain::cboKeyStrength_Click);
    connectList(m_ui->cboKeyType, m_typeIndex, &wMain::cboKeyType_Click);
    for (int i = 0; i < static_cast<int>(optASCIIMode.size()); ++i) {
        connect(optASCIIMode[i], &QRadioButton::toggled, this, [this, i](bool checked) {
            if (checked)
                optASCIIMode_Click(i);
        });
    }
    connect(m_ui->chkGenerateOnStartup, &QCheckBox::stateChanged, this, [this] { chkGenerateOnStartup_Click(); });
    connect(m_ui->chkAutoClipboard, &QCheckBox::stateChanged, this, [this] { chkAutoClipboard_Click(); });
    connect(m_ui->chkGenerateOnChange, &QCheckBox::stateChanged, this, [this] { chkGenerateOnChange_Click(); });

    for (QToolButton* button : {m_ui->tbrMain_1, m_ui->tbrMain_2, m_ui->tbrMain_3})
        connect(button, &QToolButton::clicked, this, [this, button] { tbrMain_ButtonClick(button); });
    for (QToolButton* button : {m_ui->tbrMisc_1, m_ui->tbrMisc_2})
        connect(button, &QToolButton::clicked, this, [this, button] { tbrMisc_ButtonClick(button); });

    connect(m_ui->imgLogo, &ClickLabel::clicked, this, [this] { imgLogo_Click(); });
    connect(m_ui->labQuorlen, &ClickLabel::clicked, this, [this] { labQuorlen_Click(); });
    connect(m_ui->labVasht, &ClickLabel::clicked, this, [this] { labVasht_Click(); });
    connect(tmrSplashClose, &QTimer::timeout, this, [this] { tmrSplashClose_Timer(); });
}

void wMain::releaseControls() {
    m_ui.reset();
    fraContainer = {};
    picAntiFlicker = {};
    optASCIIMode = {};
    tmrSplashClose = nullptr;
}

QString wMain::tag() const {
    return window() ? window()->property("tag").toString() : QString();
}

void wMain::setTag(const QString& text) {
    window()->setProperty("tag", text);
}

// ---- load and unload ------------------------------------------------------------------------------------

void wMain::Form_Load() {
    QElapsedTimer loadTimer;
    loadTimer.start();
    const auto traceLoadStep =
        qScopeGuard([&] { qCDebug(lcStartup, "load-step-ms=%.3f", double(loadTimer.nsecsElapsed()) / 1e6); });
    if (m_hMod == 0 && m_unloadCount > 0)
        m_hMod = LoadLibraryA(kShellLibrary); // each load holds the library once; see Form_Unload
    SettingsAccess& settings = m_services.settings;

    // Filling an empty list selects its first item; the lists must stay without a selection until the
    // stored values are restored, so that restoring raises the click events.
    {
        const QSignalBlocker blockStrength(m_ui->cboKeyStrength);
        const QSignalBlocker blockType(m_ui->cboKeyType);
        for (const StrengthChoice& choice : kStrengthChoices)
            m_ui->cboKeyStrength->addItem(QString::fromLatin1(choice.label), choice.hexDigits);
        for (const char* text : kKeyTypeTexts)
            m_ui->cboKeyType->addItem(QString::fromLatin1(text));
        m_ui->cboKeyStrength->setCurrentIndex(-1);
        m_ui->cboKeyType->setCurrentIndex(-1);
    }
    // A message box about a stored value or a failed write runs a nested event loop, in which the window may
    // be unloaded; each step below stops the load once it has been.
    const QPointer<QWidget> loadedWindow = window();
    const auto stillLoaded = [&] { return loadedWindow && loadedWindow == window(); };
    const auto restoreCheckBox = [&](QCheckBox* box, SettingId id) {
        const int writesBefore = settings.writeCount(id);
        const auto stored = settings.usableValue(id, settings.read(id), CheckBoxAccepts);
        if (!stillLoaded())
            return false;
        box->setCheckState(kCheckStates[static_cast<std::size_t>(stored.value)]);
        // A default that leaves the box as it was raises no click; store it here so the unusable text goes.
        if (stored.fellBack && settings.writeCount(id) == writesBefore)
            settings.write(id, stored.value);
        return stillLoaded();
    };
    const auto restoreList = [&](QComboBox* list, SettingId id) {
        const int count = list->count();
        const auto stored =
            settings.usableValue(id, settings.read(id), [count](int v) { return ListAccepts(v, count); });
        if (!stillLoaded())
            return false;
        list->setCurrentIndex(stored.value);
        return stillLoaded();
    };

    if (!restoreCheckBox(m_ui->chkGenerateOnStartup, SettingId::GenerateOnStartup))
        return;
    setTag(settings.read(SettingId::AsciiMode));
    const auto method = settings.usableValue(SettingId::AsciiMode, tag(), AsciiMethodAccepts);
    if (!stillLoaded())
        return;
    optASCIIMode[method.value]->setChecked(true);
    if (!stillLoaded() || !restoreList(m_ui->cboKeyStrength, SettingId::KeyStrength) ||
        !restoreList(m_ui->cboKeyType, SettingId::KeyType))
        return;

    window()->setWindowTitle(WindowCaption(version::kMinor));
    m_ui->labVersion->setText(VersionLabelCaption(version::kMinor));
    m_ui->labVersion->adjustSize();

    if (!restoreCheckBox(m_ui->chkAutoClipboard, SettingId::CopyKeyToClipboard) ||
        !restoreCheckBox(m_ui->chkGenerateOnChange, SettingId::GenerateOnChange))
        return;
    if (CheckValue(m_ui->chkGenerateOnStartup) == 1)
        GenerateKey();
}

void wMain::Form_Unload() {
    ++m_unloadCount;
    if (m_hMod != 0) {
        FreeLibrary(m_hMod);
        m_hMod = 0;
    }
}

// ---- public operations ----------------------------------------------------------------------------------

void wMain::GenerateKey() {
    Load();
    const QPointer<QWidget> loadedWindow = window();
    const int strength = m_ui->cboKeyStrength->currentIndex();
    const qint32 hexDigits = m_ui->cboKeyStrength->currentData().toInt(); // 0 with no strength selected
    const QString keyType = m_ui->cboKeyType->currentText();
    const QString method = tag();
    // With no strength selected there is nothing to build: the key field is emptied.
    const std::optional<QString> key =
        strength >= 0 ? TryAssembleKey(m_words, hexDigits, keyType, method) : std::optional<QString>(QString());
    // A message box during assembly runs a nested event loop; the window may have gone meanwhile.
    if (!loadedWindow || loadedWindow != window())
        return;
    m_ui->txtKey->setPlainText(key.value_or(QString()));
    // The tooltip states how strong the key shown is, and goes with it.
    m_ui->txtKey->setToolTip(key && !key->isEmpty()
                                 ? m_strength.toolTip(hexDigits, keyType, method, m_services.dictionaryFolders)
                                 : QString());
    // A failed generation has reported itself; the clipboard keeps what it held.
    if (key && CheckValue(m_ui->chkAutoClipboard) == 1)
        CopyToClipboard();
}

QString wMain::GetWord(qint32 lRequiredLength) {
    return m_words.GetWord(lRequiredLength).value_or(QString());
}

qint32 wMain::GetRnd(qint32 lMax) {
    return m_words.GetRnd(lMax);
}

void wMain::GenerateEvent() {
    Load();
    if (CheckValue(m_ui->chkGenerateOnChange) == 1)
        GenerateKey();
}

void wMain::CopyToClipboard() {
    Load();
    if (!m_clipboard.copy(m_ui->txtKey->toPlainText()))
        m_services.sink.show({MessageIcon::Warning, QStringLiteral("Tavrix"),
                              QStringLiteral("Tavrix could not put the key on the clipboard: another program is using "
                                             "it. Try again in a moment.")});
}

void wMain::tmrSplashClose_Timer() {
    Load(); // touching the timer of an unloaded window loads it
    if (tmrSplashClose)
        tmrSplashClose->stop();
    Show();
    emit unloadSplashRequested();
}

// ---- event procedures -----------------------------------------------------------------------------------

void wMain::cboKeyStrength_Click() {
    GenerateEvent();
    if (m_ui)
        m_services.settings.write(SettingId::KeyStrength, m_ui->cboKeyStrength->currentIndex());
}

void wMain::cboKeyType_Click() {
    const int index = m_ui->cboKeyType->currentIndex();
    const bool ascii = index != 0;
    m_ui->fraASCIIKeyMethod->setEnabled(ascii);
    for (QRadioButton* option : optASCIIMode)
        option->setEnabled(ascii);
    m_services.settings.write(SettingId::KeyType, index);
    GenerateEvent();
}

void wMain::optASCIIMode_Click(int index) {
    setTag(QString::number(index));
    m_services.settings.write(SettingId::AsciiMode, index);
    GenerateEvent();
}

void wMain::chkGenerateOnStartup_Click() {
    StoreClickedBox(m_services.settings, m_ui->chkGenerateOnStartup, SettingId::GenerateOnStartup);
}

void wMain::chkAutoClipboard_Click() {
    StoreClickedBox(m_services.settings, m_ui->chkAutoClipboard, SettingId::CopyKeyToClipboard);
}

void wMain::chkGenerateOnChange_Click() {
    StoreClickedBox(m_services.settings, m_ui->chkGenerateOnChange, SettingId::GenerateOnChange);
}

// Shows the page whose tag is the button's key and hides the others.
void wMain::tbrMain_ButtonClick(const QToolButton* button) {
    const QString key = button->property("key").toString();
    for (QGroupBox* page : fraContainer)
        page->setVisible(page->property("tag").toString() == key);
}

void wMain::tbrMisc_ButtonClick(const QToolButton* button) {
    const QString key = button->property("key").toString();
    if (key == QLatin1String("_generatekey"))
        GenerateKey();
    else if (key == QLatin1String("_copytoclipboard"))
        CopyToClipboard();
}

void wMain::imgLogo_Click() {
    emit showSplashRequested();
}

void wMain::labQuorlen_Click() {
    openCreditSite(kQuorlenSite);
}

void wMain::labVasht_Click() {
    openCreditSite(kVashtSite);
}

void wMain::openCreditSite(const char* address) {
    window()->setWindowState(window()->windowState() | Qt::WindowMinimized);
    if (m_services.launcher)
        m_services.launcher(QString::fromLatin1(address), QString(), 0, kShowNormal, QString(), false);
}

} // namespace tavrix
