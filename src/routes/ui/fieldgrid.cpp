#include "routes/ui/fieldgrid.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

TFieldGrid::TFieldGrid(QWidget* owner) : FOwner(owner), FGrid(new QGridLayout)
{
    FGrid->setColumnStretch(1, 1);
}

void TFieldGrid::Caption(const QString& text)
{
    FGrid->addWidget(new QLabel(text, FOwner), FRow++, 0, 1, 2);
}

QLineEdit* TFieldGrid::Edit(const char* name, int maxLength, const QString& text, const QString& label)
{
    auto* e = new QLineEdit(FOwner);
    e->setObjectName(QString::fromLatin1(name));
    e->setMaxLength(maxLength);
    e->setText(text);
    if (label.isEmpty())
        FGrid->addWidget(e, FRow++, 0, 1, 2);
    else
        Row(label, e);
    return e;
}

void TFieldGrid::Row(const QString& label, QWidget* field)
{
    auto* l = new QLabel(label, FOwner);
    l->setBuddy(field);
    FGrid->addWidget(l, FRow, 0);
    FGrid->addWidget(field, FRow++, 1);
}
