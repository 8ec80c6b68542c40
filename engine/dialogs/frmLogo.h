#pragma once

#include <QPoint>
#include <QWidget>

namespace varnok {

// The program's logo in a small frameless window, shown beside the file list's
// context menu. A click on it closes it; closing deletes it, so whoever keeps a
// pointer to it should keep a QPointer.
class frmLogo : public QWidget {
    Q_OBJECT
public:
    // 4720 twips high, as the window has always been.
    static constexpr int kHeight = 315;
    static constexpr int kWidth = 120;

    explicit frmLogo(QWidget* owner);

    // Creates the logo window with its top left corner at `globalPos`, shows it
    // and keeps it above other windows.
    static frmLogo* ShowBeside(QWidget* owner, QPoint globalPos);

    QSize sizeHint() const override { return {kWidth, kHeight}; }

public slots:
    void hideLogo();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace varnok
