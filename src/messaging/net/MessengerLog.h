#pragma once

#include <QString>

/// Writes one dated line to the service's log (its standard error).
void messengerLog(const QString& line);
