#pragma once
#include <QString>

// Every text the user sees, in one place. Keep the wording exact: users and logs rely on it.
// Each area appends its own block below.
namespace Msg {

// --- shell ---
inline const QString AppTitle = QStringLiteral("Zevanta");

}  // namespace Msg
