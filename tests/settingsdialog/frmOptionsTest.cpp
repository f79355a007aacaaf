#include "settingsdialog/frmOptions.h"

#include "core/LangTable.h"
#include "core/SettingsStore.h"
#include "core/TextFile.h"
#include "localisation/LanguageFile.h"
#include "platform/fake/FakeClock.h"
#include "platform/fake/FakeDialogs.h"
#include "platform/fake/FakeSystemInfo.h"
#include "settingsdialog/OptionsLayout.h"
#include "shutdown/ErrorGuard.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {
const QString Caption = u"关机设置"_qs;

class frmOptionsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        model.SettingsFilePath = dir.filePath(u"AdminTovaShutDown.ini"_qs);
        LoadBuiltInTexts(lang);
        lang.copyColumn(1, 0);
    }
    void TearDown() override
    {
        delete dialog.data();
        EXPECT_EQ(exitStatus, -1) << "an error reached the handler guard";
    }

    void create()
    {
        delete dialog.data();
        dialogs.shown.clear();
        dialog = new frmOptions(store, lang, dialogs, clock, guard);
    }
    // As the settings command opens it.
    void open()
    {
        create();
        model.SettingsLoaded = true;
        dialog->show();
    }

    template<typename T = QWidget> T* find(const QString& name)
    {
        T* widget = dialog ? dialog->findChild<T*>(name) : nullptr;
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    void click(const QString& name) { find<QAbstractButton>(name)->click(); }
    QPushButton* apply() { return find<QPushButton>(u"cmdApply"_qs); }
    QListView* list(int n) { return find<QListView>(u"Clstm_Lst%1"_qs.arg(n)); }
    void showPage(int index) { find<QTabBar>(u"tbsOptions"_qs)->setCurrentIndex(index); }
    void pickTime(int n, const QString& time)
    {
        find<QComboBox>(u"Clstm_Hour_Cmb%1"_qs.arg(n))->setCurrentText(time.mid(0, 2));
        find<QComboBox>(u"Clstm_Mnt_Cmb%1"_qs.arg(n))->setCurrentText(time.mid(3, 2));
        find<QComboBox>(u"Clstm_Scnd_Cmb%1"_qs.arg(n))->setCurrentText(time.mid(6, 2));
    }
    void selectRow(int n, int row) { list(n)->setCurrentIndex(list(n)->model()->index(row, 0)); }
    int selectedRow(int n)
    {
        const QModelIndexList rows = list(n)->selectionModel()->selectedRows();
        return rows.isEmpty() ? -1 : rows.first().row();
    }
    // A control's own Enabled flag, whichever page is shown.
    bool usable(const QString& name)
    {
        QWidget* widget = find(name);
        return widget->isEnabledTo(widget->parentWidget());
    }
    bool closed()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return dialog.isNull();
    }
    QString savedText() const
    {
        QString text;
        return textfile::read(model.SettingsFilePath, &text) ? text : QString();
    }
    int questions() const { return dialogs.count(FakeDialogs::Kind::Question); }

    QTemporaryDir dir;
    FakeSystemInfo system;
    FakeClock clock { QDateTime(QDate(2026, 12, 7), QTime(14, 57)) };
    SettingsModel model;
    SettingsStore store { model, system, clock };
    LangTable lang;
    FakeDialogs dialogs;
    int exitStatus = -1;
    ErrorGuard guard { dialogs, u"Tova"_qs, [this](int status) { exitStatus = status; } };
    QPointer<frmOptions> dialog;
};
} // namespace

TEST_F(frmOptionsTest, OkRightAfterOpeningSavesAndCloses)
{
    store.Clstm_Lst1.setStringList({ u"17:30:00"_qs });
    open();
    QSignalSpy unloaded(dialog.data(), &frmOptions::unloaded);
    EXPECT_EQ(dialog->windowTitle(), Caption);
    EXPECT_FALSE(find<QRadioButton>(u"Shutdown_Option(0)"_qs)->isChecked()) << "no settings: no action";

    click(u"cmdOK"_qs);
    EXPECT_EQ(savedText(),
              u"[关机时间]：17:30:00[/关机时间]\n[关机动作]：关闭电源[/关机动作]\n[强制关机]：No\n"
              u"[是否发送关机信息]：No\n[IP地址前缀]：192.168.0[/IP地址前缀]\n"
              u"[IP开始子地址]：2[/IP开始子地址]\n[IP结束子地址]：255[/IP结束子地址]"_qs);
    EXPECT_EQ(questions(), 0);
    EXPECT_EQ(unloaded.count(), 1);
    EXPECT_FALSE(model.SettingsLoaded);
    EXPECT_TRUE(closed());
}

