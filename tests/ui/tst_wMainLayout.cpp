// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The main window's and the splash's stored layouts, checked from the loaded widgets against one table.
#include "tests/support/MainWindowHarness.h"
#include "ui/LayoutStyle.h"

#include <QAbstractButton>
#include <QFontInfo>
#include <QStyleFactory>
#include <QStyleOption>
#include <QtTest>

#if defined(Q_OS_WIN)
#include <windows.h>
#endif

using namespace tavrix;
using namespace tavrix::test;

namespace {

#if defined(Q_OS_WIN)
// Wine's ntdll has an export of its own that Windows' lacks.
bool RunningUnderWine() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}
#endif

struct ControlRow {
    const char* name;
    const char* container;
    int left, top, width, height; // twips
    const char* caption;          // nullptr: no caption to check
    const char* tooltip;          // nullptr: none
};

// Positions and sizes in twips, as the layout is drawn; the widgets hold them as pixels (twips / 15).
const ControlRow kControls[] = {
    {"fraContainer_2", "wMain", 15, 255, 5520, 2565, nullptr, nullptr},
    {"fraContainer_1", "wMain", 15, 255, 5520, 2565, nullptr, nullptr},
    {"fraContainer_0", "wMain", 15, 255, 5520, 2565, nullptr, nullptr},
    {"picAntiFlicker_0", "fraContainer_2", 45, 165, 5385, 2325, nullptr, nullptr},
    {"fraKeyStengthType", "picAntiFlicker_0", 165, 60, 2835, 690, "Key Strength && Type", nullptr},
    {"cboKeyStrength", "fraKeyStengthType", 135, 240, 1605, 315, nullptr, "The required key strength.."},
    {"cboKeyType", "fraKeyStengthType", 1755, 240, 960, 315, nullptr, ".. and the required key type."},
    {"fraASCIIKeyMethod", "picAntiFlicker_0", 3045, 60, 2235, 690, "ASCII Key Method", nullptr},
    {"picAntiFlicker_1", "fraASCIIKeyMethod", 75, 210, 2070, 405, nullptr, nullptr},
    {"optASCIIMode_0", "picAntiFlicker_1", 45, 60, 945, 285, "Random", "Generate a random-character key"},
    {"optASCIIMode_1", "picAntiFlicker_1", 1020, 60, 1065, 285, "Dictionary", "Generate a word-based key."},
    {"fraKey", "picAntiFlicker_0", 165, 870, 5115, 960, "Generated Key", nullptr},
    {"txtKey", "fraKey", 135, 255, 4845, 555, nullptr, nullptr},
    {"tbrMisc", "picAntiFlicker_0", 1770, 1950, 3510, 330, nullptr, nullptr},
    {"chkGenerateOnStartup", "fraContainer_1", 150, 240, 5220, 270, "Generate new key on startup.",
     "Generate a new key when Tavrix starts.."},
    {"chkGenerateOnChange", "fraContainer_1", 150, 495, 5220, 270, "Generate new key on setting change.",
     "Generate a new key when a setting has been changed.."},
    {"chkAutoClipboard", "fraContainer_1", 150, 750, 5220, 270, "Automatically copy generated key to the clipboard.",
     "When a key has been generated, auto-copy it to the clipboard.."},
    {"picAntiFlicker_2", "fraContainer_0", 60, 180, 5355, 2295, nullptr, nullptr},
    {"imgLogo", "picAntiFlicker_2", 60, 45, 765, 2205, nullptr, "Click to view the splash screen.."},
    {"tbrMain", "wMain", 0, 0, 5550, 330, nullptr, nullptr},
    {"tbrMain_1", "tbrMain", 0, 0, 1080, 330, "Generate", nullptr},
    {"tbrMain_2", "tbrMain", 1080, 0, 1080, 330, "Settings", nullptr},
    {"tbrMain_3", "tbrMain", 2160, 0, 1080, 330, "About   ", nullptr},
    {"tbrMisc_1", "tbrMisc", 0, 0, 1755, 330, "Generate New Key", "Generate a new key using the selected settings.."},
    {"tbrMisc_2", "tbrMisc", 1755, 0, 1755, 330, "Copy to Clipboard", "Copy the generated key to the clipboard.."},
};

