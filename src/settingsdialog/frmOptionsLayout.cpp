// frmOptions: captions, the layout pass and the loading of the option values.
#include "core/LangTable.h"
#include "core/SettingsStore.h"
#include "settingsdialog/AddressFields.h"
#include "settingsdialog/frmOptions.h"
#include "shutdown/ErrorGuard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabBar>
#include <algorithm>
#include <cmath>

void frmOptions::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    // Sizing the dialog from within the pass resizes it again; that pass would give the same result.
    if (!m_laying) {
        m_guard.run([this] { Form_Resize(); });
    }
}

void frmOptions::showEvent(QShowEvent* event)
{
    // The first show normally brings a resize first; this covers a platform that sends none.
    if (!m_laidOut) {
        m_guard.run([this] { Form_Resize(); });
    }
    QDialog::showEvent(event);
}

void frmOptions::Form_Resize()
{
    m_laying = true;
    applyCaptions();
    placeControls();
    loadOptionValues();
    m_laying = false;
    m_laidOut = true;
}

void frmOptions::applyCaptions()
{
    setWindowTitle(m_lang[111]);
    for (int i = 1; i <= 4; ++i) {
        tbsOptions->setTabText(i - 1, m_lang[90 + i]);
    }
    Frame1->setTitle(m_lang[130]);
    for (int i = 0; i < 3; ++i) {
        Shutdown_Option[i]->setText(m_lang[131 + i]);
    }
    Check3->setText(m_lang[134]);
    Check1->setText(m_lang[135]);
    Check2->setText(m_lang[136]);
    Label3[2]->setText(m_lang[112]);
    TimePage& first = m_timePages[0];
    for (int i = 1; i <= 5; ++i) {
        first.labels[i - 1]->setText(m_lang[94 + i]);
    }
    for (int page = 1; page < 3; ++page) {
        for (int i = 0; i < 5; ++i) {
            m_timePages[page].labels[i]->setText(first.labels[i]->text());
        }
    }
    cmdOK->setText(m_lang[103]);
    cmdCancel->setText(m_lang[104]);
    cmdApply->setText(m_lang[105]);
    first.add->setText(m_lang[100]);
    first.remove->setText(m_lang[101]);
    first.clear->setText(m_lang[102]);
    for (int page = 1; page < 3; ++page) {
        m_timePages[page].add->setText(first.add->text());
        m_timePages[page].remove->setText(first.remove->text());
        m_timePages[page].clear->setText(first.clear->text());
    }
    first.add->setToolTip(m_lang[114]);
    first.remove->setToolTip(m_lang[115]);
    first.clear->setToolTip(m_lang[116]);
    for (int page = 1; page < 3; ++page) {
        m_timePages[page].add->setToolTip(first.add->toolTip());
        m_timePages[page].remove->setToolTip(first.remove->toolTip());
        m_timePages[page].clear->setToolTip(first.clear->toolTip());
    }
}

OptionsLayout::Input frmOptions::measure() const
{
    const double dpi = logicalDpiX();
    auto twips = [dpi](int pixels) { return OptionsLayout::toTwips(pixels, dpi); };
    OptionsLayout::Input in;
    const TimePage& first = m_timePages[0];
    for (int i = 0; i < 5; ++i) {
        in.timeLabelWidths[i] = twips(first.labels[i]->sizeHint().width());
    }
    in.timeLabelHeight = twips(first.labels[0]->sizeHint().height());
    in.listLabelHeight = twips(first.labels[4]->sizeHint().height());
    // The design sizes of the pickers and option controls are smaller than what today's styles
    // draw; a control never gets less than it needs, so nothing is cut.
    in.comboHeight = twips(first.hour->sizeHint().height());
    in.comboWidth = std::max(in.comboWidth, twips(first.hour->sizeHint().width()));
    int optionHeight = 0;
    int optionWidth = 0;
    for (const QRadioButton* option : Shutdown_Option) {
        optionHeight = std::max(optionHeight, option->sizeHint().height());
        optionWidth = std::max(optionWidth, option->sizeHint().width());
    }
    in.optionHeight = std::max(in.optionHeight, twips(optionHeight));
    in.optionNeeds = twips(optionWidth);
    int checkHeight = 0;
    int checkWidth = 0;
    for (const QCheckBox* check : { Check1, Check2, Check3 }) {
        checkHeight = std::max(checkHeight, check->sizeHint().height());
        checkWidth = std::max(checkWidth, check->sizeHint().width());
    }
    in.checkHeight = std::max(in.checkHeight, twips(checkHeight));
    in.checkNeeds = twips(checkWidth);
    in.textHeight = std::max(in.textHeight, twips(Text1->sizeHint().height()));
    for (int i = 0; i < 3; ++i) {
        in.addressLabelWidths[i] = twips(Label3[i]->sizeHint().width());
    }
    in.addressLabelHeight = twips(Label3[0]->sizeHint().height());
    in.tabNeeds = twips(tbsOptions->sizeHint().width());
    if (const QScreen* s = screen()) {
        in.screenWidth = twips(s->geometry().width());
        in.screenHeight = twips(s->geometry().height());
    }
    return in;
}