TEST_F(frmOptionsTest, ApplyThenOkDoesNotWriteAgain)
{
    store.Clstm_Lst1.setStringList({ u"17:30:00"_qs });
    open();
    click(u"cmdApply"_qs);
    EXPECT_FALSE(model.SettingsLoaded) << "the scheduler reloads the saved lists";
    EXPECT_FALSE(apply()->isEnabled());
    ASSERT_TRUE(QFile::remove(model.SettingsFilePath));
    click(u"cmdOK"_qs);
    EXPECT_FALSE(QFile::exists(model.SettingsFilePath));
    EXPECT_TRUE(closed());
}

TEST_F(frmOptionsTest, EmptyListQuestion)
{
    open();
    dialogs.answers = { false };
    click(u"cmdOK"_qs);
    ASSERT_EQ(questions(), 1);
    EXPECT_EQ(dialogs.shown[0].title, Caption);
    EXPECT_EQ(dialogs.shown[0].text, u"你没有输入时间，是否要继续？"_qs);
    EXPECT_FALSE(QFile::exists(model.SettingsFilePath));
    EXPECT_FALSE(closed());
    EXPECT_TRUE(apply()->isEnabled());
    EXPECT_TRUE(model.SettingsLoaded);

    // OK's wish to close still holds: the next Apply past the question saves and closes.
    dialogs.answers = { true };
    click(u"cmdApply"_qs);
    EXPECT_TRUE(savedText().startsWith(u"[关机时间]：[/关机时间]\n"_qs));
    EXPECT_TRUE(closed());
}

TEST_F(frmOptionsTest, EmptyRestOrHolidayListIsQuestionedOnlyWhenSeparate)
{
    const QStringList some { u"08:00:00"_qs };
    struct Case
    {
        bool separate;
        QStringList working, rest, holidays;
        bool asks;
    };
    for (const Case& c : { Case { false, some, {}, {}, false }, Case { true, some, some, {}, true },
                           Case { true, some, {}, some, true }, Case { true, some, some, some, false } }) {
        store.Clstm_Lst1.setStringList(c.working);
        store.Clstm_Lst2.setStringList(c.rest);
        store.Clstm_Lst3.setStringList(c.holidays);
        model.HolidaysSeparate = c.separate;
        open();
        click(u"cmdApply"_qs);
        EXPECT_EQ(questions(), c.asks ? 1 : 0) << c.separate << c.rest.size() << c.holidays.size();
        EXPECT_EQ(savedText().contains(u"[法定休息日]：08:00:00[/法定休息日]\n[法定节假日]：08:00:00"_qs),
                  !c.asks && c.separate);
        QFile::remove(model.SettingsFilePath);
    }
}

TEST_F(frmOptionsTest, ApplyWritesTheTidiedAddressFieldsBack)
{
    store.Clstm_Lst1.setStringList({ u"08:00:00"_qs });
    open();
    find<QLineEdit>(u"Text1"_qs)->setText(u"１９２。１６８·０"_qs);
    find<QLineEdit>(u"Text2"_qs)->setText(u"10"_qs);
    find<QLineEdit>(u"Text3"_qs)->setText(u"5"_qs);
    click(u"cmdApply"_qs);
    EXPECT_EQ(find<QLineEdit>(u"Text1"_qs)->text(), u"192.168.0"_qs);
    EXPECT_EQ(find<QLineEdit>(u"Text2"_qs)->text(), u"1"_qs);
    EXPECT_TRUE(savedText().endsWith(u"[IP地址前缀]：192.168.0[/IP地址前缀]\n[IP开始子地址]：1[/IP开始子地址]\n"
                                     u"[IP结束子地址]：5[/IP结束子地址]"_qs));
}