// Labels size themselves to their captions, so only their place (and, for the two names, the centring
// under their headings) is fixed.
struct LabelRow {
    const char* name;
    int left, top; // twips
    const char* caption;
    const char* tooltip;
};
const LabelRow kLabels[] = {
    {"labTitle", 900, -30, "Tavrix", "Tavrix"},
    {"labVersion", 3360, 255, "v1.01", "Version information.."},
    {"labProgramming", 1680, 765, "Programming", ""},
    {"Label2", 1545, 1395, "Implementation", ""},
};

// The colours of a palette's roles that carry text and its background.
struct PaletteColours {
    const char* window;
    const char* text; // on the window, on the base and on buttons
    const char* base;
    const char* button;
    const char* link;
};

// A palette with those roles set; the rest come from the application's.
QPalette PaletteOf(const PaletteColours& c) {
    QPalette palette = QApplication::style()->standardPalette();
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(role, QColor(QString::fromLatin1(c.text)));
    palette.setColor(QPalette::Window, QColor(QString::fromLatin1(c.window)));
    palette.setColor(QPalette::Base, QColor(QString::fromLatin1(c.base)));
    palette.setColor(QPalette::Button, QColor(QString::fromLatin1(c.button)));
    palette.setColor(QPalette::Link, QColor(QString::fromLatin1(c.link)));
    return palette;
}

// WCAG 2 contrast, worked out here on its own so that the program's arithmetic is not checked against itself.
double Contrast(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        double sum = 0;
        const double weights[] = {0.2126, 0.7152, 0.0722};
        const int channels[] = {c.red(), c.green(), c.blue()};
        for (int i = 0; i < 3; ++i) {
            const double v = channels[i] / 255.0;
            sum += weights[i] * (v > 0.04045 ? std::pow((v + 0.055) / 1.055, 2.4) : v / 12.92);
        }
        return sum;
    };
    const double la = luminance(a) + 0.05, lb = luminance(b) + 0.05;
    return la > lb ? la / lb : lb / la;
}

QString TextOf(QWidget* w) {
    if (auto* box = qobject_cast<QGroupBox*>(w))
        return box->title();
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        return button->text();
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->text();
    return {};
}

} // namespace

