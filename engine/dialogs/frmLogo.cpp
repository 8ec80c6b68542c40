#include "engine/dialogs/frmLogo.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace varnok {

frmLogo::frmLogo(QWidget* owner) : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(kWidth, kHeight);
    setCursor(Qt::PointingHandCursor);
    setToolTip(tr("Varnok 2"));
}

frmLogo* frmLogo::ShowBeside(QWidget* owner, QPoint globalPos) {
    auto* logo = new frmLogo(owner);
    logo->move(globalPos);
    logo->show();
    logo->raise();
    return logo;
}

void frmLogo::hideLogo() { hide(); }

void frmLogo::mousePressEvent(QMouseEvent* event) {
    event->accept();
    close();
}

// A desert at dusk: a low sun over two dunes, with the program's name running up
// the left side.
void frmLogo::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = width();
    const qreal h = height();

    QLinearGradient sky(0, 0, 0, h * 0.7);
    sky.setColorAt(0.0, QColor(24, 20, 58));
    sky.setColorAt(0.55, QColor(120, 52, 70));
    sky.setColorAt(1.0, QColor(236, 140, 62));
    p.fillRect(rect(), sky);

    const QPointF sunCentre(w * 0.62, h * 0.56);
    const qreal sunRadius = w * 0.22;
    QRadialGradient glow(sunCentre, sunRadius * 2.6);
    glow.setColorAt(0.0, QColor(255, 214, 120, 150));
    glow.setColorAt(1.0, QColor(255, 214, 120, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(sunCentre, sunRadius * 2.6, sunRadius * 2.6);
    p.setBrush(QColor(255, 226, 150));
    p.drawEllipse(sunCentre, sunRadius, sunRadius);

    QPainterPath farDune;
    farDune.moveTo(0, h * 0.66);
    farDune.cubicTo(w * 0.35, h * 0.57, w * 0.7, h * 0.62, w, h * 0.6);
    farDune.lineTo(w, h);
    farDune.lineTo(0, h);
    farDune.closeSubpath();
    QLinearGradient farSand(0, h * 0.57, 0, h);
    farSand.setColorAt(0.0, QColor(196, 118, 58));
    farSand.setColorAt(1.0, QColor(128, 66, 34));
    p.setBrush(farSand);
    p.drawPath(farDune);

    QPainterPath nearDune;
    nearDune.moveTo(0, h * 0.8);
    nearDune.cubicTo(w * 0.3, h * 0.7, w * 0.55, h * 0.69, w, h * 0.78);
    nearDune.lineTo(w, h);
    nearDune.lineTo(0, h);
    nearDune.closeSubpath();
    QLinearGradient nearSand(0, h * 0.69, w, h);
    nearSand.setColorAt(0.0, QColor(232, 170, 92));
    nearSand.setColorAt(1.0, QColor(160, 90, 40));
    p.setBrush(nearSand);
    p.drawPath(nearDune);

    // The wind-cut crest of the near dune.
    p.setPen(QPen(QColor(255, 222, 160, 170), 1.5));
    p.setBrush(Qt::NoBrush);
    QPainterPath crest;
    crest.moveTo(w * 0.12, h * 0.765);
    crest.cubicTo(w * 0.35, h * 0.705, w * 0.55, h * 0.7, w * 0.9, h * 0.765);
    p.drawPath(crest);

    // The name, reading upwards along the left edge.
    p.save();
    p.translate(w * 0.3, h * 0.95);
    p.rotate(-90);
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(static_cast<int>(w * 0.26));
    p.setFont(font);
    p.setPen(QColor(0, 0, 0, 110));
    p.drawText(QPointF(2, 2), QStringLiteral("Varnok 2"));
    p.setPen(QColor(255, 238, 200));
    p.drawText(QPointF(0, 0), QStringLiteral("Varnok 2"));
    p.restore();

    p.setPen(QPen(QColor(60, 30, 20), 1));
    p.drawRect(QRectF(0.5, 0.5, w - 1, h - 1));
}

}  // namespace varnok
