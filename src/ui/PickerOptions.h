// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/PickerModel.h"

#include <QList>

// The menus of the clone choices, in picker order, each value being the choice's raw value.
namespace chorale::PickerOptions {

QList<PickerModel::Option> cloneModes();
QList<PickerModel::Option> voiceLanguages();
QList<PickerModel::Option> cloneEffects();

} // namespace chorale::PickerOptions
