#pragma once
#include <QStringList>

class QApplication;
class QWidget;

// Screen readers and UI automation find a control by its accessible name. Controls whose text is
// their name (captioned buttons, check boxes) need nothing; the others get one from, in this
// order: their hint (icon-only buttons), the label that names them (buddy, form row, the label
// just before them in their layout), the title of their group box, their placeholder text.
void NameControls(QWidget* root);

// Names every window's controls when it is first shown, so dialogs built later are covered too.
void InstallAccessibleNaming(QApplication& app);

// Enabled controls under root that the accessibility interface reports without a name, as
// "objectName (class)"; for tests.
QStringList UnnamedControls(QWidget* root);
