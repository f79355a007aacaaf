#pragma once

#include <QString>
#include <QStringView>

// The last step of every import: what reaches the message box is plain text a command line can carry.
namespace texttidy {

/// Line ends become LF (CR LF and lone CR alike); control characters other than TAB and LF are dropped,
/// since a NUL would silently cut the message short once it is passed as a program argument; unpaired
/// UTF-16 surrogates become U+FFFD so that the text always encodes.
QString tidy(QStringView text);

} // namespace texttidy
