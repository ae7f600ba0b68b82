// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/DialogueProject.h"

#include <QColor>
#include <QList>
#include <QRectF>

// Where the timeline draws things, in points (one point per logical pixel), and how pointer
// movement maps back onto seconds and tracks. Pure functions, shared by the editor and its tests.
namespace chorale::TimelineGeometry {

inline constexpr double headerWidth = 128;
inline constexpr double rulerHeight = 28;
inline constexpr double laneHeight = 76;
inline constexpr double clipHeight = 66;
inline constexpr double clipTop = 5; // inside the lane
inline constexpr double minimumClipWidth = 28;
inline constexpr double minimumPreviewWidth = 16;
inline constexpr double playheadWidth = 1.5;
inline constexpr double gripWidth = 17; // 5-wide capsule with 6 of padding either side

// Seconds of room the content keeps after the last clip, and the least it shows.
inline constexpr double trailingRoom = 6;
inline constexpr double minimumSeconds = 12;

// Width of the scrolling content for a dialogue of `duration` seconds.
double contentWidth(double duration, double pixelsPerSecond);
// Ruler and lanes: tracks × lane height + ruler height.
double totalHeight(int trackCount);

double clipX(const DialogueClip &clip, double pixelsPerSecond);
double clipWidth(const DialogueClip &clip, double pixelsPerSecond);
// Top of a clip block in lane `trackIndex`, from the top of the content.
double clipY(int trackIndex);
double laneY(int trackIndex);

// Seconds at a horizontal position of the content (never below 0).
double secondsAt(double x, double pixelsPerSecond);

struct RulerTick {
    int seconds = 0;
    double x = 0;
    double top = 0; // the tick runs from here down to the ruler's bottom
    bool labelled = false;
};
// One tick per whole second from 0 to ceil(max(duration + 6, 12)); every fifth is taller and
// labelled.
QList<RulerTick> rulerTicks(double duration, double pixelsPerSecond);

// The track a clip moved by `vertical` points lands on: the lane holding the centre of its own
// lane shifted by that much, clamped to the existing tracks.
int trackIndex(int currentTrackIndex, double vertical, int trackCount);

// The part of a clip's peak list that lies between its trims (empty without peaks).
QList<float> slicedPeaks(const QList<float> &peaks, const DialogueClip &clip);

// Track colours follow the track's position: hue H[i mod 6], saturation 0.55, brightness 0.72.
QColor trackColor(int trackIndex);

// The bars of a mini waveform drawn `width` × `height`: none for fewer than 2 peaks.
QList<QRectF> waveformBars(const QList<float> &peaks, double width, double height);

} // namespace chorale::TimelineGeometry
