// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QQuickPaintedItem>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

namespace chorale {

// The small bar waveform inside a timeline clip block: one bar per peak, centred vertically.
// Draws nothing for fewer than two peaks and ignores the pointer.
class MiniWaveform : public QQuickPaintedItem {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QVariantList peaks READ peaks WRITE setPeaks NOTIFY peaksChanged)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)

public:
    explicit MiniWaveform(QQuickItem *parent = nullptr);

    QVariantList peaks() const { return m_peaks; }
    void setPeaks(const QVariantList &peaks);
    QColor color() const { return m_color; }
    void setColor(const QColor &color);

    void paint(QPainter *painter) override;

signals:
    void peaksChanged();
    void colorChanged();

private:
    QVariantList m_peaks;
    QList<float> m_values;
    QColor m_color = QColor::fromRgbF(1, 1, 1, 0.55f);
};

} // namespace chorale
