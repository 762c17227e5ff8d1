#pragma once
#include <QWidget>

class QLabel;

// The start-up window: borderless, 512 × 240, centred, with a picture and a right-aligned status
// line that is repainted at once after each change.
class TfrmSplash : public QWidget {
    Q_OBJECT
public:
    explicit TfrmSplash(const QString& productName, const QString& version, QWidget* parent = nullptr);
    ~TfrmSplash() override;
    void SetStatus(const QString& text);
    QString Status() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString FProduct;
    QString FVersion;
    QLabel* FStatus = nullptr;
    bool FCursorSet = false;
};
