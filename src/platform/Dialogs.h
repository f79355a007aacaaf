#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Message boxes and the open-file dialog. Tests answer them by script (FakeDialogs).
class Dialogs
{
public:
    virtual ~Dialogs() = default;
    /// Yes/No question with the question icon; true only for Yes.
    virtual bool askYesNo(QWidget* parent, const QString& title, const QString& text) = 0;
    /// Information box with a single OK button.
    virtual void showInformation(QWidget* parent, const QString& title, const QString& text) = 0;
    /// Error box with a single OK button.
    virtual void showError(QWidget* parent, const QString& title, const QString& text) = 0;
    /// Open-file dialog; filters as "Name (*.txt)" entries. Empty when cancelled.
    virtual QString openFileName(QWidget* parent, const QString& title, const QStringList& filters) = 0;
};
