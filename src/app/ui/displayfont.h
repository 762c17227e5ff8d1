#pragma once
#include <QFont>
#include <QString>

// The condensed display font of the controller summaries and the About window. It is carried
// as a resource and installed for this process only.
namespace DisplayFont {
// Installs the font once; true when it is available afterwards.
bool Install();
QString Family();
QFont Font(int pointSize, bool bold = false);
}  // namespace DisplayFont
