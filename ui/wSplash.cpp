#include "wSplash.h"

#include "ClickFilter.h"
#include "ui_wSplash.h"
#include "wMain.h"

namespace tavrix {

wSplash::wSplash(QObject* parent) : Form(parent) {}

wSplash::~wSplash() = default;

QWidget* wSplash::createWindow() {
    auto* window = new QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint);
    m_ui = std::make_unique<Ui::wSplash>();
    m_ui->setupUi(window);
    window->setFixedSize(122, 350);
    m_ui->imgLogo->setPixmap(QPixmap(QStringLiteral(":/splash.jpg")));
    ClickFilter::attach(m_ui->imgLogo, [this] { imgLogo_Click(); });
    return window;
}

void wSplash::releaseControls() {
    m_ui.reset();
}

void wSplash::imgLogo_Click() {
    if (m_main)
        m_main->tmrSplashClose_Timer();
}

} // namespace tavrix
