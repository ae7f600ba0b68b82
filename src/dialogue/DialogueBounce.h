// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/DialogueProject.h"

#include <QString>
#include <QUuid>

#include <optional>

namespace chorale::DialogueBounce {

// Writes the mix of the whole dialogue (no `trackId`) or of one of its tracks to `path` as a
// 16-bit stereo WAV at 44 100 Hz. The file always spans the whole dialogue, so exported tracks
// line up with each other and with the full mix. A mix louder than full scale is brought down
// to a peak of 0.89; a quieter one is written exactly as summed. Clips whose files cannot be
// read are skipped. Runs on any thread and blocks it for the whole export.
//
// The file is written beside `path` and renamed over it only when complete, so a failed export
// leaves an existing file untouched. Throws unreadableAudio when no clip is selected or none
// could be mixed, and platform errors from writing.
void bounce(const DialogueProject &project, const QString &path,
            const std::optional<QUuid> &trackId = std::nullopt);

} // namespace chorale::DialogueBounce
