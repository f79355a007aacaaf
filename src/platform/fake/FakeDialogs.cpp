#include "FakeDialogs.h"

bool FakeDialogs::askYesNo(QWidget*, const QString& title, const QString& text, Default button)
{
    shown.append({ Kind::Question, title, text, button });
    if (whileOpen) {
        whileOpen();
    }
    if (answers.empty()) {
        return false;
    }
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

void FakeDialogs::showInformation(QWidget*, const QString& title, const QString& text)
{
    shown.append({ Kind::Information, title, text });
    if (whileOpen) {
        whileOpen();
    }
}

void FakeDialogs::showError(QWidget*, const QString& title, const QString& text)
{
    shown.append({ Kind::Error, title, text });
    if (whileOpen) {
        whileOpen();
    }
}

QString FakeDialogs::openFileName(QWidget*, const QString& title, const QStringList& filters)
{
    shown.append({ Kind::OpenFile, title, QString() });
    lastFilters = filters;
    if (fileNames.empty()) {
        return QString();
    }
    const QString name = fileNames.front();
    fileNames.pop_front();
    return name;
}

int FakeDialogs::count(Kind kind) const
{
    int n = 0;
    for (const Shown& box : shown) {
        n += box.kind == kind ? 1 : 0;
    }
    return n;
}
