// The request bodies of the cloud calls: the envelope's "meta" and "data"
// (http_envelope.h) followed by each call's own members, printed compact.
// Pure functions of their arguments (and the request context).
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

struct Con_device;

QByteArray appStartupBody();

// data: username, action "signin", agentToken.
QByteArray challengeBody(const QString& username, const QString& agentToken);

// data: username, password, nonce, agentName "windows", agentToken, osName
// "windows", grantType "password", scope "all" (agentName and osName so
// stand twice in the data object: the envelope's first).
QByteArray signinBody(const QString& username, const QByteArray& passwordMember,
                      const QByteArray& nonceMember, const QString& agentToken);

// data: agentToken, accessToken, refreshToken.
QByteArray refreshBody(const QString& agentToken, const QString& accessToken,
                       const QString& refreshToken);

// meta: accessToken.
QByteArray deviceListBody(const QString& accessToken);

// meta: accessToken; data: devices [{deviceId, deviceType}] in list order.
QByteArray devConfigBody(const QString& accessToken, const QList<Con_device*>& devices);

// meta: accessToken; data: deviceId.
QByteArray snapshotBody(const QString& accessToken, const QString& deviceId);

// data: devices [{did, dtype 1, isShare false, scopes []}].
QByteArray fetchInfosBody(const QString& deviceId);

// data: agentToken, refreshToken.
QByteArray signoutBody(const QString& agentToken, const QString& refreshToken);
