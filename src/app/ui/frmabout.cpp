#include "app/ui/frmabout.h"

#include <QDesktopServices>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/ui/displayfont.h"
#include "app/version.h"
#include "base/messages.h"

namespace {

// The national flag, drawn rather than shipped as a picture.
QPixmap flagPixmap()
{
    QPixmap pm(48, 32);
    QPainter p(&pm);
    p.fillRect(0, 0, 48, 11, Qt::white);
    p.fillRect(0, 11, 48, 11, QColor(0x00, 0x39, 0xA6));
    p.fillRect(0, 22, 48, 10, QColor(0xD5, 0x2B, 0x1E));
    p.setPen(Qt::gray);
    p.drawRect(0, 0, 47, 31);
    return pm;
}

QLabel* linkLabel(const QString& text, const char* name, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    QFont f = DisplayFont::Font(12);
    f.setUnderline(true);
    label->setFont(f);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, Qt::blue);
    label->setPalette(pal);
    label->setCursor(Qt::PointingHandCursor);
    return label;
}

// Opens its URL when clicked.
class ClickFilter : public QObject {
public:
    ClickFilter(QLabel* label, QUrl url) : QObject(label), FUrl(std::move(url)) { label->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::MouseButtonRelease) {
            QDesktopServices::openUrl(FUrl);
            return true;
        }
        return false;
    }

private:
    QUrl FUrl;
};

}  // namespace

TfrmAbout::TfrmAbout(const TVersionInfo& version, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(Msg::AboutCaption);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0xE4, 0xE4, 0xE4));
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);

    LabelName = new QLabel(version.ProductName, this);
    LabelName->setObjectName(QStringLiteral("LabelName"));
    LabelName->setFont(DisplayFont::Font(36, true));
    QPalette np = LabelName->palette();
    np.setColor(QPalette::WindowText, QColor(0x00, 0x00, 0x80));
    LabelName->setPalette(np);

    lbVersion = new QLabel(Msg::StatusVersion.arg(version.Version.Str), this);
    lbVersion->setObjectName(QStringLiteral("lbVersion"));
    lbVersion->setFont(DisplayFont::Font(14));

    auto* flag = new QLabel(this);
    flag->setObjectName(QStringLiteral("imgFlag"));
    flag->setPixmap(flagPixmap());
    flag->setToolTip(Msg::AboutMadeFor);
    auto* madeIn = new QLabel(Msg::AboutMadeIn, this);
    madeIn->setObjectName(QStringLiteral("lbMadeIn"));
    madeIn->setFont(DisplayFont::Font(13, true));
    madeIn->setToolTip(Msg::AboutMadeFor);

    lbSite = linkLabel(Msg::AboutSite, "lbSite", this);
    lbEMail = linkLabel(Msg::AboutEMail, "lbEMail", this);
    new ClickFilter(lbSite, SiteUrl());
    new ClickFilter(lbEMail, EMailUrl());

    btnOK = new QPushButton(Msg::ButtonOK, this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    auto* made = new QHBoxLayout;
    made->addWidget(flag);
    made->addSpacing(8);
    made->addWidget(madeIn);
    made->addStretch();

    auto* ok = new QHBoxLayout;
    ok->addStretch();
    ok->addWidget(btnOK);
    ok->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 16, 32, 16);
    setMinimumWidth(320);
    layout->addWidget(LabelName);
    layout->addWidget(lbVersion);
    layout->addSpacing(10);
    layout->addLayout(made);
    layout->addSpacing(10);
    layout->addWidget(lbSite);
    layout->addWidget(lbEMail);
    layout->addSpacing(10);
    layout->addLayout(ok);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QUrl TfrmAbout::SiteUrl() const
{
    return QUrl(lbSite->text());
}

QUrl TfrmAbout::EMailUrl() const
{
    return QUrl(QStringLiteral("mailto:") + lbEMail->text());
}
