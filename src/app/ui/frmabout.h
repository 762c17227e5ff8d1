#pragma once
#include <QDialog>

class QLabel;
class QPushButton;
class TVersionInfo;

// "О программе": name, version, the maker's site and e-mail opened with the desktop's handler.
class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(const TVersionInfo& version, QWidget* parent = nullptr);

    QLabel* LabelName = nullptr;
    QLabel* lbVersion = nullptr;
    QLabel* lbSite = nullptr;
    QLabel* lbEMail = nullptr;
    QPushButton* btnOK = nullptr;

    // The addresses a click opens.
    QUrl SiteUrl() const;
    QUrl EMailUrl() const;
};
