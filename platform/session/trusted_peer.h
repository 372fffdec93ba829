#pragma once
// A desktop service on the session bus, taken only when it runs as this
// user or as root: a bus that lets other users in may have its name held by
// one of them. The name is resolved once to its owner's unique name, which
// every later call then goes to, so that the name passing to another owner
// meanwhile changes nothing.

#include <QDBusConnection>
#include <QString>
#include <optional>

namespace platform::session {

// The unique name of the owner of name, or nullopt with why: no owner, or
// one of another user's.
std::optional<QString> trustedOwner(QDBusConnection bus, const QString& name, QString& why);

}  // namespace platform::session
