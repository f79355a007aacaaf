#pragma once

#include "platform/Dialogs.h"

#include <QList>
#include <deque>
#include <functional>

// Records every box and answers questions from a script (default: No).
class FakeDialogs : public Dialogs
{
public:
    enum class Kind { Question, Information, Error, OpenFile };
    struct Shown
    {
        Kind kind;
        QString title;
        QString text;
        /// For a question, the button Enter presses.
        Default button = Default::Yes;
    };

    bool askYesNo(QWidget* parent, const QString& title, const QString& text, Default button) override;
    void showInformation(QWidget* parent, const QString& title, const QString& text) override;
    void showError(QWidget* parent, const QString& title, const QString& text) override;
    QString openFileName(QWidget* parent, const QString& title, const QStringList& filters) override;

    /// Next answers to questions, first in first out; an empty script answers No.
    std::deque<bool> answers;
    std::deque<QString> fileNames;
    QList<Shown> shown;
    QStringList lastFilters;
    /// Runs while a box is "open", so a test can check what happens behind a modal box.
    std::function<void()> whileOpen;

    int count(Kind kind) const;
};
