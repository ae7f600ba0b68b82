// SPDX-License-Identifier: GPL-3.0-or-later
#include "dsp/Denormals.h"

#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

namespace chorale::dsp {

#if defined(__SSE2__)
// Flush-to-zero (bit 15) and denormals-are-zero (bit 6) in MXCSR.
constexpr unsigned flushBits = 0x8040;

ScopedFlushDenormals::ScopedFlushDenormals()
    : m_saved(_mm_getcsr()) {
    _mm_setcsr(m_saved | flushBits);
}

ScopedFlushDenormals::~ScopedFlushDenormals() {
    _mm_setcsr(m_saved);
}
#else
ScopedFlushDenormals::ScopedFlushDenormals() = default;
ScopedFlushDenormals::~ScopedFlushDenormals() = default;
#endif

} // namespace chorale::dsp
