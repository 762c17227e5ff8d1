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
#include "base/ui/okcancel.h"

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

    const TOkCancelRow buttons = MakeOkCancelRow(this);
    connect(buttons.OK, &QPushButton::clicked, this, [this] {
        btnOKClick();
        accept();
    });

    auto* row = new QHBoxLayout;
    row->addWidget(edtFileName);
    row->addWidget(btnBrowse);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(Msg::DataBaseFileName, this));
    layout->addLayout(row);
    layout->addLayout(buttons.Layout);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmOpenDataBase::btnOKClick()
{
    FPath = edtFileName->text().trimmed();
    if (FStore)
        FStore(FPath);
}
