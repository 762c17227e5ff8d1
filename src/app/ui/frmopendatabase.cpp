#include "app/ui/frmopendatabase.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "base/messages.h"

TfrmOpenDataBase::TfrmOpenDataBase(const QString& currentPath, std::function<void(const QString&)> store,
                                   QWidget* parent)
    : QDialog(parent), FPath(currentPath), FStore(std::move(store))
{
    setObjectName(QStringLiteral("frmOpenDataBase"));
    setWindowTitle(Msg::DataBaseCaption);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    edtFileName = new QLineEdit(currentPath, this);
    edtFileName->setObjectName(QStringLiteral("edtFileName"));
    edtFileName->setMinimumWidth(380);
    btnBrowse = new QToolButton(this);
    btnBrowse->setObjectName(QStringLiteral("btnBrowse"));
    btnBrowse->setText(QStringLiteral("..."));
    connect(btnBrowse, &QToolButton::clicked, this, [this] {
        const QString dir = QFileInfo(edtFileName->text()).absolutePath();
        const QString file = QFileDialog::getOpenFileName(this, Msg::DataBaseOpenTitle, dir, Msg::DataBaseFilter);
        if (!file.isEmpty())
            edtFileName->setText(QDir::toNativeSeparators(file));
    });

    auto* ok = new QPushButton(Msg::ButtonOK, this);
    ok->setObjectName(QStringLiteral("btnOK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(Msg::ButtonCancel, this);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    connect(ok, &QPushButton::clicked, this, [this] {
        btnOKClick();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* row = new QHBoxLayout;
    row->addWidget(edtFileName);
    row->addWidget(btnBrowse);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(Msg::DataBaseFileName, this));
    layout->addLayout(row);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmOpenDataBase::btnOKClick()
{
    FPath = edtFileName->text().trimmed();
    if (FStore)
        FStore(FPath);
}
