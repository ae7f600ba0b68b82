// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PickerOptions.h"

#include "model/CloneOptions.h"

namespace chorale::PickerOptions {

namespace {
template <typename Choice>
QList<PickerModel::Option> optionsOf(const QList<Choice> &choices) {
    QList<PickerModel::Option> options;
    for (const Choice choice : choices)
        options.append({rawValue(choice), title(choice)});
    return options;
}
} // namespace

QList<PickerModel::Option> cloneModes() {
    return optionsOf(allCloneModes());
}

QList<PickerModel::Option> voiceLanguages() {
    return optionsOf(allVoiceLanguages());
}

QList<PickerModel::Option> cloneEffects() {
    return optionsOf(allCloneEffects());
}

} // namespace chorale::PickerOptions
