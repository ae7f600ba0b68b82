// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/DialogueProject.h"

#include "model/DataPaths.h"

namespace chorale {

void DialogueProject::refreshDuration() {
    double end = 0;
    for (const auto &clip : clips)
        end = std::max(end, clip.endTime());
    duration = end;
}

QString DialogueProject::audioURL(const DialogueClip &clip) const {
    return DataPaths::dialogueClipFile(id, clip.fileName);
}

} // namespace chorale