void frmOptions::placeControls()
{
    const double dpi = logicalDpiX();
    const OptionsLayout::Result r = OptionsLayout::compute(measure());
    auto px = [dpi](const TwipRect& rect) { return OptionsLayout::toPixels(rect, dpi); };

    setFixedSize(OptionsLayout::toPixels(r.dialogWidth, dpi), OptionsLayout::toPixels(r.dialogHeight, dpi));

    // The tab strip: its tabs at the top of its area, the panel below them down to its bottom.
    const QRect tab = px(r.tab);
    const int tabsHeight = tbsOptions->sizeHint().height();
    tbsOptions->setGeometry(tab.left(), tab.top(), tab.width(), tabsHeight);
    m_tabBody->setGeometry(tab.left(), tab.top() + tabsHeight - 1, tab.width(), tab.height() - tabsHeight + 1);

    // Every pass opens on the first page; the tab strip is put there too, so the two agree.
    {
        const QSignalBlocker blocker(tbsOptions);
        tbsOptions->setCurrentIndex(0);
    }
    for (int i = 0; i < 4; ++i) {
        picOptions[i]->setGeometry(px(r.page));
        picOptions[i]->setVisible(i == 0);
        picOptions[i]->setEnabled(i == 0);
    }

    for (TimePage& p : m_timePages) {
        for (int i = 0; i < 5; ++i) {
            p.labels[i]->setGeometry(px(r.timeLabels[i]));
        }
        p.hour->setGeometry(px(r.hour));
        p.minute->setGeometry(px(r.minute));
        p.second->setGeometry(px(r.second));
        p.list->setGeometry(px(r.list));
        p.add->setGeometry(px(r.addButton));
        p.remove->setGeometry(px(r.deleteButton));
        p.clear->setGeometry(px(r.clearButton));
    }

    cmdOK->setGeometry(px(r.ok));
    cmdCancel->setGeometry(px(r.cancel));
    cmdApply->setGeometry(px(r.apply));

    Frame1->setGeometry(px(r.frame));
    for (int i = 0; i < 3; ++i) {
        Shutdown_Option[i]->setGeometry(px(r.options[i]));
    }
    Check3->setGeometry(px(r.check3));
    Check1->setGeometry(px(r.check1));
    Check2->setGeometry(px(r.check2));
    for (int i = 0; i < 3; ++i) {
        Label3[i]->setGeometry(px(r.addressLabels[i]));
    }
    Text1->setGeometry(px(r.text1));
    Text2->setGeometry(px(r.text2));
    Text3->setGeometry(px(r.text3));

    if (const QScreen* s = screen()) {
        move(s->geometry().topLeft()
             + QPoint(OptionsLayout::toPixels(r.dialogLeft, dpi), OptionsLayout::toPixels(r.dialogTop, dpi)));
    }
}

void frmOptions::loadOptionValues()
{
    const SettingsModel& model = m_store.model();
    Check1->setChecked(model.HolidaysSeparate);
    Check2->setChecked(model.SendNotice);
    selectAction(model.ShutdownActionName);
    Check3->setChecked(model.ForceShutdown);
    Text1->setText(model.IpPrefix);
    Text2->setText(AddressFields::numberText(model.IpStart));
    Text3->setText(QString::number(model.IpEnd));
    Text1->setToolTip(m_lang[117] + QStringLiteral("xxx.xxx.xxx"));
    Text2->setToolTip(m_lang[118] + QStringLiteral("1～255"));
    Text3->setToolTip(Text2->toolTip());
}
