// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/AudioLogging.h"

Q_LOGGING_CATEGORY(lcAudio, "chorale.audio")
