#include "messaging/Send_Msg.h"

#include "core/LangTable.h"
#include "core/TextHelpers.h"
#include "core/Twips.h"
#include "messaging/SendMsgCommands.h"
#include "messaging/import/TextImport.h"
#include "messaging/net/NetDatagram.h"
#include "platform/Dialogs.h"
#include "platform/Launcher.h"
#include "shutdown/ErrorGuard.h"

#include <QDir>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <cmath>

namespace {
// Design geometry, twips.
constexpr int ClientWidth = 5865;
constexpr int ClientHeight = 3375;
constexpr int LabelLeft = 345;
constexpr int Label1Top = 285;
constexpr int Label2Top = 630;
constexpr int LabelWidth = 810;
constexpr int LabelHeight = 180;
constexpr int Text1Left = 1185;
constexpr int Text1Top = 215;
constexpr int Text1Width = 4335;
constexpr int Text1Height = 320;
constexpr int Text2Top = 930;
constexpr int Text2Width = 5175;
constexpr int Text2Height = 1575;
constexpr int ButtonTop = 2760;
constexpr int ButtonWidth = 855;
constexpr int ButtonHeight = 375;
constexpr int ButtonLefts[] = { 688, 1907, 3107, 4322 };
// WinExec's show flag for "no window".
constexpr int Hidden = 0;

// The failure box, with why nothing was sent.
void showSendFailure(Dialogs& dialogs, const LangTable& lang, QWidget* parent, const QString& reason)
{
    dialogs.showError(parent, lang[86], lang[85] + QStringLiteral("\n\n") + reason);
}
} // namespace

Send_Msg::Send_Msg(const LangTable& lang, Launcher& launcher, Dialogs& dialogs, ErrorGuard& guard, const QIcon& icon,
                   QWidget* parent)
    : QWidget(parent, Qt::Tool), m_lang(lang), m_launcher(launcher), m_dialogs(dialogs), m_guard(guard),
      m_label1(new QLabel(this)), m_text1(new QLineEdit(this)), m_label2(new QLabel(this)), m_label3(new QLabel(this)),
      m_text2(new QPlainTextEdit(this)), m_command1(new QPushButton(this)), m_command2(new QPushButton(this)),
      m_command3(new QPushButton(this)), m_command4(new QPushButton(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("Send_Msg"));
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_label3->setObjectName(QStringLiteral("Label3"));
    m_text2->setObjectName(QStringLiteral("Text2"));
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command2->setObjectName(QStringLiteral("Command2"));
    m_command3->setObjectName(QStringLiteral("Command3"));
    m_command4->setObjectName(QStringLiteral("Command4"));

    m_guard.run([&] { Form_Load(icon); });

    // Connected after the load, so that clearing the boxes there leaves the counter empty.
    connect(m_command1, &QPushButton::clicked, this, m_guard.wrap([this](auto&&...) { Command1_Click(); }));
    connect(m_command2, &QPushButton::clicked, this, m_guard.wrap([this](auto&&...) { Command2_Click(); }));
    connect(m_command3, &QPushButton::clicked, this, m_guard.wrap([this](auto&&...) { Command3_Click(); }));
    connect(m_command4, &QPushButton::clicked, this, m_guard.wrap([this](auto&&...) { Command4_Click(); }));
    connect(m_text1, &QLineEdit::textChanged, this, m_guard.wrap([this](auto&&...) { Text1_Change(); }));
    connect(m_text2, &QPlainTextEdit::textChanged, this, m_guard.wrap([this](auto&&...) { Text2_Change(); }));
}

QRect Send_Msg::toPixels(int left, int top, int width, int height) const
{
    const int dpiX = logicalDpiX();
    const int dpiY = logicalDpiY();
    return QRect(twips::toPixels(left, dpiX), twips::toPixels(top, dpiY), twips::toPixels(width, dpiX),
                 twips::toPixels(height, dpiY));
}

void Send_Msg::Form_Load(const QIcon& icon)
{
    setWindowTitle(text::trimBlanks(m_lang[88]));
    setWindowIcon(icon);
    setFixedSize(toPixels(0, 0, ClientWidth, ClientHeight).size());

    m_command1->setText(m_lang[74]);
    m_text1->clear();
    m_text1->setToolTip(m_lang[87]);
    m_text2->clear();
    m_label3->clear();

    // The design sizes suit the original's small system font; here a label or box may need more
    // height for its font, never less than the design gives it.
    const auto place = [](QWidget* widget, const QRect& design) {
        QRect rect = design;
        rect.setHeight(std::max(design.height(), widget->sizeHint().height()));
        if (qobject_cast<QLabel*>(widget) != nullptr) {
            rect.setWidth(std::max(design.width(), widget->sizeHint().width()));
        }
        widget->setGeometry(rect);
    };
    m_label1->setTextFormat(Qt::PlainText);
    m_label2->setTextFormat(Qt::PlainText);
    m_label3->setTextFormat(Qt::PlainText);
    m_text2->setTabChangesFocus(true);
    // The labels' mnemonics take the focus to the box each names.
    m_label1->setBuddy(m_text1);
    m_label2->setBuddy(m_text2);

    QWidget::setTabOrder(m_text1, m_text2);
    QWidget::setTabOrder(m_text2, m_command1);
    QWidget::setTabOrder(m_command1, m_command2);
    QWidget::setTabOrder(m_command2, m_command3);
    QWidget::setTabOrder(m_command3, m_command4);

    ApplyLanguage();

    m_command1->setText(m_lang[74]);
    m_command1->setToolTip(m_lang[74] + m_lang[82]);
    m_serviceRunning = true;

    place(m_label1, toPixels(LabelLeft, Label1Top, LabelWidth, LabelHeight));
    place(m_text1, toPixels(Text1Left, Text1Top, Text1Width, Text1Height));
    place(m_label2, toPixels(LabelLeft, Label2Top, LabelWidth, LabelHeight));
    m_text2->setGeometry(toPixels(LabelLeft, Text2Top, Text2Width, Text2Height));
    QPushButton* const buttons[] = { m_command1, m_command2, m_command3, m_command4 };
    for (int i = 0; i < 4; ++i) {
        place(buttons[i], toPixels(ButtonLefts[i], ButtonTop, ButtonWidth, ButtonHeight));
    }
    placeCounter();
    m_text1->setFocus();
}

