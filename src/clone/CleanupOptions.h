// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace chorale {

// Which cleanup steps run on a take before it is converted.
struct CleanupOptions {
    bool reduceNoise = true;     // band-limit to speech and expand away what lies below it
    bool enhanceClarity = true;  // presence lift and a little air
    bool normalizeVolume = true; // peak-normalise to about −1 dBFS

    bool any() const { return reduceNoise || enhanceClarity || normalizeVolume; }
    bool operator==(const CleanupOptions &) const = default;
};

} // namespace chorale
