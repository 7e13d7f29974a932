// Test helper: what a well-behaved cloud answers to each call of the
// client, by the end of the request's path, for the fake network manager
// (reply tests, the cloud client fuzz target).
#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// A token reply (sign-in, refresh) with these values.
QByteArray tokenReply(const char* access, const char* sign, int expires = 7200);

// Path suffix -> reply body of a well-behaved cloud: app startup, challenge
// (usable keys), sign-in, refresh, device list (one camera), dev-config,
// sign-out.
QMap<QString, QByteArray> goodCloudAnswers();
