#pragma once
#include <QSettings>
#include <QString>
#include <QStringList>

// User aliases COM97..COM127 for serial devices outside the fixed map (a simulator's
// pseudo-terminal, a USB adapter with an unusual name). They come from the settings values
// "COM-port/Alias/COMn" and from the command-line option --port-alias COMn=PATH, and feed the
// process-wide alias table of the port map.
namespace PortAliases {

inline const QString Option = QStringLiteral("--port-alias");

// Parses "COMn=PATH". False (with *error) when the name is not COM97..COM127 or the path is empty.
bool Parse(const QString& text, int* number, QString* path, QString* error);
// Applies every alias stored in the settings; malformed entries are skipped. Returns how many.
int LoadFromSettings(QSettings& store);
// Applies every --port-alias of the command line. False with *error at the first bad one.
bool ApplyArguments(const QStringList& arguments, QString* error);
// Keeps a network address (tcp://… or rfc2217://…) as an alias, in the settings and the port map:
// the alias that already names it, else `preferred` when that alias names a network port (the user
// is changing it), else the first free alias. Returns its number, or 0 with *error in Russian when
// the address is not a network port or every alias is taken.
int StoreNetPort(QSettings& store, const QString& address, int preferred, QString* error);

}  // namespace PortAliases