TEST_F(frmOptionsTest, PickersShowTheTimeOfCreation)
{
    for (const auto& [now, preset] : { std::pair { QTime(23, 58), "23:59:00" }, std::pair { QTime(14, 57), "14:59:00" },
                                       std::pair { QTime(9, 3), "09:08:00" } }) {
        clock.setTime(now);
        create();
        clock.advanceSeconds(3600); // shown later: the preset is not refreshed
        dialog->show();
        for (int n = 1; n <= 3; ++n) {
            QString shown;
            for (const char* kind : { "Hour", "Mnt", "Scnd" }) {
                shown += find<QComboBox>(u"Clstm_%1_Cmb%2"_qs.arg(QLatin1String(kind)).arg(n))->currentText() + u':';
            }
            EXPECT_EQ(shown.chopped(1), QLatin1String(preset)) << n;
        }
    }
    EXPECT_EQ(find<QComboBox>(u"Clstm_Hour_Cmb2"_qs)->count(), 24);
    EXPECT_EQ(find<QComboBox>(u"Clstm_Scnd_Cmb3"_qs)->count(), 60);
}

TEST_F(frmOptionsTest, StoredActionWordSelectsItsButton)
{
    for (const auto& [action, selected] : { std::pair { u"注销"_qs, 1 }, std::pair { u"重新启动"_qs, 2 },
                                            std::pair { u"注销 "_qs, -1 }, std::pair { u"Restart"_qs, -1 } }) {
        model.ShutdownActionName = action;
        open();
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(find<QRadioButton>(u"Shutdown_Option(%1)"_qs.arg(i))->isChecked(), i == selected)
                << action.toStdString() << i;
        }
        EXPECT_TRUE(apply()->isEnabled());
    }
}

