// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TimelineGeometry.h"

#include <algorithm>
#include <cmath>

namespace chorale::TimelineGeometry {

namespace {
double shownSeconds(double duration) {
    return std::max(duration + trailingRoom, minimumSeconds);
}
} // namespace

double contentWidth(double duration, double pixelsPerSecond) {
    return shownSeconds(duration) * pixelsPerSecond;
}

double totalHeight(int trackCount) {
    return std::max(trackCount, 0) * laneHeight + rulerHeight;
}

double clipX(const DialogueClip &clip, double pixelsPerSecond) {
    return pixelsPerSecond * clip.startTime;
}

double clipWidth(const DialogueClip &clip, double pixelsPerSecond) {
    return std::max(pixelsPerSecond * clip.audibleLength(), minimumClipWidth);
}

double laneY(int trackIndex) {
    return rulerHeight + laneHeight * trackIndex;
}

double clipY(int trackIndex) {
    return laneY(trackIndex) + clipTop;
}

double secondsAt(double x, double pixelsPerSecond) {
    return pixelsPerSecond > 0 ? std::max(0.0, x / pixelsPerSecond) : 0.0;
}

QList<RulerTick> rulerTicks(double duration, double pixelsPerSecond) {
    QList<RulerTick> ticks;
    const int last = int(std::ceil(shownSeconds(duration)));
    ticks.reserve(last + 1);
    for (int t = 0; t <= last; ++t) {
        const bool major = t % 5 == 0;
        ticks << RulerTick{t, t * pixelsPerSecond, major ? 8.0 : 16.0, major};
    }
    return ticks;
}

int trackIndex(int currentTrackIndex, double vertical, int trackCount) {
    if (trackCount <= 0)
        return 0;
    const double lane = (vertical + laneHeight * currentTrackIndex + laneHeight / 2) / laneHeight;
    const int index = int(std::trunc(lane));
    return std::clamp(index, 0, trackCount - 1);
}

QList<float> slicedPeaks(const QList<float> &peaks, const DialogueClip &clip) {
    if (peaks.isEmpty() || !(clip.sourceDuration > 0))
        return {};
    const auto n = peaks.size();
    auto from = qsizetype(std::trunc(clip.trimStart / clip.sourceDuration * double(n)));
    auto to = qsizetype(std::trunc(clip.trimEnd / clip.sourceDuration * double(n)));
    from = std::clamp<qsizetype>(from, 0, n);
    to = std::min(std::max(to, from + 1), n);
    if (from >= to)
        return {};
    if (from == 0 && to == n)
        return peaks;
    return peaks.mid(from, to - from);
}

QColor trackColor(int trackIndex) {
    static constexpr double hues[] = {0.58, 0.08, 0.33, 0.78, 0.12, 0.45};
    const int i = ((trackIndex % 6) + 6) % 6;
    return QColor::fromHsvF(float(hues[i]), 0.55f, 0.72f);
}

QList<QRectF> waveformBars(const QList<float> &peaks, double width, double height) {
    QList<QRectF> bars;
    const auto n = peaks.size();
    if (n < 2)
        return bars;
    bars.reserve(n);
    const double step = width / double(n);
    const double barWidth = std::max(step * 0.75, 1.0);
    for (qsizetype i = 0; i < n; ++i) {
        const double h = std::max(height * double(peaks[i]) * 0.9, 1.0);
        bars << QRectF(step * double(i), height / 2 - h / 2, barWidth, h);
    }
    return bars;
}

} // namespace chorale::TimelineGeometry
