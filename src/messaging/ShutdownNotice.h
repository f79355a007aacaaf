#pragma once

#include <QString>

class Launcher;

/// Starts one hidden "net send ADDRESS MESSAGE" per address of prefix.first .. prefix.last, in order,
/// without waiting; launch failures are ignored. The normalised prefix and bounds are written back.
void SendShutdownNotice(Launcher& launcher, const QString& message, QString& prefix, qint16& first, qint16& last);
