// The About dialog's two links. Their addresses come from the cloud's
// application configuration, so they are text from outside: the address
// is escaped before it goes into the label's rich text, and only web
// addresses (http, https with a host) are handed to the desktop.
#pragma once

#include <QString>

// `label` alone for an empty address, else the link
// <a href="ESCAPED ADDRESS">label</a>.
QString aboutLinkText(const QString& address, const QString& label);

// True for an http or https address with a host.
bool aboutLinkOpenable(const QString& address);

// Logs "open :" with the address and hands an openable address to the
// desktop (QDesktopServices); true when it was handed over and accepted.
bool openAboutLink(const QString& address);
