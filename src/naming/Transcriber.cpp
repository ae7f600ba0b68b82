// SPDX-License-Identifier: GPL-3.0-or-later
#include "naming/Transcriber.h"

#include "naming/NamingConfig.h"

#if CHORALE_HAVE_WHISPER
#include "naming/WhisperTranscriber.h"
#endif

namespace chorale {

std::shared_ptr<Transcriber> makeTranscriber() {
#if CHORALE_HAVE_WHISPER
    return std::make_shared<WhisperTranscriber>();
#else
    return std::make_shared<UnavailableTranscriber>();
#endif
}

} // namespace chorale
