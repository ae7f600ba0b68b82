// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace chorale::dsp {

// Flushes denormal floats to zero on this thread while it lives. Decaying filter states and
// envelopes otherwise crawl through denormals in silent stretches, which is many times slower.
class ScopedFlushDenormals {
public:
    ScopedFlushDenormals();
    ~ScopedFlushDenormals();
    ScopedFlushDenormals(const ScopedFlushDenormals &) = delete;
    ScopedFlushDenormals &operator=(const ScopedFlushDenormals &) = delete;

private:
    unsigned m_saved = 0;
};

} // namespace chorale::dsp
