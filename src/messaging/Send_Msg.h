#pragma once

#include <QWidget>

class ErrorGuard;
class Dialogs;
class LangTable;
class Launcher;
class QIcon;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// Tool window that sends one message to one computer with "net send", starts and stops the messenger
// service, and imports the message from a file. Modeless and deleted when closed: the main window
// makes a new one for the next opening, which starts afresh.
class Send_Msg : public QWidget
{
    Q_OBJECT
public:
    Send_Msg(const LangTable& lang, Launcher& launcher, Dialogs& dialogs, ErrorGuard& guard, const QIcon& icon,
             QWidget* parent = nullptr);

protected:
    /// Escape closes the window, as its exit button does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Form_Load(const QIcon& icon);
    void ApplyLanguage();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Text1_Change();
    void Text2_Change();
    void placeCounter();
    QRect toPixels(int left, int top, int width, int height) const;

    const LangTable& m_lang;
    Launcher& m_launcher;
    Dialogs& m_dialogs;
    ErrorGuard& m_guard;

    QLabel* m_label1;
    QLineEdit* m_text1;
    QLabel* m_label2;
    QLabel* m_label3;
    QPlainTextEdit* m_text2;
    QPushButton* m_command1;
    QPushButton* m_command2;
    QPushButton* m_command3;
    QPushButton* m_command4;
    // Whether the messenger service is taken to run. The button's caption shows it, but a language
    // switch or a language file with equal start and stop texts would make the caption ambiguous.
    bool m_serviceRunning = true;
};
