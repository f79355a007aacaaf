#pragma once

#include "core/SettingsFile.h"
#include "settingsdialog/OptionsLayout.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QRadioButton;
class QTabBar;
class QTimer;

class Clock;
class Dialogs;
class ErrorGuard;
class LangTable;
class SettingsStore;
class TimeList;

// The settings dialog: three time lists and the other options on four pages. The time lists belong
// to the SettingsStore and outlive the dialog; the dialog only shows and edits them.
// Widgets carry their control names as objectName; elements of control arrays are named "Name(i)".
class frmOptions : public QDialog
{
    Q_OBJECT
public:
    /// Runs the load step; the first layout pass follows when the dialog is first shown.
    frmOptions(SettingsStore& store, const LangTable& lang, Dialogs& dialogs, const Clock& clock, ErrorGuard& guard,
               QWidget* parent = nullptr);
    ~frmOptions() override;

Q_SIGNALS:
    /// The dialog has closed (OK, Cancel, Escape or the close box) and the lists are to be reloaded.
    void unloaded();

public Q_SLOTS:
    /// Escape closes like Cancel.
    void reject() override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // One time-list page (picOptions 0..2) with the controls of its list.
    struct TimePage
    {
        QWidget* page = nullptr;
        std::array<QLabel*, 5> labels {}; // Label0, Label1 or Label2
        QComboBox* hour = nullptr;
        QComboBox* minute = nullptr;
        QComboBox* second = nullptr;
        QListView* list = nullptr;
        QPushButton* add = nullptr;
        QPushButton* remove = nullptr;
        QPushButton* clear = nullptr;
        TimeList* entries = nullptr;
    };

    template<typename Sender, typename Signal, typename Handler>
    void handle(Sender* sender, Signal signal, Handler handler);

    void buildControls();
    void buildTimePage(int index, const QColor& colour);
    void buildOptionsPage();
    void connectHandlers();

    // Lifecycle (frmOptions.cpp).
    void Form_Load();
    void Form_Unload();
    void cmdApply_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void ApplySettings();
    settingsfile::Values currentValues() const;
    void enableApply();

    // Time lists.
    void addTime(int index); // Command1, Command4, Command7
    void deleteTime(int index); // Command2, Command5, Command8 and a double-click on the list
    void clearTimes(int index); // Command3, Command6, Command9
    int selectedRow(int index) const;
    void selectRow(int index, int row);
    void Timer1_Timer();
    void EnableHolidayLists();

    // Options page and page switching.
    void Check1_Click();
    void Check2_Click();
    void Shutdown_Option_Click(int index);
    void tbsOptions_Click();
    bool Form_KeyDown(int keyCode, int shift);
    void selectAction(const QString& actionName);
    int selectedAction() const;

    // Layout (frmOptionsLayout.cpp).
    void Form_Resize();
    void applyCaptions();
    OptionsLayout::Input measure() const;
    void placeControls();
    void loadOptionValues();

    SettingsStore& m_store;
    const LangTable& m_lang;
    Dialogs& m_dialogs;
    const Clock& m_clock;
    ErrorGuard& m_guard;

    /// Set by OK; a successful save then closes the dialog. Cleared only by the load step.
    bool CloseAfterApply = false;
    bool m_laying = false; // a layout pass is running: the resizes it causes are its own
    bool m_laidOut = false; // the first layout pass has run
    bool m_unloaded = false;

    QTabBar* tbsOptions = nullptr;
    QFrame* m_tabBody = nullptr; // the tab strip's panel behind the pages
    std::array<QWidget*, 4> picOptions {};
    std::array<TimePage, 3> m_timePages;
    QGroupBox* Frame1 = nullptr;
    std::array<QRadioButton*, 3> Shutdown_Option {};
    QCheckBox* Check1 = nullptr;
    QCheckBox* Check2 = nullptr;
    QCheckBox* Check3 = nullptr;
    std::array<QLabel*, 3> Label3 {};
    QLineEdit* Text1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QLineEdit* Text3 = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdApply = nullptr;
    QTimer* Timer1 = nullptr;
};
