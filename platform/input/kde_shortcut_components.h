#pragma once
// What KDE's kglobalaccel keeps of a program's global shortcuts: a component
// per program (named by its app id, or by the portal session's token before
// the portal knew app ids). kglobalaccel is never started for a question,
// and asked only where it runs as the user or root.

#include <QString>

namespace platform::input {

// Whether kglobalaccel holds a component of that name.
bool kdeShortcutComponentExists(const QString& component);

// Takes the component's shortcuts out of kglobalaccel while their program
// does not run; true when it held the component and gave it up.
bool removeKdeShortcutComponent(const QString& component);

}  // namespace platform::input
