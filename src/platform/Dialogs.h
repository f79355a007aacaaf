#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Message boxes and the open-file dialog. Tests answer them by script (FakeDialogs).
class Dialogs
{
public:
    /// The button that Enter presses in a question.
    enum class Default { Yes, No };

    virtual ~Dialogs() = default;
    /// Yes/No question with the question icon; true only for Yes. A question whose Yes cannot be
    /// undone (power off now, send to nobody) gives Default::No, so a stray Enter answers No.
    virtual bool askYesNo(QWidget* parent, const QString& title, const QString& text, Default button) = 0;
    /// Information box with a single OK button.
    virtual void showInformation(QWidget* parent, const QString& title, const QString& text) = 0;
    /// Error box with a single OK button.
    virtual void showError(QWidget* parent, const QString& title, const QString& text) = 0;
    /// Open-file dialog; filters as "Name (*.txt)" entries. Empty when cancelled.
    virtual QString openFileName(QWidget* parent, const QString& title, const QStringList& filters) = 0;
};
