// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace chorale::Formatters {

// Seconds as "m:ss", rounded to the nearest second; "—" for negative or non-finite values.
QString duration(double seconds);
// Seconds as "m:ss.s" for the playhead clock; "0:00.0" for negative or non-finite values.
QString clock(double seconds);

} // namespace chorale::Formatters
