#include "about/frmAbout.h"

#include "about/AboutLayout.h"
#include "core/LangTable.h"

#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>

namespace {
// Design geometry, twips.
constexpr int ClientWidth = 5250;
constexpr int ClientHeight = 3150;
constexpr int IconLeft = 278;
constexpr int IconTop = 250;
constexpr int IconSize = 480;
constexpr int TextLeft = 1080;
constexpr int Label1Top = 250;
constexpr int Label2Top = 670;
constexpr int RichTextTop = 1090;
constexpr int RichTextWidth = 3915;
constexpr int RichTextHeight = 1815;

QString shortVersion()
{
    return QString::number(TOVA_VERSION_MAJOR) + u'.' + QString::number(TOVA_VERSION_MINOR);
}

QString fullVersion()
{
    return shortVersion() + u'.' + QString::number(TOVA_VERSION_PATCH);
}

// The notice is Chinese by default; the design's SimSun is rarely installed here, so name the CJK
// families a Linux desktop usually has after it.
QFont noticeFont(const QFont& base)
{
    QFont font = base;
    font.setFamilies({ QStringLiteral("SimSun"), QStringLiteral("NSimSun"), QStringLiteral("Noto Sans CJK SC"),
                       QStringLiteral("Source Han Sans SC"), QStringLiteral("WenQuanYi Zen Hei"),
                       QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("AR PL UMing CN") });
    return font;
}
} // namespace

frmAbout::frmAbout(const LangTable& lang, const QString& mainCaption, const QIcon& icon, QWidget* parent)
    : QWidget(parent), m_picIcon(new QLabel(this)), m_label1(new QLabel(this)), m_label2(new QLabel(this)),
      m_richText(new QPlainTextEdit(this))
{
    m_picIcon->setObjectName(QStringLiteral("picIcon"));
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_richText->setObjectName(QStringLiteral("RichText"));
    Form_Load(lang, mainCaption, icon);
}

QRect frmAbout::toPixels(int left, int top, int width, int height) const
{
    const int dpiX = logicalDpiX();
    const int dpiY = logicalDpiY();
    return QRect(about::twipsToPixels(left, dpiX), about::twipsToPixels(top, dpiY), about::twipsToPixels(width, dpiX),
                 about::twipsToPixels(height, dpiY));
}

void frmAbout::Form_Load(const LangTable& lang, const QString& mainCaption, const QIcon& icon)
{
    setWindowIcon(icon);

    const QString name = about::withoutVersion(mainCaption, shortVersion());
    setWindowTitle(lang[110] + u' ' + name);
    // Plain text throughout: a language file's texts are not markup.
    m_label1->setTextFormat(Qt::PlainText);
    m_label2->setTextFormat(Qt::PlainText);
    m_label1->setText(lang[121] + name + QStringLiteral(" For NT ") + lang[122]);
    m_label2->setText(lang[123] + fullVersion());

    const QRect iconRect = toPixels(IconLeft, IconTop, IconSize, IconSize);
    m_picIcon->setGeometry(iconRect);
    m_picIcon->setPixmap(icon.pixmap(iconRect.size()));

    m_richText->setFont(noticeFont(m_richText->font()));
    m_richText->setReadOnly(true);
    m_richText->setPlainText(lang[120]);

    // Labels size themselves to their text, keeping their design corner.
    for (const auto& [label, top] : { std::pair { m_label1, Label1Top }, std::pair { m_label2, Label2Top } }) {
        label->adjustSize();
        label->move(toPixels(TextLeft, top, 0, 0).topLeft());
    }

    const about::AboutWidths widths = about::fitAboutWidth(about::pixelsToTwips(m_label1->width(), logicalDpiX()),
                                                           ClientWidth, TextLeft, RichTextWidth);
    m_richText->setGeometry(toPixels(TextLeft, RichTextTop, widths.richTextWidth, RichTextHeight));
    m_sizeTwips = QSize(widths.boxWidth, ClientHeight);
    const QRect client = toPixels(0, 0, m_sizeTwips.width(), m_sizeTwips.height());
    setFixedSize(client.size());

    const QScreen* shown = screen();
    const QSize screenPixels = shown != nullptr ? shown->geometry().size() : QSize();
    const QSize screenTwips(about::pixelsToTwips(screenPixels.width(), logicalDpiX()),
                            about::pixelsToTwips(screenPixels.height(), logicalDpiY()));
    m_firstPosition = about::aboutFirstPosition(screenTwips, m_sizeTwips);
}

void frmAbout::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        (parentWidget() ? parentWidget() : this)->close();
        return;
    }
    QWidget::keyPressEvent(event);
}
