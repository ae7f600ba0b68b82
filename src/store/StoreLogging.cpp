// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/StoreLogging.h"

Q_LOGGING_CATEGORY(lcStore, "chorale.store")
