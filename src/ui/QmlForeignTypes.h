// SPDX-License-Identifier: GPL-3.0-or-later
// The app's shared objects as QML sees them: `App` is the one ChoraleApp the composition root
// built; the controllers it hands out are uncreatable in QML.
#pragma once

#include "app/AppNavigation.h"
#include "app/ChoraleApp.h"
#include "audio/AudioPlayer.h"
#include "clone/CleanupSettings.h"
#include "clone/CloneQueueController.h"
#include "dialogue/DialogueMixer.h"
#include "engine/EngineController.h"
#include "store/DataStore.h"

#include <QQmlEngine>

namespace chorale {

struct ChoraleAppForeign {
    Q_GADGET
    QML_FOREIGN(chorale::ChoraleApp)
    QML_NAMED_ELEMENT(App)
    QML_SINGLETON

public:
    static ChoraleApp *create(QQmlEngine *, QJSEngine *) {
        Q_ASSERT(s_instance);
        QJSEngine::setObjectOwnership(s_instance, QJSEngine::CppOwnership);
        return s_instance;
    }
    // Set by the composition root before any QML is loaded.
    static void setInstance(ChoraleApp *app) { s_instance = app; }

private:
    static inline ChoraleApp *s_instance = nullptr;
};

struct DataStoreForeign {
    Q_GADGET
    QML_FOREIGN(chorale::DataStore)
    QML_NAMED_ELEMENT(DataStore)
    QML_UNCREATABLE("Provided by App")
};

struct EngineControllerForeign {
    Q_GADGET
    QML_FOREIGN(chorale::EngineController)
    QML_NAMED_ELEMENT(EngineController)
    QML_UNCREATABLE("Provided by App")
};

struct AudioPlayerForeign {
    Q_GADGET
    QML_FOREIGN(chorale::AudioPlayer)
    QML_NAMED_ELEMENT(AudioPlayer)
    QML_UNCREATABLE("Provided by App")
};

struct CleanupSettingsForeign {
    Q_GADGET
    QML_FOREIGN(chorale::CleanupSettings)
    QML_NAMED_ELEMENT(CleanupSettings)
    QML_UNCREATABLE("Provided by App")
};

struct AppNavigationForeign {
    Q_GADGET
    QML_FOREIGN(chorale::AppNavigation)
    QML_NAMED_ELEMENT(AppNavigation)
    QML_UNCREATABLE("Provided by App")
};

struct DialogueMixerForeign {
    Q_GADGET
    QML_FOREIGN(chorale::DialogueMixer)
    QML_NAMED_ELEMENT(DialogueMixer)
    QML_UNCREATABLE("Provided by App")
};

struct CloneQueueControllerForeign {
    Q_GADGET
    QML_FOREIGN(chorale::CloneQueueController)
    QML_NAMED_ELEMENT(CloneQueueController)
    QML_UNCREATABLE("Provided by App")
};

} // namespace chorale
