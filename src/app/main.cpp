// SPDX-License-Identifier: GPL-3.0-or-later
// Chorale: clone voices on your own machine. Wires the shared objects to the window.
#include "app/ChoraleApp.h"
#include "ui/QmlForeignTypes.h"

#include <QGuiApplication>
#include <QIcon>
#include <QQmlApplicationEngine>
#include <QQuickStyle>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(ChoralePlugin)

int main(int argc, char *argv[]) {
    QGuiApplication application(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Chorale"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Chorale"));
    QGuiApplication::setDesktopFileName(QStringLiteral("chorale"));
    QGuiApplication::setWindowIcon(
            QIcon::fromTheme(QStringLiteral("chorale"),
                             QIcon(QStringLiteral(":/qt/qml/Chorale/icons/chorale.svg"))));

    // Desktop sessions choose the icon theme; without one (plain X, CI) use Breeze, which the
    // app's symbols are mapped onto.
    QIcon::setFallbackThemeName(QStringLiteral("breeze"));
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeName(QStringLiteral("breeze"));
    if (qEnvironmentVariableIsEmpty("QT_QUICK_CONTROLS_STYLE"))
        QQuickStyle::setStyle(QStringLiteral("Fusion"));

    chorale::ChoraleApp app;
    chorale::ChoraleAppForeign::setInstance(&app);

    QQmlApplicationEngine engine;
    // Qt 6.4 does not search the resource path of compiled-in QML modules by default.
    engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    QObject::connect(
            &engine, &QQmlApplicationEngine::objectCreationFailed, &application,
            [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
    engine.load(QUrl(QStringLiteral("qrc:/qt/qml/Chorale/qml/Main.qml")));
    return QGuiApplication::exec();
}
