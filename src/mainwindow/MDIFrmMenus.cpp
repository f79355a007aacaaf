// The menus, the notification-area icon, and switching the language of the user interface.
#include "MDIFrm.h"
#include "about/AnimateTray.h"
#include "about/frmAbout.h"
#include "core/TextFile.h"
#include "messaging/Send_Msg.h"
#include "platform/Dialogs.h"
#include "platform/NotificationIcon.h"
#include "settingsdialog/frmOptions.h"
#include "shutdown/ErrorGuard.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

namespace {
// The tip field holds 64 bytes in the ANSI code page, its terminating NUL included.
constexpr int TipBytes = 63;
} // namespace

void MDIFrm::buildMenus()
{
    auto item = [this](QMenu* menu, const char* name, void (MDIFrm::*handler)()) {
        QAction* action = menu->addAction(QString());
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this,
                [this, handler] { m_guard.run([this, handler] { (this->*handler)(); }); });
        return action;
    };
    for (int i = 1; i <= 4; ++i) {
        MainMenu[i] = menuBar()->addMenu(QString());
        MainMenu[i]->setObjectName(QStringLiteral("MainMenu%1").arg(i));
    }
    Menu11 = item(MainMenu[1], "Menu11", &MDIFrm::Menu11_Click);
    MenuPostpone = item(MainMenu[1], "MenuPostpone", &MDIFrm::MenuPostpone_Click);
    MenuSkip = item(MainMenu[1], "MenuSkip", &MDIFrm::MenuSkip_Click);
    MenuCancel = item(MainMenu[1], "MenuCancel", &MDIFrm::MenuCancel_Click);
    MainMenu[1]->addSeparator();
    Menu120 = item(MainMenu[1], "Menu120", &MDIFrm::Menu120_Click);

    Menu13 = item(MainMenu[2], "Menu13", &MDIFrm::Menu13_Click);
    Menu13->setCheckable(true);
    Menu13->setChecked(true);
    MainMenu[2]->addSeparator();
    Menu140 = item(MainMenu[2], "Menu140", &MDIFrm::Menu140_Click);

    Menu150 = item(MainMenu[3], "Menu150", &MDIFrm::Menu150_Click);
    MainMenu[3]->addSeparator();
    Menu16 = MainMenu[3]->addMenu(QString());
    Menu16->setObjectName(QStringLiteral("Menu16"));
    for (int k = 1; k <= 52; ++k) {
        LangueMC[k] = Menu16->addAction(QStringLiteral("%1").arg(k, 2, 10, QLatin1Char('0')));
        LangueMC[k]->setObjectName(QStringLiteral("LangueMC%1").arg(k));
        LangueMC[k]->setCheckable(true);
        LangueMC[k]->setChecked(k == 1);
        connect(LangueMC[k], &QAction::triggered, this, [this, k] { m_guard.run([this, k] { LangueMC_Click(k); }); });
    }
    Menu17 = item(MainMenu[4], "Menu17", &MDIFrm::Menu17_Click);

    // The pop-up menu has no title in the menu bar: it opens from the notification-area icon only.
    PopMenu = new QMenu(this);
    PopMenu->setObjectName(QStringLiteral("PopMenu"));
    PopMenu->setTitle(QStringLiteral("弹出菜单"));
    // What can still be done about a shutdown close at hand comes first, and only while it can.
    PopMenu->addActions({ MenuPostpone, MenuSkip, MenuCancel });
    m_scheduleCommandsSeparator = PopMenu->addSeparator();
    for (QAction* command : { MenuPostpone, MenuSkip, MenuCancel, m_scheduleCommandsSeparator }) {
        command->setVisible(false);
    }
    Menu18 = item(PopMenu, "Menu18", &MDIFrm::Menu18_Click);
    PopMenu->addSeparator();
    Menu151 = item(PopMenu, "Menu151", &MDIFrm::Menu150_Click);
    PopMenu->addSeparator();
    Menu141 = item(PopMenu, "Menu141", &MDIFrm::Menu140_Click);
    PopMenu->addSeparator();
    Menu121 = item(PopMenu, "Menu121", &MDIFrm::Menu120_Click);
}

QAction* MDIFrm::menuItem(const QString& name) const
{
    return findChild<QAction*>(name);
}

void MDIFrm::connectIcon()
{
    // Errors inside the icon's callback are ignored, as they always were.
    auto ignoringErrors = [](auto&& handler) {
        try {
            handler();
        } catch (...) { }
    };
    connect(&m_platform.icon, &NotificationIcon::doubleClicked, this,
            [this, ignoringErrors] { ignoringErrors([this] { Menu18_Click(); }); });
    m_platform.icon.setContextMenu(PopMenu);
    connect(&m_platform.icon, &NotificationIcon::messageActionInvoked, this,
            [this](const QString& key) { m_guard.run([this, &key] { onMessageAction(key); }); });
    connect(&m_platform.icon, &NotificationIcon::areaAvailabilityChanged, this, [this](bool available) {
        if (available && !m_unloading) {
            addIcon();
        }
    });
}

void MDIFrm::addIcon()
{
    m_platform.icon.remove();
    m_platform.icon.add(trayTip());
}

