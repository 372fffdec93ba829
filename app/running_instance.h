#pragma once
// The command line's client of a running instance of this program: found by
// its name on the session bus, believed only when it is this user's, and
// asked with a bound on every call.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <functional>
#include <optional>

#include "base/model_profile.h"

class RunningInstance {
 public:
  // owner: the unique name of the instance's connection, checked to be this user's.
  RunningInstance(const base::ModelProfile& model, QDBusConnection bus, const QString& owner);

  // The reply, or the error's text in error.
  std::optional<QDBusMessage> call(const QString& interface, const QString& method,
                                   const QVariantList& arguments, QString& error);
  // The running instance's properties, or the error's text in error.
  std::optional<QVariantMap> readProperties(QString& error);
  // The running instance's properties; ends this start when they cannot be read.
  QVariantMap properties();

 private:
  const base::ModelProfile& model_;
  QDBusConnection bus_;
  QString owner_;
  int timeoutMs_;
};

// Calls use with the instance of this program that owns its name on the
// session bus, over a connection of its own; false when none does. An owner
// of another user's is never told anything: with foreignIsNone it counts as
// no instance (a start goes on, the instance lock keeping it to one), else
// the command ends there.
bool withRunningInstance(const base::ModelProfile& model, bool foreignIsNone,
                         const std::function<void(RunningInstance&)>& use);

// The state of an instance of this program on the session bus (empty when it
// did not answer, with the reason in error); nullopt when none runs there.
std::optional<QVariantMap> runningInstanceState(const base::ModelProfile& model, QString& error);