void Send_Msg::ApplyLanguage()
{
    m_label1->setText(m_lang[124]);
    m_label2->setText(m_lang[125]);
    m_command2->setText(m_lang[75]);
    m_command3->setText(m_lang[126]);
    m_command4->setText(m_lang[77]);
    m_command2->setToolTip(m_lang[89]);
    m_command3->setToolTip(m_lang[90]);
    m_command4->setToolTip(m_lang[77] + m_lang[88]);
}

// The counter grows to the left: its right edge stays at the content box's right edge, so a long count
// never runs out of the window.
void Send_Msg::placeCounter()
{
    m_label3->adjustSize();
    const QRect label2 = m_label2->geometry();
    const int right = m_text2->geometry().right();
    m_label3->move(right - m_label3->width() + 1, label2.top());
}

void Send_Msg::Command1_Click()
{
    const bool starting = !m_serviceRunning;
    m_command2->setEnabled(starting);
    // Whether the service command worked is not reported: the caption changes anyway.
    m_launcher.WinExec(sendmsg::messengerCommandLine(starting), Hidden);
    m_serviceRunning = starting;
    m_command3->setEnabled(starting);
    m_text1->setEnabled(starting);
    m_text2->setEnabled(starting);
    m_command1->setText(starting ? m_lang[74] : m_lang[73]);
    m_command1->setToolTip(m_command1->text() + m_lang[82]);
}

void Send_Msg::Command2_Click()
{
    const QString address = text::trimBlanks(m_text1->text());
    // Sent as typed: blanks at the ends and runs of blanks may be part of the message's layout.
    const QString message = m_text2->toPlainText();
    if (address.isEmpty()) {
        showSendFailure(m_dialogs, m_lang, this, m_lang[143]);
        return;
    }
    if (const qsizetype bytes = message.toUtf8().size(); bytes > NetDatagram::kMaxTextBytes) {
        showSendFailure(m_dialogs, m_lang, this, withNumber(m_lang[144], bytes));
        return;
    }
    if (text::trimBlanks(message).isEmpty()) {
        const QString question = m_lang[83] + QStringLiteral("\n\n") + m_lang[84];
        if (!m_dialogs.askYesNo(this, windowTitle(), question, Dialogs::Default::No)) {
            return;
        }
    }
    // A name that does not resolve, or any other refusal of net, comes back once it has ended; the window
    // may be closed by then, and the box still tells the user.
    const auto reportFailure = [self = QPointer<Send_Msg>(this), &dialogs = m_dialogs, &lang = m_lang](
                                   const QString& reason) { showSendFailure(dialogs, lang, self, reason); };
    const int result = m_launcher.WinExecWatched(sendmsg::netSendCommandLine(address, message), Hidden, reportFailure);
    // Disabled before any box shows, so the same message cannot go twice by accident.
    m_command2->setEnabled(false);
    // WinExec's results up to 31 are failures; 2 means no "net" command was found, which is a failure too.
    if (result <= 31) {
        m_dialogs.showError(this, m_lang[86], m_lang[85]);
    }
}

void Send_Msg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_guard.run([this] { Command4_Click(); });
        return;
    }
    QWidget::keyPressEvent(event);
}

void Send_Msg::Command3_Click()
{
    const QString fileName = m_dialogs.openFileName(this, m_lang[81], sendmsg::importFilters(m_lang));
    if (fileName.isEmpty()) {
        return;
    }
    QString content;
    QString error;
    // A file that cannot be read leaves the message as it was; the user learns why.
    if (!TextImport::readMessageFile(fileName, &content, &error)) {
        const QString shownName = QDir::toNativeSeparators(fileName);
        m_dialogs.showError(this, windowTitle(),
                            error.contains(shownName) ? error : shownName + QStringLiteral("\n\n") + error);
        return;
    }
    m_text2->setPlainText(content);
}

void Send_Msg::Command4_Click()
{
    close();
}

void Send_Msg::Text1_Change()
{
    m_command2->setEnabled(true);
}

void Send_Msg::Text2_Change()
{
    m_label3->setText(withNumber(m_lang[72], m_text2->toPlainText().size()));
    placeCounter();
    m_command2->setEnabled(true);
}