QString MDIFrm::trayTip() const
{
    // Only the caption is held to the tip field's size: the lines of the countdown are short and are what the
    // tip is read for.
    QString tip = textfile::cutToEncodedBytes(windowTitle(), TipBytes);
    if (!m_tipNext.isEmpty()) {
        tip += u'\n' + m_lang[53] + m_tipNext;
    }
    if (m_tipLeft) {
        const int seconds = *m_tipLeft;
        QString left;
        if (seconds <= 60) {
            left = withNumber(m_lang[159], seconds);
        } else {
            const int minutes = (seconds + 59) / 60; // "1 min" until the last minute begins
            if (minutes >= 60) {
                left = withNumber(m_lang[157], minutes / 60);
            }
            if (minutes % 60 != 0 || minutes < 60) {
                left += (left.isEmpty() ? QString() : QStringLiteral(" ")) + withNumber(m_lang[158], minutes % 60);
            }
        }
        tip += u'\n' + m_lang[54] + left;
    }
    return tip;
}

void MDIFrm::Menu18_Click()
{
    if (Menu18->text() == m_lang[18]) {
        Menu18->setText(m_lang[19]);
        AnimateTray(this, 0, m_platform.icon);
        show();
        showMaximized();
        raise();
        activateWindow();
        MainWindowHidden = false;
    } else {
        Menu18->setText(m_lang[18]);
        AnimateTray(this, 1, m_platform.icon);
        hide();
        MainWindowHidden = true;
    }
}

void MDIFrm::Menu13_Click()
{
    // The menu toggles a checkable action by itself; the mark is kept here so that a click always inverts it.
    m_statusBarChecked = !m_statusBarChecked;
    Menu13->setChecked(m_statusBarChecked);
    statusBar()->setVisible(m_statusBarChecked);
}

void MDIFrm::Menu120_Click()
{
    close();
}

void MDIFrm::Menu140_Click()
{
    if (!m_sendMsg) {
        m_sendMsg = new Send_Msg(m_lang, m_platform.launcher, m_platform.dialogs, m_guard, m_appIcon);
    }
    m_sendMsg->show();
    m_sendMsg->raise();
    m_sendMsg->activateWindow();
}

void MDIFrm::Menu150_Click()
{
    m_state.settings.SettingsLoaded = true;
    if (!m_options) {
        m_options = new frmOptions(m_state.store, m_lang, m_platform.dialogs, m_platform.clock, m_guard);
        m_options->setWindowIcon(m_appIcon);
    }
    m_options->show();
    m_options->raise();
    m_options->activateWindow();
}

void MDIFrm::Menu17_Click()
{
    if (!m_about) {
        logView(); // the log stays beneath the box
        auto* about = new frmAbout(m_lang, windowTitle(), m_appIcon);
        m_about = m_mdi->addSubWindow(about,
                                      Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
        m_about->setAttribute(Qt::WA_DeleteOnClose);
        m_about->setWindowTitle(about->windowTitle());
        m_about->setWindowIcon(m_appIcon);
        m_about->adjustSize();
    }
    // Centred in the client area, clear of the status bar (positions in twips in the original).
    const double tpp = twipsPerPixel();
    const int top = (height() - m_about->height() - statusBar()->height()) / 2;
    const int left = int((width() - m_about->width() - 100 / tpp) / 2);
    m_about->move(std::max(0, left), std::max(0, top));
    m_about->show();
    m_about->raise();
}

void MDIFrm::LangueMC_Click(int k)
{
    if (k < 0 || k >= LangTable::Columns || m_state.lang.text(k, 0).isEmpty()) {
        k = 1;
    }
    SelectLanguage(k);
    for (int i = 1; i < int(LangueMC.size()); ++i) {
        LangueMC[i]->setChecked(i == k);
    }
    if (m_state.store.fileExists()) {
        SaveLanguageChoice(k);
    }
}

void MDIFrm::SelectLanguage(int k)
{
    m_state.lang.copyColumn(k, 0);
    m_language = k;
    m_interfaceLocale = interfaceLocale(m_lang[0], m_platform.system.desktopLocale());
    m_qtTexts.use(m_interfaceLocale);
    m_dateText = QString();
    setWindowTitle(QStringLiteral("Tova") + m_lang[50] + u' '
                   + QStringLiteral("%1.%2").arg(TOVA_VERSION_MAJOR).arg(TOVA_VERSION_MINOR));
    for (int i = 1; i <= 4; ++i) {
        MainMenu[i]->setTitle(m_lang[i]);
    }
    Menu11->setText(m_lang[11]);
    MenuPostpone->setText(m_lang[151]);
    MenuSkip->setText(m_lang[152]);
    MenuCancel->setText(m_lang[153]);
    Menu120->setText(m_lang[12]);
    Menu121->setText(m_lang[12]);
    Menu13->setText(m_lang[13]);
    Menu140->setText(m_lang[14]);
    Menu141->setText(m_lang[14]);
    Menu150->setText(m_lang[15]);
    Menu151->setText(m_lang[15]);
    Menu16->setTitle(m_lang[16]);
    Menu17->setText(m_lang[17]);
    Menu18->setText(MainWindowHidden ? m_lang[18] : m_lang[19]);
    for (int i = 1; i < int(LangueMC.size()); ++i) {
        const QString& name = m_state.lang.text(i, 0);
        LangueMC[i]->setText(name);
        LangueMC[i]->setVisible(!name.isEmpty());
    }
    addIcon();
}

void MDIFrm::SaveLanguageChoice(int k)
{
    QString error;
    if (m_state.store.SaveLanguageChoice(k, &error)) {
        m_languageSaveError.clear();
        return;
    }
    // Not fatal: the schedule still runs and the choice is stored again on the next reload. Start-up and
    // the first tick both store it, so the same failure is told once.
    const QString message = m_state.settings.SettingsFilePath + u'\n' + error;
    if (message != m_languageSaveError) {
        m_languageSaveError = message;
        showErrorLater(message);
    }
}
