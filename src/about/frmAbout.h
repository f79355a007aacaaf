#pragma once

#include <QPointF>
#include <QSize>
#include <QWidget>

class LangTable;
class QIcon;
class QLabel;
class QPlainTextEdit;

// The about box. The main window shows it as a child window of its own client area, makes a new one
// for each opening, and moves it after this load has given it a first position.
class frmAbout : public QWidget
{
    Q_OBJECT
public:
    frmAbout(const LangTable& lang, const QString& mainCaption, const QIcon& icon, QWidget* parent = nullptr);

    /// Client size after the width fitting, in twips.
    QSize sizeTwips() const { return m_sizeTwips; }
    /// Where the load put the box, in twips of the main window's client area.
    QPointF firstPosition() const { return m_firstPosition; }

protected:
    /// Escape closes the box, and the child window that holds it.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Form_Load(const LangTable& lang, const QString& mainCaption, const QIcon& icon);
    QRect toPixels(int left, int top, int width, int height) const;

    QLabel* m_picIcon;
    QLabel* m_label1;
    QLabel* m_label2;
    QPlainTextEdit* m_richText;
    QSize m_sizeTwips;
    QPointF m_firstPosition;
};
