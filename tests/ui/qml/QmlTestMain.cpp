// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the tst_*.qml screen tests against a real ChoraleApp on a private data folder (no
// default characters, so empty states can be seen).
#include "app/ChoraleApp.h"
#include "model/DataPaths.h"
#include "model/Preferences.h"
#include "model/ResourcePaths.h"
#include "ui/QmlForeignTypes.h"

#include <QIcon>
#include <QQmlEngine>
#include <QTemporaryDir>
#include <QtQml/qqmlextensionplugin.h>
#include <QtQuickTest>

Q_IMPORT_QML_PLUGIN(ChoralePlugin)

class Setup : public QObject {
    Q_OBJECT

public slots:
    void applicationAvailable()
    {
        qputenv("XDG_CONFIG_HOME", (m_dir.path() + "/config").toLocal8Bit());
        chorale::DataPaths::setRootOverride(m_dir.path() + "/Chorale");
        chorale::ResourcePaths::setResourceDirectoryOverride(QString());
        QIcon::setThemeName(QStringLiteral("breeze"));
        m_app = std::make_unique<chorale::ChoraleApp>();
        chorale::ChoraleAppForeign::setInstance(m_app.get());
        QCoro::waitFor(m_app->startUp());
    }

    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
    }

    void cleanupTestCase() { chorale::openPreferences()->clear(); }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<chorale::ChoraleApp> m_app;
};

QUICK_TEST_MAIN_WITH_SETUP(chorale_qml, Setup)

#include "QmlTestMain.moc"
