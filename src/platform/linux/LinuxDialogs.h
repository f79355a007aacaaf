#pragma once

#include "platform/Dialogs.h"

// Qt's message boxes and file dialog.
class LinuxDialogs : public Dialogs
{
public:
    bool askYesNo(QWidget* parent, const QString& title, const QString& text, Default button) override;
    void showInformation(QWidget* parent, const QString& title, const QString& text) override;
    void showError(QWidget* parent, const QString& title, const QString& text) override;
    QString openFileName(QWidget* parent, const QString& title, const QStringList& filters) override;
};