class tst_wMainLayout : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        m_startPalette = QApplication::palette();
        RegisterBundledFontsForTest();
    }

    void controlGeometryCaptionAndTooltip_data() {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(kControls)); ++i)
            QTest::newRow(kControls[i].name) << i;
    }
    void controlGeometryCaptionAndTooltip() {
        QFETCH(int, row);
        const ControlRow& c = kControls[row];
        MainWindowHarness h;
        h.main->Load();
        auto* w = h.control<QWidget>(c.name);
        QCOMPARE(w->parentWidget()->objectName(), QString::fromLatin1(c.container));
        QCOMPARE(w->geometry(), QRect(c.left / 15, c.top / 15, c.width / 15, c.height / 15));
        if (c.caption)
            QCOMPARE(TextOf(w), QString::fromLatin1(c.caption));
        QCOMPARE(w->toolTip(), QString::fromLatin1(c.tooltip ? c.tooltip : ""));
        QVERIFY2(!w->accessibleName().isEmpty() || w->objectName().startsWith("picAntiFlicker"),
                 "every control a user meets has an accessible name");
    }

    void labelsSitAtTheirPlacesAndFitTheirCaptions_data() {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(kLabels)); ++i)
            QTest::newRow(kLabels[i].name) << i;
    }
    void labelsSitAtTheirPlacesAndFitTheirCaptions() {
        QFETCH(int, row);
        const LabelRow& l = kLabels[row];
        MainWindowHarness h;
        h.main->Load();
        auto* label = h.control<QLabel>(l.name);
        QCOMPARE(label->pos(), QPoint(l.left / 15, l.top / 15));
        QCOMPARE(label->text(), QString::fromLatin1(l.caption));
        QCOMPARE(label->toolTip(), QString::fromLatin1(l.tooltip));
        QCOMPARE(label->size(), label->sizeHint());
    }

    void creditNamesAreBlueLinksCentredUnderTheirHeadings_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("tooltip");
        QTest::newRow("the programmer under Programming") << "labQuorlen"
                                                          << "labProgramming"
                                                          << "Quorlen"
                                                          << "Visit Quorlen's site..";
        QTest::newRow("the implementer under Implementation") << "labVasht"
                                                              << "Label2"
                                                              << "Vasht"
                                                              << "Visit Vasht's site..";
    }
    void creditNamesAreBlueLinksCentredUnderTheirHeadings() {
        QFETCH(QString, name);
        QFETCH(QString, heading);
        QFETCH(QString, caption);
        QFETCH(QString, tooltip);
        MainWindowHarness h;
        h.main->Load();
        auto* label = h.control<QLabel>(name.toLatin1().constData());
        auto* head = h.control<QLabel>(heading.toLatin1().constData());
        QCOMPARE(label->text(), caption);
        QCOMPARE(label->toolTip(), tooltip);
        QCOMPARE(label->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QVERIFY(qAbs(label->geometry().center().x() - head->geometry().center().x()) <= 1);
        QVERIFY(label->y() > head->y());
    }

    // The credit names keep pure blue on a light window; on a dark one they take a blue that stands out from
    // the window by 4.5 : 1 (the palette's link colour where that does), also when the palette changes while
    // the window is loaded. Every other text the user can act on stays readable by the same measure.
    void everyTextIsReadableOnThePalette_data() {
        QTest::addColumn<QPalette>("palette");
        QTest::addColumn<bool>("dark");
        QTest::addColumn<bool>("changedAfterLoad");
        // Fusion's light default, and dark palettes as desktops give them (measured under Qt 6.4): the
        // Adwaita-Dark style of adwaita-qt6, GNOME's Adwaita-dark through Qt's GTK platform theme, and
        // qt6ct's "darker" colour scheme.
        const QPalette light = PaletteOf({"#efefef", "#000000", "#ffffff", "#efefef", "#0000ff"});
        const QPalette adwaitaDark = PaletteOf({"#353535", "#eeeeec", "#2d2d2d", "#373737", "#3584e4"});
        const QPalette gtkDark = PaletteOf({"#323232", "#f0f0f0", "#242424", "#323232", "#308cc6"});
        const QPalette darker = PaletteOf({"#222020", "#ffffff", "#3d3d3d", "#424245", "#0986d3"});
        const QPalette readableLink = PaletteOf({"#202020", "#ffffff", "#101010", "#303030", "#80c0ff"});
        // The palette this run started with: the platform theme's (e2e's run under the GTK theme sets
        // TAVRIX_EXPECT_DARK_THEME and a dark GTK theme). Dark where white text stands out more than black.
        const QColor themeWindow = m_startPalette.color(QPalette::Active, QPalette::Window);
        const bool themeDark = Contrast(Qt::white, themeWindow) > Contrast(Qt::black, themeWindow);
        if (qEnvironmentVariableIsSet("TAVRIX_EXPECT_DARK_THEME"))
            QVERIFY2(themeDark,
                     qPrintable(QStringLiteral("the platform theme gave a light window, ") + themeWindow.name()));
        for (bool changed : {false, true}) {
            const char* when = changed ? "set while the window is loaded" : "in force when the window loads";
            const auto row = [&](const char* name, const QPalette& palette, bool dark) {
                QTest::addRow("%s, %s", name, when) << palette << dark << changed;
            };
            row("the light default palette", light, false);
            row("the Adwaita-Dark style's palette", adwaitaDark, true);
            row("GNOME's Adwaita-dark through the GTK theme", gtkDark, true);
            row("qt6ct's darker scheme", darker, true);
            row("a dark palette with a readable link colour", readableLink, true);
            row("the platform theme's palette", m_startPalette, themeDark);
        }
    }
    void everyTextIsReadableOnThePalette() {
        QFETCH(QPalette, palette);
        QFETCH(bool, dark);
        QFETCH(bool, changedAfterLoad);
        const auto restore = qScopeGuard([] {
            QApplication::setPalette(QPalette());
            QCoreApplication::processEvents();
        });
        MainWindowHarness h;
        if (!changedAfterLoad)
            QApplication::setPalette(palette);
        h.main->Load();
        if (changedAfterLoad) {
            QApplication::setPalette(palette);
            QCoreApplication::processEvents(); // the change reaches the widgets as a posted event
        }
        const QColor window = palette.color(QPalette::Active, QPalette::Window);
        for (const char* name : {"labQuorlen", "labVasht"}) {
            const QColor colour = h.control<QLabel>(name)->palette().color(QPalette::Active, QPalette::WindowText);
            const QColor link = palette.color(QPalette::Active, QPalette::Link);
            if (!dark)
                QCOMPARE(colour, QColor(0, 0, 255));
            else if (Contrast(link, window) >= 4.5)
                QCOMPARE(colour, link);
            else
                QVERIFY2(Contrast(colour, window) >= 4.5 && colour.blue() > colour.red() &&
                             colour.blue() > colour.green(),
                         qPrintable(QStringLiteral("%1 is %2, contrast %3 : 1")
                                        .arg(name, colour.name())
                                        .arg(Contrast(colour, window), 0, 'f', 2)));
        }
        for (QWidget* w : h.main->window()->findChildren<QWidget*>()) {
            auto* edit = qobject_cast<QPlainTextEdit*>(w);
            if (!w->isEnabled() || (TextOf(w).isEmpty() && !edit && !qobject_cast<QComboBox*>(w)))
                continue;
            QWidget* drawn = edit ? edit->viewport() : w;
            const QPalette& p = drawn->palette();
            const double contrast = Contrast(p.color(QPalette::Active, drawn->foregroundRole()),
                                             p.color(QPalette::Active, drawn->backgroundRole()));
            QVERIFY2(contrast >= 4.5,
                     qPrintable(QStringLiteral("%1: %2 : 1").arg(w->objectName()).arg(contrast, 0, 'f', 2)));
        }
    }

    // Whatever style the user picks (-style, QT_STYLE_OVERRIDE, a desktop's setting), every caption fits the
    // rectangle the layout gives its control, and the palette stays the one that style gives. One row per
    // installed style; a full test run names the styles it must find (TAVRIX_REQUIRED_STYLES).
    void noCaptionIsWiderThanItsControl_data() {
        QTest::addColumn<QString>("style");
        QStringList styles = QStyleFactory::keys();
#ifdef TAVRIX_REQUIRED_STYLES
        for (const QString& required : QStringLiteral(TAVRIX_REQUIRED_STYLES).split(QLatin1Char(',')))
            if (!styles.contains(required, Qt::CaseInsensitive))
                styles << required;
#endif
        for (const QString& style : styles)
            QTest::addRow("the %s style", qPrintable(style)) << style;
    }
    void noCaptionIsWiderThanItsControl() {
        QFETCH(QString, style);
        const auto restore = qScopeGuard([] {
            QApplication::setStyle(QStringLiteral("Fusion"));
            QCoreApplication::processEvents();
        });
        QVERIFY2(QApplication::setStyle(style), qPrintable(style + QStringLiteral(" is not installed")));
        const QColor usersWindow = QApplication::palette().color(QPalette::Window);
        UseLayoutStyle(); // as modStartup::Main does first
        MainWindowHarness h;
        h.main->Load();
        QCOMPARE(h.main->window()->palette().color(QPalette::Window), usersWindow);
        const auto fits = [](QWidget* w, int textLeft, const QString& text) {
            const int right = textLeft + w->fontMetrics().horizontalAdvance(text);
            return right <= w->width() ? QString()
                                       : QStringLiteral("%1: \"%2\" ends at %3 of %4")
                                             .arg(w->objectName(), text)
                                             .arg(right)
                                             .arg(w->width());
        };
        for (QAbstractButton* button : h.main->window()->findChildren<QAbstractButton*>()) {
            QString clipped;
            if (auto* tool = qobject_cast<QToolButton*>(button)) {
                // Beside its icon, four pixels apart: even without any margin it must fit.
                clipped = fits(tool, tool->iconSize().width() + 4, tool->text());
#if defined(Q_OS_WIN)
                // Wine's Tahoma is hinted wider than Windows' own (8 px on "Generate New Key" at 11 px), for
                // which the toolbar's buttons were laid out; under Wine a caption may run one pixel over.
                const int over =
                    tool->iconSize().width() + 4 + tool->fontMetrics().horizontalAdvance(tool->text()) - tool->width();
                if (over == 1 && RunningUnderWine())
                    QEXPECT_FAIL("", "Wine's Tahoma is wider than the one the layout was made for", Continue);
#endif
            } else {
                QStyleOptionButton option;
                option.initFrom(button);
                option.text = button->text();
                const bool radio = qobject_cast<QRadioButton*>(button) != nullptr;
                const QRect contents = button->style()->subElementRect(
                    radio ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents, &option, button);
                clipped = fits(button, contents.left(), button->text());
            }
            QVERIFY2(clipped.isEmpty(), qPrintable(clipped));
        }
        for (QGroupBox* box : h.main->window()->findChildren<QGroupBox*>()) {
            if (box->title().isEmpty())
                continue;
            QStyleOptionGroupBox option;
            option.initFrom(box);
            option.text = box->title();
            option.textAlignment = box->alignment();
            option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
            const QRect label =
                box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
            const QString clipped =
                fits(box, label.left(), box->title().replace(QStringLiteral("&&"), QStringLiteral("&")));
            QVERIFY2(clipped.isEmpty(), qPrintable(clipped));
        }
    }

    void theWindowHasAFixedClientAreaTitleAndIcon() {
        MainWindowHarness h;
        h.main->Load();
        QWidget* w = h.main->window();
        QCOMPARE(w->size(), QSize(370, 189));
        QCOMPARE(w->minimumSize(), QSize(370, 189));
        QCOMPARE(w->maximumSize(), QSize(370, 189));
        QCOMPARE(w->windowTitle(), QStringLiteral("Tavrix v1.01"));
        QVERIFY(!w->windowIcon().isNull());
        QVERIFY(!w->isVisible());
        QCOMPARE(w->font().family(), QStringLiteral("Tahoma"));
        QCOMPARE(w->font().pointSizeF(), 8.25);
        QCOMPARE(QFontInfo(w->font()).family(), QStringLiteral("Tahoma"));
    }

    void fontsOfTheTitleHeadingsAndKeyField() {
        MainWindowHarness h;
        h.main->Load();
        QCOMPARE(h.control<QLabel>("labTitle")->font().pointSizeF(), 14.25);
        QVERIFY(h.control<QLabel>("labProgramming")->font().bold());
        QVERIFY(h.control<QLabel>("Label2")->font().bold());
        QVERIFY(!h.control<QLabel>("labVersion")->font().bold());
        const QFont key = h.control<QPlainTextEdit>("txtKey")->font();
        QCOMPARE(key.family(), QStringLiteral("Courier New"));
        QCOMPARE(key.pointSizeF(), 9.0);
        QVERIFY(QFontInfo(key).fixedPitch());
    }

    void theKeyFieldWrapsAndCanBeSelectedButNotEdited() {
        MainWindowHarness h;
        h.main->Load();
        auto* txt = h.control<QPlainTextEdit>("txtKey");
        QVERIFY(txt->isReadOnly());
        QVERIFY(txt->textInteractionFlags() & Qt::TextSelectableByMouse);
        QVERIFY(txt->textInteractionFlags() & Qt::TextSelectableByKeyboard);
        QCOMPARE(txt->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        txt->setPlainText(QString(58, QLatin1Char('a')));
        h.main->window()->show();
        QCoreApplication::processEvents();
        QVERIFY2(txt->document()->documentLayout()->documentSize().height() >= 2, "a 58-character key wraps");
        QTest::keyClicks(txt, "zz");
        QCOMPARE(txt->toPlainText(), QString(58, QLatin1Char('a')));
    }

    void pagesAreStackedWithGeneratePressedAndOnTop() {
        MainWindowHarness h;
        h.main->Load();
        QWidget* w = h.main->window();
        const QObjectList children = w->children();
        const auto at = [&](const char* name) { return children.indexOf(h.control<QWidget>(name)); };
        // Later siblings are drawn above earlier ones.
        QVERIFY(at("fraContainer_0") < at("fraContainer_1"));
        QVERIFY(at("fraContainer_1") < at("fraContainer_2"));
        QVERIFY(at("fraContainer_2") < at("tbrMain"));
        for (int i = 0; i < 3; ++i) {
            // Only the page on top is shown: the ones beneath are hidden, so they take no focus or keys.
            QCOMPARE(h.page(i)->isVisibleTo(w), i == 2);
            // Stacked pages must hide the ones beneath them.
            QVERIFY(h.page(i)->autoFillBackground());
        }
        QCOMPARE(h.page(0)->property("tag").toString(), QStringLiteral("_about"));
        QCOMPARE(h.page(1)->property("tag").toString(), QStringLiteral("_settings"));
        QCOMPARE(h.page(2)->property("tag").toString(), QStringLiteral("_generate"));
        QVERIFY(h.button("tbrMain_1")->isChecked());
        QVERIFY(!h.button("tbrMain_2")->isChecked());
        QVERIFY(!h.button("tbrMain_3")->isChecked());
        // The title stands above the version label where the two overlap.
        auto* pic = h.control<QWidget>("picAntiFlicker_2");
        QVERIFY(pic->children().indexOf(h.control<QLabel>("labTitle")) >
                pic->children().indexOf(h.control<QLabel>("labVersion")));
    }

    void toolbarButtonsCarryTheirKeysAndImages_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("image");
        QTest::newRow("Generate page") << "tbrMain_1"
                                       << "_generate" << 1;
        QTest::newRow("Settings page") << "tbrMain_2"
                                       << "_settings" << 2;
        QTest::newRow("About page") << "tbrMain_3"
                                    << "_about" << 3;
        QTest::newRow("Generate New Key") << "tbrMisc_1"
                                          << "_generatekey" << 4;
        QTest::newRow("Copy to Clipboard") << "tbrMisc_2"
                                           << "_copytoclipboard" << 5;
    }
    void toolbarButtonsCarryTheirKeysAndImages() {
        QFETCH(QString, button);
        QFETCH(QString, key);
        QFETCH(int, image);
        MainWindowHarness h;
        h.main->Load();
        QToolButton* b = h.button(button.toLatin1().constData());
        QCOMPARE(b->property("key").toString(), key);
        QCOMPARE(b->property("imageIndex").toInt(), image);
        // The list's image at that index is the toolbar picture of the button's key.
        const auto pixels = [](const QIcon& icon) {
            return icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
        };
        QCOMPARE(pixels(h.main->imlMain().image(image)), pixels(QIcon(QStringLiteral(":/toolbar/%1.png").arg(key))));
        QCOMPARE(b->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
        QVERIFY(!b->icon().isNull());
        QCOMPARE(b->icon().pixmap(16, 16).size(), QSize(16, 16));
        QVERIFY(b->isEnabled());
        QCOMPARE(b->isCheckable(), button.startsWith("tbrMain"));
    }

    void theImageListHoldsFiveImages() {
        MainWindowHarness h;
        const ImageList& iml = h.main->imlMain();
        QCOMPARE(iml.count(), 5);
        QVERIFY(iml.image(0).isNull());
        QVERIFY(iml.image(6).isNull());
        for (int i = 1; i <= 5; ++i)
            QVERIFY(!iml.image(i).availableSizes().isEmpty());
    }

    void initialValuesBeforeTheStoreIsRead() {
        // The option buttons and the method frame start disabled and unselected; the lists empty.
        MainWindowHarness h;
        h.main->Load();
        QVERIFY(!h.control<QGroupBox>("fraASCIIKeyMethod")->isEnabled() ||
                h.type()->currentText() == QLatin1String("ASCII"));
        h.main->Unload();
        h.store.set("Key Type", "0");
        h.main->Load();
        QVERIFY(!h.control<QGroupBox>("fraASCIIKeyMethod")->isEnabled());
        QVERIFY(!h.option(0)->isEnabled());
        QVERIFY(!h.option(1)->isEnabled());
    }

    // The focus chain of the whole window, every page's controls included, runs in the order of the tab
    // numbers of the layout; the logo has none and goes with its picture box (18), before labVasht (19).
    void tabOrderFollowsTheLayout() {
        MainWindowHarness h;
        h.main->Load();
        const QStringList expected = {"chkGenerateOnStartup",
                                      "chkGenerateOnChange",
                                      "chkAutoClipboard",
                                      "tbrMain_1",
                                      "tbrMain_2",
                                      "tbrMain_3",
                                      "txtKey",
                                      "tbrMisc_1",
                                      "tbrMisc_2",
                                      "cboKeyType",
                                      "cboKeyStrength",
                                      "optASCIIMode_1",
                                      "optASCIIMode_0",
                                      "imgLogo",
                                      "labVasht",
                                      "labQuorlen"};
        QWidget* first = h.control<QWidget>("chkGenerateOnStartup");
        QStringList seen{first->objectName()};
        for (QWidget* w = first->nextInFocusChain(); w != first; w = w->nextInFocusChain()) {
            if (expected.contains(w->objectName()))
                seen << w->objectName();
        }
        QCOMPARE(seen, expected);
    }

    void theSplashIsABorderlessPictureWithTheWaitCursor() {
        MainWindowHarness h;
        h.splash->Load();
        QWidget* s = h.splash->window();
        QCOMPARE(s->size(), QSize(122, 350));
        QVERIFY(s->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(s->windowType(), Qt::SplashScreen);
        auto* logo = s->findChild<QLabel*>("imgLogo");
        QVERIFY(logo);
        QCOMPARE(logo->geometry(), QRect(0, 0, 122, 350));
        QCOMPARE(logo->pixmap().size(), QSize(122, 350));
        QCOMPARE(logo->cursor().shape(), Qt::WaitCursor);
        QVERIFY(logo->toolTip().isEmpty());
        QVERIFY(!s->isVisible());
    }

    void theAboutLogoIsTheSmallPictureWithAPointingHand() {
        MainWindowHarness h;
        h.main->Load();
        auto* logo = h.control<QLabel>("imgLogo");
        QCOMPARE(logo->pixmap().size(), QSize(51, 147));
        QCOMPARE(logo->cursor().shape(), Qt::PointingHandCursor);
    }

private:
    static void RegisterBundledFontsForTest();
    QPalette m_startPalette;
};

#include "ui/Fonts.h"
void tst_wMainLayout::RegisterBundledFontsForTest() {
    RegisterBundledFonts();
}

QTEST_MAIN(tst_wMainLayout)
#include "tst_wMainLayout.moc"
