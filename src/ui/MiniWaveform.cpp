// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MiniWaveform.h"

#include "ui/TimelineGeometry.h"

#include <QPainter>

namespace chorale {

MiniWaveform::MiniWaveform(QQuickItem *parent)
    : QQuickPaintedItem(parent) {
    setAcceptedMouseButtons(Qt::NoButton);
    setAntialiasing(false);
}

void MiniWaveform::setPeaks(const QVariantList &peaks) {
    if (m_peaks == peaks)
        return;
    m_peaks = peaks;
    m_values.clear();
    m_values.reserve(peaks.size());
    for (const QVariant &p : peaks)
        m_values << p.toFloat();
    emit peaksChanged();
    update();
}

void MiniWaveform::setColor(const QColor &color) {
    if (m_color == color)
        return;
    m_color = color;
    emit colorChanged();
    update();
}

void MiniWaveform::paint(QPainter *painter) {
    const QList<QRectF> bars = TimelineGeometry::waveformBars(m_values, width(), height());
    for (const QRectF &bar : bars)
        painter->fillRect(bar, m_color);
}

} // namespace chorale
