#pragma once

#include <QString>

// The program-wide settings that the readers fill and the rest of the program consults.
// Values never read from the file keep these start-up values.
struct SettingsModel
{
    QString SettingsFilePath;
    /// Language column to select at start; -1 until taken from the file, 0 when the file holds none.
    double LanguageIndex = -1;
    QString ShutdownActionName;
    /// Handed to the shutdown executor: 1 power off, 0 log off, 3 restart, each +4 when forced.
    qint16 ShutdownFlags = 0;
    bool ForceShutdown = false;
    bool SendNotice = false;
    bool HolidaysSeparate = false;
    QString IpPrefix = QStringLiteral("192.168.0");
    /// Kept unrounded, as read.
    double IpStart = 2;
    qint16 IpEnd = 255;
    /// False asks the scheduler to reload the time lists on its next tick.
    bool SettingsLoaded = false;
};
