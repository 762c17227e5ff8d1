#include "base/ui/okcancel.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

TOkCancelRow MakeOkCancelRow(QDialog* dialog, const QString& okText, const QString& cancelText,
                             const QString& cancelName)
{
    TOkCancelRow row;
    row.OK = new QPushButton(okText, dialog);
    row.OK->setObjectName(QStringLiteral("btnOK"));
    row.OK->setDefault(true);
    row.Cancel = new QPushButton(cancelText, dialog);
    row.Cancel->setObjectName(cancelName);
    QObject::connect(row.Cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    row.Layout = new QHBoxLayout;
    row.Layout->addStretch(1);
    row.Layout->addWidget(row.OK);
    row.Layout->addWidget(row.Cancel);
    return row;
}