TEST_F(frmOptionsTest, AddKeepsTheListSortedAndRefusesAPresentTime)
{
    model.HolidaysSeparate = true;
    for (TimeList* entries : { &store.Clstm_Lst1, &store.Clstm_Lst2, &store.Clstm_Lst3 }) {
        entries->setStringList({ u"12:00:00"_qs });
    }
    open();
    selectRow(3, 0);
    showPage(2);
    for (const QString& time : { u"23:00:00"_qs, u"07:15:00"_qs, u"23:00:00"_qs }) {
        click(u"cmdApply"_qs);
        ASSERT_FALSE(apply()->isEnabled());
        pickTime(3, time);
        click(u"Command7"_qs);
        EXPECT_TRUE(apply()->isEnabled()) << time.toStdString();
    }
    EXPECT_EQ(store.Clstm_Lst3.items(), QStringList({ u"07:15:00"_qs, u"12:00:00"_qs, u"23:00:00"_qs }));
    EXPECT_EQ(selectedRow(3), 1) << "the selection stays on its entry";
    EXPECT_EQ(store.Clstm_Lst1.count() + store.Clstm_Lst2.count(), 2) << "another list changed";

    // Enter in the time row adds too, and does not reach OK.
    pickTime(3, u"08:00:00"_qs);
    QTest::keyClick(find(u"Clstm_Scnd_Cmb3"_qs), Qt::Key_Return);
    EXPECT_TRUE(store.Clstm_Lst3.items().contains(u"08:00:00"_qs));
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(frmOptionsTest, DeleteSelectsTheNeighbour)
{
    const QStringList three { u"07:00:00"_qs, u"08:00:00"_qs, u"09:00:00"_qs };
    struct Case
    {
        QStringList entries;
        int row;
        QStringList left;
        int selected;
    };
    for (const Case& c :
         { Case { three, 2, { u"07:00:00"_qs, u"08:00:00"_qs }, 1 },
           Case { three, 0, { u"08:00:00"_qs, u"09:00:00"_qs }, 0 }, Case { { u"07:00:00"_qs }, 0, {}, -1 } }) {
        store.Clstm_Lst1.setStringList(c.entries);
        open();
        selectRow(1, c.row);
        click(u"Command2"_qs);
        EXPECT_EQ(store.Clstm_Lst1.items(), c.left);
        EXPECT_EQ(selectedRow(1), c.selected);
        EXPECT_EQ(usable(u"Command2"_qs), c.selected >= 0);
        EXPECT_EQ(usable(u"Command3"_qs), !c.left.isEmpty());
    }
}

TEST_F(frmOptionsTest, DoubleClickDeletesWithoutAQuestion)
{
    store.Clstm_Lst1.setStringList({ u"07:00:00"_qs, u"08:00:00"_qs, u"09:00:00"_qs });
    open();
    QListView* view = list(1);
    view->doItemsLayout(); // laid out lazily otherwise
    const QPoint at = view->visualRect(view->model()->index(1, 0)).center();
    // The order of a real double-click: QTest::mouseDClick leaves out the second press.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mousePress(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, at, view->viewport()->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &dbl);
    EXPECT_EQ(store.Clstm_Lst1.items(), QStringList({ u"07:00:00"_qs, u"09:00:00"_qs }));
    EXPECT_EQ(questions(), 0);
}

TEST_F(frmOptionsTest, ClearAsksFirst)
{
    store.Clstm_Lst1.setStringList({ u"07:00:00"_qs, u"08:00:00"_qs });
    open();
    click(u"cmdApply"_qs);
    dialogs.answers = { false, true };
    click(u"Command3"_qs);
    EXPECT_EQ(dialogs.shown[0].text, u"请确认是否要将列表清空？"_qs);
    EXPECT_EQ(dialogs.shown[0].title, Caption);
    EXPECT_EQ(store.Clstm_Lst1.count(), 2);
    EXPECT_FALSE(apply()->isEnabled());

    click(u"Command3"_qs);
    EXPECT_EQ(store.Clstm_Lst1.count(), 0);
    EXPECT_TRUE(apply()->isEnabled());
    EXPECT_FALSE(usable(u"Command3"_qs));
}

TEST_F(frmOptionsTest, Check1EnablesListsTwoAndThree)
{
    const QStringList controls { u"Clstm_Hour_Cmb2"_qs, u"Clstm_Mnt_Cmb3"_qs, u"Clstm_Scnd_Cmb2"_qs, u"Clstm_Lst2"_qs,
                                 u"Clstm_Lst3"_qs,      u"Command4"_qs,       u"Command7"_qs };
    auto expectUsable = [&](bool on) {
        for (const QString& name : controls) {
            EXPECT_EQ(usable(name), on) << name.toStdString();
        }
    };
    store.Clstm_Lst2.setStringList({ u"11:30:00"_qs });
    model.HolidaysSeparate = true;
    open();
    expectUsable(true);
    EXPECT_TRUE(usable(u"Command6"_qs));
    EXPECT_FALSE(usable(u"Command5"_qs)) << "nothing selected";

    click(u"cmdApply"_qs);
    showPage(3);
    click(u"Check1"_qs);
    expectUsable(false);
    EXPECT_FALSE(usable(u"Command6"_qs));
    EXPECT_EQ(store.Clstm_Lst2.count(), 1);
    EXPECT_TRUE(apply()->isEnabled());

    click(u"Check1"_qs);
    selectRow(2, 0);
    EXPECT_TRUE(usable(u"Command5"_qs));

    model.HolidaysSeparate = false;
    open();
    expectUsable(false);
}

TEST_F(frmOptionsTest, Check2SwitchesTheAddressBoxes)
{
    store.Clstm_Lst1.setStringList({ u"08:00:00"_qs });
    model.SendNotice = false;
    model.IpPrefix = u"10.1.2"_qs;
    model.IpStart = 2.5;
    open();
    EXPECT_FALSE(usable(u"Text1"_qs) || usable(u"Text2"_qs) || usable(u"Text3"_qs));
    EXPECT_EQ(find<QLineEdit>(u"Text1"_qs)->text(), u"10.1.2"_qs);
    EXPECT_EQ(find<QLineEdit>(u"Text2"_qs)->text(), u"2.5"_qs);
    EXPECT_EQ(find<QLineEdit>(u"Text3"_qs)->toolTip(), u"子地址范围：1～255"_qs);

    showPage(3);
    for (const bool on : { true, false }) {
        click(u"cmdApply"_qs);
        click(u"Check2"_qs);
        EXPECT_EQ(usable(u"Text1"_qs), on);
        EXPECT_EQ(usable(u"Text3"_qs), on);
        EXPECT_TRUE(usable(u"Label3(0)"_qs));
        EXPECT_TRUE(apply()->isEnabled());
    }
}

TEST_F(frmOptionsTest, CtrlTabAloneMovesToTheNextTab)
{
    open();
    struct Case
    {
        int from;
        const char* focus; // a control of the page shown
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int to;
    };
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    for (const Case& c :
         { Case { 3, "Text1", Qt::Key_Tab, ctrl, 0 }, Case { 0, "Clstm_Lst1", Qt::Key_Tab, ctrl, 1 },
           Case { 1, "Clstm_Hour_Cmb2", Qt::Key_Tab, ctrl, 2 }, Case { 2, "cmdOK", Qt::Key_Tab, ctrl, 3 },
           Case { 3, "Check2", Qt::Key_Backtab, ctrl | Qt::ShiftModifier, 3 },
           Case { 3, "Check2", Qt::Key_Tab, ctrl | Qt::ShiftModifier, 3 },
           Case { 0, "Clstm_Lst1", Qt::Key_Tab, Qt::NoModifier, 0 },
           Case { 0, "tbsOptions", Qt::Key_Tab, ctrl | Qt::AltModifier, 0 } }) {
        showPage(c.from);
        QTest::keyClick(find(QLatin1String(c.focus)), c.key, c.modifiers);
        EXPECT_EQ(find<QTabBar>(u"tbsOptions"_qs)->currentIndex(), c.to) << c.focus << int(c.modifiers);
        for (int i = 0; i < 4; ++i) {
            QWidget* page = find(u"picOptions(%1)"_qs.arg(i));
            EXPECT_EQ(page->isVisible(), i == c.to) << i;
            EXPECT_EQ(page->isEnabled(), i == c.to) << i;
        }
    }
}

TEST_F(frmOptionsTest, FailedSaveIsReportedAndKeepsTheDialog)
{
    ASSERT_TRUE(QDir().mkpath(model.SettingsFilePath)); // a folder where the file goes
    store.Clstm_Lst1.setStringList({ u"08:00:00"_qs });
    open();
    QSignalSpy unloaded(dialog.data(), &frmOptions::unloaded);
    click(u"cmdOK"_qs);
    ASSERT_EQ(dialogs.count(FakeDialogs::Kind::Error), 1);
    EXPECT_EQ(dialogs.shown[0].title, Caption);
    EXPECT_TRUE(dialogs.shown[0].text.startsWith(model.SettingsFilePath + u"\n\n"_qs));
    EXPECT_GT(dialogs.shown[0].text.size(), model.SettingsFilePath.size() + 2) << "no reason given";
    EXPECT_FALSE(closed());
    EXPECT_TRUE(apply()->isEnabled());
    EXPECT_TRUE(model.SettingsLoaded);
    EXPECT_EQ(unloaded.count(), 0);

    ASSERT_TRUE(QDir().rmdir(model.SettingsFilePath));
    click(u"cmdApply"_qs);
    EXPECT_FALSE(savedText().isEmpty());
    EXPECT_TRUE(closed()) << "OK's wish to close still holds";
}

TEST_F(frmOptionsTest, CancelCloseBoxAndEscapeCloseWithoutSaving)
{
    for (int way = 0; way < 3; ++way) {
        open();
        QSignalSpy unloaded(dialog.data(), &frmOptions::unloaded);
        click(u"Command1"_qs);
        if (way == 0) {
            click(u"cmdCancel"_qs);
        } else if (way == 1) {
            dialog->close();
        } else {
            QTest::keyClick(dialog.data(), Qt::Key_Escape);
        }
        EXPECT_EQ(unloaded.count(), 1) << way;
        EXPECT_FALSE(model.SettingsLoaded) << way;
        EXPECT_FALSE(QFile::exists(model.SettingsFilePath)) << way;
        EXPECT_TRUE(closed()) << way;
    }
}

TEST_F(frmOptionsTest, ButtonsFollowTheStoreWhileOpen)
{
    store.Clstm_Lst1.setStringList({ u"08:00:00"_qs });
    open();
    selectRow(1, 0);
    EXPECT_TRUE(usable(u"Command2"_qs));
    store.Clstm_Lst1.setStringList({ u"09:00:00"_qs, u"10:00:00"_qs }); // the scheduler refills it
    EXPECT_EQ(list(1)->model()->rowCount(), 2);
    EXPECT_FALSE(usable(u"Command2"_qs));
    store.Clstm_Lst1.clear();
    EXPECT_FALSE(usable(u"Command3"_qs));
}

TEST_F(frmOptionsTest, AnOpenDialogKeepsItsLanguageUntilOpenedAgain)
{
    open();
    const QString before = lang[95];
    lang.set(0, 95, u"A much longer caption before the hour box:"_qs); // the language menu switched
    QCoreApplication::processEvents();
    EXPECT_EQ(find<QLabel>(u"Label2(0)"_qs)->text(), before);
    open();
    EXPECT_EQ(find<QLabel>(u"Label2(0)"_qs)->text(), lang[95]);
}

TEST_F(frmOptionsTest, NothingOverlapsOrIsCutInEitherLanguage)
{
    auto expectFits = [](const QWidget* container, const QString& language) {
        QList<const QWidget*> children;
        for (const QWidget* child : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!child->isHidden() && !child->objectName().isEmpty()) {
                children.append(child);
            }
        }
        for (const QWidget* child : children) {
            const std::string name = (language + u' ' + child->objectName()).toStdString();
            EXPECT_TRUE(QRect(QPoint(), container->size()).contains(child->geometry())) << name;
            for (const QWidget* other : children) {
                EXPECT_TRUE(other == child || !other->geometry().intersects(child->geometry())) << name;
            }
            if (child->inherits("QLabel") || child->inherits("QCheckBox") || child->inherits("QRadioButton")
                || child->inherits("QComboBox")) {
                EXPECT_GE(child->width(), child->sizeHint().width()) << name;
                EXPECT_GE(child->height(), child->sizeHint().height()) << name;
            } else if (const auto* button = qobject_cast<const QPushButton*>(child)) {
                EXPECT_GE(button->width(), button->fontMetrics().horizontalAdvance(button->text()) + 4) << name;
            }
        }
    };
    QString english;
    ASSERT_TRUE(textfile::read(QStringLiteral(TOVA_SOURCE_DATA_DIR "/TovaShutdownlangue.ini"), &english));
    for (const QString& language : { u"Chinese"_qs, u"English"_qs }) {
        if (language == u"English"_qs) {
            ASSERT_TRUE(applyLanguageText(lang, english));
            lang.copyColumn(2, 0);
            lang.set(0, 135, lang[135] + u", with more words to widen the page"_qs);
        }
        open();
        for (int i = 0; i < 4; ++i) {
            showPage(i);
            expectFits(find(u"picOptions(%1)"_qs.arg(i)), language);
        }
        expectFits(find(u"Frame1"_qs), language);
        const QTabBar* tabs = find<QTabBar>(u"tbsOptions"_qs);
        EXPECT_LE(tabs->sizeHint().width(), tabs->width()) << "the tabs would scroll";

        // Bottom buttons spread evenly, 850 twips from both sides; list buttons 360 inside the page.
        const double dpi = dialog->logicalDpiX();
        const QRect ok = find(u"cmdOK"_qs)->geometry();
        const QRect cancel = find(u"cmdCancel"_qs)->geometry();
        const QRect applyButton = apply()->geometry();
        EXPECT_NEAR(cancel.left() - ok.right(), applyButton.left() - cancel.right(), 1);
        EXPECT_NEAR(dialog->width() - 1 - applyButton.right(), OptionsLayout::toPixels(850, dpi), 1);
        EXPECT_NEAR(ok.top(), OptionsLayout::toPixels(4630, dpi), 1);
        EXPECT_NEAR(dialog->height(), OptionsLayout::toPixels(5720, dpi), 1);
        EXPECT_NEAR(find(u"picOptions(0)"_qs)->width() - 1 - find(u"Command1"_qs)->geometry().right(),
                    OptionsLayout::toPixels(360, dpi), 1);
    }
}
