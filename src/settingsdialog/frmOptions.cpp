#include "settingsdialog/frmOptions.h"

#include "core/LangTable.h"
#include "core/SettingsStore.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "settingsdialog/AddressFields.h"
#include "settingsdialog/TimeListEditing.h"
#include "shutdown/ErrorGuard.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTimer>

namespace {
const QColor Blue(0, 0, 255);
const QColor Magenta(255, 0, 255);
const QColor Red(255, 0, 0);

QString indexed(const QString& name, int index)
{
    return QStringLiteral("%1(%2)").arg(name).arg(index);
}

template<typename W> W* named(W* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

// Only the active and inactive groups: a disabled control keeps the style's grey text.
void setTextColour(QWidget* widget, const QColor& colour, std::initializer_list<QPalette::ColorRole> roles)
{
    QPalette palette = widget->palette();
    for (QPalette::ColorRole role : roles) {
        palette.setColor(QPalette::Active, role, colour);
        palette.setColor(QPalette::Inactive, role, colour);
    }
    widget->setPalette(palette);
}

// The pickers and lists were designed in SimSun; where it is missing, any CJK font keeps the digits
// and the Chinese captions readable.
QFont simSun(double points)
{
    QFont font;
    font.setFamilies({ QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("NSimSun"),
                       QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Serif CJK SC"),
                       QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Sans CJK SC"),
                       QStringLiteral("Droid Sans Fallback") });
    font.setPointSizeF(points);
    return font;
}
} // namespace

template<typename Sender, typename Signal, typename Handler>
void frmOptions::handle(Sender* sender, Signal signal, Handler handler)
{
    connect(sender, signal, this, [this, handler](auto&&...) { m_guard.run(handler); });
}

frmOptions::frmOptions(SettingsStore& store, const LangTable& lang, Dialogs& dialogs, const Clock& clock,
                       ErrorGuard& guard, QWidget* parent)
    : QDialog(parent), m_store(store), m_lang(lang), m_dialogs(dialogs), m_clock(clock), m_guard(guard)
{
    setObjectName(QStringLiteral("frmOptions"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Fixed border, no minimise or maximise button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    buildControls();
    connectHandlers();
    m_guard.run([this] { Form_Load(); });
}

frmOptions::~frmOptions() = default;

void frmOptions::buildControls()
{
    tbsOptions = named(new QTabBar(this), QStringLiteral("tbsOptions"));
    tbsOptions->setExpanding(false);
    tbsOptions->setDrawBase(false);
    for (int i = 0; i < 4; ++i) {
        tbsOptions->addTab(QString());
    }
    m_tabBody = named(new QFrame(this), QStringLiteral("tabBody"));
    m_tabBody->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    for (int i = 0; i < 4; ++i) {
        picOptions[i] = named(new QWidget(this), indexed(QStringLiteral("picOptions"), i));
    }
    buildTimePage(0, Blue);
    buildTimePage(1, Magenta);
    buildTimePage(2, Red);
    buildOptionsPage();

    cmdOK = named(new QPushButton(this), QStringLiteral("cmdOK"));
    cmdCancel = named(new QPushButton(this), QStringLiteral("cmdCancel"));
    cmdApply = named(new QPushButton(this), QStringLiteral("cmdApply"));
    cmdOK->setDefault(true);

    // Delete and Clear also follow every change of the lists at once (see connectHandlers); the tick
    // only keeps the rule true should anything slip past those signals.
    Timer1 = named(new QTimer(this), QStringLiteral("Timer1"));
    Timer1->setInterval(100);

    // The tab strip stays above the pages: its tabs may be taller than the design's 320 twips.
    m_tabBody->lower();
    tbsOptions->raise();

    // Key preview: Ctrl+Tab switches pages whichever control has the focus.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>()) {
        child->installEventFilter(this);
    }
}

void frmOptions::buildTimePage(int index, const QColor& colour)
{
    TimePage& p = m_timePages[index];
    const int n = index + 1;
    QWidget* page = picOptions[index];
    p.page = page;
    p.entries = n == 1 ? &m_store.Clstm_Lst1 : n == 2 ? &m_store.Clstm_Lst2 : &m_store.Clstm_Lst3;
    const QString labelName = QStringLiteral("Label%1").arg(index);
    auto label = [&](int i) { return p.labels[i] = named(new QLabel(page), indexed(labelName, i)); };
    auto picker = [&](const QString& name) {
        auto* box = named(new QComboBox(page), name + QString::number(n));
        box->setFont(simSun(10.5));
        setTextColour(box, colour, { QPalette::Text, QPalette::ButtonText, QPalette::WindowText });
        return box;
    };
    auto button
        = [&](int number) { return named(new QPushButton(page), QStringLiteral("Command%1").arg(3 * index + number)); };

    // Creation order is the Tab order: the time row, Add, the list, Delete, Clear.
    label(0);
    p.hour = picker(QStringLiteral("Clstm_Hour_Cmb"));
    label(1);
    p.minute = picker(QStringLiteral("Clstm_Mnt_Cmb"));
    label(2);
    p.second = picker(QStringLiteral("Clstm_Scnd_Cmb"));
    label(3);
    p.add = button(1);
    label(4);
    p.list = named(new QListView(page), QStringLiteral("Clstm_Lst%1").arg(n));
    p.list->setFont(simSun(12));
    p.list->setModel(p.entries);
    p.list->setSelectionMode(QAbstractItemView::SingleSelection);
    p.list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    p.list->setUniformItemSizes(true);
    p.remove = button(2);
    p.clear = button(3);
    p.labels[0]->setBuddy(p.hour);
    p.labels[4]->setBuddy(p.list);
}

void frmOptions::buildOptionsPage()
{
    QWidget* page = picOptions[3];
    Frame1 = named(new QGroupBox(page), QStringLiteral("Frame1"));
    setTextColour(Frame1, Red, { QPalette::WindowText, QPalette::Text });
    for (int i = 0; i < 3; ++i) {
        Shutdown_Option[i] = named(new QRadioButton(Frame1), indexed(QStringLiteral("Shutdown_Option"), i));
        // The red is for the frame's caption only; the buttons would inherit it.
        setTextColour(Shutdown_Option[i], page->palette().color(QPalette::Active, QPalette::WindowText),
                      { QPalette::WindowText, QPalette::Text });
    }
    Check3 = named(new QCheckBox(page), QStringLiteral("Check3"));
    Check1 = named(new QCheckBox(page), QStringLiteral("Check1"));
    Check2 = named(new QCheckBox(page), QStringLiteral("Check2"));
    // Design values: separate lists off, notice on (so the address boxes start enabled).
    Check2->setChecked(true);

    auto addressLabel = [&](int i) {
        Label3[i] = named(new QLabel(page), indexed(QStringLiteral("Label3"), i));
        setTextColour(Label3[i], Blue, { QPalette::WindowText });
    };
    auto addressBox = [&](const QString& name) {
        auto* box = named(new QLineEdit(page), name);
        setTextColour(box, Red, { QPalette::Text });
        return box;
    };
    addressLabel(0);
    Text1 = addressBox(QStringLiteral("Text1"));
    addressLabel(1);
    Text2 = addressBox(QStringLiteral("Text2"));
    addressLabel(2);
    Text3 = addressBox(QStringLiteral("Text3"));
    Label3[0]->setText(QStringLiteral("IP："));
    Label3[1]->setText(QStringLiteral("·"));
}

void frmOptions::connectHandlers()
{
    handle(cmdOK, &QPushButton::clicked, [this] { cmdOK_Click(); });
    handle(cmdCancel, &QPushButton::clicked, [this] { cmdCancel_Click(); });
    handle(cmdApply, &QPushButton::clicked, [this] { cmdApply_Click(); });
    handle(Timer1, &QTimer::timeout, [this] { Timer1_Timer(); });

    for (int i = 0; i < 3; ++i) {
        const TimePage& p = m_timePages[i];
        handle(p.add, &QPushButton::clicked, [this, i] { addTime(i); });
        handle(p.remove, &QPushButton::clicked, [this, i] { deleteTime(i); });
        handle(p.clear, &QPushButton::clicked, [this, i] { clearTimes(i); });
        handle(p.list, &QListView::doubleClicked, [this, i] { deleteTime(i); });
        // The scheduler may refill a list while the dialog is open: the buttons follow every change.
        auto rule = [this] { Timer1_Timer(); };
        handle(p.entries, &QAbstractItemModel::rowsInserted, rule);
        handle(p.entries, &QAbstractItemModel::rowsRemoved, rule);
        handle(p.entries, &QAbstractItemModel::modelReset, rule);
        handle(p.entries, &QAbstractItemModel::layoutChanged, rule);
        handle(p.list->selectionModel(), &QItemSelectionModel::selectionChanged, rule);
    }

    // toggled and textChanged fire on every change, also from code (clicked and textEdited would not):
    // loading the stored values runs the same handlers as the user's edits, as the end state needs.
    handle(Check1, &QCheckBox::toggled, [this] { Check1_Click(); });
    handle(Check2, &QCheckBox::toggled, [this] { Check2_Click(); });
    handle(Check3, &QCheckBox::toggled, [this] { enableApply(); });
    for (int i = 0; i < 3; ++i) {
        connect(Shutdown_Option[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on) {
                m_guard.run([this, i] { Shutdown_Option_Click(i); });
            }
        });
    }
    for (QLineEdit* box : { Text1, Text2, Text3 }) {
        handle(box, &QLineEdit::textChanged, [this] { enableApply(); });
    }
    handle(tbsOptions, &QTabBar::currentChanged, [this] { tbsOptions_Click(); });
}

void frmOptions::Form_Load()
{
    CloseAfterApply = false;
    const TimeListEditing::Preset preset = TimeListEditing::defaultTime(m_clock.now().time());

    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    setPalette(palette);
    // Check1..3, Shutdown_Option and Frame1 draw no background of their own: they show page 3's.

    for (TimePage& p : m_timePages) {
        setTextColour(p.list, p.hour->palette().color(QPalette::Active, QPalette::Text), { QPalette::Text });
        p.hour->addItems(TimeListEditing::twoDigitRange(23));
        p.minute->addItems(TimeListEditing::twoDigitRange(59));
        p.second->addItems(TimeListEditing::twoDigitRange(59));
        p.hour->setCurrentText(preset.hour);
        p.minute->setCurrentText(preset.minute);
        p.second->setCurrentText(preset.second);
    }
    if (parentWidget()) {
        setWindowIcon(parentWidget()->windowIcon());
    }
    EnableHolidayLists();
    Timer1->start();
}

void frmOptions::reject()
{
    close();
}

void frmOptions::closeEvent(QCloseEvent* event)
{
    // QDialog::closeEvent would call reject(), which closes again.
    event->accept();
    if (!m_unloaded) {
        m_unloaded = true;
        m_guard.run([this] { Form_Unload(); });
    }
}

void frmOptions::Form_Unload()
{
    Timer1->stop();
    // The scheduler reloads the lists from the file on its next tick, undoing unsaved edits.
    m_store.model().SettingsLoaded = false;
    Q_EMIT unloaded();
}

void frmOptions::cmdApply_Click()
{
    const AddressFields tidy = AddressFields { Text1->text(), Text2->text(), Text3->text() }.tidied();
    Text1->setText(tidy.prefix);
    Text2->setText(tidy.start);
    Text3->setText(tidy.end);
    ApplySettings();
}

void frmOptions::cmdOK_Click()
{
    if (cmdApply->isEnabledTo(this)) {
        CloseAfterApply = true;
        cmdApply_Click();
    } else {
        close(); // nothing changed since the last save
    }
}

void frmOptions::cmdCancel_Click()
{
    close();
}

void frmOptions::ApplySettings()
{
    cmdApply->setEnabled(false);
    const bool separate = Check1->isChecked();
    const bool empty = m_store.Clstm_Lst1.count() == 0
        || (separate && (m_store.Clstm_Lst2.count() == 0 || m_store.Clstm_Lst3.count() == 0));
    if (empty) {
        QPointer<frmOptions> self(this);
        const bool goOn = m_dialogs.askYesNo(this, windowTitle(), m_lang[119], Dialogs::Default::Yes);
        if (!self) {
            return;
        }
        if (!goOn) {
            cmdApply->setEnabled(true);
            return;
        }
    }
    QString error;
    if (!m_store.SaveSettings(currentValues(), &error)) {
        // Nothing was written: say so, and keep the edits and the dialog for another try.
        cmdApply->setEnabled(true);
        m_dialogs.showError(this, windowTitle(),
                            QStringLiteral("%1\n\n%2").arg(m_store.model().SettingsFilePath, error));
        return;
    }
    m_store.model().SettingsLoaded = false;
    if (CloseAfterApply) {
        close();
    }
}

settingsfile::Values frmOptions::currentValues() const
{
    settingsfile::Values values;
    values.workingDays = m_store.Clstm_Lst1.items();
    values.restDays = m_store.Clstm_Lst2.items();
    values.holidays = m_store.Clstm_Lst3.items();
    values.holidaysSeparate = Check1->isChecked();
    values.actionOption = selectedAction();
    values.force = Check3->isChecked();
    values.notice = Check2->isChecked();
    values.prefix = Text1->text();
    values.start = Text2->text();
    values.end = Text3->text();
    return values;
}

void frmOptions::enableApply()
{
    cmdApply->setEnabled(true);
}

void frmOptions::addTime(int index)
{
    const TimePage& p = m_timePages[index];
    const QString time = p.hour->currentText() + u':' + p.minute->currentText() + u':' + p.second->currentText();
    if (!TimeListEditing::isPresent(p.entries->items(), time)) {
        p.entries->addSorted(time);
    }
    enableApply();
}

void frmOptions::deleteTime(int index)
{
    const int row = selectedRow(index);
    if (row >= 0) {
        TimeList& entries = *m_timePages[index].entries;
        entries.removeAt(row);
        selectRow(index, TimeListEditing::selectionAfterRemoval(row, entries.count()));
    }
    enableApply();
}

void frmOptions::clearTimes(int index)
{
    QPointer<frmOptions> self(this);
    const bool yes = m_dialogs.askYesNo(this, windowTitle(), m_lang[113], Dialogs::Default::Yes);
    if (self && yes) {
        m_timePages[index].entries->clear();
        enableApply();
    }
}

int frmOptions::selectedRow(int index) const
{
    const QModelIndexList rows = m_timePages[index].list->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void frmOptions::selectRow(int index, int row)
{
    QListView* list = m_timePages[index].list;
    if (row < 0) {
        list->selectionModel()->clear();
    } else {
        list->setCurrentIndex(list->model()->index(row, 0));
    }
}

void frmOptions::Timer1_Timer()
{
    // The hour box's own Enabled flag, as EnableHolidayLists set it: a hidden page is disabled as a
    // whole, which must not count here.
    auto listUsable = [this](int index) {
        const TimePage& p = m_timePages[index];
        return p.hour->isEnabledTo(p.page);
    };
    for (int i = 0; i < 3; ++i) {
        const TimePage& p = m_timePages[i];
        const bool usable = i == 0 || listUsable(i);
        p.remove->setEnabled(selectedRow(i) >= 0 && usable);
        p.clear->setEnabled(p.entries->count() > 0 && usable);
    }
}

void frmOptions::EnableHolidayLists()
{
    const bool e = Check1->isChecked();
    const TimePage& rest = m_timePages[1];
    const TimePage& holidays = m_timePages[2];
    for (QWidget* control :
         { static_cast<QWidget*>(rest.hour), static_cast<QWidget*>(holidays.hour), static_cast<QWidget*>(rest.minute),
           static_cast<QWidget*>(holidays.minute), static_cast<QWidget*>(rest.second),
           static_cast<QWidget*>(holidays.second), static_cast<QWidget*>(rest.list),
           static_cast<QWidget*>(holidays.list), static_cast<QWidget*>(rest.add), static_cast<QWidget*>(rest.remove),
           static_cast<QWidget*>(rest.clear), static_cast<QWidget*>(holidays.add),
           static_cast<QWidget*>(holidays.remove), static_cast<QWidget*>(holidays.clear) }) {
        control->setEnabled(e);
    }
    Timer1_Timer();
}

void frmOptions::Check1_Click()
{
    EnableHolidayLists();
    enableApply();
}

void frmOptions::Check2_Click()
{
    // The three labels of the address row stay enabled.
    Text1->setEnabled(Check2->isChecked());
    Text2->setEnabled(Text1->isEnabledTo(picOptions[3]));
    Text3->setEnabled(Text1->isEnabledTo(picOptions[3]));
    enableApply();
}

void frmOptions::Shutdown_Option_Click(int)
{
    enableApply();
}

void frmOptions::tbsOptions_Click()
{
    const int selected = tbsOptions->currentIndex() + 1;
    for (int i = 0; i < tbsOptions->count(); ++i) {
        picOptions[i]->setVisible(selected == i + 1);
        picOptions[i]->setEnabled(selected == i + 1);
    }
}

bool frmOptions::Form_KeyDown(int keyCode, int shift)
{
    constexpr int TabKey = 9;
    constexpr int CtrlOnly = 2;
    if (keyCode != TabKey || shift != CtrlOnly) {
        return false;
    }
    const int selected = tbsOptions->currentIndex() + 1;
    const int tabs = tbsOptions->count();
    tbsOptions->setCurrentIndex(selected == tabs ? 0 : selected); // next tab, as a 0-based index
    return true;
}

bool frmOptions::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress) {
        return QDialog::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        // Enter in the time row adds the time, as the user means; it would otherwise reach OK and close
        // the dialog without it.
        for (int index = 0; index < int(m_timePages.size()); ++index) {
            const TimePage& p = m_timePages[index];
            if (watched == p.hour || watched == p.minute || watched == p.second) {
                m_guard.run([&] { addTime(index); });
                return true;
            }
        }
        return QDialog::eventFilter(watched, event);
    }
    if (key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab) {
        return QDialog::eventFilter(watched, event);
    }
    // Shift state as 1 Shift, 2 Ctrl, 4 Alt; any other modifier (Meta) makes it no plain Ctrl+Tab.
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    int shift = (mods & Qt::ShiftModifier ? 1 : 0) | (mods & Qt::ControlModifier ? 2 : 0)
        | (mods & Qt::AltModifier ? 4 : 0) | (mods & Qt::MetaModifier ? 8 : 0);
    bool handled = false;
    m_guard.run([&] { handled = Form_KeyDown(9, shift); });
    return handled;
}

void frmOptions::selectAction(const QString& actionName)
{
    static const QString words[] = { settingsfile::PowerOff, settingsfile::LogOff, settingsfile::Restart };
    // An exclusive group cannot be emptied; an unknown or missing action word selects none.
    for (QRadioButton* option : Shutdown_Option) {
        option->setAutoExclusive(false);
    }
    for (int i = 0; i < 3; ++i) {
        Shutdown_Option[i]->setChecked(actionName == words[i]);
    }
    for (QRadioButton* option : Shutdown_Option) {
        option->setAutoExclusive(true);
    }
}

int frmOptions::selectedAction() const
{
    for (int i = 0; i < 3; ++i) {
        if (Shutdown_Option[i]->isChecked()) {
            return i;
        }
    }
    return -1;
}
